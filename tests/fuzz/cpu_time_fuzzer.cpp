// The CPU-time text of any count of seconds under any locale, and the row built around it.
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "scan/row_texts.h"
#include "time_format_system.h"

namespace {

using orvel::fuzz::Number;
using orvel::fuzz::NumberField;

constexpr std::size_t kMaxLocaleText = 16;

// Locale texts as short as real locales keep them.
std::string Short(const std::string& text) { return text.substr(0, kMaxLocaleText); }

// From an hour on: hours, separator, two-digit minutes, separator, two-digit seconds, read from
// the end so that a separator holding digits cannot mislead; the parts must give the count back.
void CheckDuration(const std::string& text, const std::string& separator, std::uint32_t seconds) {
  const std::size_t tail = 2 * separator.size() + 4;
  FUZZ_CHECK(text.size() > tail);
  const std::string_view hours(text.data(), text.size() - tail);
  const std::string_view rest = std::string_view(text).substr(hours.size());
  FUZZ_CHECK(rest.substr(0, separator.size()) == separator);
  FUZZ_CHECK(rest.substr(separator.size() + 2, separator.size()) == separator);
  const auto h = Number<std::uint64_t>(hours);
  const auto m = Number<std::uint64_t>(rest.substr(separator.size(), 2));
  const auto s = Number<std::uint64_t>(rest.substr(2 * separator.size() + 2, 2));
  FUZZ_CHECK(h && m && s && *m < 60 && *s < 60);
  FUZZ_CHECK(hours[0] != '0');
  FUZZ_CHECK(*h * 3600 + *m * 60 + *s == seconds);
}

void CheckCpuTime(std::uint32_t seconds, const orvel::fuzz::TimeLocale& locale) {
  orvel::fuzz::TimeFormatSystem system(locale);
  const std::string text = orvel::CpuTimeText(seconds, system);
  const bool timeOfDay = seconds >= 60 && seconds < 3600;
  FUZZ_CHECK(system.longTimeCalls == (timeOfDay ? std::vector<std::uint32_t>{seconds} : std::vector<std::uint32_t>{}));
  if (seconds == 0) {
    FUZZ_CHECK(text.empty());
  } else if (seconds < 60) {
    FUZZ_CHECK(text.size() > 2 && text.substr(text.size() - 2) == " s");
    FUZZ_CHECK(Number<std::uint32_t>(std::string_view(text).substr(0, text.size() - 2)) == seconds);
  } else if (timeOfDay) {
    orvel::fuzz::TimeFormatSystem reference(locale);
    FUZZ_CHECK(text == reference.LongTimeText(seconds));
  } else {
    CheckDuration(text, locale.separator, seconds);
  }
}

// The record's fields from tab-separated text: name, folder, then the eight numbers.
orvel::TProcesInformation DecodeRecord(std::string_view line, std::uint32_t cpuSeconds) {
  std::vector<std::string> parts;
  for (std::size_t tab = 0; tab != std::string_view::npos;) {
    tab = line.find('\t');
    parts.emplace_back(line.substr(0, tab));
    line.remove_prefix(tab == std::string_view::npos ? line.size() : tab + 1);
  }
  parts.resize(9);
  orvel::TProcesInformation record;
  record.Name = parts[0];
  record.ExecutablePath = parts[1];
  std::uint32_t* const numbers[] = {&record.ProcessId, &record.ParentProcessId, &record.SessionId,
                                    &record.ThreadCount, &record.Priority, &record.WorkingSetKB,
                                    &record.HandleCount};
  for (std::size_t k = 0; k < std::size(numbers); ++k) *numbers[k] = NumberField<std::uint32_t>(parts[k + 2]);
  record.CpuSeconds = cpuSeconds;
  return record;
}

// Decimal means plain digits that read back as the field.
void CheckDecimal(const std::string& text, std::uint32_t value) {
  FUZZ_CHECK(orvel::fuzz::AllDigits(text) && (text.size() == 1 || text[0] != '0'));
  FUZZ_CHECK(Number<std::uint32_t>(text) == value);
}

void CheckRow(const orvel::TProcesInformation& record, const orvel::fuzz::TimeLocale& locale) {
  orvel::fuzz::TimeFormatSystem system(locale);
  const orvel::TListRow row = orvel::ProcessRow(record, system);
  FUZZ_CHECK(row.Caption == record.Name);
  FUZZ_CHECK(row.SubItems.size() == 9);
  FUZZ_CHECK(row.SubItems[0] == record.ExecutablePath);
  CheckDecimal(row.SubItems[1], record.ProcessId);
  CheckDecimal(row.SubItems[2], record.ParentProcessId);
  const std::string& ram = row.SubItems[3];
  FUZZ_CHECK(ram.size() > 2 && ram.substr(ram.size() - 2) == " K");
  CheckDecimal(ram.substr(0, ram.size() - 2), record.WorkingSetKB);
  orvel::fuzz::TimeFormatSystem reference(locale);
  FUZZ_CHECK(row.SubItems[4] == orvel::CpuTimeText(record.CpuSeconds, reference));
  CheckDecimal(row.SubItems[5], record.HandleCount);
  CheckDecimal(row.SubItems[6], record.SessionId);
  CheckDecimal(row.SubItems[7], record.ThreadCount);
  CheckDecimal(row.SubItems[8], record.Priority);
}

}  // namespace

// Lines: seconds, time picture, separator, morning, afternoon designator, then the record.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto fields = orvel::fuzz::Fields(data, size, 6);
  const auto seconds = NumberField<std::uint32_t>(fields[0]);
  const orvel::fuzz::TimeLocale locale{Short(fields[1]), Short(fields[2]), Short(fields[3]), Short(fields[4])};
  CheckCpuTime(seconds, locale);
  // The edges of each range, whatever the input's own count.
  for (const std::uint32_t edge : {0u, 1u, 59u, 60u, 3599u, 3600u, 86399u, 86400u, 4294967295u}) {
    CheckCpuTime(edge, locale);
  }
  CheckRow(DecodeRecord(fields[5], seconds), locale);
  return 0;
}
