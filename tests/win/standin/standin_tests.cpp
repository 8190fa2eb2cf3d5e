// The WMI stand-in as a client sees it: connection, security, the class, its instances one element at a
// time and each property's value, in the order the scan makes these calls.
#include <windows.h>
#include <oleauto.h>
#include <wbemdisp.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "standin_host.h"

namespace {

using Microsoft::WRL::ComPtr;
using orvel::standin_test::ExpectedScanLog;
using orvel::standin_test::kScanProperties;
using orvel::standin_test::ReadLines;

class Bstr {
 public:
  explicit Bstr(const std::wstring& text) : text_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ~Bstr() { SysFreeString(text_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  operator BSTR() const { return text_; }

 private:
  BSTR text_;
};

struct Variant : VARIANT {
  Variant() { VariantInit(this); }
  ~Variant() { VariantClear(this); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
};

// A value as received: its variant type and its contents written out.
struct Seen {
  VARTYPE type = VT_EMPTY;
  std::wstring text;
  bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Seen& seen) {
  return out << "vt " << seen.type << " \"" << std::string(seen.text.begin(), seen.text.end()) << "\"";
}

Seen Describe(const VARIANT& value) {
  Seen seen{value.vt, L""};
  wchar_t real[64];
  switch (value.vt) {
    case VT_BSTR: seen.text.assign(value.bstrVal, SysStringLen(value.bstrVal)); break;
    case VT_I1: seen.text = std::to_wstring(value.cVal); break;
    case VT_UI1: seen.text = std::to_wstring(value.bVal); break;
    case VT_I2: seen.text = std::to_wstring(value.iVal); break;
    case VT_UI2: seen.text = std::to_wstring(value.uiVal); break;
    case VT_I4: seen.text = std::to_wstring(value.lVal); break;
    case VT_UI4: seen.text = std::to_wstring(value.ulVal); break;
    case VT_I8: seen.text = std::to_wstring(value.llVal); break;
    case VT_UI8: seen.text = std::to_wstring(value.ullVal); break;
    case VT_BOOL: seen.text = value.boolVal == VARIANT_TRUE ? L"true" : L"false"; break;
    case VT_R4: std::swprintf(real, 64, L"%g", value.fltVal); seen.text = real; break;
    case VT_R8: std::swprintf(real, 64, L"%g", value.dblVal); seen.text = real; break;
    default: break;
  }
  return seen;
}

bool IsDecimal(const Seen& seen) {
  return seen.type == VT_BSTR && !seen.text.empty() && seen.text.find_first_not_of(L"0123456789") == std::wstring::npos;
}

Seen Null() { return {VT_NULL, L""}; }
Seen I4(long number) { return {VT_I4, std::to_wstring(number)}; }
Seen Text(std::wstring text) { return {VT_BSTR, std::move(text)}; }

struct Failure {
  std::string step;
  HRESULT code = S_OK;
  std::optional<std::wstring> description;  // none: the thread had no error info
};

using Process = std::map<std::wstring, Seen>;

struct ScanResult {
  std::vector<Process> processes;
  std::optional<Failure> failure;
  HRESULT ended = E_PENDING;  // what the last Next returned
  bool noServices = false;
};

struct EndResult {
  std::optional<Failure> failure;
  std::optional<Seen> name;
  std::optional<Seen> returnValue;
};

std::optional<std::wstring> TakeErrorInfo() {
  ComPtr<IErrorInfo> info;
  if (GetErrorInfo(0, &info) != S_OK || !info) return std::nullopt;
  BSTR description = nullptr;
  info->GetDescription(&description);
  std::wstring text(description ? description : L"", description ? SysStringLen(description) : 0);
  SysFreeString(description);
  return text;
}

// Leaves error info behind before each call, so a failure without a description must clear it.
void PlantStaleErrorInfo() {
  ComPtr<ICreateErrorInfo> created;
  ComPtr<IErrorInfo> info;
  ASSERT_EQ(CreateErrorInfo(&created), S_OK);
  created->SetDescription(const_cast<LPOLESTR>(L"stale"));
  created.As(&info);
  SetErrorInfo(0, info.Get());
}

// Everything on the way to the first instance's property set, kept as long as the test keeps this.
struct FirstInstance {
  ComPtr<ISWbemLocator> locator;
  ComPtr<ISWbemServices> services;
  ComPtr<ISWbemObject> processClass;
  ComPtr<ISWbemObjectSet> instances;
  ComPtr<IUnknown> unknown;
  ComPtr<IEnumVARIANT> enumerator;
  Variant element;
  ComPtr<ISWbemObject> object;
  ComPtr<ISWbemPropertySet> properties;
};

// Straight from a new locator to the first instance of className; call through ASSERT_NO_FATAL_FAILURE.
void OpenFirstInstance(BSTR server, BSTR nameSpace, const std::wstring& className, FirstInstance& walk) {
  ASSERT_EQ(CoCreateInstance(CLSID_SWbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&walk.locator)), S_OK);
  ASSERT_EQ(walk.locator->ConnectServer(server, nameSpace, nullptr, nullptr, nullptr, nullptr, 0, nullptr,
                                        &walk.services),
            S_OK);
  ASSERT_EQ(walk.services->Get(Bstr(className), 0, nullptr, &walk.processClass), S_OK);
  ASSERT_EQ(walk.processClass->Instances_(0, nullptr, &walk.instances), S_OK);
  ASSERT_EQ(walk.instances->get__NewEnum(&walk.unknown), S_OK);
  ASSERT_EQ(walk.unknown.As(&walk.enumerator), S_OK);
  ASSERT_EQ(walk.enumerator->Next(1, &walk.element, nullptr), S_OK);
  ASSERT_EQ(walk.element.pdispVal->QueryInterface(IID_PPV_ARGS(&walk.object)), S_OK);
  ASSERT_EQ(walk.object->get_Properties_(&walk.properties), S_OK);
}

// Performs the program's calls in the program's order and records what came back.
class Client {
 public:
  // factory: a thread of its own makes its locators there; else through COM's registration.
  explicit Client(IClassFactory* factory = nullptr) : factory_(factory) {}

  ScanResult Scan(const std::wstring& server, const std::wstring& user = L"", const std::wstring& password = L"") {
    result_ = {};
    failure_.reset();
    Run(server, user, password);
    result_.failure = failure_;
    return result_;
  }

  // Ending a process on the local computer: connect and set up security as the scan does, Get the
  // instance at path, read its Name, Terminate it and read the ReturnValue. keep receives the instance.
  EndResult End(const std::wstring& path, ISWbemObject** keep = nullptr) {
    failure_.reset();
    EndResult ended;
    ComPtr<ISWbemObject> process;
    ComPtr<ISWbemObject> outParameters;
    const ComPtr<ISWbemServices> services = Connect(L"", L"", L"", 0x80);
    if (services && SetUpSecurity(services.Get()) &&
        Step("Get", [&] { return services->Get(Bstr(path), 0, nullptr, &process); }) &&
        Read(process.Get(), L"Name", ended.name) && Step("ExecMethod_", [&] {
          return process->ExecMethod_(Bstr(L"Terminate"), nullptr, 0, nullptr, &outParameters);
        })) {
      Read(outParameters.Get(), L"ReturnValue", ended.returnValue);
    }
    if (keep) process.CopyTo(keep);
    ended.failure = failure_;
    return ended;
  }

  // One property of an object, through Properties_, Item and Value.
  bool Read(ISWbemObject* object, const std::wstring& name, std::optional<Seen>& seen) {
    ComPtr<ISWbemPropertySet> properties;
    ComPtr<ISWbemProperty> property;
    Variant value;
    const std::string what(name.begin(), name.end());
    if (!Step("Properties_ " + what, [&] { return object->get_Properties_(&properties); }) ||
        !Step("Item " + what, [&] { return properties->Item(Bstr(name), 0, &property); }) ||
        !Step("Value " + what, [&] { return property->get_Value(&value); })) {
      return false;
    }
    seen = Describe(value);
    return true;
  }

 private:
  template <class Call>
  bool Step(const std::string& step, Call&& call) {
    PlantStaleErrorInfo();
    const HRESULT code = call();
    if (SUCCEEDED(code)) return true;
    failure_ = Failure{step, code, TakeErrorInfo()};
    return false;
  }

  // Null with failure_ set when a step fails, null without when the connection has no services object.
  ComPtr<ISWbemServices> Connect(const std::wstring& server, const std::wstring& user, const std::wstring& password,
                                 LONG securityFlags) {
    ComPtr<IUnknown> unknown;
    ComPtr<ISWbemLocator> locator;
    ComPtr<ISWbemServices> services;
    if (Step("CoCreateInstance", [&] {
          if (factory_) return factory_->CreateInstance(nullptr, IID_PPV_ARGS(&unknown));
          return CoCreateInstance(CLSID_SWbemLocator, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                  IID_IUnknown, &unknown);
        }) &&
        Step("QueryInterface ISWbemLocator", [&] { return unknown.As(&locator); })) {
      Step("ConnectServer", [&] {
        return locator->ConnectServer(Bstr(server), Bstr(L"root\\CIMV2"), Bstr(user), Bstr(password), Bstr(L""),
                                      Bstr(L""), securityFlags, nullptr, &services);
      });
    }
    return services;
  }

  void Run(const std::wstring& server, const std::wstring& user, const std::wstring& password) {
    const ComPtr<ISWbemServices> services = Connect(server, user, password, 0);
    if (failure_) return;
    result_.noServices = !services;
    if (services && SetUpSecurity(services.Get())) Enumerate(services.Get());
  }

  bool SetUpSecurity(ISWbemServices* services) {
    ComPtr<ISWbemSecurity> security;
    ComPtr<ISWbemSecurity> again;
    ComPtr<ISWbemPrivilegeSet> privileges;
    ComPtr<ISWbemPrivilege> privilege;
    return Step("Security_", [&] { return services->get_Security_(&security); }) &&
           Step("put_ImpersonationLevel",
                [&] { return security->put_ImpersonationLevel(wbemImpersonationLevelImpersonate); }) &&
           Step("Security_", [&] { return services->get_Security_(&again); }) &&
           Step("Privileges", [&] { return again->get_Privileges(&privileges); }) &&
           Step("Add", [&] { return privileges->Add(wbemPrivilegeDebug, VARIANT_TRUE, &privilege); });
  }

  void Enumerate(ISWbemServices* services) {
    ComPtr<ISWbemObject> processClass;
    ComPtr<ISWbemObjectSet> instances;
    ComPtr<IUnknown> enumUnknown;
    ComPtr<IEnumVARIANT> enumerator;
    if (!Step("Get", [&] { return services->Get(Bstr(L"Win32_Process"), 0x20000, nullptr, &processClass); }) ||
        !Step("Instances_", [&] { return processClass->Instances_(0, nullptr, &instances); }) ||
        !Step("_NewEnum", [&] { return instances->get__NewEnum(&enumUnknown); }) ||
        !Step("QueryInterface IEnumVARIANT", [&] { return enumUnknown.As(&enumerator); })) {
      return;
    }
    for (;;) {
      Variant element;
      ULONG fetched = 0;
      if (!Step("Next", [&] { return result_.ended = enumerator->Next(1, &element, &fetched); }) ||
          result_.ended != S_OK || !ReadElement(element)) {
        return;
      }
    }
  }

  bool ReadElement(const VARIANT& element) {
    ComPtr<ISWbemObject> object;
    ComPtr<ISWbemPropertySet> properties;
    if (element.vt != VT_DISPATCH) {
      failure_ = Failure{"element is not VT_DISPATCH", E_FAIL, std::nullopt};
      return false;
    }
    if (!Step("QueryInterface ISWbemObject", [&] { return element.pdispVal->QueryInterface(IID_PPV_ARGS(&object)); }) ||
        !Step("Properties_", [&] { return object->get_Properties_(&properties); })) {
      return false;
    }
    Process& process = result_.processes.emplace_back();
    for (const std::wstring& name : kScanProperties) {
      ComPtr<ISWbemProperty> property;
      Variant value;
      const std::string what(name.begin(), name.end());
      if (!Step("Item " + what, [&] { return properties->Item(Bstr(name), 0, &property); }) ||
          !Step("Value " + what, [&] { return property->get_Value(&value); })) {
        return false;
      }
      process[name] = Describe(value);
    }
    return true;
  }

  IClassFactory* factory_;
  ScanResult result_;
  std::optional<Failure> failure_;
};

// Each test gets a fresh folder for its scenario and log, and its own registration of the stand-in.
class StandinTest : public ::testing::Test, protected orvel::standin_test::StandinHost {
 protected:
  StandinTest() : StandinHost(ORVEL_STANDIN_RELATIVE_PATH, "orvel-standin-") {}

  void SetUp() override { ASSERT_NO_FATAL_FAILURE(StartStandin()); }
  void TearDown() override { StopStandin(); }

  HRESULT StandinCanUnloadNow() const { return CanUnloadNowExport()(); }

  // A connection to the local computer straight through the stand-in's locator.
  ComPtr<ISWbemServices> ConnectDirectly() {
    ComPtr<ISWbemLocator> locator;
    ComPtr<ISWbemServices> services;
    EXPECT_EQ(CoCreateInstance(CLSID_SWbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&locator)), S_OK);
    if (locator) {
      EXPECT_EQ(locator->ConnectServer(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr, &services),
                S_OK);
    }
    return services;
  }

  ScanResult Scan(const std::wstring& server = L"", const std::wstring& user = L"",
                  const std::wstring& password = L"") {
    return Client().Scan(server, user, password);
  }
};

TEST_F(StandinTest, ScenarioValuesArriveWithTheirVariantTypes) {
  UseScenario(
      "# two processes, the second with every kind of value\n"
      "process Name=\"B\xC3\xBC" "cher.exe\" "
      "ExecutablePath=\"C:\\Users\\\xE7\x94\xB0\xE4\xB8\xAD\\\xF0\x9F\x93\x9A\\B\xC3\xBC" "cher.exe\" "
      "ProcessId=1234 ParentProcessId=4 SessionId=1 ThreadCount=7 Priority=8 WorkingSetSize=\"3000000000\" "
      "HandleCount=55 UserModeTime=\"15000000\" KernelModeTime=\"25000000\"\r\n"
      "\n"
      "process name=\"System\" executablepath=null PROCESSID=-2 ParentProcessId=ui4:4294967295 SessionID=i2:-3 "
      "ThreadCount=i8:9000000000 Priority=r8:2.5 WorkingSetSize=null HandleCount=bool:true UserModeTime=ui1:255 "
      "KernelModeTime=\"say \"\"hi\"\"\"\n");
  const ScanResult result = Scan();
  ASSERT_FALSE(result.failure) << result.failure->step;
  EXPECT_EQ(result.ended, S_FALSE);
  ASSERT_EQ(result.processes.size(), 2u);
  const Process expected[] = {
      {{L"Name", Text(L"B\u00FCcher.exe")},
       {L"ExecutablePath", Text(L"C:\\Users\\\u7530\u4E2D\\\U0001F4DA\\B\u00FCcher.exe")},
       {L"ProcessID", I4(1234)}, {L"ParentProcessId", I4(4)}, {L"SessionID", I4(1)}, {L"ThreadCount", I4(7)},
       {L"Priority", I4(8)}, {L"WorkingSetSize", Text(L"3000000000")}, {L"HandleCount", I4(55)},
       {L"UserModeTime", Text(L"15000000")}, {L"KernelModeTime", Text(L"25000000")}},
      {{L"Name", Text(L"System")}, {L"ExecutablePath", Null()}, {L"ProcessID", I4(-2)},
       {L"ParentProcessId", {VT_UI4, L"4294967295"}}, {L"SessionID", {VT_I2, L"-3"}},
       {L"ThreadCount", {VT_I8, L"9000000000"}}, {L"Priority", {VT_R8, L"2.5"}}, {L"WorkingSetSize", Null()},
       {L"HandleCount", {VT_BOOL, L"true"}}, {L"UserModeTime", {VT_UI1, L"255"}},
       {L"KernelModeTime", Text(L"say \"hi\"")}},
  };
  for (std::size_t k = 0; k < 2; ++k) {
    for (const auto& [name, value] : expected[k]) {
      EXPECT_EQ(result.processes[k].at(name), value) << "process " << k << " " << std::string(name.begin(), name.end());
    }
  }
}

TEST_F(StandinTest, AnOmittedPropertyIsNullAndAnUnknownOneIsNotFound) {
  UseScenario("process Name=\"a.exe\"\nprocess Name=\"b.exe\" CommandLine=\"b -x\"\n");
  const ScanResult result = Scan();
  ASSERT_FALSE(result.failure);
  ASSERT_EQ(result.processes.size(), 2u);
  EXPECT_EQ(result.processes[0].at(L"HandleCount"), Null());
  EXPECT_EQ(result.processes[1].at(L"ProcessID"), Null());

  // Straight to the first instance's property set, asking for a property the class has and one it lacks.
  FirstInstance walk;
  ASSERT_NO_FATAL_FAILURE(OpenFirstInstance(Bstr(L"."), Bstr(L"root\\cimv2"), L"win32_process", walk));
  ComPtr<ISWbemProperty> property;
  Variant value;
  ASSERT_EQ(walk.properties->Item(Bstr(L"commandline"), 0, &property), S_OK);
  ASSERT_EQ(property->get_Value(&value), S_OK);
  EXPECT_EQ(value.vt, VT_NULL);
  PlantStaleErrorInfo();
  EXPECT_EQ(walk.properties->Item(Bstr(L"Bogus"), 0, &property), static_cast<HRESULT>(0x80041002));
  EXPECT_EQ(property, nullptr);
  EXPECT_EQ(TakeErrorInfo(), L"Not found");
}

struct FaultCase {
  const char* line;
  std::string step;
  unsigned long code;
  std::optional<std::wstring> description;
  std::size_t processes;  // records begun before the failure
};

TEST_F(StandinTest, InjectedFailuresArriveWithTheirCodeAndDescription) {
  const FaultCase cases[] = {
      {"fail create 0x80040154 \"Class not registered\"", "CoCreateInstance", 0x80040154, L"Class not registered", 0},
      {"fail locator E_NOINTERFACE", "QueryInterface ISWbemLocator", 0x80004002, std::nullopt, 0},
      {"fail connect 0x800706BA \"The RPC server is unavailable. \"", "ConnectServer", 0x800706BA,
       L"The RPC server is unavailable. ", 0},
      {"fail connect 0x80070005", "ConnectServer", 0x80070005, std::nullopt, 0},
      {"fail security 0x80041003 \"Access denied \"", "Security_", 0x80041003, L"Access denied ", 0},
      {"fail impersonation 0x80041008", "put_ImpersonationLevel", 0x80041008, std::nullopt, 0},
      {"fail privileges 0x80041003 \"\"", "Privileges", 0x80041003, L"", 0},
      {"fail add-privilege 0x80041003 \" . . \"", "Add", 0x80041003, L" . . ", 0},
      {"fail class 0x80041010 \"Invalid class \"", "Get", 0x80041010, L"Invalid class ", 0},
      {"fail instances 0x80041006 \"Out of memory\"", "Instances_", 0x80041006, L"Out of memory", 0},
      {"fail enumerator 0x80041001 \"Generic failure \"", "_NewEnum", 0x80041001, L"Generic failure ", 0},
      {"fail enumerator-qi E_NOINTERFACE", "QueryInterface IEnumVARIANT", 0x80004002, std::nullopt, 0},
      {"fail element 1 E_NOINTERFACE", "QueryInterface ISWbemObject", 0x80004002, std::nullopt, 1},
      {"fail properties 2 0x80041001 \"Generic failure\"", "Properties_", 0x80041001, L"Generic failure", 2},
      {"fail item 2 Priority 0x80041002 \"Not found \"", "Item Priority", 0x80041002, L"Not found ", 3},
      {"fail item processid 0x80041002", "Item ProcessID", 0x80041002, std::nullopt, 1},
      {"fail value 1 WorkingSetSize 0x80041001 \"100% wrong\"", "Value WorkingSetSize", 0x80041001, L"100% wrong", 2},
      {"fail next 2 0x80041001 \"Generic failure\"", "Next", 0x80041001, L"Generic failure", 2},
  };
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.line);
    UseScenario("generate 3\n" + std::string(c.line) + "\n");
    const ScanResult result = Scan(L"pc7", L"admin", L"secret");
    ASSERT_TRUE(result.failure);
    EXPECT_EQ(result.failure->step, c.step);
    EXPECT_EQ(static_cast<unsigned long>(result.failure->code), c.code);
    EXPECT_EQ(result.failure->description, c.description);
    EXPECT_EQ(result.processes.size(), c.processes);
  }
}

