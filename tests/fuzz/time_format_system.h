// The system services for the fuzz targets: a user locale whose long time format is built as
// GetTimeFormatW builds it from a picture, and a record of the calls made.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/system.h"

namespace orvel::fuzz {

struct TimeLocale {
  // LOCALE_STIMEFORMAT: H/HH 24-hour, h/hh 12-hour, m/mm, s/ss, t/tt the designator,
  // ':' the time separator; anything else stands for itself.
  std::string picture = "HH:mm:ss";
  std::string separator = ":";  // LOCALE_STIME
  std::string morning = "AM";
  std::string afternoon = "PM";
};

class TimeFormatSystem final : public ISystem {
 public:
  explicit TimeFormatSystem(TimeLocale locale) : locale_(std::move(locale)) {}

  std::vector<std::uint32_t> longTimeCalls;

  std::string LongTimeText(std::uint32_t secondsAfterMidnight) override {
    longTimeCalls.push_back(secondsAfterMidnight);
    // GetTimeFormatW refuses an hour beyond 23, and the platform then gives an empty text.
    if (secondsAfterMidnight >= 24 * 3600) return {};
    return Format(secondsAfterMidnight / 3600, secondsAfterMidnight / 60 % 60, secondsAfterMidnight % 60);
  }
  std::string TimeSeparator() override { return locale_.separator; }

  bool CoInitialize() override { return false; }
  void CoUninitialize() override {}
  bool GetComputerNameW(char16_t*, std::uint32_t*) override { return false; }
  bool GetUserNameW(char16_t*, std::uint32_t*) override { return false; }
  std::uint32_t OsMajorVersion() override { return 6; }
  std::uint16_t GetUserDefaultLangID() override { return 0x0409; }
  std::vector<std::string> CommandLineArguments() override { return {"Orvelkit.exe"}; }
  std::uint32_t GetTickCount() override { return 0; }
  void OutputDebugStringW(const std::string&) override {}
  void MessageBeep(std::uint32_t) override {}
  std::uint32_t SetErrorMode(std::uint32_t mode) override { return mode; }
  void SetClipboardText(WindowHandle, const std::string&) override {}
  bool SameTextIgnoringCase(const std::string& a, const std::string& b) override { return a == b; }
  void ShellExecuteW(WindowHandle, const char*, const std::string&, int) override {}
  std::optional<std::string> ReadFile(const std::string&) override { return std::nullopt; }

 private:
  static std::string Number(unsigned value, bool twoDigits) {
    char text[16];
    std::snprintf(text, sizeof text, twoDigits ? "%02u" : "%u", value);
    return text;
  }

  std::string Format(unsigned hour, unsigned minute, unsigned second) const {
    std::string text;
    const std::string& picture = locale_.picture;
    for (std::size_t i = 0; i < picture.size();) {
      const char c = picture[i];
      std::size_t run = 1;
      while (i + run < picture.size() && picture[i + run] == c) ++run;
      i += run;
      text += Element(c, run, hour, minute, second);
    }
    return text;
  }

  std::string Element(char c, std::size_t run, unsigned hour, unsigned minute, unsigned second) const {
    const bool two = run >= 2;
    const unsigned hour12 = hour % 12 == 0 ? 12 : hour % 12;
    const std::string& designator = hour < 12 ? locale_.morning : locale_.afternoon;
    switch (c) {
      case 'H': return Number(hour, two);
      case 'h': return Number(hour12, two);
      case 'm': return Number(minute, two);
      case 's': return Number(second, two);
      case 't': return two ? designator : designator.substr(0, 1);
      case ':': {
        std::string separators;
        for (std::size_t k = 0; k < run; ++k) separators += locale_.separator;
        return separators;
      }
      default: return std::string(run, c);
    }
  }

  TimeLocale locale_;
};

}  // namespace orvel::fuzz
