// Owns a kernel handle. Check for INVALID_HANDLE_VALUE before wrapping: only null counts as empty.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace standin {

struct HandleCloser {
  void operator()(HANDLE handle) const noexcept { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

}  // namespace standin
