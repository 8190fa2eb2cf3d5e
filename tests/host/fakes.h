// In-memory stand-ins for the toolkit and the system, for driving TForm1 on the host.
#pragma once

#include <algorithm>
#include <cstring>
#include <deque>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/form1.h"
#include "app/form_definition.h"
#include "platform/ole_error.h"
#include "platform/utf.h"

namespace orvel::fakes {

// A journal shared by all fakes, so tests can check the order of effects across controls.
struct Journal {
  std::vector<std::string> entries;
  void Add(std::string entry) { entries.push_back(std::move(entry)); }
  bool Contains(const std::string& entry) const {
    return std::find(entries.begin(), entries.end(), entry) != entries.end();
  }
};

template <class Base>
class FakeControl : public Base {
 public:
  FakeControl(Journal& journal, std::string name, WindowHandle handle) : journal_(journal), name_(std::move(name)), handle_(handle) {}
  WindowHandle Handle() const override { return handle_; }
  void SetHandle(WindowHandle handle) { handle_ = handle; }
  void SetVisible(bool visible) override { visible_ = visible; Log(visible ? "show" : "hide"); }
  bool Visible() const override { return visible_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; Log(enabled ? "enable" : "disable"); }
  bool Enabled() const override { return enabled_; }
  void SetAccessibleName(const std::string& name) override { accessibleName = name; }
  const std::string& Name() const { return name_; }
  std::string accessibleName;

 protected:
  void Log(const std::string& what) { journal_.Add(name_ + "." + what); }
  Journal& journal_;
  std::string name_;
  WindowHandle handle_;
  bool visible_ = true;
  bool enabled_ = true;
};

class FakeLabel : public FakeControl<TLabel> {
 public:
  using FakeControl::FakeControl;
  void SetCaption(const std::string& caption) override { caption_ = caption; Log("caption=" + caption); }
  std::string Caption() const override { return caption_; }
 private:
  std::string caption_;
};

class FakeSpeedButton : public FakeControl<TSpeedButton> {
 public:
  using FakeControl::FakeControl;
  void SetCaption(const std::string& caption) override { caption_ = caption; Log("caption=" + caption); }
  std::string Caption() const override { return caption_; }
 private:
  std::string caption_;
};

class FakeEdit : public FakeControl<TEdit> {
 public:
  using FakeControl::FakeControl;
  void SetText(const std::string& text) override { text_ = text; }
  std::string Text() const override { return text_; }
 private:
  std::string text_;
};

// Case folding as CB_FINDSTRINGEXACT does it for ASCII texts.
inline bool SameTextIgnoringCase(const std::string& a, const std::string& b) {
  auto fold = [](unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 0x20 : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) {
           return fold(static_cast<unsigned char>(x)) == fold(static_cast<unsigned char>(y));
         });
}

class FakeComboBox : public FakeControl<TComboBox> {
 public:
  using FakeControl::FakeControl;
  void SetText(const std::string& text) override { text_ = text; Log("text=" + text); }
  std::string Text() const override { return text_; }
  int Count() const override { return static_cast<int>(items.size()); }
  std::string Item(int index) const override { return items.at(static_cast<std::size_t>(index)); }
  int FindStringExact(const std::string& text) const override {
    for (std::size_t i = 0; i < items.size(); ++i)
      if (SameTextIgnoringCase(items[i], text)) return static_cast<int>(i);
    return -1;
  }
  void AddItem(const std::string& text) override { items.push_back(text); Log("add=" + text); }
  void InsertItem(int index, const std::string& text) override {
    items.insert(items.begin() + index, text);
    Log("insert=" + text);
  }
  void DeleteItem(int index) override { items.erase(items.begin() + index); Log("delete"); }
  void SetItemIndex(int index) override {
    itemIndex = index;
    if (index >= 0) text_ = items.at(static_cast<std::size_t>(index));
    Log("select=" + std::to_string(index));
  }
  std::vector<std::string> items;
  int itemIndex = -1;
 private:
  std::string text_;
};

class FakeStatusBar : public FakeControl<TStatusBar> {
 public:
  using FakeControl::FakeControl;
  void SetSimpleText(const std::string& text) override { texts.push_back(text); Log("text=" + text); }
  std::string SimpleText() const override { return texts.empty() ? std::string() : texts.back(); }
  std::vector<std::string> texts;  // every text written, in order
};

