// The floor of filling the list: a plain report list view made like ListView1, filled with bare messages.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace orvel::bench {

// One row's ten texts, column 0 first.
using RowTexts = std::vector<std::string>;

class BareList {
 public:
  // A sibling of the model with its styles, font, columns, size and place; hidden until shown.
  explicit BareList(HWND model);
  BareList(const BareList&) = delete;
  BareList& operator=(const BareList&) = delete;
  ~BareList();

  HWND Window() const noexcept { return window_; }
  // LVM_INSERTITEMA and LVM_SETITEMTEXTA per row with redrawing off, then one redraw (untimed: clearing).
  double TimedFill(const std::vector<RowTexts>& rows);
  void Clear();

 private:
  HWND window_ = nullptr;
};

// Sends the paint the list is due, so that every fill is measured up to a shown list.
void PaintNow(HWND window);

}  // namespace orvel::bench
