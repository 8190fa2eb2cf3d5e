// One process as the scan reads it, and the array of one scan.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvel {

struct TProcesInformation {
  std::string Name;
  std::string ExecutablePath;
  std::uint32_t ProcessId = 0;
  std::uint32_t ParentProcessId = 0;
  std::uint32_t SessionId = 0;
  std::uint32_t ThreadCount = 0;
  std::uint32_t Priority = 0;
  std::uint32_t WorkingSetKB = 0;
  std::uint32_t HandleCount = 0;
  std::uint32_t CpuSeconds = 0;
};

// In enumeration order; one array belongs to one run of the scan command.
using TPIArray = std::vector<TProcesInformation>;

}  // namespace orvel
