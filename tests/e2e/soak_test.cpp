// Many scans of a large process table in one running program, every tenth failing at a step chosen
// at random (seeded): the program's GDI and USER objects, handles and private memory stay flat, and
// the stand-in holds no object after the last scan.
#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"
#include "scan_driver.h"

namespace e2e {
namespace {

constexpr int kScans = 200;
constexpr int kProcesses = 500;
constexpr unsigned kSeed = 20240611;
constexpr int kScansPerCheckpoint = 20;

// ---- what another process can learn of the program's resources ----

// Wine 8 answers 0 for GetGuiResources (not implemented), GetProcessHandleCount and the private
// bytes of another process; where it does, the counts come from the structures behind them, and
// -1 stands for a count that could not be read either way.
struct Resources {
  DWORD reportedGdi = 0, reportedUser = 0, reportedHandles = 0;
  SIZE_T reportedPrivate = 0, workingSet = 0;
  long gdiObjects = -1;        // in use in the program's GDI handle table
  long windows = -1;           // the program's windows, the USER objects visible from outside
  long handles = -1;           // the program's entries in the system handle table
  long long privateBytes = -1;  // committed private memory

  long Gdi() const { return reportedGdi ? static_cast<long>(reportedGdi) : gdiObjects; }
  long User() const { return reportedUser ? static_cast<long>(reportedUser) : windows; }
  long Handles() const { return reportedHandles ? static_cast<long>(reportedHandles) : handles; }
  long long Private() const { return reportedPrivate ? static_cast<long long>(reportedPrivate) : privateBytes; }
};

// One entry of Wine's per-process GDI handle table (the layout of GDI_HANDLE_ENTRY).
struct GdiEntry {
  std::uint64_t object;
  std::uint32_t owner;
  std::uint16_t unique;  // bit 7: stock object
  std::uint8_t type;     // 0: free
  std::uint8_t flags;
  std::uint64_t userPointer;
};
static_assert(sizeof(GdiEntry) == 24);
constexpr std::size_t kGdiEntries = 0x10000;
constexpr std::size_t kFirstGdiHandle = 32;  // the stock objects follow, each marked
constexpr std::size_t kStockObjects = 20;

// Wine does not publish the table's address in the PEB; it is the one private allocation of its
// exact size whose first slots are free and whose next ones hold stock objects.
class GdiTable {
 public:
  explicit GdiTable(HANDLE process) : process_(process) {}

  long InUse() {
    if (!address_) address_ = Find();
    if (!address_) return -1;
    std::vector<GdiEntry> entries;
    if (!Read(address_, entries)) return -1;
    long used = 0;
    for (const GdiEntry& entry : entries) used += entry.type != 0;
    return used;
  }

 private:
  bool Read(const void* address, std::vector<GdiEntry>& entries) const {
    entries.resize(kGdiEntries);
    SIZE_T read = 0;
    return ReadProcessMemory(process_, address, entries.data(), entries.size() * sizeof(GdiEntry), &read) &&
           read == entries.size() * sizeof(GdiEntry);
  }

  bool LooksLikeTheTable(const void* address) const {
    std::vector<GdiEntry> entries;
    if (!Read(address, entries)) return false;
    for (std::size_t i = 0; i < kFirstGdiHandle; ++i)
      if (entries[i].type != 0) return false;
    for (std::size_t i = kFirstGdiHandle; i < kFirstGdiHandle + kStockObjects; ++i)
      if (entries[i].type == 0 || !(entries[i].unique & 0x80)) return false;
    return true;
  }

  const void* Find() const {
    const SIZE_T size = kGdiEntries * sizeof(GdiEntry);
    MEMORY_BASIC_INFORMATION region{};
    for (const char* at = nullptr; VirtualQueryEx(process_, at, &region, sizeof region) == sizeof region;) {
      if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE && region.BaseAddress == region.AllocationBase &&
          region.RegionSize >= size && region.RegionSize < size + 0x10000 && LooksLikeTheTable(region.BaseAddress))
        return region.BaseAddress;
      const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
      if (next <= at) break;
      at = next;
    }
    return nullptr;
  }

  HANDLE process_;
  const void* address_ = nullptr;
};

long long CommittedPrivateBytes(HANDLE process) {
  long long total = 0;
  MEMORY_BASIC_INFORMATION region{};
  for (const char* at = nullptr; VirtualQueryEx(process, at, &region, sizeof region) == sizeof region;) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += static_cast<long long>(region.RegionSize);
    const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    if (next <= at) break;
    at = next;
  }
  // A running program always has private memory: none seen means it could not be queried.
  return total > 0 ? total : -1;
}

