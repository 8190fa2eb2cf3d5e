#include "com.h"

#include <wrl/client.h>

#include <climits>
#include <new>
#include <vector>

#include "scan/wmi_values.h"
#include "win32_error.h"

namespace orvel::com {
namespace {

int ConversionLength(std::size_t size) {
  if (size > static_cast<std::size_t>(INT_MAX)) ThrowSystemError(HRESULT_FROM_WIN32(ERROR_ARITHMETIC_OVERFLOW));
  return static_cast<int>(size);
}

[[noreturn]] void ThrowLastError() { ThrowSystemError(HRESULT_FROM_WIN32(::GetLastError())); }

std::string FromWide(UINT codePage, DWORD flags, const wchar_t* text, int length) {
  const int size = ::WideCharToMultiByte(codePage, flags, text, length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) ThrowLastError();
  std::string result(static_cast<std::size_t>(size), '\0');
  if (::WideCharToMultiByte(codePage, flags, text, length, result.data(), size, nullptr, nullptr) != size) {
    ThrowLastError();
  }
  return result;
}

// WC_NO_BEST_FIT_CHARS is refused for UTF-8, which a system may use as its ANSI code page.
DWORD NoBestFitFlags() { return ::GetACP() == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS; }

std::string ErrorDescription() {
  Microsoft::WRL::ComPtr<IErrorInfo> info;
  if (::GetErrorInfo(0, &info) != S_OK || !info) return {};
  BSTR description = nullptr;
  if (FAILED(info->GetDescription(&description))) return {};
  return ToAnsi(Bstr::Adopt(description).get());
}

}  // namespace

Bstr::Bstr(std::string_view ansiText) {
  const std::wstring wide = ToWide(ansiText);
  value_ = ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  if (!value_) throw std::bad_alloc();
}

std::string ToAnsi(const wchar_t* text, int length) {
  if (!text || length <= 0) return {};
  // ASCII reads the same in every ANSI code page; most WMI texts are ASCII and skip two conversion calls.
  std::string ascii(static_cast<std::size_t>(length), '\0');
  int i = 0;
  while (i < length && text[i] < 0x80) {
    ascii[static_cast<std::size_t>(i)] = static_cast<char>(text[i]);
    ++i;
  }
  if (i == length) return ascii;
  return FromWide(CP_ACP, NoBestFitFlags(), text, length);
}

std::string ToAnsi(BSTR text) { return ToAnsi(text, static_cast<int>(::SysStringLen(text))); }

std::wstring ToWide(std::string_view ansiText) {
  if (ansiText.empty()) return {};
  const int size = ConversionLength(ansiText.size());
  const int length = ::MultiByteToWideChar(CP_ACP, 0, ansiText.data(), size, nullptr, 0);
  if (length <= 0) ThrowLastError();
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  if (::MultiByteToWideChar(CP_ACP, 0, ansiText.data(), size, wide.data(), length) != length) ThrowLastError();
  return wide;
}

std::string ToUtf8(std::wstring_view text) {
  if (text.empty()) return {};
  return FromWide(CP_UTF8, 0, text.data(), ConversionLength(text.size()));
}

void ForgetErrorInfo() noexcept { ::SetErrorInfo(0, nullptr); }

void ThrowComError(HRESULT code) {
  const std::string description = ErrorDescription();
  throw EOleError(OleMessageText(description, SystemMessageText(static_cast<DWORD>(code)), code), code);
}

void ThrowSystemError(HRESULT code) {
  ForgetErrorInfo();
  throw EOleError(OleMessageText({}, SystemMessageText(static_cast<DWORD>(code)), code), code);
}

}  // namespace orvel::com
