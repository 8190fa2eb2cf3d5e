// Pure rules of the scan: WMI values into record fields, and the message text of a failed call.
// No platform calls, so that every rule can be exercised with arbitrary input.
#pragma once

#include <cstdint>
#include <string>

#include "../platform/wmi.h"

namespace orvel {

// Code of a value that does not convert (DISP_E_TYPEMISMATCH).
constexpr std::int32_t kTypeMismatch = static_cast<std::int32_t>(0x80020005u);

// The value as a signed 64-bit integer: a number unchanged (a real rounded half to even),
// decimal text parsed. Throws EOleError for text that is not a whole number and for null.
std::int64_t WmiInteger(const WmiValue& value);

// The value as a double, for the time properties: numbers unchanged, decimal text parsed.
double WmiReal(const WmiValue& value);

// The low 32 bits of the value as a 64-bit integer.
std::uint32_t WmiLow32(const WmiValue& value);

// A byte count in whole units of 1024 bytes, the remainder dropped; low 32 bits.
std::uint32_t WmiKilobytes(const WmiValue& value);

// A count of 100-nanosecond units in whole seconds: divided in double precision,
// rounded half to even, low 32 bits.
std::uint32_t WmiSeconds(const WmiValue& value);

// The value's text; numbers in decimal.
std::string WmiText(const WmiValue& value);

// Nearest integer of a finite double, halves to the even neighbour, independent of the FPU mode.
double RoundHalfEven(double value);

// A message text without trailing characters of code 0 to 32 and full stops.
std::string TrimMessageText(std::string text);

// The message text of a failed call: the error description if it has any text left after
// trimming, else the system's message text trimmed, else "OLE-Fehler" with the code.
std::string OleMessageText(const std::string& description, const std::string& systemText, std::int32_t code);

}  // namespace orvel
