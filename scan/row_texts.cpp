#include "row_texts.h"

#include <cstdio>

namespace orvel {
namespace {

std::string TwoDigits(std::uint32_t value) {
  char text[4];
  std::snprintf(text, sizeof text, "%02u", static_cast<unsigned>(value));
  return text;
}

// A duration rather than a time of day: a long-running process must not read as a few hours.
std::string DurationText(std::uint32_t seconds, const std::string& separator) {
  return std::to_string(seconds / 3600) + separator + TwoDigits(seconds / 60 % 60) + separator + TwoDigits(seconds % 60);
}

}  // namespace

std::string CpuTimeText(std::uint32_t seconds, ISystem& system) {
  if (seconds == 0) return {};
  if (seconds < 60) return std::to_string(seconds) + " s";
  if (seconds < 3600) return system.LongTimeText(seconds);
  return DurationText(seconds, system.TimeSeparator());
}

TListRow ProcessRow(const TProcesInformation& record, ISystem& system) {
  TListRow row;
  row.Caption = record.Name;
  row.SubItems = {
      record.ExecutablePath,
      std::to_string(record.ProcessId),
      std::to_string(record.ParentProcessId),
      std::to_string(record.WorkingSetKB) + " K",
      CpuTimeText(record.CpuSeconds, system),
      std::to_string(record.HandleCount),
      std::to_string(record.SessionId),
      std::to_string(record.ThreadCount),
      std::to_string(record.Priority),
  };
  return row;
}

std::string FormatWithArgument(const std::string& pattern, const std::string& argument) {
  std::string result;
  bool inserted = false;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
    if (pattern[i] != '%') {
      result += pattern[i];
    } else if (next == '%') {
      result += '%';
      ++i;
    } else if (!inserted && (next == 's' || next == 'd')) {
      result += argument;
      inserted = true;
      ++i;
    } else {
      result += '%';
    }
  }
  return result;
}

}  // namespace orvel
