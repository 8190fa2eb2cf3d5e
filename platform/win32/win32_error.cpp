#include "win32_error.h"

namespace orvel {

std::string SystemMessageText(DWORD code) {
  char* buffer = nullptr;
  const DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
      reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text(buffer ? buffer : "", length);
  if (buffer) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

void ThrowLastError(const char* what) {
  const DWORD code = ::GetLastError();
  const std::string text = SystemMessageText(code);
  throw EOleError(text.empty() ? std::string(what) : text, static_cast<std::int32_t>(HRESULT_FROM_WIN32(code)));
}

}  // namespace orvel
