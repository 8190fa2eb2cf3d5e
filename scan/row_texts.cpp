#include "row_texts.h"

#include <cstdio>

#include "../app/form_definition.h"

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
  row.Caption = ProcessColumns.front().text(record, system);
  row.SubItems.reserve(ProcessColumns.size() - 1);
  for (const ColumnDef& column : ProcessColumns.subspan(1)) row.SubItems.push_back(column.text(record, system));
  return row;
}

std::string FormatText(const std::string& pattern, std::initializer_list<std::string_view> arguments) {
  std::string result;
  const std::string_view* argument = arguments.begin();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
    if (pattern[i] != '%') {
      result += pattern[i];
    } else if (next == '%') {
      result += '%';
      ++i;
    } else if (argument != arguments.end() && (next == 's' || next == 'd')) {
      result += *argument++;
      ++i;
    } else {
      result += '%';
    }
  }
  return result;
}

}  // namespace orvel
