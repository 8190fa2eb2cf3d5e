// The main window's layout as data: one row per control and one per column of the process list.
// Adding a control is one row here and one member of TForm1; adding a column is one row here,
// its record field and its property read.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "../platform/system.h"
#include "../scan/process_info.h"
#include "language_texts.h"

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

struct Rect {
  int left, top, width, height;
  bool operator==(const Rect&) const = default;
};

// One column of the process list: how it looks, its caption in the other languages, and the text
// it shows of a process record.
struct ColumnDef {
  const char* caption;             // English, as the list starts
  int width;
  bool alignRight;
  std::optional<TextId> relabel;   // the German and Spanish caption; none: the English one stays
  std::string (*text)(const TProcesInformation& record, ISystem& system);
};

struct ControlDef {
  const char* name;                    // the TForm1 member bound to it
  ControlKind kind;
  Rect place;                          // client pixels at the design size
  std::uint8_t anchors;
  int tabOrder;                        // -1: no tab stop
  const char* caption;                 // nullptr: none
  int glyph;                           // bitmap resource id, 0: none
  bool showHint;
  std::span<const ColumnDef> columns;  // a list view's columns
  char shortcut = 0;                   // Ctrl with this key code clicks it from anywhere (a letter: its capital)
};

struct FormDef {
  const char* caption;
  int outerWidth, outerHeight;
  int clientWidth, clientHeight;  // at the design size
  int fontHeight;                 // pixels, negative: character height
  const char* fontName;
};

// The columns whose texts name a listed process: its name and its process ID.
constexpr std::size_t kNameColumn = 0;
constexpr std::size_t kProcessIdColumn = 2;

// The column after the ten that a many-computer scan adds: the computer a row was scanned from.
constexpr std::size_t kComputerColumn = 10;

extern const FormDef Form1Def;
extern const std::span<const ControlDef> Form1Controls;
extern const std::span<const ColumnDef> ProcessColumns;
// Its text is the computer's name as listed, which no record holds: `text` is nullptr.
extern const ColumnDef ComputerColumn;

// The row of the control with this name; nullptr when there is none.
const ControlDef* FindControlDef(std::string_view name);

// The row of the control that Ctrl with this virtual-key code clicks; nullptr when none. A key code,
// not a character: the numeric keypad's 2 is 0x62, the character "b".
const ControlDef* FindShortcutControlDef(std::uint16_t virtualKey);

}  // namespace orvel