struct SystemHandle {
  ULONG ownerId;
  UCHAR objectType;
  UCHAR flags;
  USHORT value;
  PVOID object;
  ACCESS_MASK access;
};
struct SystemHandles {
  ULONG count;
  SystemHandle handles[1];
};

long HandleTableEntries(DWORD processId) {
  using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return -1;
  constexpr ULONG kSystemHandleInformation = 16;
  constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
  std::vector<std::uint64_t> buffer(1 << 16);
  LONG status = 0;
  for (int tries = 0; tries < 8; ++tries) {
    ULONG needed = 0;
    status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size() * 8), &needed);
    if (status != kInfoLengthMismatch) break;
    buffer.resize(buffer.size() * 2);
  }
  if (status != 0) return -1;
  const auto* table = reinterpret_cast<const SystemHandles*>(buffer.data());
  long count = 0;
  for (ULONG i = 0; i < table->count; ++i) count += table->handles[i].ownerId == processId;
  // A running program holds handles: none listed means the table did not cover it.
  return count > 0 ? count : -1;
}

struct WindowCount {
  DWORD processId;
  long count;
};

BOOL CALLBACK CountChild(HWND, LPARAM data) {
  ++reinterpret_cast<WindowCount*>(data)->count;
  return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM data) {
  auto* windows = reinterpret_cast<WindowCount*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != windows->processId) return TRUE;
  ++windows->count;
  EnumChildWindows(window, CountChild, data);
  return TRUE;
}

class ResourceProbe {
 public:
  explicit ResourceProbe(DWORD processId)
      : id_(processId),
        process_(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId)),
        gdi_(process_) {}
  ~ResourceProbe() {
    if (process_) CloseHandle(process_);
  }
  ResourceProbe(const ResourceProbe&) = delete;
  ResourceProbe& operator=(const ResourceProbe&) = delete;

  // The least of a few samples: a repaint in progress holds a DC or bitmap for a moment. A sample
  // that could not be read is no count at all, so it never stands in for the least.
  Resources Settled() {
    Resources least = Measure();
    for (int sample = 1; sample < 5; ++sample) {
      std::this_thread::sleep_for(20ms);
      const Resources r = Measure();
      KeepLeast<DWORD>(least.reportedGdi, r.reportedGdi, 0);
      KeepLeast<DWORD>(least.reportedUser, r.reportedUser, 0);
      KeepLeast<DWORD>(least.reportedHandles, r.reportedHandles, 0);
      KeepLeast<SIZE_T>(least.reportedPrivate, r.reportedPrivate, 0);
      KeepLeast(least.gdiObjects, r.gdiObjects);
      KeepLeast(least.windows, r.windows);
      KeepLeast(least.handles, r.handles);
      KeepLeast(least.privateBytes, r.privateBytes);
    }
    return least;
  }

 private:
  Resources Measure() {
    Resources r;
    r.reportedGdi = GetGuiResources(process_, GR_GDIOBJECTS);
    r.reportedUser = GetGuiResources(process_, GR_USEROBJECTS);
    GetProcessHandleCount(process_, &r.reportedHandles);
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(process_, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) {
      r.reportedPrivate = memory.PrivateUsage;
      r.workingSet = memory.WorkingSetSize;
    }
    r.gdiObjects = gdi_.InUse();
    WindowCount windows{id_, 0};
    // The main window is always there: none found means the program's windows could not be seen.
    if (EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&windows)) && windows.count > 0)
      r.windows = windows.count;
    r.handles = HandleTableEntries(id_);
    r.privateBytes = CommittedPrivateBytes(process_);
    return r;
  }

  // The system's counts read 0 when unread, our own -1.
  template <typename Count>
  static void KeepLeast(Count& least, Count sample, Count unread = -1) {
    if (sample == unread) return;
    if (least == unread || sample < least) least = sample;
  }

  DWORD id_;
  HANDLE process_;
  GdiTable gdi_;
};

// Every count read: an unread one (-1) would let any growth check pass unmeasured.
testing::AssertionResult Readable(const Resources& r) {
  std::string unread;
  if (r.Gdi() < 0) unread += " GDI objects,";
  if (r.User() < 0) unread += " USER objects,";
  if (r.Handles() < 0) unread += " handles,";
  if (r.Private() < 0) unread += " private bytes,";
  if (unread.empty()) return testing::AssertionSuccess();
  unread.pop_back();
  return testing::AssertionFailure() << "could not read the program's" << unread;
}

// A leak comes back with the scans or the failures that cause it, so it raises a count in interval
// after interval; what Wine makes once on first need and keeps (seen: a DC with its region and
// drawing surface, at a random scan of one run in many) raises it once.
struct Growth {
  long long total = 0;  // the highest checkpoint above the baseline
  int rises = 0;        // the intervals that ended at a new highest count
};

