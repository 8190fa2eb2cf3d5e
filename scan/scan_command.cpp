#include <cstddef>
#include <cstdint>
#include <exception>
#include <utility>

#include "../app/form1.h"
#include "../app/form_definition.h"
#include "../app/language.h"
#include "computer_list.h"
#include "row_texts.h"
#include "sorting.h"

namespace orvel {
namespace {

// One update bracket for all rows: the list redraws once, and the bracket closes also on a failure.
// With a computer, each row names it in the Computer column.
void FillList(TListView& list, const TPIArray& records, ISystem& system, const std::string* computer = nullptr) {
  list.BeginUpdate();
  try {
    for (const TProcesInformation& record : records) {
      TListRow row = ProcessRow(record, system);
      if (computer) row.SubItems.push_back(*computer);
      list.AddRow(std::move(row));
    }
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

void ShowIdle(TAnimate& animation, TSpeedButton& button) noexcept {
  Quietly([&] { animation.SetVisible(false); });
  Quietly([&] { animation.Stop(); });
  Quietly([&] { button.SetVisible(true); });
  Quietly([&] { button.SetEnabled(true); });
}

void ShowBusy(TAnimate& animation, TSpeedButton& button) {
  button.SetEnabled(false);
  button.SetVisible(false);
  animation.SetVisible(true);
  animation.Play();
}

// Returns the window to its idle state when the scan command leaves, by whatever way it leaves.
class IdleOnExit {
 public:
  IdleOnExit(TAnimate& animation, TSpeedButton& button) noexcept : animation_(animation), button_(button) {}
  IdleOnExit(const IdleOnExit&) = delete;
  IdleOnExit& operator=(const IdleOnExit&) = delete;
  ~IdleOnExit() { ShowIdle(animation_, button_); }

 private:
  TAnimate& animation_;
  TSpeedButton& button_;
};

constexpr std::uint32_t kErrorBoxFlags = 0x10;    // MB_ICONERROR | MB_OK
constexpr std::uint32_t kWarningBoxFlags = 0x30;  // MB_ICONWARNING | MB_OK
constexpr std::uint16_t kEscape = 27;

}  // namespace

// The field names one computer (today's scan), several (each on a worker, answering from the queue),
// or a list that cannot be scanned (a message, no scan). No second scan while computers still answer.
void TForm1::StartButtonClick(TObject* /*sender*/) {
  if (ManyScanBusy()) return;
  const ComputerList list = ParseComputerField(
      PcComboBox.Text(), [this](const std::string& path) { return Services.System.ReadFile(path); });
  if (list.Failed()) {
    std::string text;
    switch (list.kind) {
      case ComputerList::Kind::TooMany: {
        const std::string most = std::to_string(kMaxComputers);
        text = FormatText(Text(txtManyTooMany), {most, most});
        break;
      }
      case ComputerList::Kind::NoFileName: text = Text(txtManyNoFileName); break;
      case ComputerList::Kind::FileUnreadable: text = FormatText(Text(txtManyFileUnreadable), {list.file}); break;
      default: text = FormatText(Text(txtManyFileEmpty), {list.file}); break;
    }
    Services.Application.MessageBox(text, Form.Caption(), kWarningBoxFlags);
    return;
  }
  if (list.kind == ComputerList::Kind::Many) {
    StartManyScan(list.names, UserComboBox.Text(), PasswordEdit.Text());
    return;
  }
  TPIArray records;
  ListView1.Clear();
  FAnsweredRows.clear();
  if (HasComputerColumn()) ShowComputerColumn(false);
  // Outside the guarded steps, so the idle state returns after the failure message, and also when
  // showing the message fails or a failure of another kind escapes.
  const IdleOnExit idle(Animate1, StartButton);
  try {
    ShowBusy(Animate1, StartButton);
    const std::string password = PasswordEdit.Text();
    const std::string user = UserComboBox.Text();
    const std::string computer = list.names.front();
    FScannedField = PcComboBox.Text();
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

void TForm1::StartManyScan(std::vector<std::string> computers, const std::string& user, const std::string& password) {
  ListView1.Clear();
  FAnsweredRows.clear();
  FSortKey = 0;
  if (!HasComputerColumn()) ShowComputerColumn(true);
  FScannedField = PcComboBox.Text();
  FScannedComputer.clear();
  FScannedUser = user;
  FManyPassword = password;
  FManyScan = std::make_unique<ManyScan>(std::move(computers));
  const std::uint64_t generation = ++FManyGeneration;
  RememberComputer(PcComboBox);
  ShowBusy(Animate1, StartButton);
  StartWaitingComputers();
  if (!FManyScan->Busy()) {
    EndManyScan();
    return;
  }
  ShowManyScanStatus(true);
  Services.Application.PostAfter(ManyScan::kStatusIntervalMs, [this, generation] { ManyScanTick(generation); });
}

// A computer whose worker cannot be started has failed with that reason; the next one takes its turn.
void TForm1::StartWaitingComputers() {
  const std::uint64_t generation = FManyGeneration;
  for (std::vector<std::size_t> started = FManyScan->StartNext(); !started.empty(); started = FManyScan->StartNext()) {
    for (const std::size_t index : started) {
      try {
        Services.Scans.Start(index, FManyScan->Computers()[index], FScannedUser, FManyPassword,
                             [this, generation](std::size_t answered, TComputerScan scan) {
                               ComputerAnswered(generation, answered, std::move(scan));
                             });
      } catch (const std::exception& failure) {
        FManyScan->Failed(index, {}, failure.what());
      }
    }
  }
}

// A computer's rows are added together, with its name as listed; a failure keeps what came before it.
// They are listed from messages of their own, so that the window answers between computers.
void TForm1::ComputerAnswered(std::uint64_t generation, std::size_t index, TComputerScan scan) {
  if (generation != FManyGeneration || !FManyScan) return;
  const bool taken = scan.Failed ? FManyScan->Failed(index, scan.Records, scan.Message + " (Code: " + scan.Stage + ")")
                                 : FManyScan->Answered(index, scan.Records);
  if (!taken) return;
  if (!scan.Records.empty()) {
    FAnsweredRows.emplace_back(index, std::move(scan.Records));
    // While rows wait, their listing is posted: with the first of them, then by each listing.
    if (FAnsweredRows.size() == 1) Services.Application.Post([this, generation] { ListAnsweredRows(generation, false); });
  }
  StartWaitingComputers();
  if (!FManyScan->Busy()) {
    EndManyScan();
    return;
  }
  ShowManyScanStatus(true);
}

// One computer's rows a message, so that the window answers between them also while the workers keep
// both cores busy; or all of them, at the end.
void TForm1::ListAnsweredRows(std::uint64_t generation, bool all) {
  if (generation != FManyGeneration || FAnsweredRows.empty()) return;
  std::size_t computers = 0;
  // Called from the message queue: a list that takes no more rows is reported as the single scan does,
  // and the scan goes on.
  try {
    ListView1.BeginUpdate();
    try {
      do {
        const auto& [index, records] = FAnsweredRows[computers];
        FillList(ListView1, records, Services.System, &FManyScan->Computers()[index]);
      } while (++computers < FAnsweredRows.size() && all);
      // A list the user sorted while computers were answering stays sorted, sorted again once no computer waits.
      if (FSortKey != 0 && computers == FAnsweredRows.size()) ListView1.SortItems(FSortKey, &CompareItems);
    } catch (...) {
      ListView1.EndUpdate();
      throw;
    }
    ListView1.EndUpdate();
  } catch (const std::exception& failure) {
    FAnsweredRows.clear();
    Services.Application.ShowMessage(std::string("ListView ") + failure.what());
    return;
  }
  FAnsweredRows.erase(FAnsweredRows.begin(), FAnsweredRows.begin() + static_cast<std::ptrdiff_t>(computers));
  if (!FAnsweredRows.empty()) Services.Application.Post([this, generation] { ListAnsweredRows(generation, false); });
}

// While busy a change held back by the rate limit shows at the next tick.
void TForm1::ManyScanTick(std::uint64_t generation) {
  if (generation != FManyGeneration || !ManyScanBusy()) return;
  ShowManyScanStatus(true);
  Services.Application.PostAfter(ManyScan::kStatusIntervalMs, [this, generation] { ManyScanTick(generation); });
}

void TForm1::ShowManyScanStatus(bool whenDue) {
  if (whenDue && !FManyScan->StatusDue(Services.System.GetTickCount())) return;
  StatusBar.SetSimpleText(FManyScan->StatusText(ManyTexts()));
}

// The end text, the idle window, the user history and one box of every failure.
void TForm1::EndManyScan() {
  FManyPassword.clear();
  // Every answer taken is listed before the scan reads as ended.
  ListAnsweredRows(FManyGeneration, true);
  ShowIdle(Animate1, StartButton);
  ShowManyScanStatus(false);
  if (FManyScan->Done() > 0 && UserComboBox.FindStringExact(FScannedUser) < 0) UserComboBox.AddItem(FScannedUser);
  const std::string summary = FManyScan->FailureSummary(ManyTexts());
  if (!summary.empty()) Services.Application.MessageBox(summary, Form.Caption(), kErrorBoxFlags);
}

// Computers still running are given up at once, never waited for.
void TForm1::AbandonManyScan() {
  if (!ManyScanBusy()) return;
  Services.Scans.AbandonAll();
  FManyScan->Stop();
}

void TForm1::FormKeyDown(TObject* /*sender*/, std::uint16_t& key, TShiftState /*shift*/) {
  if (key != kEscape || !ManyScanBusy()) return;
  key = 0;
  AbandonManyScan();
  EndManyScan();
}

ManyScanTexts TForm1::ManyTexts() const {
  return {Text(txtManyScanning),        Text(txtManyFinished),    Text(txtManyFinishedAll),
          Text(txtManyStopped),         Text(txtManyFailuresHeading), Text(txtManyFailureLine),
          Text(txtManyMoreFailures)};
}

bool TForm1::HasComputerColumn() const { return ListView1.ColumnCount() > static_cast<int>(kComputerColumn); }

void TForm1::ShowComputerColumn(bool shown) {
  const int column = static_cast<int>(kComputerColumn);
  if (!shown) {
    ListView1.DeleteColumn(column);
    return;
  }
  const bool relabelled = TextLanguage(FLanguage) != LanguageEnglish && ComputerColumn.relabel;
  const std::string caption = relabelled ? Text(*ComputerColumn.relabel) : ComputerColumn.caption;
  ListView1.InsertColumn(column, caption, ComputerColumn.width, ComputerColumn.alignRight);
}

void TForm1::PcEditKeyDown(TObject* sender, std::uint16_t& key, TShiftState /*shift*/) {
  // Enter with any modifiers; the key stays as it is for the control's own handling.
  if (key == 13) StartButtonClick(sender);
}

}  // namespace orvel
