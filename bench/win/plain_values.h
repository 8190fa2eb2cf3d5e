// WMI's values as the benchmark floors read them: the least a scan must do, in plain code.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstdint>

namespace orvel::bench {

// A number, or decimal text as WMI sends its 64-bit values; digits only: a floor needs no sign,
// no blanks and no overflow check.
inline std::int64_t Integer(const VARIANT& value) {
  switch (value.vt) {
    case VT_I4: return value.lVal;
    case VT_UI4: return value.ulVal;
    case VT_BSTR: {
      std::int64_t number = 0;
      for (const wchar_t* c = value.bstrVal; c && *c >= L'0' && *c <= L'9'; ++c) number = number * 10 + (*c - L'0');
      return number;
    }
    default: return 0;
  }
}

// Whole seconds of a count of 100 ns, halves to even, in integers.
inline std::uint32_t Seconds(const VARIANT& value) {
  const std::int64_t ticks = Integer(value);
  std::int64_t seconds = ticks / 10000000;
  const std::int64_t rest = ticks % 10000000;
  if (rest > 5000000 || (rest == 5000000 && seconds % 2 != 0)) ++seconds;
  return static_cast<std::uint32_t>(seconds);
}

}  // namespace orvel::bench
