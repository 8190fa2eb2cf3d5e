#include <exception>
#include <iterator>
#include <memory>
#include <utility>

#include "../app/form1.h"
#include "row_texts.h"
#include "scan_computer.h"

namespace orvel {
namespace {

constexpr std::uint32_t kErrorBoxFlags = 0x10;  // MB_ICONERROR | MB_OK

}  // namespace

// The text of the single scan's error box.
std::string TForm1::ScanFailureText(const TComputerScan& scan) const {
  return Text(txtErrorHeading) + ("\r" + scan.Message) + "\rCode: " + scan.Stage + "\r\r" +
         FormatWithArgument(Text(txtErrorHint), scan.Message);
}

void TForm1::ScanProcesses(std::string computer, std::string user, std::string password, TPIArray& records) {
  StatusBar.SetSimpleText(Text(txtStarting));
  std::unique_ptr<IWmiLocator> locator = Services.Wmi.CreateLocator();
  StatusBar.SetSimpleText(Text(txtConnectingTo) + computer + " ...");
  TComputerScan scan = ScanComputer(*locator, computer, user, password);
  records.insert(records.end(), std::make_move_iterator(scan.Records.begin()),
                 std::make_move_iterator(scan.Records.end()));
  if (!scan.Failed) {
    if (UserComboBox.FindStringExact(user) < 0) UserComboBox.AddItem(user);
    return;
  }
  // Every WMI object is released before the box waits for the user.
  locator.reset();
  Services.Application.MessageBox(ScanFailureText(scan), Text(txtErrorCaption), kErrorBoxFlags);
}

}  // namespace orvel
