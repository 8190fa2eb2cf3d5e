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

// Each restoring step runs even when an earlier one fails: none may leave the button hidden.
template <class Step>
void Quietly(Step step) noexcept {
  try {
    step();
  } catch (...) {
  }
}

// Returns the window to its idle state when the scan command leaves, by whatever way it leaves.
class IdleOnExit {
 public:
  IdleOnExit(TAnimate& animation, TSpeedButton& button) noexcept : animation_(animation), button_(button) {}
  IdleOnExit(const IdleOnExit&) = delete;
  IdleOnExit& operator=(const IdleOnExit&) = delete;
  ~IdleOnExit() {
    Quietly([this] { animation_.SetVisible(false); });
    Quietly([this] { animation_.Stop(); });
    Quietly([this] { button_.SetVisible(true); });
    Quietly([this] { button_.SetEnabled(true); });
  }

 private:
  TAnimate& animation_;
  TSpeedButton& button_;
};

}  // namespace

void TForm1::StartButtonClick(TObject* /*sender*/) {
  TPIArray records;
  ListView1.Clear();
  // Outside the guarded steps, so the idle state returns after the failure message, and also when
  // showing the message fails or a failure of another kind escapes.
  const IdleOnExit idle(Animate1, StartButton);
  try {
    StartButton.SetEnabled(false);
    StartButton.SetVisible(false);
    Animate1.SetVisible(true);
    Animate1.Play();
    const std::string password = PasswordEdit.Text();
    const std::string user = UserComboBox.Text();
    const std::string computer = PcComboBox.Text();
    FScannedComputer = computer;
    FScannedUser = user;
    ScanProcesses(computer, user, password, records);
    FillList(ListView1, records, Services.System);
    StatusBar.SetSimpleText(FormatWithArgument(Text(txtProcessCount), std::to_string(records.size())));
    RememberComputer(PcComboBox);
  } catch (const std::exception& failure) {
    Services.Application.ShowMessage(std::string("ListView ") + failure.what());
  }
}

void TForm1::PcEditKeyDown(TObject* sender, std::uint16_t& key, TShiftState /*shift*/) {
  // Enter with any modifiers; the key stays as it is for the control's own handling.
  if (key == 13) StartButtonClick(sender);
}

}  // namespace orvel
