// orvel_bench.exe: what a user waits for, Orvelkit.exe from its start to a filled list against a bare
// program doing the same work; the scan of many computers against its goals; then, for information, the
// scan, the list fill and the sort measured in process against their floor. Under Wine, with the WMI
// stand-in serving generated processes.
#include "bench_window.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/form_definition.h"
#include "end_to_end.h"
#include "many_bench.h"
#include "measure.h"
#include "size_bench.h"
#include "start_probe.h"

namespace orvel::bench {
namespace {

namespace fs = std::filesystem;

constexpr int kEndToEndSizes[] = {1000, 10000};
constexpr int kSizes[] = {100, 1000, 10000};

// Always odd, so that a median is one run; fewer where one run takes long.
int EndToEndRuns(int rows) { return rows <= 1000 ? 21 : 15; }
int Runs(int rows) { return rows <= 100 ? 31 : rows <= 1000 ? 15 : 9; }
int SortRuns(int rows) { return rows <= 1000 ? 31 : 15; }

fs::path ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  return fs::path(path).parent_path();
}

// One scenario file per size, in a folder of this run that goes with it.
class Scenarios {
 public:
  Scenarios() : folder_(fs::temp_directory_path() / ("orvel-bench-" + std::to_string(::GetCurrentProcessId()))) {
    fs::create_directories(folder_);
  }
  Scenarios(const Scenarios&) = delete;
  Scenarios& operator=(const Scenarios&) = delete;
  ~Scenarios() {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  std::string For(int rows) const {
    const fs::path file = folder_ / ("generate-" + std::to_string(rows) + ".txt");
    if (!fs::exists(file)) std::ofstream(file, std::ios::binary) << "generate " << rows << " 1\n";
    return file.string();
  }

  std::string Write(const std::string& name, const std::string& text) const {
    const fs::path file = folder_ / name;
    std::ofstream(file, std::ios::binary) << text;
    return file.string();
  }

  // The stand-in reads the variables at every locator it creates.
  void Use(int rows) const {
    ::SetEnvironmentVariableA("ORVEL_WMI_SCENARIO", For(rows).c_str());
    ::SetEnvironmentVariableA("ORVEL_WMI_LOG", nullptr);
  }

 private:
  fs::path folder_;
};

std::string WineVersion() {
  using Version = const char*(CDECL*)();
  const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  const FARPROC address = ntdll ? ::GetProcAddress(ntdll, "wine_get_version") : nullptr;
  if (!address) return "none (Windows)";
  return reinterpret_cast<Version>(reinterpret_cast<void (*)()>(address))();
}

// The host's load average under Wine, whose drive Z: is the Unix root; empty elsewhere.
std::string LoadAverage() {
  std::ifstream file("Z:\\proc\\loadavg");
  std::string one, five, fifteen;
  if (!(file >> one >> five >> fifteen)) return {};
  return one + " " + five + " " + fifteen;
}

// --- end-to-end table ----------------------------------------------------------------------------

using Side = const StartSeries EndToEndResult::*;

class EndToEndTable {
 public:
  explicit EndToEndTable(const std::vector<EndToEndResult>& results) : results_(results) {}

  void Header() const {
    std::printf("\n%-52s", "");
    for (const EndToEndResult& result : results_)
      std::printf("%16s", ("N=" + std::to_string(result.rows)).c_str());
    std::printf("\n");
  }

  template <class Cell>
  void Row(const char* label, Cell cell) const {
    std::printf("%-52s", label);
    for (const EndToEndResult& result : results_) std::printf("%16s", cell(result).c_str());
    std::printf("\n");
  }

  void Number(const char* label, Side side, double StartSeries::*value, const char* format) const {
    Row(label, [&](const EndToEndResult& r) { return Format(format, r.*side.*value); });
  }

  void Range(const char* label, Side side, double StartSeries::*low, double StartSeries::*high) const {
    Row(label, [&](const EndToEndResult& r) {
      return Format("%.0f", r.*side.*low) + " - " + Format("%.0f", r.*side.*high);
    });
  }

  static std::string Format(const char* format, double value) {
    char cell[32];
    std::snprintf(cell, sizeof cell, format, value);
    return cell;
  }