TEST_F(StandinTest, ASingleFailingPropertyLeavesTheOthersReadable) {
  UseScenario("generate 3\nfail item 2 Priority 0x80041002\n");
  const ScanResult result = Scan();
  ASSERT_EQ(result.processes.size(), 3u);
  const Process& third = result.processes[2];
  EXPECT_EQ(third.size(), 6u) << "Name to ThreadCount read before Priority";
  EXPECT_EQ(third.count(L"Priority"), 0u);
  EXPECT_EQ(result.processes[1].size(), kScanProperties.size());
}

TEST_F(StandinTest, EnumerationEndsEarlyOrWithoutServices) {
  UseScenario("generate 5\nfail next 0 S_FALSE\n");
  ScanResult result = Scan();
  EXPECT_FALSE(result.failure);
  EXPECT_EQ(result.ended, S_FALSE);
  EXPECT_TRUE(result.processes.empty());

  UseScenario("generate 5\nno-services\n");
  result = Scan(L"pc7");
  EXPECT_FALSE(result.failure);
  EXPECT_TRUE(result.noServices);
  EXPECT_TRUE(result.processes.empty());
}

TEST_F(StandinTest, CallLogRecordsEveryCallWithoutThePasswordAndEndsWithNoLiveObjects) {
  UseScenario("process Name=\"a.exe\"\nprocess Name=\"b.exe\"\n");
  const ScanResult result = Scan(L"pc7", L"admin", L"Secret123");
  ASSERT_FALSE(result.failure);
  const std::string scenario = ScenarioFile().string();
  std::vector<std::string> expected =
      ExpectedScanLog("ConnectServer server=\"pc7\" namespace=\"root\\CIMV2\" user=\"admin\" password=<set> "
                      "locale=\"\" authority=\"\" securityFlags=0x0 namedValueSet=null",
                      2);
  expected.insert(expected.begin(), "CreateInstance scenario=\"" + scenario + "\"");
  EXPECT_EQ(LogLines(), expected);
}

