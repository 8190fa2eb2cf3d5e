#include "form_definition.h"

#include <array>

#include "../resources/resource_ids.h"
#include "../scan/row_texts.h"

namespace orvel {
namespace {

template <std::uint32_t TProcesInformation::*Field>
std::string Decimal(const TProcesInformation& record, ISystem&) {
  return std::to_string(record.*Field);
}

std::string NameOf(const TProcesInformation& record, ISystem&) { return record.Name; }

// Sub-items are added in this order, after the caption that the first column shows.
constexpr std::array<ColumnDef, 10> kColumns{{
    {"Process", 110, false, txtColProcess, &NameOf},
    {"Folder", 250, false, txtColFolder, [](const TProcesInformation& p, ISystem&) { return p.ExecutablePath; }},
    {"Process ID", 70, true, txtColProcessId, Decimal<&TProcesInformation::ProcessId>},
    {"Parent PID", 1, true, txtColParentPid, Decimal<&TProcesInformation::ParentProcessId>},
    {"RAM", 80, true, txtColRam,
     [](const TProcesInformation& p, ISystem&) { return std::to_string(p.WorkingSetKB) + " K"; }},
    {"CPU Time", 80, true, txtColCpuTime,
     [](const TProcesInformation& p, ISystem& system) { return CpuTimeText(p.CpuSeconds, system); }},
    {"Handles", 65, true, std::nullopt, Decimal<&TProcesInformation::HandleCount>},
    {"Session", 65, true, std::nullopt, Decimal<&TProcesInformation::SessionId>},
    {"Threads", 65, true, std::nullopt, Decimal<&TProcesInformation::ThreadCount>},
    {"Priority", 65, true, txtColPriority, Decimal<&TProcesInformation::Priority>},
}};

static_assert(kColumns[kNameColumn].text == &NameOf, "the name column shows the process name");
static_assert(kColumns[kProcessIdColumn].text == &Decimal<&TProcesInformation::ProcessId>,
              "the process ID column shows the process ID");

constexpr std::uint8_t kTopLeft = akLeft | akTop;

constexpr ControlDef kControls[] = {
    {"ListView1", ControlKind::ListView, {16, 72, 889, 561}, akLeft | akTop | akRight | akBottom, 2, nullptr, 0, false, kColumns},
    {"PcLabel", ControlKind::Label, {16, 16, 45, 13}, kTopLeft, -1, "&Computer", 0, false, {}},
    {"UserLabel", ControlKind::Label, {200, 16, 22, 13}, kTopLeft, -1, "&User", 0, false, {}},
    {"PassLabel", ControlKind::Label, {328, 16, 46, 13}, kTopLeft, -1, "&Password", 0, false, {}},
    {"PasswordEdit", ControlKind::Edit, {328, 32, 121, 21}, kTopLeft, 1, "", 0, false, {}},
    {"StatusBar", ControlKind::StatusBar, {0, 640, 914, 19}, akLeft | akRight | akBottom, -1, "", 0, false, {}},
    {"DirButton", ControlKind::SpeedButton, {154, 31, 27, 24}, kTopLeft, -1, "", IDB_DIR_GLYPH, false, {}, 'B'},
    {"PcComboBox", ControlKind::ComboDropDown, {16, 33, 137, 21}, kTopLeft, 0, "", 0, false, {}},
    {"Animate1", ControlKind::Animate, {472, 27, 16, 16}, kTopLeft, -1, nullptr, 0, false, {}},
    {"InfoButton", ControlKind::SpeedButton, {798, 27, 104, 28}, akTop | akRight, -1, "&Info", IDB_INFO_GLYPH, true, {}},
    {"GoogleButton", ControlKind::SpeedButton, {596, 27, 104, 28}, kTopLeft, -1, "&Google", IDB_GOOGLE_GLYPH, true, {}},
    {"StartButton", ControlKind::SpeedButton, {474, 27, 119, 28}, kTopLeft, -1, "&Scan now!", IDB_START_GLYPH, true, {}},
    {"UserComboBox", ControlKind::ComboSimple, {200, 32, 121, 21}, kTopLeft, 5, "", 0, false, {}},
};

}  // namespace

constexpr FormDef Form1Def = {"Orvel", 930, 697, 914, 659, -11, "MS Shell Dlg"};
constexpr std::span<const ControlDef> Form1Controls = kControls;
constexpr std::span<const ColumnDef> ProcessColumns = kColumns;
constexpr ColumnDef ComputerColumn = {"Computer", 110, false, txtColComputer, nullptr};
static_assert(kComputerColumn == kColumns.size(), "the Computer column comes after the ten");

const ControlDef* FindControlDef(std::string_view name) {
  for (const ControlDef& control : Form1Controls)
    if (name == control.name) return &control;
  return nullptr;
}

const ControlDef* FindShortcutControlDef(std::uint16_t virtualKey) {
  for (const ControlDef& control : Form1Controls)
    if (control.shortcut != 0 && static_cast<unsigned char>(control.shortcut) == virtualKey) return &control;
  return nullptr;
}

}  // namespace orvel