 private:
  const std::vector<EndToEndResult>& results_;
};

// The rows that carry the goal; true when it is met at every N.
bool PrintEndToEnd(const std::vector<EndToEndResult>& results, const std::string& loadAfter) {
  std::printf("\nEnd to end: from CreateProcess until the list holds all N rows, filled by the scan its first paint "
              "starts;\nboth programs in turn, the first alternating; medians of %d runs (N=%d) and %d runs (N=%d)\n",
              results.front().runs, results.front().rows, results.back().runs, results.back().rows);
  if (!loadAfter.empty()) std::printf("Load average when the last of these starts ended: %s\n", loadAfter.c_str());
  const EndToEndTable table(results);
  table.Header();
  table.Number("Orvelkit.exe, median (ms)", &EndToEndResult::orvelkit, &StartSeries::median, "%.0f");
  table.Number("bare program, median (ms)", &EndToEndResult::bare, &StartSeries::median, "%.0f");
  table.Row("ratio of the medians", [](const EndToEndResult& r) { return EndToEndTable::Format("%.3f", r.ratio); });
  table.Row("ratio, median of the ratios within each run",
            [](const EndToEndResult& r) { return EndToEndTable::Format("%.3f", r.pairedRatio); });
  table.Range("Orvelkit.exe, spread min - max (ms)", &EndToEndResult::orvelkit, &StartSeries::fastest,
              &StartSeries::slowest);
  table.Range("bare program, spread min - max (ms)", &EndToEndResult::bare, &StartSeries::fastest,
              &StartSeries::slowest);
  table.Range("Orvelkit.exe, middle half of the runs (ms)", &EndToEndResult::orvelkit, &StartSeries::lowerQuartile,
              &StartSeries::upperQuartile);
  table.Range("bare program, middle half of the runs (ms)", &EndToEndResult::bare, &StartSeries::lowerQuartile,
              &StartSeries::upperQuartile);
  bool met = true;
  table.Row("goal: Orvelkit's median within the bare's middle half", [&](const EndToEndResult& r) {
    met = met && r.WithinNoise();
    return std::string(r.WithinNoise() ? "met" : "MISSED");
  });
  table.Number("Orvelkit.exe, its list exists after (ms)", &EndToEndResult::orvelkit, &StartSeries::windowMedian,
               "%.0f");
  table.Number("bare program, its list exists after (ms)", &EndToEndResult::bare, &StartSeries::windowMedian, "%.0f");
  table.Number("Orvelkit.exe, working set, list filled (MiB)", &EndToEndResult::orvelkit,
               &StartSeries::workingSetMiB, "%.1f");
  table.Number("bare program, working set, list filled (MiB)", &EndToEndResult::bare, &StartSeries::workingSetMiB,
               "%.1f");
  return met;
}

// --- in-process table ----------------------------------------------------------------------------

using Value = std::function<double(const SizeResult&)>;

double PerProcessGrowth(const SizeResult& small, const SizeResult& large, const Value& value) {
  return (value(large) / large.rows) / (value(small) / small.rows) - 1.0;
}

class Table {
 public:
  explicit Table(const std::vector<SizeResult>& results) : results_(results) {}

  void Header() const {
    std::printf("\n%-52s", "");
    for (const SizeResult& result : results_) std::printf("%10s", ("N=" + std::to_string(result.rows)).c_str());
    std::printf("\n");
  }

  void Row(const char* label, const Value& value, const char* format) const {
    std::printf("%-52s", label);
    for (const SizeResult& result : results_) {
      char cell[32];
      std::snprintf(cell, sizeof cell, format, value(result));
      std::printf("%10s", cell);
    }
    std::printf("\n");
  }

  void Growth(const char* label, const Value& value, const Value& floor) const {
    const SizeResult& small = results_[results_.size() - 2];
    const SizeResult& large = results_.back();
    std::printf("%-52s%+9.1f%% (floor %+.1f%%)\n", label, PerProcessGrowth(small, large, value) * 100,
                PerProcessGrowth(small, large, floor) * 100);
  }

