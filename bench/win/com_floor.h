// The floor of a scan: the WMI calls of ScanProcesses, in its order and with its arguments, keeping nothing.
#pragma once

#include <cstddef>
#include <string>

#include "platform/wmi.h"
#include "scan/process_info.h"

namespace orvel::bench {

// Creates the locator, connects, sets up security, enumerates Win32_Process and reads the eleven
// properties of every process; returns how many processes it read. Throws EOleError on a failure.
std::size_t BareScan(const std::string& computer, const std::string& user, const std::string& password);

// The same calls, with each value turned into its field of a record as plainly as it can be done
// (ASCII texts narrowed directly, digits parsed in place, no checks) and the records kept as the
// scan keeps them: the least work a scan must do, without the client's interfaces, the scan stages
// and the status texts.
TPIArray BareScanKeepingRecords(const std::string& computer, const std::string& user, const std::string& password);

// The same calls through Orvel's WMI client (Win32Wmi), converting every value and keeping none:
// the client's share of a scan, without the records, the stages and the status line.
std::size_t ClientScan(IWmi& wmi, const std::string& computer, const std::string& user, const std::string& password);

}  // namespace orvel::bench
