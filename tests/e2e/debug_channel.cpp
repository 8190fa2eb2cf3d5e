#include "debug_channel.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <sstream>
#include <stdexcept>

namespace e2e {

namespace {

constexpr const char* kExeName = "Orvelkit.exe";

std::set<DWORD> ProgramProcesses() {
  std::set<DWORD> ids;
  HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return ids;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32First(snapshot, &entry); more; more = ::Process32Next(snapshot, &entry))
    if (lstrcmpiA(entry.szExeFile, kExeName) == 0) ids.insert(entry.th32ProcessID);
  ::CloseHandle(snapshot);
  return ids;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

TracedProgram::TracedProgram(const std::string& arguments,
                             const std::vector<std::pair<std::string, std::string>>& unixEnvironment) {
  log_ = TempDir() + "\\debugstr.log";
  std::string assignments;
  for (const auto& [name, value] : unixEnvironment) assignments += name + "='" + value + "' ";
  const std::string command = "/bin/sh -c \"" + assignments + "WINEDEBUG=-all,+debugstr,warn+seh exec '" ORVEL_WINE_UNIX_PATH
                              "' '" ORVEL_EXE_UNIX_PATH "' " + arguments + " 2>'" + UnixPath(log_) + "'\"";
  const std::set<DWORD> before = ProgramProcesses();
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  std::string line = command;
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &shell_))
    throw std::runtime_error("cannot start " + command + ": error " + std::to_string(::GetLastError()));
  // The program is a process of its own, started by the shell's Wine: found by its name as new.
  WaitFor([&] {
    for (DWORD id : ProgramProcesses())
      if (!before.count(id)) id_ = id;
    return id_ != 0;
  }, 60s);
  if (!id_) {
    ::CloseHandle(shell_.hThread);
    ::CloseHandle(shell_.hProcess);
    throw std::runtime_error("the program did not start: " + command);
  }
  process_ = ::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id_);
}

TracedProgram::~TracedProgram() {
  if (process_ && ::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
    ::TerminateProcess(process_, 1);
    ::WaitForSingleObject(process_, 30000);
  }
  if (process_) ::CloseHandle(process_);
  if (shell_.hProcess) {
    ::WaitForSingleObject(shell_.hProcess, 30000);
    ::CloseHandle(shell_.hThread);
    ::CloseHandle(shell_.hProcess);
  }
}

HWND TracedProgram::MainWindow(std::chrono::milliseconds timeout) {
  if (main_ && ::IsWindow(main_)) return main_;
  const HWND found = FindMainWindow(id_, timeout);
  if (!found) throw std::runtime_error("the main window did not appear");
  return main_ = found;
}

std::vector<std::string> TracedProgram::Traces() const {
  std::vector<std::string> traces;
  std::istringstream lines(ReadFile(log_));
  std::string line, text;
  while (std::getline(lines, line))
    if (ParseDebugString(line, text)) traces.push_back(text);
  return traces;
}

// A line reads  0124:warn:debugstr:OutputDebugStringA "text"  (or warn:seh: when the text came through
// OutputDebugStringW) with C escapes inside the quotes.
bool ParseDebugString(const std::string& line, std::string& text) {
  static const std::string markers[] = {":warn:debugstr:OutputDebugStringA \"", ":warn:seh:OutputDebugStringA \""};
  std::size_t start = std::string::npos, length = 0;
  for (const std::string& marker : markers)
    if (start == std::string::npos && (start = line.find(marker)) != std::string::npos) length = marker.size();
  const auto end = line.rfind('"');
  if (start == std::string::npos || end == std::string::npos || end < start + length) return false;
  text.clear();
  for (std::size_t i = start + length; i < end; ++i) {
    if (line[i] != '\\' || i + 1 >= end) {
      text += line[i];
      continue;
    }
    const char escaped = line[++i];
    if (escaped == 'n') text += '\n';
    else if (escaped == 'r') text += '\r';
    else if (escaped == 't') text += '\t';
    else if (escaped == 'x' && i + 2 < end && HexDigit(line[i + 1]) >= 0 && HexDigit(line[i + 2]) >= 0) {
      text += static_cast<char>(HexDigit(line[i + 1]) * 16 + HexDigit(line[i + 2]));
      i += 2;
    } else {
      text += escaped;
    }
  }
  return true;
}

}  // namespace e2e