TEST_F(StandinTest, AnIndexedSecurityFailureSparesTheEarlierCalls) {
  UseScenario("generate 1\nfail security 1 0x80041003\n");
  const ScanResult result = Scan();
  ASSERT_TRUE(result.failure);
  EXPECT_EQ(result.failure->step, "Security_");
  const std::vector<std::string> lines = LogLines();
  const auto impersonation = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
    return line.starts_with("put_ImpersonationLevel");
  });
  ASSERT_NE(impersonation, lines.end()) << "the first Security_ call succeeds";
  ASSERT_NE(impersonation + 1, lines.end());
  EXPECT_EQ(*(impersonation + 1), "Security_ -> 0x80041003");
  EXPECT_EQ(lines.back(), "live-objects 0");
}

TEST_F(StandinTest, FailedCallsAreLoggedWithTheirCode) {
  UseScenario("fail connect 0x800706BA\n");
  Scan(L"far-away");
  const std::vector<std::string> lines = LogLines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_TRUE(lines[2].starts_with("ConnectServer server=\"far-away\" ")) << lines[2];
  EXPECT_NE(lines[2].find(" password=<empty> "), std::string::npos) << lines[2];
  EXPECT_TRUE(lines[2].ends_with(" -> 0x800706BA")) << lines[2];
  EXPECT_EQ(lines[3], "live-objects 0");
}

