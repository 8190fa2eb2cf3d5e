#include "com.h"

#include <wrl/client.h>

#include <new>

#include "scan/wmi_values.h"
#include "text.h"
#include "win32_error.h"

namespace orvel::com {
namespace {

std::string ErrorDescription() {
  Microsoft::WRL::ComPtr<IErrorInfo> info;
  if (::GetErrorInfo(0, &info) != S_OK || !info) return {};
  BSTR description = nullptr;
  if (FAILED(info->GetDescription(&description))) return {};
  return ToUtf8(Bstr::Adopt(description).get());
}

}  // namespace

Bstr::Bstr(std::string_view utf8Text) {
  const std::wstring wide = win32::Wide(utf8Text);
  value_ = ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  if (!value_) throw std::bad_alloc();
}

std::string ToUtf8(BSTR text) { return win32::Utf8(text, ::SysStringLen(text)); }

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
