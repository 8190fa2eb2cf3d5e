// The benchmarks replace the global operator new with one that counts its calls (counting_new.cpp),
// so that a case can show an operation allocates nothing.
#pragma once

#include <cstddef>

namespace orvel::bench {

// Calls of the global operator new in this program so far.
std::size_t AllocationCount() noexcept;

}  // namespace orvel::bench
