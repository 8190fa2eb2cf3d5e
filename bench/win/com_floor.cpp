#include "com_floor.h"

#include <windows.h>
#include <oleauto.h>
#include <wbemdisp.h>
#include <wrl/client.h>

#include <cstdint>
#include <iterator>
#include <vector>

#include "platform/win32/com.h"
#include "plain_values.h"

namespace orvel::bench {
namespace {

using Microsoft::WRL::ComPtr;
using com::Bstr;
using com::Check;

constexpr long kConnectUseMaxWait = 0x80;
constexpr long kUseAmendedQualifiers = 0x20000;
constexpr const char* kProperties[] = {"Name",           "ExecutablePath", "ProcessID",    "ParentProcessId",
                                       "SessionID",      "ThreadCount",    "Priority",     "WorkingSetSize",
                                       "HandleCount",    "UserModeTime",   "KernelModeTime"};

// The names as the scan spells them; made once, as a client that knows them ahead would.
const std::vector<Bstr>& PropertyNames() {
  static const std::vector<Bstr> names = [] {
    std::vector<Bstr> made;
    for (const char* name : kProperties) made.emplace_back(name);
    return made;
  }();
  return names;
}

ComPtr<ISWbemServices> Connect(const std::string& computer, const std::string& user, const std::string& password) {
  ComPtr<IUnknown> unknown;
  Check(::CoCreateInstance(__uuidof(SWbemLocator), nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IUnknown,
                           reinterpret_cast<void**>(unknown.GetAddressOf())));
  ComPtr<ISWbemLocator> locator;
  Check(unknown.As(&locator));
  const Bstr server(computer), nameSpace("root\\CIMV2"), userName(user), secret(password), none("");
  ComPtr<ISWbemServices> services;
  Check(locator->ConnectServer(server.get(), nameSpace.get(), userName.get(), secret.get(), none.get(), none.get(),
                               kConnectUseMaxWait, nullptr, &services));
  return services;
}

void SetUpSecurity(ISWbemServices& services) {
  ComPtr<ISWbemSecurity> security;
  Check(services.get_Security_(&security));
  Check(security->put_ImpersonationLevel(wbemImpersonationLevelImpersonate));
  ComPtr<ISWbemSecurity> again;
  Check(services.get_Security_(&again));
  ComPtr<ISWbemPrivilegeSet> privileges;
  Check(again->get_Privileges(&privileges));
  ComPtr<ISWbemPrivilege> added;
  Check(privileges->Add(wbemPrivilegeDebug, VARIANT_TRUE, &added));
}

ComPtr<IEnumVARIANT> Processes(ISWbemServices& services) {
  const Bstr path("Win32_Process");
  ComPtr<ISWbemObject> processClass;
  Check(services.Get(path.get(), kUseAmendedQualifiers, nullptr, &processClass));
  ComPtr<ISWbemObjectSet> instances;
  Check(processClass->Instances_(0, nullptr, &instances));
  ComPtr<IUnknown> unknown;
  Check(instances->get__NewEnum(&unknown));
  ComPtr<IEnumVARIANT> elements;
  Check(unknown.As(&elements));
  return elements;
}

using Values = com::Variant[std::size(kProperties)];

// The object of one element and its eleven values, read as the scan reads them.
void ReadValues(IDispatch& element, Values& values) {
  ComPtr<ISWbemObject> object;
  Check(element.QueryInterface(IID_PPV_ARGS(&object)));
  ComPtr<ISWbemPropertySet> properties;
  Check(object->get_Properties_(&properties));
  for (std::size_t i = 0; i < std::size(kProperties); ++i) {
    ComPtr<ISWbemProperty> property;
    Check(properties->Item(PropertyNames()[i].get(), 0, &property));
    Check(property->get_Value(values[i].get()));
  }
}

// Connects, sets up security and hands every element of the enumeration to read.
template <class Read>
void EachProcess(const std::string& computer, const std::string& user, const std::string& password, Read read) {
  const ComPtr<ISWbemServices> services = Connect(computer, user, password);
  if (!services) return;
  SetUpSecurity(*services.Get());
  const ComPtr<IEnumVARIANT> elements = Processes(*services.Get());
  for (;;) {
    com::Variant element;
    ULONG fetched = 0;
    if (elements->Next(1, element.get(), &fetched) != S_OK) return;
    read(*(*element).pdispVal);
  }
}

// --- the least a scan must do with what it reads, in plain code ---------------------------------

std::string Text(const VARIANT& value) { return value.vt == VT_BSTR ? com::ToUtf8(value.bstrVal) : std::string(); }

void ReadRecord(IDispatch& element, TProcesInformation& record) {
  Values values;
  ReadValues(element, values);
  record.Name = Text(*values[0]);
  record.ExecutablePath = Text(*values[1]);
  record.ProcessId = static_cast<std::uint32_t>(Integer(*values[2]));
  record.ParentProcessId = static_cast<std::uint32_t>(Integer(*values[3]));
  record.SessionId = static_cast<std::uint32_t>(Integer(*values[4]));
  record.ThreadCount = static_cast<std::uint32_t>(Integer(*values[5]));
  record.Priority = static_cast<std::uint32_t>(Integer(*values[6]));
  record.WorkingSetKB = static_cast<std::uint32_t>(Integer(*values[7]) / 1024);
  record.HandleCount = static_cast<std::uint32_t>(Integer(*values[8]));
  record.CpuSeconds = Seconds(*values[9]) + Seconds(*values[10]);
}

}  // namespace

TPIArray BareScanKeepingRecords(const std::string& computer, const std::string& user, const std::string& password) {
  TPIArray records;
  EachProcess(computer, user, password, [&](IDispatch& element) { ReadRecord(element, records.emplace_back()); });
  return records;
}

std::size_t BareScan(const std::string& computer, const std::string& user, const std::string& password) {
  std::size_t count = 0;
  EachProcess(computer, user, password, [&](IDispatch& element) {
    Values values;
    ReadValues(element, values);
    ++count;
  });
  return count;
}

std::size_t ClientScan(IWmi& wmi, const std::string& computer, const std::string& user, const std::string& password) {
  const std::unique_ptr<IWmiLocator> locator = wmi.CreateLocator();
  const std::unique_ptr<IWmiServices> services =
      locator->ConnectServer(computer, "root\\CIMV2", user, password, "", "", kConnectUseMaxWait);
  if (!services) return 0;
  services->SetImpersonationLevel(wbemImpersonationLevelImpersonate);
  services->AddPrivilege(wbemPrivilegeDebug, true);
  const std::unique_ptr<IWmiObject> processClass = services->Get("Win32_Process", kUseAmendedQualifiers);
  const std::unique_ptr<IWmiObjectSet> instances = processClass->Instances(0);
  const std::unique_ptr<IWmiEnum> elements = instances->NewEnum();
  std::size_t count = 0;
  while (const std::unique_ptr<IWmiElement> element = elements->Next()) {
    const std::unique_ptr<IWmiPropertySet> properties = element->AsObject()->Properties();
    for (const char* name : kProperties) properties->Value(name);
    ++count;
  }
  return count;
}

}  // namespace orvel::bench