template <typename Count>
Growth GrowthOf(const std::vector<Resources>& checkpoints, Count count) {
  Growth growth;
  long long highest = count(checkpoints.front());
  for (std::size_t i = 1; i < checkpoints.size(); ++i) {
    const long long now = count(checkpoints[i]);
    if (now > highest) {
      highest = now;
      ++growth.rises;
    }
  }
  growth.total = highest - count(checkpoints.front());
  return growth;
}

template <typename Count>
void PrintCheckpoints(const char* what, const std::vector<Resources>& checkpoints, Count count) {
  std::printf("[ soak     ] %-15s", what);
  for (const Resources& r : checkpoints) std::printf(" %lld", static_cast<long long>(count(r)));
  std::printf("\n");
}

// The count of the stand-in's "live-objects N at unload" line; -1 when the log has none.
long LiveObjectsAtUnload(const std::vector<std::string>& log) {
  for (auto line = log.rbegin(); line != log.rend(); ++line) {
    long count = -1;
    if (std::sscanf(line->c_str(), "live-objects %ld at unload", &count) == 1) return count;
  }
  return -1;
}

void Print(const char* when, const Resources& r) {
  std::printf("[ soak     ] %-22s GDI %5ld  USER %4ld  handles %4ld  private %7lld KiB  working set %7lu KiB\n", when,
              r.Gdi(), r.User(), r.Handles(), r.Private() / 1024,
              static_cast<unsigned long>(r.workingSet / 1024));
}

void PrintSources(const Resources& r) {
  std::printf("[ soak     ] GetGuiResources answers GDI %lu, USER %lu; GetProcessHandleCount %lu; PrivateUsage %lu\n",
              r.reportedGdi, r.reportedUser, r.reportedHandles,
              static_cast<unsigned long>(r.reportedPrivate));
  if (!r.reportedGdi)
    std::printf("[ soak     ] GDI: in-use entries of the program's GDI handle table%s\n",
                r.gdiObjects < 0 ? " - not found: GDI objects not measured" : "");
  if (!r.reportedUser)
    std::printf("[ soak     ] USER: windows only (menus, icons and cursors cannot be counted from outside)\n");
  if (!r.reportedHandles) std::printf("[ soak     ] handles: the program's entries in the system handle table\n");
  if (!r.reportedPrivate) std::printf("[ soak     ] private: committed private memory (VirtualQueryEx)\n");
}

// ---- the failures ----

struct Failure {
  std::string statement;  // empty: none
  int rows;
  bool box;
  bool reachesCommand;  // the locator failed: "ListView " box, status "Start..."
};

Failure RandomFailure(std::mt19937& random) {
  const char* const steps[] = {"connect", "security", "impersonation", "privileges", "add-privilege",
                               "class",   "instances", "enumerator",   "enumerator-qi"};
  const std::string code = " 0x80041001 \"Soak failure\"";
  const int k = std::uniform_int_distribution<int>(0, kProcesses - 1)(random);
  std::string at = " ";
  at += std::to_string(k);
  switch (std::uniform_int_distribution<int>(0, 7)(random)) {
    case 0: return {"fail " + std::string(steps[random() % 9]) + code, 0, true, false};
    case 1: return {"fail element" + at + code, k, true, false};
    case 2: return {"fail properties" + at + code, k, true, false};
    case 3:
    case 4: {
      const int position = static_cast<int>(random() % 11);
      const char* point = random() % 2 ? "item" : "value";
      const bool required = position < 7;
      return {"fail " + std::string(point) + at + " " + kProperties[position] + code, required ? k + 1 : kProcesses,
              required, false};
    }
    case 5: return {"fail next" + at + code, k, false, false};
    case 6: return {"no-services", 0, false, false};
    default: return {random() % 2 ? "fail create" + code : "fail locator E_NOINTERFACE", 0, true, true};
  }
}

