// Google Benchmark cases for the portable pieces a scan and a sort run per row: the comparison of
// the list's sort, the row texts of a record and the CPU-time text.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "bench/common/allocation_count.h"
#include "scan/row_texts.h"
#include "scan/sorting.h"

namespace orvel {
namespace {

// The system services as far as row texts need them: a 24-hour long time format with ":".
class BenchSystem : public ISystem {
 public:
  bool CoInitialize() override { return false; }
  void CoUninitialize() override {}
  bool GetComputerNameW(char16_t*, std::uint32_t*) override { return false; }
  bool GetUserNameW(char16_t*, std::uint32_t*) override { return false; }
  std::uint32_t OsMajorVersion() override { return 10; }
  std::uint16_t GetUserDefaultLangID() override { return 0x0409; }
  std::vector<std::string> CommandLineArguments() override { return {"Orvelkit.exe"}; }
  std::uint32_t GetTickCount() override { return 0; }
  void OutputDebugStringW(const std::string&) override {}
  void MessageBeep(std::uint32_t) override {}
  std::uint32_t SetErrorMode(std::uint32_t mode) override { return mode; }
  std::string LongTimeText(std::uint32_t seconds) override {
    char text[16];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", seconds / 3600 % 100, seconds / 60 % 60, seconds % 60);
    return text;
  }
  std::string TimeSeparator() override { return ":"; }
  void SetClipboardText(WindowHandle, const std::string&) override {}
  bool SameTextIgnoringCase(const std::string& a, const std::string& b) override { return a == b; }
  void ShellExecuteW(WindowHandle, const char*, const std::string&, int) override {}
  std::optional<std::string> ReadFile(const std::string&) override { return std::nullopt; }
};

// Processes like a server's: a few programs many times, paths under the system folders, counters of
// every size; the same ones on every run.
std::vector<TProcesInformation> Records(std::size_t count) {
  static const char* const kPrograms[][2] = {
      {"svchost.exe", "C:\\Windows\\System32"},
      {"csrss.exe", "C:\\Windows\\System32"},
      {"explorer.exe", "C:\\Windows"},
      {"SearchIndexer.exe", "C:\\Windows\\System32"},
      {"conhost.exe", "C:\\Windows\\System32"},
      {"B\u00FCcherwurm.exe", "C:\\Program Files\\B\u00FCcherwurm"},
      {"backup agent.exe", "C:\\Program Files\\Backup Agent"},
      {"Fotoablage.exe", "C:\\Program Files (x86)\\Fotoablage"}};
  std::mt19937 random(1);
  std::vector<TProcesInformation> records(count);
  for (std::size_t i = 0; i < count; ++i) {
    const auto& program = kPrograms[random() % std::size(kPrograms)];
    TProcesInformation& record = records[i];
    record.Name = program[0];
    if (random() % 5 != 0) record.ExecutablePath = std::string(program[1]) + "\\" + program[0];
    record.ProcessId = static_cast<std::uint32_t>(200 + 4 * i);
    record.ParentProcessId = static_cast<std::uint32_t>(4 * (random() % (i + 1)));
    record.SessionId = random() % 2;
    record.ThreadCount = 1 + random() % 64;
    record.Priority = 8;
    record.WorkingSetKB = 4 * (64 + random() % 60000);
    record.HandleCount = 20 + random() % 2000;
    record.CpuSeconds = random() % 2500;
  }
  return records;
}

std::vector<TListRow> Rows(std::size_t count) {
  BenchSystem system;
  std::vector<TListRow> rows;
  for (const TProcesInformation& record : Records(count)) rows.push_back(ProcessRow(record, system));
  return rows;
}

constexpr std::int32_t kProcessKey = -1;
constexpr std::int32_t kFolderKey = -2;
constexpr std::int32_t kRamKey = -5;

// One comparison of two rows picked at random; the key's column is the argument.
void BM_CompareItems(benchmark::State& state) {
  const std::vector<TListRow> rows = Rows(1024);
  const auto key = static_cast<std::int32_t>(state.range(0));
  std::mt19937 random(7);
  std::vector<std::pair<std::size_t, std::size_t>> pairs(4096);
  for (auto& pair : pairs) pair = {random() % rows.size(), random() % rows.size()};
  std::size_t next = 0;
  const std::size_t before = bench::AllocationCount();
  for (auto _ : state) {
    const auto& [first, second] = pairs[next++ % pairs.size()];
    benchmark::DoNotOptimize(CompareItems(rows[first], rows[second], key));
  }
  state.counters["allocations"] = static_cast<double>(bench::AllocationCount() - before);
}
BENCHMARK(BM_CompareItems)->Arg(kProcessKey)->Arg(kFolderKey)->Arg(kRamKey);

// The worst case of one comparison: two long texts of one length that differ only in the last byte.
void BM_CompareItemsLongEqualLength(benchmark::State& state) {
  TListRow first{"x", {std::string(static_cast<std::size_t>(state.range(0)) - 1, 'a') + "b"}};
  TListRow second{"x", {std::string(static_cast<std::size_t>(state.range(0)) - 1, 'A') + "c"}};
  for (auto _ : state) benchmark::DoNotOptimize(CompareItems(first, second, kFolderKey));
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CompareItemsLongEqualLength)->Arg(32)->Arg(260);

// A whole sort of N rows with the comparison, as the list would be ordered; O(N log N) expected.
void BM_SortRows(benchmark::State& state) {
  const std::vector<TListRow> rows = Rows(static_cast<std::size_t>(state.range(0)));
  std::vector<const TListRow*> scanOrder;
  for (const TListRow& row : rows) scanOrder.push_back(&row);
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<const TListRow*> order = scanOrder;
    state.ResumeTiming();
    std::sort(order.begin(), order.end(),
              [](const TListRow* a, const TListRow* b) { return CompareItems(*a, *b, kFolderKey) < 0; });
    benchmark::DoNotOptimize(order.data());
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_SortRows)->Arg(1000)->Arg(10000)->Complexity(benchmark::oNLogN);

// The caption and nine sub-item texts of one record, as the scan command adds a row.
void BM_ProcessRow(benchmark::State& state) {
  BenchSystem system;
  const std::vector<TProcesInformation> records = Records(1024);
  std::size_t next = 0;
  for (auto _ : state) benchmark::DoNotOptimize(ProcessRow(records[next++ % records.size()], system));
}
BENCHMARK(BM_ProcessRow);

// The CPU-time text in each of its ranges: empty, seconds, the long time format, hours.
void BM_CpuTimeText(benchmark::State& state) {
  BenchSystem system;
  const auto seconds = static_cast<std::uint32_t>(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(CpuTimeText(seconds, system));
}
BENCHMARK(BM_CpuTimeText)->Arg(0)->Arg(42)->Arg(1800)->Arg(7200);

}  // namespace
}  // namespace orvel

BENCHMARK_MAIN();