TEST_F(StandinTest, AHeldReferenceKeepsTheStandinLive) {
  UseScenario("generate 2\n");
  ComPtr<ISWbemProperty> kept;
  {
    FirstInstance walk;
    ASSERT_NO_FATAL_FAILURE(OpenFirstInstance(nullptr, nullptr, L"Win32_Process", walk));
    ASSERT_EQ(walk.properties->Item(Bstr(L"Name"), 0, &kept), S_OK);
  }
  const auto liveLines = [&] {
    const std::vector<std::string> lines = LogLines();
    return std::count(lines.begin(), lines.end(), "live-objects 0");
  };
  EXPECT_EQ(StandinCanUnloadNow(), S_FALSE);
  EXPECT_EQ(liveLines(), 0);
  Variant value;
  ASSERT_EQ(kept->get_Value(&value), S_OK);
  EXPECT_EQ(Describe(value), Text(L"System Idle Process"));
  kept.Reset();
  EXPECT_EQ(StandinCanUnloadNow(), S_OK);
  EXPECT_EQ(liveLines(), 1);
}

TEST_F(StandinTest, SecuritySettingsBelongToTheConnection) {
  UseScenario("generate 1\n");
  ComPtr<ISWbemSecurity> first;
  ComPtr<ISWbemSecurity> second;
  ComPtr<ISWbemPrivilegeSet> privileges;
  ComPtr<ISWbemPrivilege> privilege;
  const ComPtr<ISWbemServices> services = ConnectDirectly();
  ASSERT_TRUE(services);
  ASSERT_EQ(services->get_Security_(&first), S_OK);
  ASSERT_EQ(services->get_Security_(&second), S_OK);
  ASSERT_EQ(first->put_ImpersonationLevel(wbemImpersonationLevelDelegate), S_OK);
  WbemImpersonationLevelEnum level{};
  ASSERT_EQ(second->get_ImpersonationLevel(&level), S_OK);
  EXPECT_EQ(level, wbemImpersonationLevelDelegate);
  const HRESULT invalidParameter = static_cast<HRESULT>(0x80041008);
  EXPECT_EQ(first->put_ImpersonationLevel(static_cast<WbemImpersonationLevelEnum>(7)), invalidParameter);

  ASSERT_EQ(second->get_Privileges(&privileges), S_OK);
  EXPECT_EQ(privileges->Add(static_cast<WbemPrivilegeEnum>(99), VARIANT_TRUE, &privilege), invalidParameter);
  EXPECT_EQ(privilege, nullptr);
  ASSERT_EQ(privileges->Add(wbemPrivilegeDebug, VARIANT_TRUE, &privilege), S_OK);
  WbemPrivilegeEnum identifier{};
  VARIANT_BOOL enabled = VARIANT_FALSE;
  ASSERT_EQ(privilege->get_Identifier(&identifier), S_OK);
  ASSERT_EQ(privilege->get_IsEnabled(&enabled), S_OK);
  EXPECT_EQ(identifier, wbemPrivilegeDebug);
  EXPECT_EQ(enabled, VARIANT_TRUE);
  EXPECT_EQ(services->ExecQuery(Bstr(L"select * from Win32_Process"), Bstr(L"WQL"), 0, nullptr, nullptr), E_NOTIMPL);
}

