// The toolkit seen by the window logic: controls, the form, the application object.
// Portable: implemented over Win32 in platform/win32, and by fakes in the host tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace orvel {

// A window handle as a plain number, so portable code can compare and pass it on.
using WindowHandle = std::uintptr_t;

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* sender)>;

enum class TShiftFlag : std::uint8_t { Shift = 1, Alt = 2, Ctrl = 4 };
using TShiftState = std::uint8_t;  // a set of TShiftFlag bits
using TKeyEvent = std::function<void(TObject* sender, std::uint16_t& key, TShiftState shift)>;

enum class TCloseAction { None, Hide, Free, Minimize };
using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;

// One window message as the list's window procedure sees it.
struct TMessage {
  std::uint32_t Msg = 0;
  std::uintptr_t WParam = 0;
  std::intptr_t LParam = 0;
  std::intptr_t Result = 0;
};
using TWndMethod = std::function<void(TMessage& message)>;

// The header of a WM_NOTIFY record (NMHDR), laid out as Windows lays it out.
struct TNotifyHeader {
  WindowHandle hwndFrom;
  std::uintptr_t idFrom;
  std::uint32_t code;
};

class TControl : public TObject {
 public:
  virtual WindowHandle Handle() const = 0;  // 0 while the control has no window
  virtual void SetVisible(bool visible) = 0;
  virtual bool Visible() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool Enabled() const = 0;
  // The name assistive technology reads out for the control.
  virtual void SetAccessibleName(const std::string& name) = 0;
  TNotifyEvent OnClick;
};

class TLabel : public TControl {
 public:
  virtual void SetCaption(const std::string& caption) = 0;
  virtual std::string Caption() const = 0;
};

// A flat button with a glyph and a caption; it takes no focus.
class TSpeedButton : public TControl {
 public:
  virtual void SetCaption(const std::string& caption) = 0;
  virtual std::string Caption() const = 0;
};

class TEdit : public TControl {
 public:
  virtual void SetText(const std::string& text) = 0;
  virtual std::string Text() const = 0;
  TKeyEvent OnKeyDown;
};

class TComboBox : public TControl {
 public:
  virtual void SetText(const std::string& text) = 0;
  virtual std::string Text() const = 0;
  virtual int Count() const = 0;
  virtual std::string Item(int index) const = 0;
  // Exact match ignoring letter case (CB_FINDSTRINGEXACT); -1 when none.
  virtual int FindStringExact(const std::string& text) const = 0;
  virtual void AddItem(const std::string& text) = 0;
  virtual void InsertItem(int index, const std::string& text) = 0;
  virtual void DeleteItem(int index) = 0;
  // Selects an item, which puts its text into the field.
  virtual void SetItemIndex(int index) = 0;
  TKeyEvent OnKeyDown;
};

class TStatusBar : public TControl {
 public:
  virtual void SetSimpleText(const std::string& text) = 0;
  virtual std::string SimpleText() const = 0;
};

class TAnimate : public TControl {
 public:
  // Switches to the clip of type "AVI" with this id in the program's own module.
  virtual void UseOwnClip(int resourceId) = 0;
  virtual bool UsesCommonClip() const = 0;
  virtual void Play() = 0;  // frames 1 to 8, repeating until stopped
  virtual void Stop() = 0;
  virtual bool Playing() const = 0;
};

// One row of the report list: the caption (column 0) and the sub-items (columns 1...).
// The list owns its rows; a row keeps its address while it is in the list.
struct TListRow {
  std::string Caption;
  std::vector<std::string> SubItems;

  // The text a column shows: the caption in the first, a sub-item after it; empty where the row has none.
  std::string_view Cell(std::size_t column) const noexcept {
    if (column == 0) return Caption;
    return column - 1 < SubItems.size() ? std::string_view(SubItems[column - 1]) : std::string_view();
  }
};

// Orders two rows for a sort key; a plain function, so that the list can call it directly.
using TRowCompare = int (*)(const TListRow& first, const TListRow& second, std::int32_t key);

