#include <exception>

#include "../app/form1.h"
#include "row_texts.h"

namespace orvel {
namespace {

// One update bracket for all rows: the list redraws once, and the bracket closes also on a failure.
void FillList(TListView& list, const TPIArray& records, ISystem& system) {
  list.BeginUpdate();
  try {
    for (const TProcesInformation& record : records) list.AddRow(ProcessRow(record, system));
  } catch (...) {
    list.EndUpdate();
    throw;
  }
  list.EndUpdate();
}

// A known name moves to the top in its stored spelling; a new one goes to the end as typed.
void RememberComputer(TComboBox& history) {
  const std::string computer = history.Text();
  const int index = history.FindStringExact(computer);
  if (index < 0) {
    history.AddItem(computer);
    return;
  }
  const std::string stored = history.Item(index);
  history.DeleteItem(index);
  history.InsertItem(0, stored);
  history.SetItemIndex(0);
}

}  // namespace

void TForm1::StartButtonClick(TObject* /*sender*/) {
  TPIArray records;
  ListView1.Clear();
  try {
    StartButton.SetEnabled(false);
    StartButton.SetVisible(false);
    Animate1.SetVisible(true);
    Animate1.Play();
    const std::string password = PasswordEdit.Text();
    const std::string user = UserComboBox.Text();
    const std::string computer = PcComboBox.Text();
    ScanProcesses(computer, user, password, records);
    FillList(ListView1, records, Services.System);
    StatusBar.SetSimpleText(FormatWithArgument(Text(txtProcessCount), std::to_string(records.size())));
    RememberComputer(PcComboBox);
  } catch (const std::exception& failure) {
    Services.Application.ShowMessage(std::string("ListView ") + failure.what());
  }
  Animate1.SetVisible(false);
  Animate1.Stop();
  StartButton.SetVisible(true);
  StartButton.SetEnabled(true);
}

void TForm1::PcEditKeyDown(TObject* sender, std::uint16_t& key, TShiftState /*shift*/) {
  // Enter with any modifiers; the key stays as it is for the control's own handling.
  if (key == 13) StartButtonClick(sender);
}

}  // namespace orvel
