#include "win32_error.h"

#include "scan/wmi_values.h"
#include "text.h"

namespace orvel {
namespace {

constexpr DWORD kMessageFlags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ARGUMENT_ARRAY;
constexpr DWORD kMessageUnits = 256;

}  // namespace

std::string SystemMessageText(DWORD code) {
  wchar_t buffer[kMessageUnits] = {};
  const DWORD length = ::FormatMessageW(kMessageFlags, nullptr, code, 0, buffer, kMessageUnits, nullptr);
  return win32::Utf8(buffer, length < kMessageUnits ? length : 0);
}

void ThrowLastError(const char* what) {
  const DWORD code = ::GetLastError();
  const std::string text = TrimMessageText(SystemMessageText(code));
  throw EOleError(text.empty() ? std::string(what) : text, static_cast<std::int32_t>(HRESULT_FROM_WIN32(code)));
}

}  // namespace orvel
