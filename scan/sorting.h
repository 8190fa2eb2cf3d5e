// Ordering of the process list's rows for a header click.
#pragma once

#include <cstdint>

#include "../platform/ui.h"

namespace orvel {

// Negative when the first row goes before the second for the sort key, positive when after, 0 when
// equal. |key| - 1 is the column; a key of 0 or below sorts descending. The texts compare as their
// UTF-16 code units; shorter texts count as padded in front with 0x01, so plain decimal numbers come
// out in numeric order; only 'a'-'z' fold.
// The list calls it while it reorders its rows: no state, no allocation, never throws.
int CompareItems(const TListRow& first, const TListRow& second, std::int32_t key) noexcept;

}  // namespace orvel