TEST_F(StandinTest, TheScenarioIsReadAgainForEachLocator) {
  UseScenario("process Name=\"first.exe\"\n");
  ASSERT_EQ(Scan().processes.size(), 1u);
  UseScenario("process Name=\"second.exe\"\nprocess Name=\"third.exe\"\n");
  const ScanResult result = Scan();
  ASSERT_EQ(result.processes.size(), 2u);
  EXPECT_EQ(result.processes[0].at(L"Name"), Text(L"second.exe"));
}

TEST_F(StandinTest, AnUnreadableScenarioFailsTheConnectionNamingTheLine) {
  const struct {
    const char* line;
    const wchar_t* problem;
  } cases[] = {
      {"procss Name=\"a\"", L"cannot understand"},
      {"process Name", L"expected Property=value"},
      {"process Name=\"a\" Name=\"b\"", L"property given twice"},
      {"process Name=\"unterminated", L"unterminated quote"},
      {"process Name=\"a\"b\"c\"", L"doubled"},
      {"process ProcessId=4294967296", L"not a 32-bit number"},
      {"process ProcessId=i2:40000", L"not a i2 number"},
      {"process ProcessId=x9:1", L"unknown value type"},
      {"fail nowhere 0x80041001", L"unknown failure point"},
      {"fail item 0x80041002", L"missing result code"},
      {"fail next 0x80041001", L"needs the number of elements"},
      {"fail connect 0x00000000", L"only next may"},
      {"fail connect 0x80041001 unquoted", L"expected quoted text"},
      {"generate many", L"expected a count"},
      {"terminate 1 -1", L"expected a return value"},
      // A 32-bit build must not wrap this to 1.
      {"generate 4294967297", sizeof(std::size_t) < 8 ? L"expected a count" : L"generate at most"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    UseScenario("generate 1\n" + std::string(c.line) + "\n");
    const ScanResult result = Scan();
    ASSERT_TRUE(result.failure);
    EXPECT_EQ(result.failure->step, "ConnectServer");
    EXPECT_EQ(result.failure->code, E_FAIL);
    ASSERT_TRUE(result.failure->description);
    EXPECT_NE(result.failure->description->find(L"line 2: "), std::wstring::npos) << *result.failure->description;
    EXPECT_NE(result.failure->description->find(c.problem), std::wstring::npos) << *result.failure->description;
  }
  SetEnvironmentVariableW(L"ORVEL_WMI_SCENARIO", (Folder() / "missing.txt").wstring().c_str());
  const ScanResult missing = Scan();
  ASSERT_TRUE(missing.failure && missing.failure->description);
  EXPECT_NE(missing.failure->description->find(L"cannot open scenario"), std::wstring::npos);
}

TEST_F(StandinTest, GeneratedProcessesArePlausibleAndRepeatable) {
  UseScenario("generate 500 7\n");
  const ScanResult first = Scan();
  ASSERT_FALSE(first.failure);
  ASSERT_EQ(first.processes.size(), 500u);
  EXPECT_EQ(first.processes[0].at(L"Name"), Text(L"System Idle Process"));
  EXPECT_EQ(first.processes[1].at(L"Name"), Text(L"System"));
  std::set<std::wstring> pids;
  for (const Process& process : first.processes) {
    ASSERT_EQ(process.at(L"Name").type, VT_BSTR);
    EXPECT_TRUE(process.at(L"ExecutablePath").type == VT_BSTR || process.at(L"ExecutablePath").type == VT_NULL);
    for (const wchar_t* name :
         {L"ProcessID", L"ParentProcessId", L"SessionID", L"ThreadCount", L"Priority", L"HandleCount"}) {
      EXPECT_EQ(process.at(name).type, VT_I4);
    }
    for (const wchar_t* name : {L"WorkingSetSize", L"UserModeTime", L"KernelModeTime"}) {
      EXPECT_TRUE(IsDecimal(process.at(name)));
    }
    EXPECT_TRUE(pids.count(process.at(L"ParentProcessId").text) || process.at(L"ParentProcessId").text == L"0")
        << "a parent that was listed before";
    EXPECT_TRUE(pids.insert(process.at(L"ProcessID").text).second) << "unique process id";
  }
  EXPECT_EQ(Scan().processes, first.processes);
  UseScenario("generate 500 8\n");
  EXPECT_NE(Scan().processes, first.processes);
}

TEST_F(StandinTest, EachComputerAnswersFromItsOwnSectionAfterItsDelay) {
  UseScenario("process Name=\"default.exe\"\ncomputer pc1 \"B\xC3\xBCro\"\nprocess Name=\"one.exe\"\n"
              "computer srv{08..10}\ndelay 400\ngenerate 3\n"
              "computer down{1..2}\ndelay 300\nfail connect 0x800706BA \"The RPC server is unavailable.\"\n");
  const struct {
    std::wstring server;
    std::optional<std::wstring> first;  // none: the connection fails
    ULONGLONG delay;
  } cases[] = {{L"PC1", L"one.exe", 0}, {L"B\u00DCRO", L"one.exe", 0}, {L"srv09", L"System Idle Process", 400},
               {L"srv8", L"default.exe", 0}, {L"", L"default.exe", 0}, {L"down2", std::nullopt, 300}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.server.begin(), c.server.end()));
    const ULONGLONG start = GetTickCount64();
    const ScanResult result = Scan(c.server);
    EXPECT_GE(GetTickCount64() - start + 20, c.delay);
    if (!c.first) {
      ASSERT_TRUE(result.failure);
      EXPECT_EQ(result.failure->step, "ConnectServer");
      EXPECT_EQ(static_cast<unsigned long>(result.failure->code), 0x800706BAu);
      EXPECT_EQ(result.failure->description, L"The RPC server is unavailable.");
      continue;
    }
    ASSERT_FALSE(result.failure) << result.failure->step;
    ASSERT_FALSE(result.processes.empty());
    EXPECT_EQ(result.processes[0].at(L"Name"), Text(*c.first));
  }
}

