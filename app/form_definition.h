// The main window's layout as data: controls, columns and the anchor geometry.
#pragma once

#include <cstdint>

namespace orvel {

enum class ControlKind : std::uint8_t {
  Label,
  Edit,            // password field: every character shown as "*"
  ComboDropDown,   // editable field with a drop-down list
  ComboSimple,     // editable field without a drop-down button
  SpeedButton,     // flat, glyph beside the caption, no focus
  Animate,
  ListView,        // report style
  StatusBar,       // one simple text, docked at the bottom
};

enum Anchors : std::uint8_t { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };

enum class ControlId : std::uint8_t {
  ListView1, PcLabel, UserLabel, PassLabel, PasswordEdit, StatusBar, DirButton,
  PcComboBox, Animate1, InfoButton, GoogleButton, StartButton, UserComboBox, Count
};

struct ControlDef {
  ControlId id;
  const char* name;
  ControlKind kind;
  int left, top, width, height;  // client pixels at the design size
  std::uint8_t anchors;
  int tabOrder;                  // -1: no tab stop
  const char* caption;           // nullptr: none
  int glyph;                     // bitmap resource id, 0: none
  bool showHint;
};

struct ColumnDef {
  const char* caption;
  int width;
  bool alignRight;
};

struct FormDef {
  const char* caption;
  int outerWidth, outerHeight;
  int clientWidth, clientHeight;  // at the design size
  int fontHeight;                 // pixels, negative: character height
  const char* fontName;
};

extern const FormDef Form1Def;
extern const ControlDef Form1ControlDefs[static_cast<int>(ControlId::Count)];
extern const ColumnDef Form1Columns[10];

struct Rect {
  int left, top, width, height;
  bool operator==(const Rect&) const = default;
};

// Where a control stands in a client area of the given size, by its anchors.
Rect AnchoredRect(const ControlDef& control, int clientWidth, int clientHeight);

// The focusable controls in Tab order (ascending tab order).
int TabSequence(ControlId* out, int capacity);

}  // namespace orvel
