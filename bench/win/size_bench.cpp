#include "size_bench.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "com_floor.h"
#include "list_floor.h"
#include "measure.h"
#include "scan/row_texts.h"
#include "scan/sorting.h"

namespace orvel::bench {
namespace {

constexpr std::int32_t kFolderKey = -2;  // a first click on "Folder": descending
constexpr std::int32_t kRamKey = -5;     // a first click on "RAM"

void Require(bool condition, const std::string& what) {
  if (!condition) throw std::runtime_error(what);
}

// --- scan ----------------------------------------------------------------------------------------

// The two texts ScanProcesses shows while it works; each change repaints the status bar at once.
double TimedStatusPaints(HWND statusBar, const std::string& computer) {
  const std::string connecting = "Connecting to " + computer + " ...";
  const Stopwatch watch;
  ::SendMessageA(statusBar, SB_SETTEXTA, SB_SIMPLEID, reinterpret_cast<LPARAM>("Start..."));
  ::SendMessageA(statusBar, SB_SETTEXTA, SB_SIMPLEID, reinterpret_cast<LPARAM>(connecting.c_str()));
  return watch.Milliseconds();
}

void MeasureScan(BenchWindow& window, SizeResult& result, TPIArray& lastRecords) {
  TForm1& form = window.Form();
  const std::string computer = form.PcComboBox.Text();
  const std::string user = form.UserComboBox.Text();
  const std::string password = form.PasswordEdit.Text();
  const auto rows = static_cast<std::size_t>(result.rows);
  std::vector<double> paints;
  const TimedRun orvel = [&] {
    TPIArray records;
    const Stopwatch watch;
    form.ScanProcesses(computer, user, password, records);
    const double ms = watch.Milliseconds();
    Require(records.size() == rows && window.Boxes().empty(), "ScanProcesses did not read every process");
    lastRecords = std::move(records);
    return ms;
  };
  const TimedRun bare = [&] {
    const Stopwatch watch;
    const std::size_t read = BareScan(computer, user, password);
    const double ms = watch.Milliseconds();
    Require(read == rows, "the bare scan read " + std::to_string(read) + " processes");
    paints.push_back(TimedStatusPaints(reinterpret_cast<HWND>(form.StatusBar.Handle()), computer));
    return ms;
  };
  const TimedRun keeping = [&] {
    const Stopwatch watch;
    TPIArray records = BareScanKeepingRecords(computer, user, password);
    const double ms = watch.Milliseconds();
    Require(records.size() == rows, "the bare scan kept " + std::to_string(records.size()) + " records");
    return ms;
  };
  Win32Wmi wmi;
  const TimedRun client = [&] {
    const Stopwatch watch;
    const std::size_t read = ClientScan(wmi, computer, user, password);
    const double ms = watch.Milliseconds();
    Require(read == rows, "the client scan read " + std::to_string(read) + " processes");
    return ms;
  };
  const std::vector<std::vector<double>> times = TimeInTurn(result.runs, {orvel, bare, client, keeping});
  result.scan = Median(times[0]);
  result.bareScan = Median(times[1]);
  result.clientScan = Median(times[2]);
  result.keepingScan = Median(times[3]);
  result.statusPaints = Median(paints);
  result.scanRatio = MedianRatio(times[0], times[1]);
  std::vector<double> lessStatus = times[0];
  for (std::size_t run = 0; run < lessStatus.size(); ++run) lessStatus[run] -= paints[run];
  result.scanRatioLessStatus = MedianRatio(lessStatus, times[1]);
  result.scanRatioToKeeping = MedianRatio(lessStatus, times[3]);
}

// --- fill ----------------------------------------------------------------------------------------

void ShowOnly(HWND shown, HWND hidden) {
  ::ShowWindow(hidden, SW_HIDE);
  ::ShowWindow(shown, SW_SHOWNA);
}

std::vector<RowTexts> TextsOf(const TPIArray& records, ISystem& system) {
  std::vector<RowTexts> texts;
  for (const TProcesInformation& record : records) {
    TListRow row = ProcessRow(record, system);
    RowTexts columns{row.Caption};
    columns.insert(columns.end(), row.SubItems.begin(), row.SubItems.end());
    texts.push_back(std::move(columns));
  }
  return texts;
}

// As the scan command fills the list: one update bracket, one row per record from its texts.
void FillAsScanCommand(TListView& list, const TPIArray& records, ISystem& system) {
  list.BeginUpdate();
  for (const TProcesInformation& record : records) list.AddRow(ProcessRow(record, system));
  list.EndUpdate();
}

void MeasureFill(BenchWindow& window, BareList& bare, const TPIArray& records, SizeResult& result) {
  TListView& list = window.Form().ListView1;
  const HWND listWindow = window.ListWindow();
  const std::vector<RowTexts> texts = TextsOf(records, window.System());
  std::vector<double> clears;
  const TimedRun orvel = [&] {
    ShowOnly(listWindow, bare.Window());
    window.Pump();
    // Timed only when the list holds a scan of this size, as at a rescan.
    const bool full = list.RowCount() == result.rows;
    const Stopwatch clearing;
    list.Clear();
    PaintNow(listWindow);
    if (full) clears.push_back(clearing.Milliseconds());
    window.Pump();
    const Stopwatch watch;
    FillAsScanCommand(list, records, window.System());
    PaintNow(listWindow);
    return watch.Milliseconds();
  };
  const TimedRun floor = [&] {
    ShowOnly(bare.Window(), listWindow);
    window.Pump();
    return bare.TimedFill(texts);
  };
  const std::vector<std::vector<double>> times = TimeInTurn(result.runs, {orvel, floor});
  result.fill = Median(times[0]);
  result.bareFill = Median(times[1]);
  result.fillRatio = MedianRatio(times[0], times[1]);
  result.clear = Median(clears);
  ShowOnly(listWindow, bare.Window());
  window.Pump();
  Require(list.RowCount() == result.rows, "the list does not hold the scan's rows");
}

// --- sort ----------------------------------------------------------------------------------------

// The rows in scan order; the bare list's item values are indexes into it.
const std::vector<const TListRow*>* scanRows = nullptr;
const std::unordered_map<const TListRow*, int>* scanPositions = nullptr;
std::size_t comparisons = 0;

int ScanOrder(const TListRow& first, const TListRow& second, std::int32_t /*key*/) {
  return scanPositions->at(&first) - scanPositions->at(&second);
}

int CALLBACK BareScanOrder(LPARAM first, LPARAM second, LPARAM /*key*/) { return static_cast<int>(first - second); }

int CALLBACK BareCompare(LPARAM first, LPARAM second, LPARAM key) {
  const auto& rows = *scanRows;
  return CompareItems(*rows[static_cast<std::size_t>(first)], *rows[static_cast<std::size_t>(second)],
                      static_cast<std::int32_t>(key));
}

int CountedCompare(const TListRow& first, const TListRow& second, std::int32_t key) {
  ++comparisons;
  return CompareItems(first, second, key);
}

// Times one sort call and adds the allocations made during it.
template <class Sort>
double TimedSort(std::size_t& allocations, Sort sort) {
  const std::size_t before = AllocationCount();
  const Stopwatch watch;
  sort();
  const double ms = watch.Milliseconds();
  allocations += AllocationCount() - before;
  return ms;
}

SortResult MeasureSort(BenchWindow& window, HWND bareList, std::int32_t key, int runs, std::size_t& allocations) {
  TListView& list = window.Form().ListView1;
  const auto key32 = static_cast<WPARAM>(static_cast<LPARAM>(key));
  const TimedRun orvel = [&] {
    list.SortItems(0, &ScanOrder);
    window.Pump();
    return TimedSort(allocations, [&] { list.SortItems(key, &CompareItems); });
  };
  const TimedRun bare = [&] {
    ::SendMessageA(bareList, LVM_SORTITEMS, 0, reinterpret_cast<LPARAM>(&BareScanOrder));
    window.Pump();
    return TimedSort(allocations,
                     [&] { ::SendMessageA(bareList, LVM_SORTITEMS, key32, reinterpret_cast<LPARAM>(&BareCompare)); });
  };
  const TimedRun standard = [&] {
    std::vector<const TListRow*> rows = *scanRows;
    return TimedSort(allocations, [&] {
      std::sort(rows.begin(), rows.end(),
                [key](const TListRow* a, const TListRow* b) { return CompareItems(*a, *b, key) < 0; });
    });
  };
  const std::vector<std::vector<double>> times = TimeInTurn(runs, {orvel, bare, standard});
  SortResult result;
  result.orvel = Median(times[0]);
  result.bareList = Median(times[1]);
  result.stdSort = Median(times[2]);
  result.toBareList = MedianRatio(times[0], times[1]);
  result.toStdSort = MedianRatio(times[0], times[2]);

  list.SortItems(0, &ScanOrder);
  comparisons = 0;
  list.SortItems(key, &CountedCompare);
  result.listComparisons = comparisons;
  std::vector<const TListRow*> rows = *scanRows;
  comparisons = 0;
  std::sort(rows.begin(), rows.end(),
            [key](const TListRow* a, const TListRow* b) { return CountedCompare(*a, *b, key) < 0; });
  result.stdComparisons = comparisons;
  list.SortItems(0, &ScanOrder);
  window.Pump();
  return result;
}

void MeasureSorts(BenchWindow& window, HWND bareList, SizeResult& result) {
  TListView& list = window.Form().ListView1;
  std::vector<const TListRow*> rows;
  std::unordered_map<const TListRow*, int> positions;
  for (int i = 0; i < list.RowCount(); ++i) {
    rows.push_back(&list.Row(i));
    positions[rows.back()] = i;
  }
  Require(::SendMessageA(bareList, LVM_GETITEMCOUNT, 0, 0) == result.rows, "the bare list is not full");
  scanRows = &rows;
  scanPositions = &positions;
  result.byFolder = MeasureSort(window, bareList, kFolderKey, result.sortRuns, result.sortAllocations);
  result.byRam = MeasureSort(window, bareList, kRamKey, result.sortRuns, result.sortAllocations);
  scanRows = nullptr;
  scanPositions = nullptr;
}

}  // namespace

SizeResult MeasureSize(BenchWindow& window, int rows, int runs, int sortRuns) {
  SizeResult result;
  result.rows = rows;
  result.runs = runs;
  result.sortRuns = sortRuns;
  TPIArray records;
  MeasureScan(window, result, records);
  BareList bare(window.ListWindow());
  MeasureFill(window, bare, records, result);
  MeasureSorts(window, bare.Window(), result);
  return result;
}

}  // namespace orvel::bench