class FakeAnimate : public FakeControl<TAnimate> {
 public:
  using FakeControl::FakeControl;
  void UseOwnClip(int resourceId) override { ownClip = resourceId; Log("clip=" + std::to_string(resourceId)); }
  bool UsesCommonClip() const override { return ownClip == 0; }
  void Play() override { playing_ = true; Log("play"); }
  void Stop() override { playing_ = false; Log("stop"); }
  bool Playing() const override { return playing_; }
  int ownClip = 0;
 private:
  bool playing_ = false;
};

class FakeListView : public FakeControl<TListView> {
 public:
  FakeListView(Journal& journal, std::string name, WindowHandle handle, std::span<const ColumnDef> columns)
      : FakeControl(journal, std::move(name), handle), minWidths(columns.size(), 0) {
    for (const ColumnDef& column : columns) {
      captions.emplace_back(column.caption);
      widths.push_back(column.width);
    }
    // The replaceable window procedure starts as the list's own: it records what reaches it.
    proc_ = [this](TMessage& message) {
      received.push_back(message);
      message.Result = defaultResult;
    };
  }
  int ColumnCount() const override { return static_cast<int>(captions.size()); }
  void SetColumnCaption(int column, const std::string& caption) override {
    captions.at(static_cast<std::size_t>(column)) = caption;
    Log("column" + std::to_string(column) + "=" + caption);
  }
  std::string ColumnCaption(int column) const override { return captions.at(static_cast<std::size_t>(column)); }
  void InsertColumn(int column, const std::string& caption, int width, bool) override {
    const auto at = static_cast<std::size_t>(column);
    if (at > captions.size()) throw std::out_of_range("column beyond the end");
    captions.insert(captions.begin() + column, caption);
    widths.insert(widths.begin() + column, width);
    minWidths.insert(minWidths.begin() + column, 0);
  }
  void DeleteColumn(int column) override {
    const auto at = static_cast<std::size_t>(column);
    captions.erase(captions.begin() + column);
    widths.erase(widths.begin() + column);
    minWidths.erase(minWidths.begin() + column);
    // Its cells go with it, as a real list drops the sub-item of every row.
    for (TListRow& row : rows_)
      if (at >= 1 && row.SubItems.size() >= at) row.SubItems.erase(row.SubItems.begin() + (column - 1));
  }
  int ColumnWidth(int column) const override { return widths.at(static_cast<std::size_t>(column)); }
  void SetColumnMinWidth(int column, int minWidth) override { minWidths.at(static_cast<std::size_t>(column)) = minWidth; }
  int ColumnMinWidth(int column) const override { return minWidths.at(static_cast<std::size_t>(column)); }

  void Clear() override { rows_.clear(); order_.clear(); selected = -1; Log("clear"); }
  void BeginUpdate() override { ++updateDepth; Log("begin-update"); }
  void EndUpdate() override { --updateDepth; Log("end-update"); }
  void AddRow(TListRow row) override {
    if (failAddAt >= 0 && static_cast<int>(rows_.size()) == failAddAt) throw EOleError("fake list is full", 0);
    rows_.push_back(std::move(row));
    order_.push_back(&rows_.back());
  }
  int RowCount() const override { return static_cast<int>(order_.size()); }
  const TListRow& Row(int index) const override { return *order_.at(static_cast<std::size_t>(index)); }
  const TListRow* Selected() const override { return selected >= 0 ? order_.at(static_cast<std::size_t>(selected)) : nullptr; }
  void SortItems(std::int32_t key, TRowCompare compare) override {
    ++sortCalls;
    lastSortKey = key;
    if (Handle() == 0) return;
    std::stable_sort(order_.begin(), order_.end(),
                     [&](const TListRow* a, const TListRow* b) { return compare(*a, *b, key) < 0; });
  }
  TWndMethod WindowProc() const override { return proc_; }
  void SetWindowProc(TWndMethod proc) override { proc_ = std::move(proc); }

