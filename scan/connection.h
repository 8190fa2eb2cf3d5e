// How the program connects to a computer's WMI: the scan and the end of a process alike.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "../platform/wmi.h"

namespace orvel {

// The process namespace of the computer; nullptr when the call succeeds without a services object.
inline std::unique_ptr<IWmiServices> ConnectToProcesses(IWmiLocator& locator, const std::string& computer,
                                                        const std::string& user, const std::string& password) {
  // wbemConnectFlagUseMaxWait: with 0 the call may never return when the host does not answer,
  // which would freeze the only thread for good; with it the call gives up after two minutes.
  constexpr std::int32_t kConnectUseMaxWait = 0x80;
  return locator.ConnectServer(computer, "root\\CIMV2", user, password, "", "", kConnectUseMaxWait);
}

// Impersonation, and the debug privilege that opens every process to the query.
inline void SetUpSecurity(IWmiServices& services) {
  constexpr std::int32_t kImpersonate = 3;      // wbemImpersonationLevelImpersonate
  constexpr std::int32_t kDebugPrivilege = 19;  // wbemPrivilegeDebug
  services.SetImpersonationLevel(kImpersonate);
  services.AddPrivilege(kDebugPrivilege, true);
}

}  // namespace orvel
