// Kernel, user and shell services the window logic uses, seen without <windows.h>. Every text is UTF-8.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ui.h"

namespace orvel {

class ISystem {
 public:
  virtual ~ISystem() = default;

  // COM for the calling thread as a single-threaded apartment; true when it may be uninitialised.
  virtual bool CoInitialize() = 0;
  virtual void CoUninitialize() = 0;

  // GetComputerNameW / GetUserNameW: the buffer and its size in UTF-16 units in and out, as the API takes them.
  virtual bool GetComputerNameW(char16_t* buffer, std::uint32_t* size) = 0;
  virtual bool GetUserNameW(char16_t* buffer, std::uint32_t* size) = 0;
  virtual std::uint32_t OsMajorVersion() = 0;
  virtual std::uint16_t GetUserDefaultLangID() = 0;
  // Argument 0 is the program; split as the platform's standard splitting does.
  virtual std::vector<std::string> CommandLineArguments() = 0;

  virtual std::uint32_t GetTickCount() = 0;
  virtual void OutputDebugStringW(const std::string& text) = 0;
  virtual void MessageBeep(std::uint32_t type) = 0;
  virtual std::uint32_t SetErrorMode(std::uint32_t mode) = 0;

  // The time of day this many seconds after midnight in the user's long time format.
  virtual std::string LongTimeText(std::uint32_t secondsAfterMidnight) = 0;
  // The user locale's time separator (":" in most locales).
  virtual std::string TimeSeparator() = 0;

  // Puts the text on the clipboard as Unicode text, the owner window opening it; throws when the
  // clipboard cannot take it.
  virtual void SetClipboardText(WindowHandle owner, const std::string& text) = 0;
  // Equal but for letter case, as the combo boxes' exact search compares texts.
  virtual bool SameTextIgnoringCase(const std::string& a, const std::string& b) = 0;

  // ShellExecuteW; verb nullptr for the default verb. The result is not examined by callers.
  virtual void ShellExecuteW(WindowHandle owner, const char* verb, const std::string& file, int showCommand) = 0;

  // The whole file at this path (UTF-8), its bytes as they are; nothing when it cannot be read.
  virtual std::optional<std::string> ReadFile(const std::string& path) = 0;
};

}  // namespace orvel
