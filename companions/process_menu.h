// Copying what the process list shows, as text a spreadsheet or a ticket takes cell by cell.
#pragma once

#include <string>

#include "../platform/ui.h"

namespace orvel {

// One row's texts in column order, separated by tabs and ended by CR LF; a row with fewer texts
// than columns gets empty ones. A tab or line break inside a text becomes a blank.
std::string RowClipText(const TListRow& row, int columns);

// The column captions as a line, then every row in the order shown.
std::string ListClipText(const TListView& list);

}  // namespace orvel
