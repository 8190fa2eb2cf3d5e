// One computer's scan, free of the window: the single scan calls it on the window's thread, the
// workers of a many-computer scan each on their own.
#pragma once

#include <atomic>
#include <string>

#include "../platform/computer_scans.h"
#include "../platform/wmi.h"

namespace orvel {

// Connects, sets up security and enumerates the processes through the caller's locator (a locator
// that cannot be created is the caller's failure, not the computer's). A failure ends the scan with
// its message and stage, the records gathered so far kept. `stop`, when given and set, ends the
// enumeration between two processes, without a failure.
TComputerScan ScanComputer(IWmiLocator& locator, const std::string& computer, const std::string& user,
                           const std::string& password, const std::atomic<bool>* stop = nullptr);

}  // namespace orvel