  std::vector<std::string> captions;
  std::vector<int> widths;
  std::vector<int> minWidths;
  int selected = -1;     // index in display order
  int updateDepth = 0;
  int failAddAt = -1;    // AddRow throws when this many rows exist
  int sortCalls = 0;
  std::int32_t lastSortKey = 0;
  std::intptr_t defaultResult = 0;
  std::vector<TMessage> received;  // messages that reached the original procedure

 private:
  std::deque<TListRow> rows_;
  std::vector<const TListRow*> order_;
  TWndMethod proc_;
};

// The main window with a fake of every control of the form definition, each with the next handle
// after the window's own, and its caption as the definition gives it.
class FakeFormWindow : public FakeControl<TFormWindow> {
 public:
  FakeFormWindow(Journal& journal, std::string name, WindowHandle handle)
      : FakeControl(journal, std::move(name), handle) {
    for (const ControlDef& def : Form1Controls) controls_.push_back(Make(def, ++handle));
  }
  void SetCaption(const std::string& caption) override { caption_ = caption; Log("caption=" + caption); }
  std::string Caption() const override { return caption_; }
  int Width() const override { return width; }
  int Height() const override { return height; }
  TControl& FindControl(std::string_view name) override {
    for (std::size_t i = 0; i < controls_.size(); ++i)
      if (name == Form1Controls[i].name) return *controls_[i];
    throw std::out_of_range("no control " + std::string(name));
  }
  template <class Fake>
  Fake& Find(std::string_view name) { return dynamic_cast<Fake&>(FindControl(name)); }
  int width = 930;
  int height = 697;

 private:
  template <class Fake>
  std::unique_ptr<TControl> Captioned(const ControlDef& def, WindowHandle handle) {
    auto fake = std::make_unique<Fake>(journal_, def.name, handle);
    if (def.caption) fake->SetCaption(def.caption);
    return fake;
  }
  std::unique_ptr<TControl> Make(const ControlDef& def, WindowHandle handle) {
    switch (def.kind) {
      case ControlKind::Label: return Captioned<FakeLabel>(def, handle);
      case ControlKind::SpeedButton: return Captioned<FakeSpeedButton>(def, handle);
      case ControlKind::Edit: return std::make_unique<FakeEdit>(journal_, def.name, handle);
      case ControlKind::ComboDropDown:
      case ControlKind::ComboSimple: return std::make_unique<FakeComboBox>(journal_, def.name, handle);
      case ControlKind::StatusBar: return std::make_unique<FakeStatusBar>(journal_, def.name, handle);
      case ControlKind::ListView: return std::make_unique<FakeListView>(journal_, def.name, handle, def.columns);
      case ControlKind::Animate: {
        auto animate = std::make_unique<FakeAnimate>(journal_, def.name, handle);
        animate->SetVisible(false);  // shown only while a scan runs
        return animate;
      }
    }
    throw std::logic_error("a control kind without a fake");
  }

  std::string caption_ = "Orvel";
  std::vector<std::unique_ptr<TControl>> controls_;
};

class FakeApplication : public TApplication {
 public:
  explicit FakeApplication(Journal& journal) : journal_(journal) {}
  void SetTitle(const std::string& title) override { title_ = title; journal_.Add("Application.title=" + title); }
  std::string Title() const override { return title_; }
  void ShowMessage(const std::string& text) override { messages.push_back(text); journal_.Add("Application.message"); }
  int MessageBox(const std::string& text, const std::string& caption, std::uint32_t flags) override {
    boxes.push_back({text, caption, flags});
    journal_.Add("Application.box");
    return boxAnswer;
  }
  void ShowErrorBox(const std::string& text) override { errorBoxes.push_back(text); }
  int PopupMenu(const std::vector<TMenuItem>& items, int x, int y) override {
    menus.push_back({items, x, y});
    return menuChoice;
  }
  void Post(std::function<void()> call) override { posted.push_back(std::move(call)); }
  void PostAfter(std::uint32_t milliseconds, std::function<void()> call) override {
    delayed.push_back({milliseconds, std::move(call)});
  }
  // The delayed calls waiting now, as their time comes; those they post wait for the next run.
  void RunDelayed() {
    std::vector<Delayed> due;
    due.swap(delayed);
    for (const Delayed& call : due) call.call();
  }
  // The posted calls in order, as the message loop runs them, and any they post.
  void RunPosted() {
    while (!posted.empty()) {
      const std::function<void()> call = std::move(posted.front());
      posted.erase(posted.begin());
      call();
    }
  }
  struct Box { std::string text, caption; std::uint32_t flags; };
  struct Menu { std::vector<TMenuItem> items; int x, y; };
  std::vector<std::string> messages;
  std::vector<Box> boxes;
  std::vector<std::string> errorBoxes;
  std::vector<Menu> menus;
  std::vector<std::function<void()>> posted;
  struct Delayed { std::uint32_t milliseconds; std::function<void()> call; };
  std::vector<Delayed> delayed;
  int menuChoice = -1;  // the item the user picks from a popup menu
  int boxAnswer = 1;    // what every message box answers (IDOK)
 private:
  Journal& journal_;
  std::string title_;
};

