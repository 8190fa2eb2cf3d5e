// The process list: a report-style list view whose rows live in the wrapper and are shown by index
// (an owner-data list), with a replaceable window procedure and per-column minimum widths.
#pragma once

#include <deque>
#include <vector>

#include "controls.h"

namespace orvel {

class Win32ListView : public Win32Control<TListView>, public AccessibleFacts {
 public:
  std::string AccessibleName() const override { return accessibleName_; }
  explicit Win32ListView(TApplication& application);
  void Create(const ControlCreation& creation) override;
  void ChangeDpi(int previousDpi, int dpi, HFONT font, const Rect& rect) override;
  bool Notify(NMHDR& header, LRESULT& result) override;

  int ColumnCount() const override;
  void SetColumnCaption(int column, const std::string& caption) override;
  std::string ColumnCaption(int column) const override;
  int ColumnWidth(int column) const override;
  void SetColumnMinWidth(int column, int minWidth) override;
  int ColumnMinWidth(int column) const override;

  void Clear() override;
  void BeginUpdate() override;
  void EndUpdate() override;
  void AddRow(TListRow row) override;
  int RowCount() const override;
  const TListRow& Row(int index) const override;
  const TListRow* Selected() const override;
  void SortItems(std::int32_t key, TRowCompare compare) override;
  // After the first column only: it holds the rows' captions. Width in pixels at 96 dots per inch.
  void InsertColumn(int column, const std::string& caption, int width, bool alignRight) override;
  void DeleteColumn(int column) override;

  TWndMethod WindowProc() const override { return windowProc_; }
  void SetWindowProc(TWndMethod proc) override { windowProc_ = std::move(proc); }

 private:
  // Every message of the list enters windowProc_, the replaceable procedure.
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // A message straight into the list's own procedure chain (windowProc_ and on).
  LRESULT Perform(UINT message, WPARAM wParam, LPARAM lParam) { return HandleMessage(message, wParam, lParam); }
  // The procedure the list starts with: the control's own, behind the minimum-width rule.
  void OriginalWindowProc(TMessage& message);
  bool KeepMinWidth(const NMHDR& header, LRESULT& result);
  // Where a context menu asked for by the keyboard stands: the selected row, else the top-left corner.
  POINT KeyboardMenuPoint();
  const TListRow* RowAt(int index) const;
  void CopyCellText(LVITEMW& item) const;
  // The list's item count brought up to the rows held: one message for any number of rows.
  void ShowRowCount();
  // LVM_SORTITEMS as the list answers it: the rows reordered, the selected and focused rows kept.
  bool SortRows(LPARAM key, PFNLVCOMPARE compare);
  // LVN_ODFINDITEM, the list's search as the user types: the row whose caption starts so, or -1.
  int FindRow(const NMLVFINDITEMW& request) const;

  std::deque<TListRow> rows_;  // a deque: rows keep their addresses, which the order holds
  std::vector<TListRow*> order_;  // the rows in display order: item i shows order_[i]
  int shownCount_ = 0;  // the item count the list was last given
  std::vector<int> minWidths_;
  TWndMethod windowProc_;
  int updateDepth_ = 0;
  mutable std::wstring cellText_;  // kept across cells, so that painting a screenful allocates nothing
  int dpi_ = 96;  // the density the list is shown at
};

}  // namespace orvel
