#include "layout.h"

#include <algorithm>

namespace orvel {

namespace {

constexpr int kShowNormal = 1;          // SW_SHOWNORMAL
constexpr int kShowMaximized = 3;       // SW_SHOWMAXIMIZED
constexpr int kShowMinNoActivate = 7;   // SW_SHOWMINNOACTIVE

// The smallest growth (possibly negative) of one client dimension that keeps a control's
// position and extent along it at or above zero.
int SmallestDelta(bool anchoredNear, bool anchoredFar, int position, int extent) {
  if (!anchoredFar) return -1000000;
  return anchoredNear ? -extent : -position;
}

}  // namespace

Size MinimumClientSize() {
  int dx = -Form1Def.clientWidth;
  int dy = -Form1Def.clientHeight;
  for (const ControlDef& c : Form1ControlDefs) {
    dx = std::max(dx, SmallestDelta(c.anchors & akLeft, c.anchors & akRight, c.left, c.width));
    dy = std::max(dy, SmallestDelta(c.anchors & akTop, c.anchors & akBottom, c.top, c.height));
  }
  return {Form1Def.clientWidth + dx, Form1Def.clientHeight + dy};
}

int MainWindowShowCommand(int startShowCommand) {
  if (startShowCommand == kShowMaximized || startShowCommand == kShowMinNoActivate) return startShowCommand;
  return kShowNormal;
}

char AcceleratorOf(const char* caption) {
  if (!caption) return 0;
  for (const char* p = caption; *p; ++p) {
    if (*p != '&') continue;
    if (p[1] == '&') {
      ++p;
      continue;
    }
    return p[1];
  }
  return 0;
}

}  // namespace orvel
