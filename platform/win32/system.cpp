#include "system.h"

#include <objbase.h>

#include <cstring>

#include "handles.h"
#include "text.h"
#include "win32_error.h"
#include "win32_api.h"

namespace orvel {

namespace {

constexpr int kTextBuffer = 128;
constexpr std::uint32_t kSecondsPerDay = 24 * 60 * 60;

// GetVersionExW reports the real version because the manifest lists the supported systems.
std::uint32_t ReadOsMajorVersion() {
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  return ::GetVersionExW(&version) ? version.dwMajorVersion : 0;
}

// The W functions fill wchar_t buffers; the portable interface hands out char16_t ones of the same units.
wchar_t* Units(char16_t* buffer) noexcept { return reinterpret_cast<wchar_t*>(buffer); }

// The clipboard opened by one window for one scope.
class ClipboardScope {
 public:
  explicit ClipboardScope(HWND owner) {
    // Another program may hold it open for a moment.
    for (int attempt = 0; attempt < kClipboardAttempts; ++attempt) {
      if (::OpenClipboard(owner)) return;
      ::Sleep(kClipboardRetryMs);
    }
    ThrowLastError("OpenClipboard");
  }
  ClipboardScope(const ClipboardScope&) = delete;
  ClipboardScope& operator=(const ClipboardScope&) = delete;
  ~ClipboardScope() { ::CloseClipboard(); }

 private:
  static constexpr int kClipboardAttempts = 10;
  static constexpr DWORD kClipboardRetryMs = 20;
};

}  // namespace

Win32System::Win32System() : osMajorVersion_(ReadOsMajorVersion()) {}

bool Win32System::CoInitialize() {
  // S_OK and S_FALSE both need a CoUninitialize; only a failure (severity bit) does not.
  const HRESULT result = ::CoInitialize(nullptr);
  return (static_cast<std::uint32_t>(result) & 0x80000000u) == 0;
}

void Win32System::CoUninitialize() { ::CoUninitialize(); }

bool Win32System::GetComputerNameW(char16_t* buffer, std::uint32_t* size) {
  DWORD length = *size;
  const BOOL ok = ::GetComputerNameW(Units(buffer), &length);
  *size = length;
  return ok != FALSE;
}

bool Win32System::GetUserNameW(char16_t* buffer, std::uint32_t* size) {
  DWORD length = *size;
  const BOOL ok = ::GetUserNameW(Units(buffer), &length);
  *size = length;
  return ok != FALSE;
}

std::uint16_t Win32System::GetUserDefaultLangID() { return ::GetUserDefaultLangID(); }

HMODULE LoadSystemLibrary(const char* file) {
  const std::wstring name = win32::Wide(file);
  if (const HMODULE library = ::LoadLibraryExW(name.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return library;
  // Windows 7 without the update that knows the flag: the full path of the system folder instead.
  wchar_t folder[MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  return ::LoadLibraryW((std::wstring(folder) + L"\\" + name).c_str());
}

std::vector<std::string> SplitCommandLine(const wchar_t* commandLine) {
  int count = 0;
  // One LocalAlloc block holding the pointers and their texts.
  LPWSTR* const arguments = ::CommandLineToArgvW(commandLine, &count);
  const UniqueLocalMemory block(arguments);
  std::vector<std::string> result;
  if (!arguments) return result;
  result.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) result.push_back(win32::Utf8(arguments[i]));
  return result;
}

std::vector<std::string> Win32System::CommandLineArguments() { return SplitCommandLine(::GetCommandLineW()); }

std::uint32_t Win32System::GetTickCount() { return ::GetTickCount(); }

void Win32System::OutputDebugStringW(const std::string& text) { ::OutputDebugStringW(win32::Wide(text).c_str()); }

void Win32System::MessageBeep(std::uint32_t type) { ::MessageBeep(type); }

std::uint32_t Win32System::SetErrorMode(std::uint32_t mode) { return ::SetErrorMode(mode); }

std::string Win32System::LongTimeText(std::uint32_t secondsAfterMidnight) {
  if (secondsAfterMidnight >= kSecondsPerDay) return {};
  SYSTEMTIME time{};
  time.wHour = static_cast<WORD>(secondsAfterMidnight / 3600);
  time.wMinute = static_cast<WORD>(secondsAfterMidnight / 60 % 60);
  time.wSecond = static_cast<WORD>(secondsAfterMidnight % 60);
  wchar_t text[kTextBuffer] = {};
  if (!::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &time, nullptr, text, kTextBuffer)) return {};
  return win32::Utf8(text);
}

std::string Win32System::TimeSeparator() {
  wchar_t text[kTextBuffer] = {};
  if (!::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIME, text, kTextBuffer)) return {};
  return win32::Utf8(text);
}

// Unicode text only: Windows derives the 8-bit formats from it.
void Win32System::SetClipboardText(WindowHandle owner, const std::string& utf8Text) {
  const std::wstring text = win32::Wide(utf8Text);
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  UniqueGlobalMemory block(::GlobalAlloc(GMEM_MOVEABLE, bytes));
  if (!block) ThrowLastError("GlobalAlloc");
  void* target = ::GlobalLock(block.get());
  if (!target) ThrowLastError("GlobalLock");
  std::memcpy(target, text.c_str(), bytes);
  ::GlobalUnlock(block.get());
  const ClipboardScope clipboard(reinterpret_cast<HWND>(owner));
  if (!::EmptyClipboard()) ThrowLastError("EmptyClipboard");
  if (!::SetClipboardData(CF_UNICODETEXT, block.get())) ThrowLastError("SetClipboardData");
  block.release();  // the clipboard owns it now
}

bool Win32System::SameTextIgnoringCase(const std::string& a, const std::string& b) {
  return ::lstrcmpiW(win32::Wide(a).c_str(), win32::Wide(b).c_str()) == 0;
}

void Win32System::ShellExecuteW(WindowHandle owner, const char* verb, const std::string& file, int showCommand) {
  const std::wstring verbText = verb ? win32::Wide(verb) : std::wstring();
  ::ShellExecuteW(reinterpret_cast<HWND>(owner), verb ? verbText.c_str() : nullptr, win32::Wide(file).c_str(), nullptr,
                  nullptr, showCommand);
}

std::optional<std::string> Win32System::ReadFile(const std::string& path) {
  const HANDLE opened = ::CreateFileW(win32::Wide(path).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
  if (opened == INVALID_HANDLE_VALUE) return std::nullopt;
  const UniqueKernelHandle file(opened);
  if (::GetFileType(file.get()) != FILE_TYPE_DISK) return std::nullopt;
  // Read to its end, however long it has grown since it was opened.
  std::string bytes;
  char chunk[64 * 1024];
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(file.get(), chunk, sizeof chunk, &read, nullptr)) return std::nullopt;
    if (read == 0) return bytes;
    bytes.append(chunk, read);
  }
}

}  // namespace orvel
