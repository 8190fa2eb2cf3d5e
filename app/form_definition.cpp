#include "form_definition.h"

#include "../resources/resource_ids.h"

namespace orvel {

const FormDef Form1Def = {"Orvel", 930, 697, 914, 659, -11, "MS Shell Dlg"};

const ControlDef Form1ControlDefs[static_cast<int>(ControlId::Count)] = {
    {ControlId::ListView1, "ListView1", ControlKind::ListView, 16, 72, 889, 561, akLeft | akTop | akRight | akBottom, 2, nullptr, 0, false},
    {ControlId::PcLabel, "PcLabel", ControlKind::Label, 16, 16, 45, 13, akLeft | akTop, -1, "&Computer", 0, false},
    {ControlId::UserLabel, "UserLabel", ControlKind::Label, 200, 16, 22, 13, akLeft | akTop, -1, "&User", 0, false},
    {ControlId::PassLabel, "PassLabel", ControlKind::Label, 328, 16, 46, 13, akLeft | akTop, -1, "&Password", 0, false},
    {ControlId::PasswordEdit, "PasswordEdit", ControlKind::Edit, 328, 32, 121, 21, akLeft | akTop, 1, "", 0, false},
    {ControlId::StatusBar, "StatusBar", ControlKind::StatusBar, 0, 640, 914, 19, akLeft | akRight | akBottom, -1, "", 0, false},
    {ControlId::DirButton, "DirButton", ControlKind::SpeedButton, 154, 31, 27, 24, akLeft | akTop, -1, "", IDB_DIR_GLYPH, false},
    {ControlId::PcComboBox, "PcComboBox", ControlKind::ComboDropDown, 16, 33, 137, 21, akLeft | akTop, 0, "", 0, false},
    {ControlId::Animate1, "Animate1", ControlKind::Animate, 472, 27, 16, 16, akLeft | akTop, -1, nullptr, 0, false},
    {ControlId::InfoButton, "InfoButton", ControlKind::SpeedButton, 798, 27, 104, 28, akTop | akRight, -1, "&Info", IDB_INFO_GLYPH, true},
    {ControlId::GoogleButton, "GoogleButton", ControlKind::SpeedButton, 596, 27, 104, 28, akLeft | akTop, -1, "&Google", IDB_GOOGLE_GLYPH, true},
    {ControlId::StartButton, "StartButton", ControlKind::SpeedButton, 474, 27, 119, 28, akLeft | akTop, -1, "&Scan now!", IDB_START_GLYPH, true},
    {ControlId::UserComboBox, "UserComboBox", ControlKind::ComboSimple, 200, 32, 121, 21, akLeft | akTop, 5, "", 0, false},
};

const ColumnDef Form1Columns[10] = {
    {"Process", 110, false}, {"Folder", 250, false}, {"Process ID", 70, true}, {"Parent PID", 1, true},
    {"RAM", 80, true},       {"CPU Time", 80, true}, {"Handles", 65, true},    {"Session", 65, true},
    {"Threads", 65, true},   {"Priority", 65, true},
};

Rect AnchoredRect(const ControlDef& control, int clientWidth, int clientHeight) {
  const int dx = clientWidth - Form1Def.clientWidth;
  const int dy = clientHeight - Form1Def.clientHeight;
  Rect r{control.left, control.top, control.width, control.height};
  // Anchored on both sides: stretch; on the far side only: move.
  if (control.anchors & akRight) {
    if (control.anchors & akLeft) r.width += dx; else r.left += dx;
  }
  if (control.anchors & akBottom) {
    if (control.anchors & akTop) r.height += dy; else r.top += dy;
  }
  return r;
}

int TabSequence(ControlId* out, int capacity) {
  // Tab orders are small and distinct: walk them upwards.
  int n = 0;
  for (int order = 0; order < 64 && n < capacity; ++order)
    for (const ControlDef& c : Form1ControlDefs)
      if (c.tabOrder == order && n < capacity) out[n++] = c.id;
  return n;
}

}  // namespace orvel
