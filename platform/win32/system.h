// Kernel, user and shell services of Windows for the window logic.
#pragma once

#include "platform/system.h"
#include "win32_api.h"

namespace orvel {

// A DLL loaded from the system folder only, never from beside the program or the current folder;
// nullptr when it cannot be loaded. It stays loaded for the program's life.
HMODULE LoadSystemLibrary(const char* file);

// The platform's own splitting (CommandLineToArgvW) of a command line, as UTF-8.
std::vector<std::string> SplitCommandLine(const wchar_t* commandLine);

class Win32System : public ISystem {
 public:
  Win32System();

  bool CoInitialize() override;
  void CoUninitialize() override;
  bool GetComputerNameW(char16_t* buffer, std::uint32_t* size) override;
  bool GetUserNameW(char16_t* buffer, std::uint32_t* size) override;
  std::uint32_t OsMajorVersion() override { return osMajorVersion_; }
  std::uint16_t GetUserDefaultLangID() override;
  std::vector<std::string> CommandLineArguments() override;
  std::uint32_t GetTickCount() override;
  void OutputDebugStringW(const std::string& text) override;
  void MessageBeep(std::uint32_t type) override;
  std::uint32_t SetErrorMode(std::uint32_t mode) override;
  std::string LongTimeText(std::uint32_t secondsAfterMidnight) override;
  std::string TimeSeparator() override;
  void SetClipboardText(WindowHandle owner, const std::string& text) override;
  bool SameTextIgnoringCase(const std::string& a, const std::string& b) override;
  void ShellExecuteW(WindowHandle owner, const char* verb, const std::string& file, int showCommand) override;
  // Files on a disk only: a pipe, a device or a console could keep the window's thread waiting.
  std::optional<std::string> ReadFile(const std::string& path) override;

 private:
  std::uint32_t osMajorVersion_;  // read once, when the program starts
};

}  // namespace orvel
