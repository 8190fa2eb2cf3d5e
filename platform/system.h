// Kernel, user and shell services the window logic uses, seen without <windows.h>.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui.h"

namespace orvel {

class ISystem {
 public:
  virtual ~ISystem() = default;

  // COM for the calling thread as a single-threaded apartment; true when it may be uninitialised.
  virtual bool CoInitialize() = 0;
  virtual void CoUninitialize() = 0;

  // GetComputerNameA / GetUserNameA: the buffer and its size in and out, as the API takes them.
  virtual bool GetComputerNameA(char* buffer, std::uint32_t* size) = 0;
  virtual bool GetUserNameA(char* buffer, std::uint32_t* size) = 0;
  virtual std::uint32_t OsMajorVersion() = 0;
  virtual std::uint16_t GetUserDefaultLangID() = 0;
  // Argument 0 is the program; split as the platform's standard splitting does.
  virtual std::vector<std::string> CommandLineArguments() = 0;

  virtual std::uint32_t GetTickCount() = 0;
  virtual void OutputDebugStringA(const std::string& text) = 0;
  virtual void MessageBeep(std::uint32_t type) = 0;
  virtual std::uint32_t SetErrorMode(std::uint32_t mode) = 0;

  // The time of day this many seconds after midnight in the user's long time format.
  virtual std::string LongTimeText(std::uint32_t secondsAfterMidnight) = 0;
  // The user locale's time separator (":" in most locales).
  virtual std::string TimeSeparator() = 0;

  // Text of the ANSI code page, as every "A" API gives it, re-encoded as UTF-8; throws when the
  // platform cannot convert it.
  virtual std::string AnsiToUtf8(std::string_view ansiText) = 0;

  // Puts text of the ANSI code page on the clipboard as Unicode text, the owner window opening it;
  // throws when the clipboard cannot take it.
  virtual void SetClipboardText(WindowHandle owner, const std::string& ansiText) = 0;
  // Equal but for letter case, as the combo boxes' exact search compares texts.
  virtual bool SameTextIgnoringCase(const std::string& a, const std::string& b) = 0;

  // ShellExecuteA; verb nullptr for the default verb. The result is not examined by callers.
  virtual void ShellExecuteA(WindowHandle owner, const char* verb, const std::string& file, int showCommand) = 0;
};

}  // namespace orvel
