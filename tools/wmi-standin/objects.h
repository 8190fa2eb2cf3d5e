// Entry to the stand-in's scripting objects.
#pragma once

#include <windows.h>

namespace standin {

// A new SWbemLocator: reads ORVEL_WMI_SCENARIO and ORVEL_WMI_LOG afresh, so each locator follows the
// environment and the scenario file as they are at its creation.
HRESULT CreateLocator(REFIID iid, void** out);

}  // namespace standin
