// orvel_bench.exe: the scan, the list fill and the sort of Orvel measured against their floor under
// Wine, with the WMI stand-in serving generated processes; prints one table.
#include "bench_window.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "measure.h"
#include "size_bench.h"
#include "start_probe.h"

namespace orvel::bench {
namespace {

namespace fs = std::filesystem;

constexpr int kSizes[] = {100, 1000, 10000};
constexpr int kStartRows = 100;
constexpr int kStartRuns = 5;
constexpr int kMemoryRows = 10000;

constexpr double kScanGoal = 1.10;
constexpr double kFillGoal = 1.10;
constexpr double kSortGoal = 1.5;
constexpr double kGrowthGoal = 0.20;

// Fewer runs where one run takes long; always odd, so the median is one run.
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

// --- table ---------------------------------------------------------------------------------------

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
    std::printf("   goal\n");
  }

  void Row(const char* label, const Value& value, const char* format, const std::string& note = "") const {
    std::printf("%-52s", label);
    for (const SizeResult& result : results_) {
      char cell[32];
      std::snprintf(cell, sizeof cell, format, value(result));
      std::printf("%10s", cell);
    }
    if (!note.empty()) std::printf("   %s", note.c_str());
    std::printf("\n");
  }

  // A ratio with its goal, checked at every size or only at the largest.
  void Goal(const char* label, const Value& value, double goal, bool everySize, const char* goalText,
            const char* format = "%.3f") {
    const auto met = [&](const SizeResult& r) { return value(r) <= goal; };
    const bool ok = everySize ? std::all_of(results_.begin(), results_.end(), met) : met(results_.back());
    Row(label, value, format, std::string(goalText) + (ok ? ": met" : ": MISSED"));
    met_ = met_ && ok;
  }

  void Growth(const char* label, const Value& value, const Value& floor) {
    const SizeResult& small = results_[results_.size() - 2];
    const SizeResult& large = results_.back();
    const double growth = PerProcessGrowth(small, large, value);
    const bool ok = growth <= kGrowthGoal;
    std::printf("%-52s%+9.1f%% (floor %+.1f%%)       <= +20%%: %s\n", label, growth * 100,
                PerProcessGrowth(small, large, floor) * 100, ok ? "met" : "MISSED");
    met_ = met_ && ok;
  }

  bool AllMet() const { return met_; }

 private:
  const std::vector<SizeResult>& results_;
  bool met_ = true;
};

void PrintSort(Table& table, const char* column, SortResult SizeResult::*sort) {
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
  table.Goal((name + "ratio to std::sort").c_str(),
             [&](const SizeResult& r) { return (r.*sort).toStdSort; }, kSortGoal, false,
             "<= 1.5 at N=10000");
  std::printf("\n");
}

