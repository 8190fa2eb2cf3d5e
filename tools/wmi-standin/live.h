// The live mode: the local computer's processes as Win32_Process answers them.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "scenario.h"

namespace standin {

// Empty, ".", "localhost", "127.0.0.1" or one of the computer's own names, ignoring case.
bool IsLocalComputer(std::wstring_view server);

// One row per running process; what the process APIs refuse stays null, as WMI leaves it for
// protected processes. Throws orvel::EOleError when there is no process snapshot.
std::shared_ptr<const ProcessTable> SnapshotProcesses();

// Ends a local process with exit code 1 and answers as Terminate does, without waiting for the end:
// 0 ending, 2 refused for access, 8 any other failure, a process that is no longer there included.
std::uint32_t TerminateLocalProcess(std::uint32_t pid);

}  // namespace standin