// A handful of threads, each its own apartment and locator: the delays overlap, each call one line of its connection.
TEST_F(StandinTest, ScansOnSeveralThreadsAtOnceOverlapAndLogEachCallOnItsConnection) {
  SetEnvironmentVariableW(L"ORVEL_WMI_LOG_IDS", L"1");
  UseScenario("computer pc{1..6}\ndelay 1000\ngenerate 2\n");
  std::vector<ScanResult> results(6);
  std::vector<std::thread> threads;
  const ULONGLONG start = GetTickCount64();
  for (std::size_t k = 0; k < results.size(); ++k) {
    threads.emplace_back([&, k] {
      CoInitializeEx(nullptr, COINIT_MULTITHREADED);
      results[k] = Client(Factory()).Scan(L"pc" + std::to_wstring(k + 1));
      CoUninitialize();
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_LT(GetTickCount64() - start, 3000u) << "the connections wait at once";
  SetEnvironmentVariableW(L"ORVEL_WMI_LOG_IDS", nullptr);
  for (const ScanResult& result : results) EXPECT_EQ(result.processes.size(), 2u);
  std::map<std::string, std::vector<std::string>> byConnection;
  for (const std::string& line : LogLines()) {
    if (line == "live-objects 0") continue;
    const std::size_t end = line.find("] ");
    ASSERT_TRUE(line.starts_with("[") && end != std::string::npos) << line;
    byConnection[line.substr(0, end)].push_back(line.substr(end + 2));
  }
  std::set<std::string> servers;
  for (const auto& [connection, lines] : byConnection) {
    ASSERT_GE(lines.size(), 3u) << connection;
    servers.insert(lines[2].substr(0, lines[2].find(" namespace=")));
    std::vector<std::string> expected = ExpectedScanLog(lines[2], 2);
    expected.back() = "CreateInstance scenario=\"" + ScenarioFile().string() + "\"";
    std::rotate(expected.rbegin(), expected.rbegin() + 1, expected.rend());
    EXPECT_EQ(lines, expected) << connection;
  }
  EXPECT_EQ(servers.size(), 6u) << "each connection its own computer";
}

// A child the test starts itself, waiting on its input until the test closes it.
class ChildCommand {
 public:
  ChildCommand() {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr;
    if (!CreatePipe(&read, &input_, &inherit, 0)) return;
    SetHandleInformation(input_, HANDLE_FLAG_INHERIT, 0);
    const HANDLE nul =
        CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = read;
    startup.hStdOutput = startup.hStdError = nul;
    wchar_t command[] = L"cmd.exe /q /k";
    // Without a console: Wine's console host for a child ended at once may outlive it and hold the prefix up.
    if (CreateProcessW(nullptr, command, nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr, nullptr, &startup,
                       &info_)) {
      CloseHandle(info_.hThread);
    }
    CloseHandle(read);
    CloseHandle(nul);
  }
  ~ChildCommand() {
    if (input_) {
      DWORD written = 0;
      WriteFile(input_, "exit\r\n", 6, &written, nullptr);
      CloseHandle(input_);
    }
    if (!info_.hProcess) return;
    if (WaitForSingleObject(info_.hProcess, 30000) != WAIT_OBJECT_0) TerminateProcess(info_.hProcess, 1);
    CloseHandle(info_.hProcess);
  }
  ChildCommand(const ChildCommand&) = delete;
  ChildCommand& operator=(const ChildCommand&) = delete;
  DWORD Pid() const { return info_.dwProcessId; }
  HANDLE Process() const { return info_.hProcess; }

 private:
  HANDLE input_ = nullptr;
  PROCESS_INFORMATION info_{};
};

const Process* FindPid(const ScanResult& result, DWORD pid) {
  for (const Process& process : result.processes) {
    if (process.at(L"ProcessID") == I4(static_cast<long>(pid))) return &process;
  }
  return nullptr;
}

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}


TEST_F(StandinTest, LiveModeListsTheProcessesOfTheSession) {
  ChildCommand child;
  ASSERT_NE(child.Pid(), 0u);
  const ScanResult result = Scan();
  ASSERT_FALSE(result.failure) << result.failure->step;

  const Process* self = FindPid(result, GetCurrentProcessId());
  ASSERT_NE(self, nullptr);
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  EXPECT_EQ(Lower(self->at(L"Name").text), Lower(std::filesystem::path(path).filename().wstring()));
  EXPECT_EQ(self->at(L"ExecutablePath").type, VT_BSTR);
  EXPECT_EQ(Lower(self->at(L"ExecutablePath").text), Lower(path));
  EXPECT_EQ(self->at(L"ParentProcessId").type, VT_I4);
  EXPECT_EQ(self->at(L"Priority"), I4(8));
  EXPECT_EQ(self->at(L"SessionID").type, VT_I4);
  ASSERT_EQ(self->at(L"ThreadCount").type, VT_I4);
  EXPECT_GT(std::stol(self->at(L"ThreadCount").text), 0);
  ASSERT_EQ(self->at(L"HandleCount").type, VT_I4);
  EXPECT_GT(std::stol(self->at(L"HandleCount").text), 0);
  EXPECT_TRUE(IsDecimal(self->at(L"WorkingSetSize")) && self->at(L"WorkingSetSize").text != L"0")
      << self->at(L"WorkingSetSize");
  EXPECT_TRUE(IsDecimal(self->at(L"UserModeTime"))) << self->at(L"UserModeTime");
  EXPECT_TRUE(IsDecimal(self->at(L"KernelModeTime"))) << self->at(L"KernelModeTime");

  const Process* started = FindPid(result, child.Pid());
  ASSERT_NE(started, nullptr);
  EXPECT_EQ(Lower(started->at(L"Name").text), L"cmd.exe");
  EXPECT_EQ(started->at(L"ParentProcessId"), I4(static_cast<long>(GetCurrentProcessId())));
  ASSERT_EQ(started->at(L"ThreadCount").type, VT_I4);
  EXPECT_GT(std::stol(started->at(L"ThreadCount").text), 0);
}

TEST_F(StandinTest, LiveModeAnswersOnlyForTheLocalComputerWithoutCredentials) {
  wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
  ASSERT_TRUE(GetComputerNameW(computer, &length));
  for (const std::wstring& local : {std::wstring(), std::wstring(L"."), std::wstring(L"LocalHost"),
                                    std::wstring(L"127.0.0.1"), Lower(computer)}) {
    SCOPED_TRACE(std::string(local.begin(), local.end()));
    const ScanResult result = Scan(local);
    EXPECT_FALSE(result.failure);
    EXPECT_FALSE(result.processes.empty());
  }
  for (const wchar_t* remote : {L"no-such-host.example", L"10.1.2.3", L"localhost2"}) {
    const ScanResult result = Scan(remote);
    ASSERT_TRUE(result.failure);
    EXPECT_EQ(result.failure->step, "ConnectServer");
    EXPECT_EQ(static_cast<unsigned long>(result.failure->code), 0x800706BAu);
    EXPECT_EQ(result.failure->description, L"The RPC server is unavailable.");
  }
  const ScanResult credentials = Scan(L"", L"Administrator", L"secret");
  ASSERT_TRUE(credentials.failure);
  EXPECT_EQ(static_cast<unsigned long>(credentials.failure->code), 0x80041064u);
  EXPECT_EQ(credentials.failure->description, L"User credentials cannot be used for local connections");
}

struct EndCase {
  const char* scenario;  // lines after the three processes
  std::wstring path;
  std::optional<Failure> failure;
  std::wstring name;  // empty: Get failed
  std::optional<long> returnValue;
  std::set<std::wstring> listedAfter;  // the ProcessIDs a new scan lists afterwards: all but an ended one
  std::vector<std::string> logAfterSecurity;  // the call log after the Add line; empty: not checked
};

TEST_F(StandinTest, ScenarioProcessesAreFoundByHandleAndEndedAsScripted) {
  const std::string processes = "process Name=\"System\" ProcessId=4\nprocess Name=\"a.exe\" ProcessId=100\n"
                                "process Name=\"b.exe\" ProcessId=200\n";
  const HRESULT notFound = static_cast<HRESULT>(0x80041002);
  const EndCase cases[] = {
      {"", L"Win32_Process.Handle=\"100\"", std::nullopt, L"a.exe", 0, {L"4", L"200"},
       {"Get path=\"Win32_Process.Handle=\\\"100\\\"\" flags=0x0 namedValueSet=null",
        "Properties_ process=1", "Item process=1 name=\"Name\" flags=0x0", "Value process=1 name=\"Name\"",
        "ExecMethod_ process=1 method=\"Terminate\" inParameters=null flags=0x0 namedValueSet=null",
        "Properties_ outParameters process=1", "Item outParameters process=1 name=\"ReturnValue\" flags=0x0",
        "Value outParameters process=1 name=\"ReturnValue\""}},  // the test keeps the instance
      {"", L"win32_PROCESS.handle=200", std::nullopt, L"b.exe", 0, {L"4", L"100"}, {}},
      {"", L"Win32_Process.Handle=\"300\"", Failure{"Get", notFound, L"Not found"}, L"", std::nullopt,
       {L"4", L"100", L"200"},
       {"Get path=\"Win32_Process.Handle=\\\"300\\\"\" flags=0x0 namedValueSet=null -> 0x80041002",
        "live-objects 0"}},
      {"", L"Win32_Process.Name=\"a.exe\"", Failure{"Get", notFound, L"Not found"}, L"", std::nullopt,
       {L"4", L"100", L"200"}, {}},
      {"terminate 1 2\n", L"Win32_Process.Handle=\"100\"", std::nullopt, L"a.exe", 2, {L"4", L"100", L"200"}, {}},
      {"terminate 1 2\nterminate 0x15\n", L"Win32_Process.Handle=\"200\"", std::nullopt, L"b.exe", 21,
       {L"4", L"100", L"200"}, {}},
      {"fail get-object 1 0x80041003 \"Access denied \"\n", L"Win32_Process.Handle=\"100\"",
       Failure{"Get", static_cast<HRESULT>(0x80041003), L"Access denied "}, L"", std::nullopt,
       {L"4", L"100", L"200"}, {}},
      {"fail terminate 1 0x80041001\n", L"Win32_Process.Handle=\"100\"",
       Failure{"ExecMethod_", static_cast<HRESULT>(0x80041001), std::nullopt}, L"a.exe", std::nullopt,
       {L"4", L"100", L"200"},
       {"Get path=\"Win32_Process.Handle=\\\"100\\\"\" flags=0x0 namedValueSet=null", "Properties_ process=1",
        "Item process=1 name=\"Name\" flags=0x0", "Value process=1 name=\"Name\"",
        "ExecMethod_ process=1 method=\"Terminate\" inParameters=null flags=0x0 namedValueSet=null -> 0x80041001",
        "live-objects 0"}},
      // The value cannot be read, yet Terminate has run.
      {"fail return-value 0x80041001 \"Generic failure\"\n", L"Win32_Process.Handle=\"100\"",
       Failure{"Value ReturnValue", static_cast<HRESULT>(0x80041001), L"Generic failure"}, L"a.exe", std::nullopt,
       {L"4", L"200"}, {}},
  };
  int serial = 0;
  for (const EndCase& c : cases) {
    SCOPED_TRACE(std::string(c.scenario) + std::string(c.path.begin(), c.path.end()));
    // Each case its own scenario path, as the ended processes are kept per path.
    const std::string name = "end" + std::to_string(++serial);
    const std::filesystem::path scenario = Folder() / (name + ".txt");
    const std::filesystem::path log = Folder() / (name + ".log");
    std::ofstream(scenario, std::ios::binary) << processes << c.scenario;
    SetEnvironmentVariableW(L"ORVEL_WMI_SCENARIO", scenario.wstring().c_str());
    SetEnvironmentVariableW(L"ORVEL_WMI_LOG", log.wstring().c_str());

    // The instance of a process that ends is kept, to try Terminate on it once more.
    const bool ends = c.listedAfter.size() < 3;
    ComPtr<ISWbemObject> instance;
    const EndResult ended = Client().End(c.path, ends ? instance.GetAddressOf() : nullptr);
    ASSERT_EQ(ended.failure.has_value(), c.failure.has_value()) << (ended.failure ? ended.failure->step : "");
    if (c.failure) {
      EXPECT_EQ(ended.failure->step, c.failure->step);
      EXPECT_EQ(ended.failure->code, c.failure->code);
      EXPECT_EQ(ended.failure->description, c.failure->description);
    }
    EXPECT_EQ(ended.name, c.name.empty() ? std::nullopt : std::optional<Seen>(Text(c.name)));
    EXPECT_EQ(ended.returnValue, c.returnValue ? std::optional<Seen>(I4(*c.returnValue)) : std::nullopt);
    if (!c.logAfterSecurity.empty()) {
      std::vector<std::string> expected = {"CreateInstance scenario=\"" + scenario.string() + "\""};
      const std::vector<std::string> scan = ExpectedScanLog(
          "ConnectServer server=\"\" namespace=\"root\\CIMV2\" user=\"\" password=<empty> locale=\"\" "
          "authority=\"\" securityFlags=0x80 namedValueSet=null",
          0);
      expected.insert(expected.end(), scan.begin(), scan.begin() + 7);
      expected.insert(expected.end(), c.logAfterSecurity.begin(), c.logAfterSecurity.end());
      EXPECT_EQ(ReadLines(log), expected);
    }

    const ScanResult after = Scan();
    ASSERT_FALSE(after.failure);
    std::set<std::wstring> listed;
    for (const Process& process : after.processes) listed.insert(process.at(L"ProcessID").text);
    EXPECT_EQ(listed, c.listedAfter);
    if (!ends) continue;
    const EndResult again = Client().End(c.path);
    ASSERT_TRUE(again.failure) << "an ended process is found again";
    EXPECT_EQ(again.failure->step, "Get");
    EXPECT_EQ(again.failure->code, notFound);
    if (!c.failure) {  // the instance outlives its process: Terminate answers unknown failure
      ComPtr<ISWbemObject> outParameters;
      std::optional<Seen> stale;
      ASSERT_EQ(instance->ExecMethod_(Bstr(L"Terminate"), nullptr, 0, nullptr, &outParameters), S_OK);
      ASSERT_TRUE(Client().Read(outParameters.Get(), L"ReturnValue", stale));
      EXPECT_EQ(stale, I4(8));
    }
    instance.Reset();
    EXPECT_EQ(StandinCanUnloadNow(), S_OK);
  }
}

TEST_F(StandinTest, ExecMethodServesOnlyTheTerminateOfAnInstance) {
  UseScenario("process Name=\"a.exe\" ProcessId=100\n");
  ComPtr<ISWbemObject> processClass;
  ComPtr<ISWbemObject> instance;
  const ComPtr<ISWbemServices> services = ConnectDirectly();
  ASSERT_TRUE(services);
  ASSERT_EQ(services->Get(Bstr(L"Win32_Process"), 0, nullptr, &processClass), S_OK);
  ASSERT_EQ(services->Get(Bstr(L"Win32_Process.Handle=\"100\""), 0, nullptr, &instance), S_OK);
  const auto execute = [](ISWbemObject* object, const wchar_t* method, ComPtr<ISWbemObject>& out) {
    PlantStaleErrorInfo();
    return object->ExecMethod_(Bstr(method), nullptr, 0, nullptr, &out);
  };
  const HRESULT invalidMethod = static_cast<HRESULT>(0x8004102E);
  const HRESULT invalidOperation = static_cast<HRESULT>(0x80041016);
  ComPtr<ISWbemObject> outParameters;
  EXPECT_EQ(execute(instance.Get(), L"Create", outParameters), invalidMethod);
  EXPECT_EQ(TakeErrorInfo(), L"Invalid method");
  EXPECT_EQ(execute(processClass.Get(), L"Terminate", outParameters), invalidOperation);
  EXPECT_EQ(TakeErrorInfo(), L"Invalid operation");
  ASSERT_EQ(execute(instance.Get(), L"terminate", outParameters), S_OK);
  ComPtr<ISWbemObject> again;
  EXPECT_EQ(execute(outParameters.Get(), L"Terminate", again), invalidOperation);
  EXPECT_EQ(again, nullptr);
}

TEST_F(StandinTest, LiveModeEndsAProcessForReal) {
  ChildCommand child;
  ASSERT_NE(child.Pid(), 0u);
  const std::wstring path = L"Win32_Process.Handle=\"" + std::to_wstring(child.Pid()) + L"\"";
  ComPtr<ISWbemObject> instance;
  const EndResult ended = Client().End(path, &instance);
  ASSERT_FALSE(ended.failure) << ended.failure->step;
  ASSERT_TRUE(ended.name);
  EXPECT_EQ(Lower(ended.name->text), L"cmd.exe");
  EXPECT_EQ(ended.returnValue, I4(0));
  ASSERT_EQ(WaitForSingleObject(child.Process(), 30000), WAIT_OBJECT_0) << "ending has begun when Terminate answers";
  DWORD exitCode = 0;
  EXPECT_TRUE(GetExitCodeProcess(child.Process(), &exitCode));
  EXPECT_EQ(exitCode, 1u);
  EXPECT_EQ(FindPid(Scan(), child.Pid()), nullptr);

  // The instance outlives its process: Terminate answers unknown failure.
  ComPtr<ISWbemObject> outParameters;
  ASSERT_EQ(instance->ExecMethod_(Bstr(L"Terminate"), nullptr, 0, nullptr, &outParameters), S_OK);
  std::optional<Seen> again;
  ASSERT_TRUE(Client().Read(outParameters.Get(), L"ReturnValue", again));
  EXPECT_EQ(again, I4(8));

  const EndResult gone = Client().End(path);
  ASSERT_TRUE(gone.failure);
  EXPECT_EQ(gone.failure->step, "Get");
  EXPECT_EQ(static_cast<unsigned long>(gone.failure->code), 0x80041002u);
  EXPECT_EQ(gone.failure->description, L"Not found");
  instance.Reset();
  outParameters.Reset();
  EXPECT_EQ(StandinCanUnloadNow(), S_OK);
  EXPECT_EQ(LogLines().back(), "live-objects 0");
}

// Without CoRegisterClassObject: COM finds the stand-in through the Wine prefix's registration.
TEST(StandinRegistration, ThePrefixRegistersTheStandinForSWbemLocator) {
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  const std::filesystem::path log = std::filesystem::temp_directory_path() /
                                    ("orvel-standin-registry-" + std::to_string(GetCurrentProcessId()) + ".log");
  SetEnvironmentVariableW(L"ORVEL_WMI_LOG", log.wstring().c_str());
  {
    ComPtr<ISWbemLocator> locator;
    EXPECT_EQ(CoCreateInstance(CLSID_SWbemLocator, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                               IID_PPV_ARGS(&locator)),
              S_OK);
  }
  SetEnvironmentVariableW(L"ORVEL_WMI_LOG", nullptr);
  CoUninitialize();
  const std::vector<std::string> lines = ReadLines(log);
  std::filesystem::remove(log);
  ASSERT_FALSE(lines.empty()) << "the locator that answered is not the stand-in";
  EXPECT_EQ(lines.front(), "CreateInstance live");
}

}  // namespace