class FakeSystem : public ISystem {
 public:
  explicit FakeSystem(Journal& journal) : journal_(journal) {}
  bool CoInitialize() override { journal_.Add("CoInitialize"); return coInitializeResult; }
  void CoUninitialize() override { journal_.Add("CoUninitialize"); }
  bool GetComputerNameW(char16_t* buffer, std::uint32_t* size) override { return Copy(computerName, buffer, size); }
  bool GetUserNameW(char16_t* buffer, std::uint32_t* size) override { return Copy(userName, buffer, size); }
  std::uint32_t OsMajorVersion() override { return osMajor; }
  std::uint16_t GetUserDefaultLangID() override { return langId; }
  std::vector<std::string> CommandLineArguments() override { return arguments; }
  std::uint32_t GetTickCount() override { return tickCount; }
  void OutputDebugStringW(const std::string& text) override { traces.push_back(text); }
  void MessageBeep(std::uint32_t type) override { beeps.push_back(type); }
  std::uint32_t SetErrorMode(std::uint32_t mode) override { std::uint32_t old = errorMode; errorMode = mode; errorModes.push_back(mode); return old; }
  std::string LongTimeText(std::uint32_t seconds) override {
    char text[32];
    std::snprintf(text, sizeof text, "%u:%02u:%02u", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return text;
  }
  std::string TimeSeparator() override { return timeSeparator; }
  void SetClipboardText(WindowHandle owner, const std::string& text) override { clipboard.push_back({owner, text}); }
  bool SameTextIgnoringCase(const std::string& a, const std::string& b) override { return fakes::SameTextIgnoringCase(a, b); }
  void ShellExecuteW(WindowHandle owner, const char* verb, const std::string& file, int show) override {
    shellCalls.push_back({owner, verb ? std::optional<std::string>(verb) : std::nullopt, file, show});
  }
  std::optional<std::string> ReadFile(const std::string& path) override {
    const auto found = files.find(path);
    return found == files.end() ? std::nullopt : std::optional<std::string>(found->second);
  }

  struct ShellCall { WindowHandle owner; std::optional<std::string> verb; std::string file; int show; };
  struct Clip { WindowHandle owner; std::string text; };
  std::vector<Clip> clipboard;
  bool coInitializeResult = true;
  std::optional<std::string> computerName = std::string("WORKSTATION7");  // nullopt: the call fails
  std::optional<std::string> userName = std::string("jdoe");
  std::uint32_t osMajor = 10;
  std::uint16_t langId = 0x0409;
  std::vector<std::string> arguments{"Orvelkit.exe"};
  std::uint32_t tickCount = 100000;
  std::vector<std::string> traces;
  std::vector<std::uint32_t> beeps;
  std::uint32_t errorMode = 0;
  std::vector<std::uint32_t> errorModes;
  std::string timeSeparator = ":";
  std::vector<ShellCall> shellCalls;
  std::map<std::string, std::string> files;  // what ReadFile finds by path; any other path is unreadable

 private:
  // As the API: fails when the text's UTF-16 units and their NUL do not fit the given size.
  static bool Copy(const std::optional<std::string>& value, char16_t* buffer, std::uint32_t* size) {
    if (!value) return false;
    const std::u16string units = utf::ToUtf16(*value);
    if (units.size() + 1 > *size) return false;
    std::copy(units.c_str(), units.c_str() + units.size() + 1, buffer);
    *size = static_cast<std::uint32_t>(units.size());
    return true;
  }
  Journal& journal_;
};

}  // namespace orvel::fakes