TEST(Soak, TwoHundredScansOfFiveHundredProcessesKeepResourcesFlat) {
  E2E_SKIP_UNLESS_64_BIT();
  StandIn standIn;
  // The call log would slow every scan; it opens only once its folder exists, for the last scans.
  const std::string later = standIn.log.substr(0, standIn.log.rfind('\\')) + "\\later";
  standIn.log = later + "\\calls.log";
  DeleteFileA(standIn.log.c_str());
  RemoveDirectoryA(later.c_str());
  std::string table = "generate ";
  table += std::to_string(kProcesses) + " 7\n";
  standIn.Write(table);

  Program program("", standIn.Environment());
  ScanWindow window(program.MainWindow());
  ASSERT_TRUE(StartupScan(window).finished);
  ASSERT_EQ(ListRowCount(window.list), kProcesses);
  // A user name that the first complete scan below adds to the history and every later one finds
  // there; an empty one would be added again by each scan, as the exact search never finds it.
  SetText(window.userEdit, "soak");

  ResourceProbe probe(program.Id());
  const Resources start = probe.Settled();
  ASSERT_TRUE(Readable(start)) << "after the first scan";
  // Wine loads what a message box needs on the first box of each kind and keeps it.
  for (const char* warmUp : {"fail connect 0x80041001", "fail create 0x80041001"}) {
    standIn.Write(table + warmUp + "\n");
    ASSERT_EQ(PressScan(window).boxes.size(), 1u) << warmUp;
  }
  const Resources baseline = probe.Settled();
  ASSERT_TRUE(Readable(baseline)) << "after one box of each";

  std::vector<Resources> checkpoints{baseline};

  std::mt19937 random(kSeed);
  int failures = 0, boxes = 0;
  const auto began = Clock::now();
  for (int scan = 1; scan <= kScans; ++scan) {
    const Failure failure = scan % 10 == 0 ? RandomFailure(random) : Failure{"", kProcesses, false, false};
    SCOPED_TRACE("scan " + std::to_string(scan) + ": " + failure.statement);
    failures += !failure.statement.empty();
    standIn.Write(table + failure.statement + "\n");
    if (scan == kScans - 1) CreateDirectoryA(later.c_str(), nullptr);

    const ScanOutcome outcome = PressScan(window);
    ASSERT_TRUE(outcome.finished);
    ASSERT_EQ(outcome.boxes.size(), failure.box ? 1u : 0u);
    boxes += static_cast<int>(outcome.boxes.size());
    ASSERT_EQ(ListRowCount(window.list), failure.rows);
    ASSERT_EQ(StatusText(window.status), failure.reachesCommand ? "Start..." : ProcessCountText(failure.rows));
    ASSERT_TRUE(window.Idle());
    if (scan % kScansPerCheckpoint == 0) {
      checkpoints.push_back(probe.Settled());
      ASSERT_TRUE(Readable(checkpoints.back())) << "at a checkpoint";
    }
  }
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - began).count();

  std::printf("[ soak     ] %d scans of %d processes in %lld s, seed %u: %d failures injected, %d boxes answered\n",
              kScans, kProcesses, static_cast<long long>(seconds), kSeed, failures, boxes);
  PrintSources(checkpoints.back());
  Print("after the first scan", start);
  std::printf("[ soak     ] after one box of each (the baseline), then after every %d scans:\n", kScansPerCheckpoint);
  PrintCheckpoints("GDI", checkpoints, std::mem_fn(&Resources::Gdi));
  PrintCheckpoints("USER", checkpoints, std::mem_fn(&Resources::User));
  PrintCheckpoints("handles", checkpoints, std::mem_fn(&Resources::Handles));
  PrintCheckpoints("private KiB", checkpoints, [](const Resources& r) { return r.Private() / 1024; });
  PrintCheckpoints("working set KiB", checkpoints, [](const Resources& r) { return r.workingSet / 1024; });

  // Two one-time rises at most; a leak of one object per failed scan rises in every interval.
  const Growth gdi = GrowthOf(checkpoints, std::mem_fn(&Resources::Gdi));
  EXPECT_LE(gdi.rises, 2) << "GDI objects rose in " << gdi.rises << " intervals";
  EXPECT_LE(gdi.total, 6) << "GDI objects";
  EXPECT_EQ(GrowthOf(checkpoints, std::mem_fn(&Resources::User)).total, 0) << "windows";
  const Growth handles = GrowthOf(checkpoints, std::mem_fn(&Resources::Handles));
  EXPECT_LE(handles.rises, 2) << "handles rose in " << handles.rises << " intervals";
  EXPECT_LE(handles.total, 4) << "handles";
  EXPECT_LE(GrowthOf(checkpoints, std::mem_fn(&Resources::Private)).total, 2LL << 20) << "private bytes";
  const auto log = standIn.LogLines();
  // Any object kept by an earlier scan would keep the count from ever reaching 0 again.
  EXPECT_GE(std::count(log.begin(), log.end(), "live-objects 0"), 1) << "the last scans wrote " << log.size() << " lines";
  EXPECT_TRUE(NothingLeftReferenced(log)) << log.back();

  // The stand-in counts what is still referenced when its DLL goes with the program.
  program.Close();
  const long live = LiveObjectsAtUnload(standIn.LogLines());
  std::printf("[ soak     ] stand-in objects still referenced when the program ended: %ld\n", live);
  EXPECT_EQ(live, 0) << "-1: the stand-in wrote no count at unload";
}

}  // namespace
}  // namespace e2e
