#include "process_menu.h"

#include <array>
#include <optional>

#include "../app/form1.h"
#include "../app/form_definition.h"

namespace orvel {
namespace {

constexpr std::uint16_t kKeyC = 'C';
constexpr std::uint16_t kKeyMinus = 0xBD;     // VK_OEM_MINUS
constexpr std::uint16_t kKeySubtract = 0x6D;  // VK_SUBTRACT, the numeric keypad's minus

// The menu's items in order: the caption's text (none: a separator), the command, and whether it
// acts on the selected row.
struct MenuEntry {
  std::optional<TextId> caption;
  void (TForm1::*command)(TObject*);
  bool needsRow;
};
constexpr std::array<MenuEntry, 6> kMenu{{
    {txtMenuCopy, &TForm1::CopyClick, true},
    {txtMenuCopyAll, &TForm1::CopyAllClick, false},
    {std::nullopt, nullptr, false},
    {txtMenuLookUp, &TForm1::GoogleButtonClick, true},
    {std::nullopt, nullptr, false},
    {txtMenuEndProcess, &TForm1::EndProcessClick, true},
}};

void AppendCell(std::string& line, std::string_view text) {
  for (const char c : text) line += (c == '\t' || c == '\r' || c == '\n') ? ' ' : c;
}

}  // namespace

std::string RowClipText(const TListRow& row, int columns) {
  std::string line;
  for (int column = 0; column < columns; ++column) {
    if (column > 0) line += '\t';
    AppendCell(line, row.Cell(static_cast<std::size_t>(column)));
  }
  return line + "\r\n";
}

std::string ListClipText(const TListView& list) {
  const int columns = list.ColumnCount();
  TListRow header;
  if (columns > 0) header.Caption = list.ColumnCaption(0);
  for (int column = 1; column < columns; ++column) header.SubItems.push_back(list.ColumnCaption(column));
  std::string text = RowClipText(header, columns);
  for (int row = 0; row < list.RowCount(); ++row) text += RowClipText(list.Row(row), columns);
  return text;
}

// Nothing in an empty list; without a selected row only copying the whole list.
void TForm1::ListView1ContextPopup(TObject* sender, int x, int y) {
  const bool anyRow = ListView1.RowCount() > 0;
  const bool selected = ListView1.Selected() != nullptr;
  std::vector<TMenuItem> items;
  for (const MenuEntry& entry : kMenu)
    items.push_back({entry.caption ? Text(*entry.caption) : "", entry.caption && anyRow && (selected || !entry.needsRow)});
  const int chosen = Services.Application.PopupMenu(items, x, y);
  if (chosen < 0 || chosen >= static_cast<int>(items.size()) || !items[static_cast<std::size_t>(chosen)].Enabled) return;
  // From the queue: a command may show a box and refill the list, never inside the list's own right-click handling.
  const auto command = kMenu[static_cast<std::size_t>(chosen)].command;
  Services.Application.Post([this, command, sender] { (this->*command)(sender); });
}

// Ctrl+C copies the selected row; Ctrl+1 to Ctrl+9 and Ctrl+0 sort by the first to the tenth column,
// Ctrl+- by the Computer column when the list shows it, as a click on its header does.
void TForm1::ListView1KeyDown(TObject* sender, std::uint16_t& key, TShiftState shift) {
  constexpr auto kCtrl = static_cast<TShiftState>(TShiftFlag::Ctrl);
  constexpr auto kAlt = static_cast<TShiftState>(TShiftFlag::Alt);
  constexpr auto kShift = static_cast<TShiftState>(TShiftFlag::Shift);
  if ((shift & (kCtrl | kAlt | kShift)) != kCtrl) return;
  if (key == kKeyC) CopyClick(sender);
  if (key >= '0' && key <= '9') ListView1ColumnClick(sender, key == '0' ? 9 : key - '1');
  if (key == kKeyMinus || key == kKeySubtract) ListView1ColumnClick(sender, static_cast<int>(kComputerColumn));
}

void TForm1::CopyClick(TObject* /*sender*/) {
  const TListRow* row = ListView1.Selected();
  if (!row) return;
  Services.System.SetClipboardText(Form.Handle(), RowClipText(*row, ListView1.ColumnCount()));
}

void TForm1::CopyAllClick(TObject* /*sender*/) {
  if (ListView1.RowCount() == 0) return;
  Services.System.SetClipboardText(Form.Handle(), ListClipText(ListView1));
}

}  // namespace orvel
