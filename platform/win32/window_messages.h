// The program's own window messages, numbered in one place so that none is given twice.
#pragma once

#include "win32_api.h"

namespace orvel {

enum : UINT {
  kClickLater = WM_APP + 1,  // a speed button's press by assistive technology, run from the queue
  kRunPosted = WM_APP + 2,   // the application's next posted call
  kScansAnswered = WM_APP + 3,  // computers scanned on workers have answers waiting for the window's thread
};

}  // namespace orvel