 private:
  const std::vector<SizeResult>& results_;
};

void PrintSort(const Table& table, const char* column, SortResult SizeResult::*sort) {
  const std::string name = std::string("sort ") + column + ": ";
  table.Row((name + "ListView1.SortItems (ms)").c_str(), [&](const SizeResult& r) { return (r.*sort).orvel; }, "%.2f");
  table.Row((name + "bare LVM_SORTITEMS (ms)").c_str(), [&](const SizeResult& r) { return (r.*sort).bareList; },
            "%.2f");
  table.Row((name + "std::sort (ms)").c_str(), [&](const SizeResult& r) { return (r.*sort).stdSort; }, "%.2f");
  table.Row((name + "comparisons, list / std::sort").c_str(),
            [&](const SizeResult& r) {
              return static_cast<double>((r.*sort).listComparisons) / static_cast<double>((r.*sort).stdComparisons);
            },
            "%.3f");
  table.Row((name + "ratio to bare LVM_SORTITEMS").c_str(),
            [&](const SizeResult& r) { return (r.*sort).toBareList; }, "%.3f");
  table.Row((name + "ratio to std::sort").c_str(), [&](const SizeResult& r) { return (r.*sort).toStdSort; }, "%.3f");
  std::printf("\n");
}

void PrintInProcess(const std::vector<SizeResult>& results) {
  std::printf("\nIn process, for information: times are medians of %d/%d/%d runs (sorts %d/%d/%d), ratios medians of "
              "the ratios within each run\n",
              Runs(kSizes[0]), Runs(kSizes[1]), Runs(kSizes[2]), SortRuns(kSizes[0]), SortRuns(kSizes[1]),
              SortRuns(kSizes[2]));
  const Table table(results);
  table.Header();
  table.Row("scan: ScanProcesses (ms)", [](const SizeResult& r) { return r.scan; }, "%.1f");
  table.Row("scan: bare loop of the same COM calls (ms)", [](const SizeResult& r) { return r.bareScan; }, "%.1f");
  table.Row("scan: the same through Win32Wmi, no records (ms)", [](const SizeResult& r) { return r.clientScan; },
            "%.1f");
  table.Row("scan: bare loop keeping records, plain code (ms)", [](const SizeResult& r) { return r.keepingScan; },
            "%.1f");
  table.Row("scan: its two status texts, bare SB_SETTEXTA (ms)", [](const SizeResult& r) { return r.statusPaints; },
            "%.2f");
  table.Row("scan: ratio less the status texts", [](const SizeResult& r) { return r.scanRatioLessStatus; }, "%.3f");
  table.Row("scan: ratio to plain records, less status texts", [](const SizeResult& r) { return r.scanRatioToKeeping; },
            "%.3f");
  table.Row("scan: ratio", [](const SizeResult& r) { return r.scanRatio; }, "%.3f");
  std::printf("\n");
  table.Row("fill: ListView1 as StartButtonClick (ms)", [](const SizeResult& r) { return r.fill; }, "%.1f");
  table.Row("fill: bare LVM_INSERTITEMA/SETITEMTEXTA (ms)", [](const SizeResult& r) { return r.bareFill; }, "%.1f");
  table.Row("fill: ratio", [](const SizeResult& r) { return r.fillRatio; }, "%.3f");
  table.Row("clear: ListView1.Clear of a full list (ms)", [](const SizeResult& r) { return r.clear; }, "%.1f");
  std::printf("\n");
  PrintSort(table, "Folder", &SizeResult::byFolder);
  PrintSort(table, "RAM", &SizeResult::byRam);
  table.Row("sort: operator new calls in the timed sorts",
            [](const SizeResult& r) { return static_cast<double>(r.sortAllocations); }, "%.0f");
  std::printf("\n");
  table.Growth("growth per process, N=1000 to 10000: scan", [](const SizeResult& r) { return r.scan; },
               [](const SizeResult& r) { return r.bareScan; });
  table.Growth("growth per process, N=1000 to 10000: fill", [](const SizeResult& r) { return r.fill; },
               [](const SizeResult& r) { return r.bareFill; });
}

// --- the run -------------------------------------------------------------------------------------

// The bare program is a floor only while it shows what Orvelkit shows.
void RequireSameTexts(const std::vector<std::string>& orvelkit, const std::vector<std::string>& bare) {
  const std::size_t columns = ProcessColumns.size();
  for (std::size_t i = 0; i < orvelkit.size() || i < bare.size(); ++i) {
    const std::string expected = i < orvelkit.size() ? orvelkit[i] : "(none)";
    const std::string found = i < bare.size() ? bare[i] : "(none)";
    if (expected != found)
      throw std::runtime_error("the bare program's list differs from Orvelkit's in row " +
                               std::to_string(i / columns) + ", column " + std::to_string(i % columns) + ": \"" +
                               found + "\" where Orvelkit shows \"" + expected + "\"");
  }
}

std::string Program(const char* relativePath) { return (ProgramFolder() / relativePath).lexically_normal().string(); }

std::vector<EndToEndResult> MeasureAllEndToEnd(const Scenarios& scenarios) {
  const std::string orvelkit = Program(ORVEL_BENCH_ORVELKIT);
  const std::string bare = Program(ORVEL_BENCH_BARE);
  // One start of each first, untimed, which also reads the programs from disk after a build.
  std::fprintf(stderr, "starting each program once, comparing their lists ...\n");
  std::vector<std::string> orvelkitTexts, bareTexts;
  MeasureStart(orvelkit, scenarios.For(kEndToEndSizes[0]), kEndToEndSizes[0], &orvelkitTexts);
  MeasureStart(bare, scenarios.For(kEndToEndSizes[0]), kEndToEndSizes[0], &bareTexts);
  RequireSameTexts(orvelkitTexts, bareTexts);
  std::vector<EndToEndResult> results;
  for (int rows : kEndToEndSizes) {
    std::fprintf(stderr, "starting each program %d times with N=%d ...\n", EndToEndRuns(rows), rows);
    results.push_back(MeasureEndToEnd(orvelkit, bare, scenarios.For(rows), rows, EndToEndRuns(rows)));
  }
  return results;
}

std::vector<SizeResult> MeasureInProcess(const Scenarios& scenarios) {
  std::vector<SizeResult> results;
  scenarios.Use(kSizes[0]);
  BenchWindow window;
  window.ShowAndAwaitFirstScan(kSizes[0]);
  for (int rows : kSizes) {
    std::fprintf(stderr, "measuring in process, N=%d ...\n", rows);
    scenarios.Use(rows);
    results.push_back(MeasureSize(window, rows, Runs(rows), SortRuns(rows)));
  }
  return results;
}

// The start rows only, the many-computer rows only, or everything.
int Run(bool endToEndOnly, bool manyOnly) {
  const Scenarios scenarios;
  // Started programs first, while no window of this process is about.
  const std::vector<EndToEndResult> endToEnd =
      manyOnly ? std::vector<EndToEndResult>() : MeasureAllEndToEnd(scenarios);
  const std::string loadAfterEndToEnd = LoadAverage();
  ManyResult many;
  if (!endToEndOnly)
    many = MeasureMany(Program(ORVEL_BENCH_ORVELKIT),
                       [&](const std::string& name, const std::string& text) { return scenarios.Write(name, text); });
  const std::string loadAfterMany = LoadAverage();
  const bool inProcessToo = !endToEndOnly && !manyOnly;
  const std::vector<SizeResult> inProcess = inProcessToo ? MeasureInProcess(scenarios) : std::vector<SizeResult>();
  std::printf("Orvel benchmark: %d-bit build, Wine %s, WMI stand-in \"generate N 1\"\n",
              static_cast<int>(sizeof(void*) * 8), WineVersion().c_str());
  bool met = manyOnly || PrintEndToEnd(endToEnd, loadAfterEndToEnd);
  if (!endToEndOnly) {
    met = PrintMany(many) && met;
    if (!loadAfterMany.empty())
      std::printf("Load average when the last of these scans ended: %s\n", loadAfterMany.c_str());
  }
  if (inProcessToo) PrintInProcess(inProcess);
  return met ? 0 : 1;
}

}  // namespace
}  // namespace orvel::bench

int main(int argc, char** argv) {
  try {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const auto given = [&](const char* option) {
      return std::find(arguments.begin(), arguments.end(), option) != arguments.end();
    };
    orvel::bench::SetVerbose(given("--verbose"));
    return orvel::bench::Run(given("--end-to-end"), given("--many"));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "orvel_bench: %s\n", error.what());
    return 2;
  }
}
