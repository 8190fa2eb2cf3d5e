#include "end_process.h"

#include <algorithm>

#include "../app/form1.h"
#include "../app/form_definition.h"
#include "../app/program.h"
#include "../platform/ole_error.h"
#include "../scan/connection.h"
#include "../scan/row_texts.h"
#include "../scan/wmi_values.h"

namespace orvel {
namespace {

constexpr std::int32_t kNotFound = static_cast<std::int32_t>(0x80041002u);  // WBEM_E_NOT_FOUND

constexpr int kIdYes = 6;
constexpr std::uint32_t kQuestionBox = 0x4 | 0x30 | 0x100;  // MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2
constexpr std::uint32_t kRefusalBox = 0x40;                 // MB_OK | MB_ICONINFORMATION
constexpr std::uint32_t kFailureBox = 0x10;                 // MB_OK | MB_ICONERROR

// Terminate's documented return values.
TextId ReasonOf(std::uint32_t returnValue) {
  switch (returnValue) {
    case 2: return txtEndAccessDenied;
    case 3: return txtEndNoPrivilege;
    case 8: return txtEndUnknownFailure;
    case 9: return txtEndPathNotFound;
    case 21: return txtEndInvalidParameter;
    default: return txtEndReturnValue;
  }
}

}  // namespace

EndProcessOutcome EndProcess(IWmi& wmi, const std::string& computer, const std::string& user,
                             const std::string& password, const std::string& processId, const std::string& name) {
  // The ID goes into an object path: only the digits the list shows for it.
  if (processId.empty() || !std::all_of(processId.begin(), processId.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return {EndProcessOutcome::Kind::Gone, 0};
  const auto locator = wmi.CreateLocator();
  // Connected as the scan connects.
  const auto services = ConnectToProcesses(*locator, computer, user, password);
  if (!services) return {EndProcessOutcome::Kind::Refused, 8};
  SetUpSecurity(*services);
  std::unique_ptr<IWmiObject> process;
  try {
    process = services->Get("Win32_Process.Handle=\"" + processId + "\"", 0);
  } catch (const EOleError& failure) {
    if (failure.Code() == kNotFound) return {EndProcessOutcome::Kind::Gone, 0};
    throw;
  }
  // The ID may have gone to another program since the scan.
  if (WmiText(process->Properties()->Value("Name")) != name) return {EndProcessOutcome::Kind::Gone, 0};
  const auto result = process->ExecMethod("Terminate");
  const std::uint32_t returnValue = WmiLow32(result->Properties()->Value("ReturnValue"));
  return {returnValue == 0 ? EndProcessOutcome::Kind::Ended : EndProcessOutcome::Kind::Refused, returnValue};
}

// Ends only on the computer and as the user the rows were scanned from, and asks only then; scans
// again when the process is gone so that the list shows what runs now.
void TForm1::EndProcessClick(TObject* sender) {
  const TListRow* row = ListView1.Selected();
  if (!row) return;
  const std::string name(row->Cell(kNameColumn));
  const std::string processId(row->Cell(kProcessIdColumn));
  const std::string title = Services.Application.Title();
  TApplication& application = Services.Application;
  // A row of a many-computer scan (the last scan, as the column shows) names its own computer; it must
  // be one that scan covered.
  const bool ownComputer = HasComputerColumn() && FManyScan;
  const std::string rowComputer = ownComputer ? std::string(row->Cell(kComputerColumn)) : FScannedComputer;
  const bool scanned =
      ownComputer ? std::any_of(FManyScan->Computers().begin(), FManyScan->Computers().end(),
                                [&](const std::string& c) { return Services.System.SameTextIgnoringCase(c, rowComputer); })
                  : Services.System.SameTextIgnoringCase(PcComboBox.Text(), FScannedField);
  // The scan connected to the local computer when no name was given; the texts name it.
  const std::string computer = rowComputer.empty() ? LocalComputerName(Services.System) : rowComputer;
  if (!scanned || !Services.System.SameTextIgnoringCase(UserComboBox.Text(), FScannedUser)) {
    application.MessageBox(FormatText(Text(txtEndScanFirst), {computer}), title, kRefusalBox);
    return;
  }
  if (application.MessageBox(FormatText(Text(txtEndQuestion), {name, processId, computer}), title, kQuestionBox) !=
      kIdYes)
    return;
  EndProcessOutcome outcome;
  try {
    outcome = EndProcess(Services.Wmi, rowComputer, FScannedUser, PasswordEdit.Text(), processId, name);
  } catch (const std::exception& failure) {
    const std::string reason = EscapedErrorText(failure.what());
    application.MessageBox(FormatText(Text(txtEndFailed), {name, processId, reason}), title, kFailureBox);
    return;
  }
  switch (outcome.kind) {
    case EndProcessOutcome::Kind::Ended:
      StartButtonClick(sender);
      return;
    case EndProcessOutcome::Kind::Gone:
      application.MessageBox(FormatText(Text(txtEndGone), {processId, computer, name}), title, kRefusalBox);
      return;
    case EndProcessOutcome::Kind::Refused: {
      const std::string number = std::to_string(outcome.returnValue);
      const std::string reason = FormatText(Text(ReasonOf(outcome.returnValue)), {number});
      application.MessageBox(FormatText(Text(txtEndFailed), {name, processId, reason}), title, kFailureBox);
      return;
    }
  }
}

}  // namespace orvel
