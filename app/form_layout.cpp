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

// A control along one axis: where it starts and how far it extends.
struct Span {
  int position, extent;
};

// Anchored on both sides it stretches, on the far side only it moves; the distance to the far edge
// is the design's, scaled like everything else.
Span AnchoredSpan(bool nearAnchor, bool farAnchor, Span design, int designClient, int client, int dpi) {
  const int farDistance = Scaled(designClient - design.position - design.extent, dpi);
  if (farAnchor && nearAnchor) {
    const int position = Scaled(design.position, dpi);
    return {position, client - farDistance - position};
  }
  if (farAnchor) {
    const int extent = Scaled(design.extent, dpi);
    return {client - farDistance - extent, extent};
  }
  return {Scaled(design.position, dpi), Scaled(design.extent, dpi)};
}

// The smallest client extent along one axis in which the control's span stays non-negative.
int SmallestClient(bool nearAnchor, bool farAnchor, Span design, int designClient, int dpi) {
  if (!farAnchor) return 0;
  const int farDistance = Scaled(designClient - design.position - design.extent, dpi);
  return farDistance + Scaled(nearAnchor ? design.position : design.extent, dpi);
}

}  // namespace

int Scaled(int designPixels, int dpi) {
  const long long product = static_cast<long long>(designPixels) * dpi;
  const long long half = kDesignDpi / 2;
  return static_cast<int>(product >= 0 ? (product + half) / kDesignDpi : -((-product + half) / kDesignDpi));
}

Rect AnchoredRect(const ControlDef& control, int clientWidth, int clientHeight, int dpi) {
  const Rect& p = control.place;
  const Span x = AnchoredSpan(control.anchors & akLeft, control.anchors & akRight, {p.left, p.width},
                              Form1Def.clientWidth, clientWidth, dpi);
  const Span y = AnchoredSpan(control.anchors & akTop, control.anchors & akBottom, {p.top, p.height},
                              Form1Def.clientHeight, clientHeight, dpi);
  return {x.position, y.position, x.extent, y.extent};
}

Size FormOuterSize(int dpi) { return {Scaled(Form1Def.outerWidth, dpi), Scaled(Form1Def.outerHeight, dpi)}; }

int FormFontHeight(int dpi) { return Scaled(Form1Def.fontHeight, dpi); }

Rect FirstPlace(int dpi, Size screen, const Rect& workArea, Size smallest) {
  const Size outer = FormOuterSize(dpi);
  const bool fits = outer.width <= workArea.width && outer.height <= workArea.height;
  if (dpi == kDesignDpi || fits)
    return {std::max(0, (screen.width - outer.width) / 2), std::max(0, (screen.height - outer.height) / 2), outer.width,
            outer.height};
  const int width = std::max(std::min(outer.width, workArea.width), smallest.width);
  const int height = std::max(std::min(outer.height, workArea.height), smallest.height);
  return {workArea.left + (workArea.width - width) / 2, workArea.top + (workArea.height - height) / 2, width, height};
}

std::vector<const ControlDef*> TabSequence() {
  std::vector<const ControlDef*> sequence;
  for (const ControlDef& control : Form1Controls)
    if (control.tabOrder >= 0) sequence.push_back(&control);
  std::stable_sort(sequence.begin(), sequence.end(),
                   [](const ControlDef* a, const ControlDef* b) { return a->tabOrder < b->tabOrder; });
  return sequence;
}

Size MinimumClientSize(int dpi) {
  Size minimum{0, 0};
  for (const ControlDef& c : Form1Controls) {
    const Rect& p = c.place;
    minimum.width = std::max(minimum.width, SmallestClient(c.anchors & akLeft, c.anchors & akRight, {p.left, p.width},
                                                           Form1Def.clientWidth, dpi));
    minimum.height = std::max(minimum.height, SmallestClient(c.anchors & akTop, c.anchors & akBottom,
                                                             {p.top, p.height}, Form1Def.clientHeight, dpi));
  }
  return minimum;
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

std::string PlainCaption(std::string_view caption) {
  std::string plain;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && ++i == caption.size()) break;
    plain += caption[i];
  }
  return plain;
}

}  // namespace orvel
