// One pointer per thread in a Win32 fiber-local slot, for values read in the tightest loops (every
// comparison of a sort, every object of a scan): an access is one read of the thread's own block,
// where the runtime's emulated thread_local takes a spin lock and saves the last error each time.
#pragma once

#include "win32_api.h"

namespace orvel {

class ThreadSlot {
 public:
  // cleanup, when given, receives a thread's value when that thread ends, and every thread's value
  // when the slot goes; it is never called with a null value.
  explicit ThreadSlot(PFLS_CALLBACK_FUNCTION cleanup = nullptr) noexcept : index_(::FlsAlloc(cleanup)) {}
  ThreadSlot(const ThreadSlot&) = delete;
  ThreadSlot& operator=(const ThreadSlot&) = delete;
  ~ThreadSlot() {
    if (Usable()) ::FlsFree(index_);
  }

  // False only when the process has used up its slots; Get then gives null and Set fails.
  bool Usable() const noexcept { return index_ != FLS_OUT_OF_INDEXES; }
  void* Get() const noexcept { return Usable() ? ::FlsGetValue(index_) : nullptr; }
  bool Set(void* value) const noexcept { return Usable() && ::FlsSetValue(index_, value) != FALSE; }

 private:
  DWORD index_;
};

}  // namespace orvel
