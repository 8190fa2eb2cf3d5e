#include "form_layout.h"

#include <algorithm>

namespace orvel {

namespace {

constexpr int kShowNormal = 1;          // SW_SHOWNORMAL
constexpr int kShowMinimized = 2;       // SW_SHOWMINIMIZED
constexpr int kShowMaximized = 3;       // SW_SHOWMAXIMIZED
constexpr int kMinimize = 6;            // SW_MINIMIZE
constexpr int kShowMinNoActivate = 7;   // SW_SHOWMINNOACTIVE
constexpr int kForceMinimize = 11;      // SW_FORCEMINIMIZE

// The smallest growth (possibly negative) of one client dimension that keeps a control's
// position and extent along it at or above zero.
int SmallestDelta(bool anchoredNear, bool anchoredFar, int position, int extent) {
  if (!anchoredFar) return -1000000;
  return anchoredNear ? -extent : -position;
}

}  // namespace

Rect AnchoredRect(const ControlDef& control, int clientWidth, int clientHeight) {
  const int dx = clientWidth - Form1Def.clientWidth;
  const int dy = clientHeight - Form1Def.clientHeight;
  Rect r = control.place;
  // Anchored on both sides: stretch; on the far side only: move.
  if (control.anchors & akRight) {
    if (control.anchors & akLeft) r.width += dx; else r.left += dx;
  }
  if (control.anchors & akBottom) {
    if (control.anchors & akTop) r.height += dy; else r.top += dy;
  }
  return r;
}

std::vector<const ControlDef*> TabSequence() {
  std::vector<const ControlDef*> sequence;
  for (const ControlDef& control : Form1Controls)
    if (control.tabOrder >= 0) sequence.push_back(&control);
  std::stable_sort(sequence.begin(), sequence.end(),
                   [](const ControlDef* a, const ControlDef* b) { return a->tabOrder < b->tabOrder; });
  return sequence;
}

Size MinimumClientSize() {
  int dx = -Form1Def.clientWidth;
  int dy = -Form1Def.clientHeight;
  for (const ControlDef& c : Form1Controls) {
    dx = std::max(dx, SmallestDelta(c.anchors & akLeft, c.anchors & akRight, c.place.left, c.place.width));
    dy = std::max(dy, SmallestDelta(c.anchors & akTop, c.anchors & akBottom, c.place.top, c.place.height));
  }
  return {Form1Def.clientWidth + dx, Form1Def.clientHeight + dy};
}

int MainWindowShowCommand(int startShowCommand) {
  switch (startShowCommand) {
    case kShowMaximized:
      return kShowMaximized;
    // Launchers spell "start minimised" differently (Wine's start /min passes SW_SHOWMINIMIZED): each
    // is the same request, and a minimised start must not take the activation from the user.
    case kShowMinimized:
    case kMinimize:
    case kShowMinNoActivate:
    case kForceMinimize:
      return kShowMinNoActivate;
    default:
      return kShowNormal;
  }
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
