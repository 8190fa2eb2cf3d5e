// Geometry and keyboard rules of the main window, decided from the form definition without a window.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "form_definition.h"

namespace orvel {

struct Size {
  int width, height;
  bool operator==(const Size&) const = default;
};

// The layout is a design at 96 pixels per inch.
constexpr int kDesignDpi = 96;

// A length of the design at another density, rounded to the nearest pixel as MulDiv rounds
// (halves away from zero).
int Scaled(int designPixels, int dpi);

// Where a control stands in a client area of the given size at the given density: positions,
// sizes and the distances to the edges it is anchored to are the design's, scaled.
Rect AnchoredRect(const ControlDef& control, int clientWidth, int clientHeight, int dpi = kDesignDpi);

// The window's outer size when first shown, and the form font's height, at a density.
Size FormOuterSize(int dpi);
int FormFontHeight(int dpi);

// Where the window first stands (outer rectangle) at a density: its outer size, centred on the
// primary screen of this size. At a density other than the design's, a size the work area of the
// window's monitor cannot hold is fitted into that work area and centred in it, never smaller than
// `smallest` (the outer size of the smallest client area).
Rect FirstPlace(int dpi, Size screen, const Rect& workArea, Size smallest);

// The focusable controls in Tab order (ascending tab order).
std::vector<const ControlDef*> TabSequence();

// The smallest client area in which no control's rectangle (AnchoredRect) gets a negative
// position or size.
Size MinimumClientSize(int dpi = kDesignDpi);

// The show command for the main window's first appearance, from the one the process was
// started with: maximised is honoured, every minimising command shows it minimised without
// activation, anything else shows the window normally.
int MainWindowShowCommand(int startShowCommand);

// The accelerator character of a caption ("&Scan now!" -> 'S'), as written; 0 when it has none.
// "&&" is a literal ampersand.
char AcceleratorOf(const char* caption);

// A caption as read out, without its "&" marks ("&&" stays one "&").
std::string PlainCaption(std::string_view caption);

}  // namespace orvel
