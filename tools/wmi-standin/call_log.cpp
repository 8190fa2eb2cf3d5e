#include "call_log.h"

#include <atomic>
#include <cstdio>

#include "scenario.h"
#include "text.h"

namespace standin::call_log {
namespace {

SRWLOCK g_lock = SRWLOCK_INIT;
HANDLE g_file = INVALID_HANDLE_VALUE;
std::atomic<bool> g_on{false};
std::atomic<bool> g_ids{false};

void WriteUtf8(std::wstring_view line) noexcept {
  try {
    std::string utf8 = Narrow(line);
    utf8 += '\n';
    DWORD written = 0;
    // Opened for appending only, so every line lands whole at the end, even with several processes writing.
    WriteFile(g_file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  } catch (...) {
  }
}

}  // namespace

void Configure() noexcept {
  std::wstring path;
  bool ids = false;
  try {
    path = EnvironmentVariable(L"ORVEL_WMI_LOG");
    const std::wstring idsWanted = EnvironmentVariable(L"ORVEL_WMI_LOG_IDS");
    ids = !idsWanted.empty() && idsWanted != L"0";
  } catch (...) {
  }
  AcquireSRWLockExclusive(&g_lock);
  if (g_file != INVALID_HANDLE_VALUE) CloseHandle(g_file);
  g_file = path.empty() ? INVALID_HANDLE_VALUE
                        : CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
  g_ids = ids;
  g_on = g_file != INVALID_HANDLE_VALUE;
  ReleaseSRWLockExclusive(&g_lock);
}

bool On() noexcept { return g_on; }

// Exclusive: the lines of several threads come out one after the other, in the order the calls completed.
void Write(std::wstring_view line) noexcept {
  if (!g_on) return;
  AcquireSRWLockExclusive(&g_lock);
  if (g_file != INVALID_HANDLE_VALUE) WriteUtf8(line);
  ReleaseSRWLockExclusive(&g_lock);
}

void Write(unsigned long connection, std::wstring_view line) noexcept {
  if (!g_ids) return Write(line);
  try {
    Write(L"[" + std::to_wstring(connection) + L"] " + std::wstring(line));
  } catch (...) {
  }
}

void WriteWhileUnloading(std::wstring_view line, bool processGoesOn) noexcept {
  if (!g_on) return;
  WriteUtf8(line);
  if (!processGoesOn) return;
  g_on = false;
  CloseHandle(g_file);
  g_file = INVALID_HANDLE_VALUE;
}

std::wstring Quoted(std::wstring_view text) {
  std::wstring quoted;
  quoted.reserve(text.size() + 2);
  quoted += L'"';
  for (const wchar_t c : text) {
    // An object path holds quotes of its own: they must not end the quoted text.
    if (c == L'"') quoted += L'\\';
    quoted += c;
  }
  quoted += L'"';
  return quoted;
}

std::wstring Hex(unsigned long value) {
  wchar_t text[16];
  std::swprintf(text, 16, L"0x%lX", value);
  return text;
}

std::wstring Outcome(HRESULT result) {
  if (result == S_OK) return {};
  wchar_t text[24];
  std::swprintf(text, 24, L" -> 0x%08lX", static_cast<unsigned long>(result));
  return text;
}

std::wstring ProcessIndex(std::size_t index) { return index == kNone ? L"class" : std::to_wstring(index); }

}  // namespace standin::call_log