class TListView : public TControl {
 public:
  virtual int ColumnCount() const = 0;
  virtual void SetColumnCaption(int column, const std::string& caption) = 0;
  virtual std::string ColumnCaption(int column) const = 0;
  virtual int ColumnWidth(int column) const = 0;
  virtual void SetColumnMinWidth(int column, int minWidth) = 0;
  virtual int ColumnMinWidth(int column) const = 0;

  virtual void Clear() = 0;
  virtual void BeginUpdate() = 0;
  virtual void EndUpdate() = 0;
  virtual void AddRow(TListRow row) = 0;
  virtual int RowCount() const = 0;
  virtual const TListRow& Row(int index) const = 0;  // in display order
  // The first selected row from the top, or nullptr.
  virtual const TListRow* Selected() const = 0;
  // LVM_SORTITEMS with the key and the comparison; nothing happens without a window.
  virtual void SortItems(std::int32_t key, TRowCompare compare) = 0;
  // A column put in at this index (ColumnCount() for the end), and one taken out with its cells.
  virtual void InsertColumn(int column, const std::string& caption, int width, bool alignRight) = 0;
  virtual void DeleteColumn(int column) = 0;

  // The list's window procedure, read and replaced.
  virtual TWndMethod WindowProc() const = 0;
  virtual void SetWindowProc(TWndMethod proc) = 0;

  TNotifyEvent OnDblClick;
  std::function<void(TObject* sender, int column)> OnColumnClick;
  TKeyEvent OnKeyDown;
  // The context menu is asked for, at a point of the screen: where the pointer was right-clicked,
  // or, from the keyboard, at the selected row or else the list's top-left corner.
  std::function<void(TObject* sender, int x, int y)> OnContextPopup;
};

// The main window itself.
class TFormWindow : public TControl {
 public:
  virtual void SetCaption(const std::string& caption) = 0;
  virtual std::string Caption() const = 0;
  virtual int Width() const = 0;   // outer size in pixels
  virtual int Height() const = 0;
  // The control of the form definition with this name; throws std::out_of_range when there is none.
  virtual TControl& FindControl(std::string_view name) = 0;
  // A key pressed anywhere in the window, before the control with the focus sees it; setting the key
  // to 0 keeps it from that control.
  TKeyEvent OnKeyDown;
  TNotifyEvent OnCreate;
  TNotifyEvent OnPaint;
  TNotifyEvent OnDeactivate;
  TCloseEvent OnClose;
};

// One item of a popup menu. "&" in the caption marks the item's letter and a tab puts a shortcut at
// the right; an empty caption is a separator.
struct TMenuItem {
  std::string Caption;
  bool Enabled = true;
};

// The application object: title, deactivation and the toolkit's own dialogs.
class TApplication {
 public:
  virtual ~TApplication() = default;
  virtual void SetTitle(const std::string& title) = 0;
  virtual std::string Title() const = 0;
  // The simple message dialog: one text, OK, no icon, application title, centred on the screen.
  virtual void ShowMessage(const std::string& text) = 0;
  // A modal message box of the application; flags as MessageBox's uType.
  virtual int MessageBox(const std::string& text, const std::string& caption, std::uint32_t flags) = 0;
  // The error box for an error that escaped a handler (text already prepared).
  virtual void ShowErrorBox(const std::string& text) = 0;
  // A popup menu of the main window at a point of the screen; the index of the chosen item, or -1.
  virtual int PopupMenu(const std::vector<TMenuItem>& items, int x, int y) = 0;
  // Runs the call from the message queue, once the message being handled has returned: a menu's
  // command must not run inside the control's own handling of the click that opened the menu.
  virtual void Post(std::function<void()> call) = 0;
  // Runs the call from the message queue once, after at least this many milliseconds.
  virtual void PostAfter(std::uint32_t milliseconds, std::function<void()> call) = 0;
  TNotifyEvent OnDeactivate;
};

}  // namespace orvel
