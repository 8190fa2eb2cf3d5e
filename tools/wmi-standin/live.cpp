#include "live.h"

#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/ole_error.h"
#include "unique_handle.h"

namespace standin {
namespace {

unsigned long long Ticks(const FILETIME& time) {
  return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

UniqueHandle OpenForQuery(DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (!process) process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  return UniqueHandle(process);
}

// Base priority of a priority class, as Windows puts it in pcPriClassBase (Wine puts the class there).
std::optional<DWORD> BasePriority(HANDLE process) {
  switch (GetPriorityClass(process)) {
    case IDLE_PRIORITY_CLASS: return 4;
    case BELOW_NORMAL_PRIORITY_CLASS: return 6;
    case NORMAL_PRIORITY_CLASS: return 8;
    case ABOVE_NORMAL_PRIORITY_CLASS: return 10;
    case HIGH_PRIORITY_CLASS: return 13;
    case REALTIME_PRIORITY_CLASS: return 24;
    default: return std::nullopt;
  }
}

// Open handles per process from the system's handle table, read once per snapshot and only when
// GetProcessHandleCount answers 0, as Wine's always does.
class HandleTable {
 public:
  DWORD CountFor(DWORD pid) {
    if (!loaded_) Load();
    const auto found = counts_.find(pid);
    return found == counts_.end() ? 0 : found->second;
  }

 private:
  struct Entry {  // SYSTEM_HANDLE_TABLE_ENTRY_INFO_EX
    PVOID object;
    ULONG_PTR pid;
    ULONG_PTR handle;
    ULONG access;
    USHORT backTrace;
    USHORT type;
    ULONG attributes;
    ULONG reserved;
  };
  struct Header {
    ULONG_PTR count;
    ULONG_PTR reserved;
  };
  static constexpr auto kExtendedHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(64);
  static constexpr NTSTATUS kLengthMismatch = static_cast<NTSTATUS>(0xC0000004);

  void Load() {
    loaded_ = true;
    std::vector<std::byte> buffer(1 << 16);
    for (;;) {
      ULONG needed = 0;
      const NTSTATUS status = NtQuerySystemInformation(kExtendedHandleInformation, buffer.data(),
                                                       static_cast<ULONG>(buffer.size()), &needed);
      if (status == 0) break;
      if (status != kLengthMismatch || buffer.size() >= (1u << 28)) return;
      buffer.resize(std::max<std::size_t>(needed + 4096, buffer.size() * 2));
    }
    Header header;
    std::memcpy(&header, buffer.data(), sizeof header);
    const std::size_t fits = (buffer.size() - sizeof header) / sizeof(Entry);
    for (std::size_t i = 0; i < std::min<std::size_t>(header.count, fits); ++i) {
      Entry entry;
      std::memcpy(&entry, buffer.data() + sizeof header + i * sizeof entry, sizeof entry);
      ++counts_[static_cast<DWORD>(entry.pid)];
    }
  }

  bool loaded_ = false;
  std::unordered_map<DWORD, DWORD> counts_;
};

void ReadOpenedProcess(HANDLE process, DWORD pid, HandleTable& handleTable, std::vector<Value>& row) {
  wchar_t path[32768];
  DWORD length = static_cast<DWORD>(std::size(path));
  if (QueryFullProcessImageNameW(process, 0, path, &length)) {
    row[ProcessTable::kExecutablePath] = Value::Text(std::wstring(path, length));
  }
  if (const std::optional<DWORD> priority = BasePriority(process)) row[ProcessTable::kPriority] = Value::I4(*priority);
  PROCESS_MEMORY_COUNTERS memory{};
  if (GetProcessMemoryInfo(process, &memory, sizeof memory)) {
    row[ProcessTable::kWorkingSetSize] = Value::Decimal(memory.WorkingSetSize);
  }
  DWORD handles = 0;
  if (GetProcessHandleCount(process, &handles)) {
    row[ProcessTable::kHandleCount] = Value::I4(handles ? handles : handleTable.CountFor(pid));
  }
  FILETIME created, ended, kernel, user;
  if (GetProcessTimes(process, &created, &ended, &kernel, &user)) {
    row[ProcessTable::kUserModeTime] = Value::Decimal(Ticks(user));
    row[ProcessTable::kKernelModeTime] = Value::Decimal(Ticks(kernel));
  }
}

std::vector<Value> Describe(const PROCESSENTRY32W& entry, HandleTable& handleTable) {
  std::vector<Value> row(ProcessTable::kStandardCount);
  // WMI names the idle process; Toolhelp gives it a placeholder.
  const bool idle = entry.th32ProcessID == 0;
  row[ProcessTable::kName] = Value::Text(idle ? L"System Idle Process" : entry.szExeFile);
  row[ProcessTable::kProcessId] = Value::I4(entry.th32ProcessID);
  row[ProcessTable::kParentProcessId] = Value::I4(entry.th32ParentProcessID);
  row[ProcessTable::kThreadCount] = Value::I4(entry.cntThreads);
  row[ProcessTable::kPriority] = Value::I4(static_cast<DWORD>(entry.pcPriClassBase));
  DWORD session = 0;
  if (ProcessIdToSessionId(entry.th32ProcessID, &session)) row[ProcessTable::kSessionId] = Value::I4(session);
  if (const UniqueHandle process = OpenForQuery(entry.th32ProcessID)) {
    ReadOpenedProcess(process.get(), entry.th32ProcessID, handleTable, row);
  }
  return row;
}

}  // namespace

bool IsLocalComputer(std::wstring_view server) {
  if (server.empty() || server == L"." || server == L"127.0.0.1" || EqualsIgnoringCase(server, L"localhost")) {
    return true;
  }
  for (const COMPUTER_NAME_FORMAT format :
       {ComputerNameNetBIOS, ComputerNameDnsHostname, ComputerNameDnsFullyQualified}) {
    wchar_t name[256];
    DWORD length = static_cast<DWORD>(std::size(name));
    if (GetComputerNameExW(format, name, &length) && EqualsIgnoringCase(server, std::wstring_view(name, length))) {
      return true;
    }
  }
  return false;
}

std::shared_ptr<const ProcessTable> SnapshotProcesses() {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) {
    throw orvel::EOleError("Cannot take a snapshot of the processes", HRESULT_FROM_WIN32(GetLastError()));
  }
  const UniqueHandle owner(snapshot);
  auto table = std::make_shared<ProcessTable>(ProcessTable::WithStandardColumns());
  HandleTable handleTable;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
    table->rows.push_back(Describe(entry, handleTable));
  }
  return table;
}

std::uint32_t TerminateLocalProcess(std::uint32_t pid) {
  constexpr std::uint32_t kEnded = 0, kAccessDenied = 2, kUnknownFailure = 8;
  const auto failure = [] { return GetLastError() == ERROR_ACCESS_DENIED ? kAccessDenied : kUnknownFailure; };
  // SYNCHRONIZE tells an exited process (whose TerminateProcess says access denied).
  const UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
  if (!process) return failure();
  if (WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0) return kUnknownFailure;
  if (!TerminateProcess(process.get(), 1)) return failure();
  // Answered once ending has begun, as WMI answers: a scan right after may still list the process.
  return kEnded;
}

}  // namespace standin