bool PrintTable(const std::vector<SizeResult>& results, const StartResult& start, const StartResult& memory) {
  Table table(results);
  table.Header();
  table.Row("scan: ScanProcesses (ms)", [](const SizeResult& r) { return r.scan; }, "%.1f");
  table.Row("scan: bare loop of the same COM calls (ms)", [](const SizeResult& r) { return r.bareScan; }, "%.1f");
  table.Row("scan: the same through Win32Wmi, no records (ms)", [](const SizeResult& r) { return r.clientScan; },
            "%.1f");
  table.Row("scan: bare loop keeping records, plain code (ms)", [](const SizeResult& r) { return r.keepingScan; },
            "%.1f");
  table.Row("scan: its two status texts, bare SB_SETTEXTA (ms)", [](const SizeResult& r) { return r.statusPaints; },
            "%.2f");
  table.Row("scan: ratio less the status texts",
            [](const SizeResult& r) { return r.scanRatioLessStatus; }, "%.3f");
  table.Row("scan: ratio to plain records, less status texts",
            [](const SizeResult& r) { return r.scanRatioToKeeping; }, "%.3f");
  table.Goal("scan: ratio", [](const SizeResult& r) { return r.scanRatio; }, kScanGoal, true,
             "<= 1.10 at every N");
  std::printf("\n");
  table.Row("fill: ListView1 as StartButtonClick (ms)", [](const SizeResult& r) { return r.fill; }, "%.1f");
  table.Row("fill: bare LVM_INSERTITEMA/SETITEMTEXTA (ms)", [](const SizeResult& r) { return r.bareFill; }, "%.1f");
  table.Goal("fill: ratio", [](const SizeResult& r) { return r.fillRatio; }, kFillGoal, true,
             "<= 1.10 at every N");
  table.Row("clear: ListView1.Clear of a full list (ms)", [](const SizeResult& r) { return r.clear; }, "%.1f");
  std::printf("\n");
  PrintSort(table, "Folder", &SizeResult::byFolder);
  PrintSort(table, "RAM", &SizeResult::byRam);
  table.Goal("sort: operator new calls in the timed sorts",
             [](const SizeResult& r) { return static_cast<double>(r.sortAllocations); }, 0, true, "none", "%.0f");

  std::printf("\n");
  table.Growth("growth per process, N=1000 to 10000: scan", [](const SizeResult& r) { return r.scan; },
               [](const SizeResult& r) { return r.bareScan; });
  table.Growth("growth per process, N=1000 to 10000: fill", [](const SizeResult& r) { return r.fill; },
               [](const SizeResult& r) { return r.bareFill; });
  std::printf("%-52s%9.0f ms (median of %d; its window after %.0f ms)\n", "start: to the first filled list, N=100",
              start.milliseconds, kStartRuns, start.windowMilliseconds);
  std::printf("%-52s%9.1f MiB (N=100: %.1f MiB)\n", "memory: working set after a scan of N=10000",
              memory.workingSetMiB, start.workingSetMiB);
  return table.AllMet();
}

// --- the run -------------------------------------------------------------------------------------

StartResult MeasureStarts(const Scenarios& scenarios, const std::string& program) {
  std::fprintf(stderr, "starting Orvelkit.exe %d times ...\n", kStartRuns);
  std::vector<double> times, windows, workingSets;
  for (int run = 0; run < kStartRuns; ++run) {
    const StartResult one = MeasureStart(program, scenarios.For(kStartRows), kStartRows);
    times.push_back(one.milliseconds);
    windows.push_back(one.windowMilliseconds);
    workingSets.push_back(one.workingSetMiB);
  }
  return {Median(times), Median(windows), Median(workingSets)};
}

int Run() {
  const Scenarios scenarios;
  std::vector<SizeResult> results;
  {
    scenarios.Use(kSizes[0]);
    BenchWindow window;
    window.ShowAndAwaitFirstScan(kSizes[0]);
    for (int rows : kSizes) {
      std::fprintf(stderr, "measuring N=%d ...\n", rows);
      scenarios.Use(rows);
      results.push_back(MeasureSize(window, rows, Runs(rows), SortRuns(rows)));
    }
  }
  const std::string program = (ProgramFolder() / ORVEL_BENCH_ORVELKIT).lexically_normal().string();
  const StartResult start = MeasureStarts(scenarios, program);
  std::fprintf(stderr, "starting Orvelkit.exe with N=%d ...\n", kMemoryRows);
  const StartResult memory = MeasureStart(program, scenarios.For(kMemoryRows), kMemoryRows);

  std::printf("Orvel benchmark: %d-bit build, Wine %s, WMI stand-in \"generate N 1\"; times are medians of %d/%d/%d "
              "runs (sorts %d/%d/%d), ratios medians of the ratios within each run\n",
              static_cast<int>(sizeof(void*) * 8), WineVersion().c_str(), Runs(kSizes[0]), Runs(kSizes[1]),
              Runs(kSizes[2]), SortRuns(kSizes[0]), SortRuns(kSizes[1]), SortRuns(kSizes[2]));
  return PrintTable(results, start, memory) ? 0 : 1;
}

}  // namespace
}  // namespace orvel::bench

int main(int argc, char** argv) {
  try {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    orvel::bench::SetVerbose(std::find(arguments.begin(), arguments.end(), "--verbose") != arguments.end());
    return orvel::bench::Run();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "orvel_bench: %s\n", error.what());
    return 2;
  }
}
