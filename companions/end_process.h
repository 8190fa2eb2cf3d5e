// Ending a process through WMI: the connection the scan makes, the process object by its ID, and
// its Terminate method.
#pragma once

#include <cstdint>
#include <string>

#include "../platform/wmi.h"

namespace orvel {

struct EndProcessOutcome {
  enum class Kind {
    Ended,   // Terminate answered 0
    Gone,    // the process ID names no process, or one of another name: nothing was ended
    Refused  // Terminate answered returnValue
  };
  Kind kind = Kind::Ended;
  std::uint32_t returnValue = 0;
};

// Connects as the scan does, checks that the process ID still belongs to the named process, then
// ends it. A failing WMI call throws its EOleError; every object is released before this returns.
EndProcessOutcome EndProcess(IWmi& wmi, const std::string& computer, const std::string& user,
                             const std::string& password, const std::string& processId, const std::string& name);

}  // namespace orvel
