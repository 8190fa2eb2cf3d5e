// COM plumbing for the WMI client: owned BSTRs and VARIANTs, failures as EOleError.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <oleauto.h>

#include <string>
#include <string_view>
#include <utility>

#include "platform/ole_error.h"

namespace orvel::com {

// One owned BSTR; an empty text is an empty string, never a null BSTR.
class Bstr {
 public:
  explicit Bstr(std::string_view utf8Text);
  // Takes over a BSTR that a COM call handed out (null when it gave none).
  static Bstr Adopt(BSTR owned) noexcept {
    Bstr bstr;
    bstr.value_ = owned;
    return bstr;
  }
  Bstr(Bstr&& other) noexcept : value_(std::exchange(other.value_, nullptr)) {}
  Bstr& operator=(Bstr&&) = delete;
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { ::SysFreeString(value_); }
  BSTR get() const noexcept { return value_; }
  // Hands the BSTR to a caller that frees it (an [out] argument).
  BSTR Detach() noexcept { return std::exchange(value_, nullptr); }

 private:
  Bstr() = default;
  BSTR value_ = nullptr;
};

// One owned VARIANT, cleared when it goes.
class Variant {
 public:
  Variant() noexcept { ::VariantInit(&value_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { ::VariantClear(&value_); }
  VARIANT* get() noexcept { return &value_; }
  const VARIANT& operator*() const noexcept { return value_; }

 private:
  VARIANT value_;
};

// A BSTR's text as UTF-8, every character kept; a null BSTR is empty.
std::string ToUtf8(BSTR text);

// Drops the thread's error information: a failure that sets none must not read another call's.
void ForgetErrorInfo() noexcept;

// The failure of a COM method: the thread's error description, else the system text, else the code.
[[noreturn]] void ThrowComError(HRESULT code);
// A failure that carries no error information (creation, interface queries, conversions); what
// the thread holds belongs to another call and is dropped.
[[noreturn]] void ThrowSystemError(HRESULT code);

inline void Check(HRESULT code) {
  if (FAILED(code)) ThrowComError(code);
}

}  // namespace orvel::com
