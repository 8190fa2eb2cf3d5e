// The scripting objects of the stand-in, from the locator down to one property's value.
#include "objects.h"

#include <wrl/client.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "call_log.h"
#include "live.h"
#include "platform/ole_error.h"
#include "scenario.h"
#include "wbem_stubs.h"

namespace standin {
namespace {

using Microsoft::WRL::ComPtr;
using ScenarioPtr = std::shared_ptr<const Scenario>;
using TablePtr = std::shared_ptr<const ProcessTable>;
using RowsPtr = std::shared_ptr<const std::vector<std::size_t>>;
using call_log::Hex;
using call_log::ProcessIndex;
using call_log::Quoted;

// WMI's codes as results: <wbemdisp.h> keeps them in an enumeration of unsigned values.
constexpr HRESULT Code(unsigned long code) { return static_cast<HRESULT>(code); }
const HRESULT kNotFound = Code(wbemErrNotFound);
const HRESULT kInvalidOperation = Code(wbemErrInvalidOperation);
const HRESULT kInvalidParameter = Code(wbemErrInvalidParameter);
const HRESULT kInvalidNamespace = Code(wbemErrInvalidNamespace);
const HRESULT kInvalidMethod = Code(wbemErrInvalidMethod);
const HRESULT kLocalCredentials = Code(wbemErrLocalCredentials);
const HRESULT kRpcServerUnavailable = HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE);

const Fault* Injected(const ScenarioPtr& scenario, FaultPoint point, std::size_t index = kNone,
                      std::wstring_view property = {}) noexcept {
  return scenario ? scenario->Find(point, index, property) : nullptr;
}

// The injected fault reported, or S_OK when the scenario injects none here.
HRESULT InjectedResult(const ScenarioPtr& scenario, FaultPoint point, std::size_t index = kNone) noexcept {
  const Fault* fault = Injected(scenario, point, index);
  return fault ? Report(*fault) : S_OK;
}

std::wstring Presence(const void* object) { return object ? L"set" : L"null"; }

// The scenario's processes, or a fresh snapshot of the local ones; reports why there is none.
HRESULT CurrentProcesses(const ScenarioPtr& scenario, TablePtr& table) {
  try {
    table = scenario ? TablePtr(scenario->table) : SnapshotProcesses();
    return S_OK;
  } catch (const orvel::EOleError& error) {
    return Report(error.Code(), Widen(error.what()).c_str());
  }
}

// Live mode reads the schema only; a scenario's class knows the properties its processes were given.
TablePtr ClassTable(const ScenarioPtr& scenario) {
  static const auto standard = std::make_shared<const ProcessTable>(ProcessTable::WithStandardColumns());
  return scenario ? TablePtr(scenario->table) : standard;
}

// The process a Terminate ended in this scenario: gone from enumerations and from Get.
bool Ended(const ScenarioPtr& scenario, const ProcessTable& table, std::size_t row) {
  if (!scenario) return false;
  const std::optional<std::uint32_t> pid = ProcessIdOf(table.At(row, ProcessTable::kProcessId));
  return pid && scenario->ended->Contains(*pid);
}

// The rows an enumeration delivers, in table order.
std::vector<std::size_t> ListedRows(const ScenarioPtr& scenario, const ProcessTable& table) {
  std::vector<std::size_t> rows;
  rows.reserve(table.rows.size());
  for (std::size_t row = 0; row < table.rows.size(); ++row) {
    if (!Ended(scenario, table, row)) rows.push_back(row);
  }
  return rows;
}

// The first listed row whose ProcessId is pid; kNone when there is none.
std::size_t FindListed(const ScenarioPtr& scenario, const ProcessTable& table, std::uint32_t pid) {
  for (std::size_t row = 0; row < table.rows.size(); ++row) {
    if (ProcessIdOf(table.At(row, ProcessTable::kProcessId)) == pid && !Ended(scenario, table, row)) return row;
  }
  return kNone;
}

// The key of "Win32_Process.Handle=\"<key>\"" or "Win32_Process.Handle=<key>", class and key name
// ignoring case as WMI reads object paths; nothing for any other path.
std::optional<std::wstring_view> HandleKey(std::wstring_view path) {
  constexpr std::wstring_view kPrefix = L"Win32_Process.Handle=";
  if (path.size() <= kPrefix.size() || !EqualsIgnoringCase(path.substr(0, kPrefix.size()), kPrefix)) {
    return std::nullopt;
  }
  path.remove_prefix(kPrefix.size());
  if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"') path = path.substr(1, path.size() - 2);
  return path;
}

// A process id written in decimal; nothing when no process can have this handle.
std::optional<std::uint32_t> ParsePid(std::wstring_view key) {
  if (key.empty() || key.size() > 10 || key.find_first_not_of(L"0123456789") != std::wstring_view::npos) {
    return std::nullopt;
  }
  std::uint64_t pid = 0;
  for (const wchar_t digit : key) pid = pid * 10 + static_cast<std::uint64_t>(digit - L'0');
  if (pid > 0xFFFFFFFFu) return std::nullopt;
  return static_cast<std::uint32_t>(pid);
}

// The class (process kNone), a process, or the out-parameters of its method; process is the index the
// log and injected faults name, row where the values are in table.
struct Owner {
  ConnectionId connection = 0;
  ScenarioPtr scenario;
  TablePtr table;
  std::size_t row = kNone;
  std::size_t process = kNone;
  bool outParameters = false;

  bool IsClass() const { return process == kNone; }
  bool IsInstance() const { return process != kNone && !outParameters; }
  std::wstring Label() const {
    return (outParameters ? L"outParameters process=" : L"process=") + ProcessIndex(process);
  }
};

class Property final : public ComObject<PropertyStub> {
 public:
  Property(Owner owner, std::size_t column, std::wstring name)
      : owner_(std::move(owner)), column_(column), name_(std::move(name)) {}

  STDMETHODIMP get_Value(VARIANT* value) override {
    return Logged(owner_.connection, Guard([&] { return ReadValue(value); }),
                  [&] { return L"Value " + owner_.Label() + L" name=" + Quoted(name_); });
  }

 private:
  HRESULT ReadValue(VARIANT* value) {
    if (!value) return E_POINTER;
    VariantInit(value);
    const Fault* fault = owner_.outParameters
                             ? Injected(owner_.scenario, FaultPoint::ReturnValue, owner_.process)
                             : Injected(owner_.scenario, FaultPoint::Value, owner_.process, name_);
    if (fault) return Report(*fault);
    return owner_.table->At(owner_.row, column_).ToVariant(value);
  }

  Owner owner_;
  std::size_t column_;
  std::wstring name_;  // as the caller spelled it
};

class PropertySet final : public ComObject<PropertySetStub> {
 public:
  explicit PropertySet(Owner owner) : owner_(std::move(owner)) {}

  STDMETHODIMP Item(BSTR name, LONG flags, ISWbemProperty** property) override {
    return Logged(owner_.connection, Guard([&] { return Find(FromBstr(name), property); }), [&] {
      return L"Item " + owner_.Label() + L" name=" + Quoted(FromBstr(name)) + L" flags=" + Hex(flags);
    });
  }

 private:
  HRESULT Find(std::wstring_view name, ISWbemProperty** property) {
    if (const HRESULT checked = CheckOut(property); FAILED(checked)) return checked;
    if (!owner_.outParameters) {
      if (const Fault* fault = Injected(owner_.scenario, FaultPoint::Item, owner_.process, name)) return Report(*fault);
    }
    const std::size_t column = owner_.table->Column(name);
    if (column == kNone) return Report(kNotFound, L"Not found");
    *property = (new Property(owner_, column, std::wstring(name)))->Detach();
    return S_OK;
  }

  Owner owner_;
};

class ObjectSet;

// The class object of Win32_Process, its instances, and the out-parameters of their Terminate.
class WbemObject final : public ComObject<ObjectStub> {
 public:
  explicit WbemObject(Owner owner) : owner_(std::move(owner)) {}

  STDMETHODIMP Instances_(LONG flags, IDispatch* context, ISWbemObjectSet** instances) override;

  STDMETHODIMP get_Properties_(ISWbemPropertySet** properties) override {
    return Logged(owner_.connection, Guard([&] { return Properties(properties); }),
                  [&] { return L"Properties_ " + owner_.Label(); });
  }

  STDMETHODIMP ExecMethod_(BSTR method, IDispatch* inParameters, LONG flags, IDispatch* context,
                           ISWbemObject** outParameters) override {
    return Logged(owner_.connection, Guard([&] { return Execute(FromBstr(method), outParameters); }), [&] {
      return L"ExecMethod_ " + owner_.Label() + L" method=" + Quoted(FromBstr(method)) +
             L" inParameters=" + Presence(inParameters) + L" flags=" + Hex(flags) +
             L" namedValueSet=" + Presence(context);
    });
  }

 protected:
  HRESULT AnswerMainInterface() override {
    if (!owner_.IsInstance()) return S_OK;
    return Logged(owner_.connection, InjectedResult(owner_.scenario, FaultPoint::Element, owner_.process),
                  [&] { return L"QueryInterface ISWbemObject " + owner_.Label(); });
  }

 private:
  HRESULT Instances(ISWbemObjectSet** instances);
  HRESULT Properties(ISWbemPropertySet** properties) {
    if (const HRESULT checked = CheckOut(properties); FAILED(checked)) return checked;
    if (!owner_.outParameters) {
      if (const Fault* fault = Injected(owner_.scenario, FaultPoint::Properties, owner_.process)) {
        return Report(*fault);
      }
    }
    *properties = (new PropertySet(owner_))->Detach();
    return S_OK;
  }

  HRESULT Execute(std::wstring_view method, ISWbemObject** outParameters) {
    if (const HRESULT checked = CheckOut(outParameters); FAILED(checked)) return checked;
    if (!owner_.IsInstance()) return Report(kInvalidOperation, L"Invalid operation");
    if (!EqualsIgnoringCase(method, L"Terminate")) return Report(kInvalidMethod, L"Invalid method");
    if (const Fault* fault = Injected(owner_.scenario, FaultPoint::Terminate, owner_.process)) return Report(*fault);
    auto result = std::make_shared<ProcessTable>();
    result->columns = {L"ReturnValue"};
    result->rows.push_back({Value::I4(Terminate())});
    const Owner answer{owner_.connection, owner_.scenario, std::move(result), 0, owner_.process, true};
    *outParameters = (new WbemObject(answer))->Detach();
    return S_OK;
  }

  // Terminate's ReturnValue; a process no longer there answers 8, in both modes.
  std::uint32_t Terminate() {
    constexpr std::uint32_t kUnknownFailure = 8;
    const std::optional<std::uint32_t> pid = ProcessIdOf(owner_.table->At(owner_.row, ProcessTable::kProcessId));
    const ScenarioPtr& scenario = owner_.scenario;
    if (!scenario) return pid ? TerminateLocalProcess(*pid) : kUnknownFailure;
    if (pid && scenario->ended->Contains(*pid)) return kUnknownFailure;
    const std::uint32_t answer = scenario->TerminateAnswer(owner_.process);
    if (answer == 0 && pid) scenario->ended->Add(*pid);
    return answer;
  }

  Owner owner_;
};

class Enumerator final : public ComObject<EnumStub> {
 public:
  Enumerator(ConnectionId connection, ScenarioPtr scenario, TablePtr table, RowsPtr rows)
      : connection_(connection), scenario_(std::move(scenario)), table_(std::move(table)), rows_(std::move(rows)) {}

  STDMETHODIMP Next(ULONG count, VARIANT* elements, ULONG* fetched) override {
    ULONG delivered = 0;
    // Without a fetched-count only one element may be asked for.
    const HRESULT result = !elements || (count != 1 && !fetched)
                               ? E_POINTER
                               : Guard([&] { return Fetch(count, elements, delivered); });
    if (fetched) *fetched = delivered;
    return Logged(connection_, result, [&] {
      return L"Next count=" + std::to_wstring(count) + L" fetched=" + std::to_wstring(delivered);
    });
  }
  STDMETHODIMP Skip(ULONG count) override {
    const std::size_t left = rows_->size() - position_;
    position_ += std::min<std::size_t>(count, left);
    return count <= left ? S_OK : S_FALSE;
  }
  STDMETHODIMP Reset() override {
    position_ = 0;
    return S_OK;
  }

 protected:
  HRESULT AnswerMainInterface() override {
    return Logged(connection_, InjectedResult(scenario_, FaultPoint::EnumeratorQuery),
                  [] { return std::wstring(L"QueryInterface IEnumVARIANT"); });
  }

 private:
  // A failing call hands out nothing: elements already filled are taken back.
  HRESULT Fetch(ULONG count, VARIANT* elements, ULONG& delivered) {
    const std::size_t start = position_;
    for (; delivered < count; ++delivered) {
      if (const Fault* fault = Injected(scenario_, FaultPoint::Next, position_)) {
        for (ULONG i = 0; i < delivered; ++i) VariantClear(&elements[i]);
        position_ = start;
        delivered = 0;
        return Report(*fault);
      }
      if (position_ >= rows_->size()) break;
      const std::size_t row = (*rows_)[position_++];
      VariantInit(&elements[delivered]);
      elements[delivered].vt = VT_DISPATCH;
      elements[delivered].pdispVal = (new WbemObject(Owner{connection_, scenario_, table_, row, row}))->Detach();
    }
    return delivered == count ? S_OK : S_FALSE;
  }

  ConnectionId connection_;
  ScenarioPtr scenario_;
  TablePtr table_;
  RowsPtr rows_;
  std::size_t position_ = 0;  // elements delivered
};

class ObjectSet final : public ComObject<ObjectSetStub> {
 public:
  ObjectSet(ConnectionId connection, ScenarioPtr scenario, TablePtr table)
      : connection_(connection),
        scenario_(std::move(scenario)),
        table_(std::move(table)),
        rows_(std::make_shared<const std::vector<std::size_t>>(ListedRows(scenario_, *table_))) {}

  STDMETHODIMP get__NewEnum(IUnknown** enumerator) override {
    return Logged(connection_, Guard([&] { return NewEnum(enumerator); }), [] { return std::wstring(L"_NewEnum"); });
  }

 private:
  HRESULT NewEnum(IUnknown** enumerator) {
    if (const HRESULT checked = CheckOut(enumerator); FAILED(checked)) return checked;
    if (const Fault* fault = Injected(scenario_, FaultPoint::Enumerator)) return Report(*fault);
    *enumerator = (new Enumerator(connection_, scenario_, table_, rows_))->Detach();
    return S_OK;
  }

  ConnectionId connection_;
  ScenarioPtr scenario_;
  TablePtr table_;
  RowsPtr rows_;  // those a Terminate had not ended when the instances were asked for
};

STDMETHODIMP WbemObject::Instances_(LONG flags, IDispatch* context, ISWbemObjectSet** instances) {
  return Logged(owner_.connection, Guard([&] { return Instances(instances); }), [&] {
    return L"Instances_ " + owner_.Label() + L" flags=" + Hex(flags) + L" namedValueSet=" + Presence(context);
  });
}

HRESULT WbemObject::Instances(ISWbemObjectSet** instances) {
  if (const HRESULT checked = CheckOut(instances); FAILED(checked)) return checked;
  if (!owner_.IsClass()) return Report(kInvalidOperation, L"Invalid operation");
  if (const Fault* fault = Injected(owner_.scenario, FaultPoint::Instances)) return Report(*fault);
  TablePtr table;
  if (const HRESULT taken = CurrentProcesses(owner_.scenario, table); FAILED(taken)) return taken;
  *instances = (new ObjectSet(owner_.connection, owner_.scenario, std::move(table)))->Detach();
  return S_OK;
}

// The impersonation level belongs to the connection: all its security objects show the same one.
class Services final : public ComObject<ServicesStub> {
 public:
  Services(ConnectionId connection, ScenarioPtr scenario) : connection_(connection), scenario_(std::move(scenario)) {}

  STDMETHODIMP Get(BSTR path, LONG flags, IDispatch* context, ISWbemObject** object) override {
    return Logged(connection_, Guard([&] { return GetObjectAt(FromBstr(path), object); }), [&] {
      return L"Get path=" + Quoted(FromBstr(path)) + L" flags=" + Hex(flags) + L" namedValueSet=" + Presence(context);
    });
  }
  STDMETHODIMP get_Security_(ISWbemSecurity** security) override;

  const ScenarioPtr& SharedScenario() const { return scenario_; }
  ConnectionId Connection() const { return connection_; }
  WbemImpersonationLevelEnum impersonation = wbemImpersonationLevelImpersonate;

 private:
  HRESULT GetObjectAt(std::wstring_view path, ISWbemObject** object) {
    if (const HRESULT checked = CheckOut(object); FAILED(checked)) return checked;
    if (const std::optional<std::wstring_view> key = HandleKey(path)) return GetInstance(*key, object);
    if (const Fault* fault = Injected(scenario_, FaultPoint::Class)) return Report(*fault);
    if (!EqualsIgnoringCase(path, L"Win32_Process")) return Report(kNotFound, L"Not found");
    *object = (new WbemObject(Owner{connection_, scenario_, ClassTable(scenario_)}))->Detach();
    return S_OK;
  }
  HRESULT GetInstance(std::wstring_view key, ISWbemObject** object) {
    const std::optional<std::uint32_t> pid = ParsePid(key);
    TablePtr table;
    if (pid) {
      if (const HRESULT taken = CurrentProcesses(scenario_, table); FAILED(taken)) return taken;
    }
    const std::size_t row = pid ? FindListed(scenario_, *table, *pid) : kNone;
    if (const Fault* fault = Injected(scenario_, FaultPoint::GetInstance, row)) return Report(*fault);
    if (row == kNone) return Report(kNotFound, L"Not found");
    *object = (new WbemObject(Owner{connection_, scenario_, std::move(table), row, row}))->Detach();
    return S_OK;
  }

  ConnectionId connection_;
  ScenarioPtr scenario_;
  std::size_t securityCalls_ = 0;  // the scan asks twice: for the impersonation level, then for privileges
};

class Privilege final : public ComObject<PrivilegeStub> {
 public:
  Privilege(WbemPrivilegeEnum identifier, bool enabled) : identifier_(identifier), enabled_(enabled) {}

  STDMETHODIMP get_IsEnabled(VARIANT_BOOL* enabled) override {
    if (!enabled) return E_POINTER;
    *enabled = enabled_ ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  STDMETHODIMP get_Identifier(WbemPrivilegeEnum* identifier) override {
    if (!identifier) return E_POINTER;
    *identifier = identifier_;
    return S_OK;
  }

 private:
  WbemPrivilegeEnum identifier_;
  bool enabled_;
};

class PrivilegeSet final : public ComObject<PrivilegeSetStub> {
 public:
  PrivilegeSet(ConnectionId connection, ScenarioPtr scenario)
      : connection_(connection), scenario_(std::move(scenario)) {}

  STDMETHODIMP Add(WbemPrivilegeEnum identifier, VARIANT_BOOL enabled, ISWbemPrivilege** privilege) override {
    return Logged(connection_, Guard([&] { return AddPrivilege(identifier, enabled, privilege); }), [&] {
      return L"Add privilege=" + std::to_wstring(identifier) + L" enabled=" + std::to_wstring(enabled);
    });
  }

 private:
  HRESULT AddPrivilege(WbemPrivilegeEnum identifier, VARIANT_BOOL enabled, ISWbemPrivilege** privilege) {
    if (privilege) *privilege = nullptr;
    if (const Fault* fault = Injected(scenario_, FaultPoint::AddPrivilege)) return Report(*fault);
    if (identifier < wbemPrivilegeCreateToken || identifier > wbemPrivilegeManageVolume) {
      return Report(kInvalidParameter, L"Invalid parameter");
    }
    if (privilege) *privilege = (new Privilege(identifier, enabled != VARIANT_FALSE))->Detach();
    return S_OK;
  }

  ConnectionId connection_;
  ScenarioPtr scenario_;
};

class Security final : public ComObject<SecurityStub> {
 public:
  explicit Security(ComPtr<Services> services) : services_(std::move(services)) {}

  STDMETHODIMP get_ImpersonationLevel(WbemImpersonationLevelEnum* level) override {
    if (level) *level = services_->impersonation;
    return Logged(services_->Connection(), level ? S_OK : E_POINTER,
                  [] { return std::wstring(L"get_ImpersonationLevel"); });
  }
  STDMETHODIMP put_ImpersonationLevel(WbemImpersonationLevelEnum level) override {
    return Logged(services_->Connection(), Guard([&] { return SetLevel(level); }),
                  [&] { return L"put_ImpersonationLevel level=" + std::to_wstring(level); });
  }
  STDMETHODIMP get_Privileges(ISWbemPrivilegeSet** privileges) override {
    return Logged(services_->Connection(), Guard([&] { return Privileges(privileges); }),
                  [] { return std::wstring(L"Privileges"); });
  }

 private:
  HRESULT SetLevel(WbemImpersonationLevelEnum level) {
    if (const Fault* fault = Injected(services_->SharedScenario(), FaultPoint::Impersonation)) return Report(*fault);
    if (level < wbemImpersonationLevelAnonymous || level > wbemImpersonationLevelDelegate) {
      return Report(kInvalidParameter, L"Invalid parameter");
    }
    services_->impersonation = level;
    return S_OK;
  }
  HRESULT Privileges(ISWbemPrivilegeSet** privileges) {
    if (const HRESULT checked = CheckOut(privileges); FAILED(checked)) return checked;
    if (const Fault* fault = Injected(services_->SharedScenario(), FaultPoint::Privileges)) return Report(*fault);
    *privileges = (new PrivilegeSet(services_->Connection(), services_->SharedScenario()))->Detach();
    return S_OK;
  }

  ComPtr<Services> services_;
};

STDMETHODIMP Services::get_Security_(ISWbemSecurity** security) {
  return Logged(connection_, Guard([&]() -> HRESULT {
                  if (const HRESULT checked = CheckOut(security); FAILED(checked)) return checked;
                  const std::size_t earlierCalls = securityCalls_++;
                  if (const Fault* fault = Injected(scenario_, FaultPoint::Security, earlierCalls)) {
                    return Report(*fault);
                  }
                  *security = (new Security(this))->Detach();
                  return S_OK;
                }),
                [] { return std::wstring(L"Security_"); });
}

class Locator final : public ComObject<LocatorStub> {
 public:
  Locator(ConnectionId connection, ScenarioPtr scenario, std::optional<std::wstring> unreadable)
      : connection_(connection), scenario_(std::move(scenario)), unreadable_(std::move(unreadable)) {}

  STDMETHODIMP ConnectServer(BSTR server, BSTR nameSpace, BSTR user, BSTR password, BSTR locale, BSTR authority,
                             LONG securityFlags, IDispatch* context, ISWbemServices** services) override {
    return Logged(connection_,
                  Guard([&] { return Connect(FromBstr(server), FromBstr(nameSpace), FromBstr(user), services); }),
                  [&] {
                    return L"ConnectServer server=" + Quoted(FromBstr(server)) + L" namespace=" +
                           Quoted(FromBstr(nameSpace)) + L" user=" + Quoted(FromBstr(user)) + L" password=" +
                           (FromBstr(password).empty() ? L"<empty>" : L"<set>") + L" locale=" +
                           Quoted(FromBstr(locale)) + L" authority=" + Quoted(FromBstr(authority)) +
                           L" securityFlags=" + Hex(securityFlags) + L" namedValueSet=" + Presence(context);
                  });
  }

 protected:
  HRESULT AnswerMainInterface() override {
    return Logged(connection_, InjectedResult(scenario_, FaultPoint::Locator),
                  [] { return std::wstring(L"QueryInterface ISWbemLocator"); });
  }

 private:
  HRESULT Connect(std::wstring_view server, std::wstring_view nameSpace, std::wstring_view user,
                  ISWbemServices** services) {
    if (const HRESULT checked = CheckOut(services); FAILED(checked)) return checked;
    if (unreadable_) return Report(E_FAIL, unreadable_->c_str());
    const ScenarioPtr computer = ScenarioFor(scenario_, server);
    // Holds no lock: the connections to many computers wait at once.
    if (computer && computer->connectDelay) Sleep(computer->connectDelay);
    if (const Fault* fault = Injected(computer, FaultPoint::Connect)) return Report(*fault);
    if (!computer) {
      if (!IsLocalComputer(server)) return Report(kRpcServerUnavailable, L"The RPC server is unavailable.");
      if (!user.empty()) {
        return Report(kLocalCredentials, L"User credentials cannot be used for local connections");
      }
    }
    if (!nameSpace.empty() && !EqualsIgnoringCase(nameSpace, L"root\\cimv2")) {
      return Report(kInvalidNamespace, L"Invalid namespace");
    }
    if (computer && computer->noServices) return S_OK;
    *services = (new Services(connection_, computer))->Detach();
    return S_OK;
  }

  ConnectionId connection_;
  ScenarioPtr scenario_;  // the file's, for every computer
  std::optional<std::wstring> unreadable_;  // why the scenario could not be read: every connection reports it
};

}  // namespace

HRESULT CreateLocator(REFIID iid, void** out) {
  return Guard([&] {
    call_log::Configure();
    const std::wstring path = EnvironmentVariable(L"ORVEL_WMI_SCENARIO");
    ScenarioPtr scenario;
    std::optional<std::wstring> unreadable;
    if (!path.empty()) {
      try {
        scenario = LoadScenario(path);
      } catch (const orvel::EOleError& error) {
        unreadable = L"WMI stand-in: " + Widen(error.what());
        OutputDebugStringW((*unreadable + L"\n").c_str());
      }
    }
    static std::atomic<ConnectionId> serial{0};
    const ConnectionId connection = ++serial;
    const HRESULT result = InjectedResult(scenario, FaultPoint::Create);
    Logged(connection, result, [&] {
      std::wstring line = path.empty() ? L"CreateInstance live" : L"CreateInstance scenario=" + Quoted(path);
      return unreadable ? line + L" error=" + Quoted(*unreadable) : line;
    });
    if (FAILED(result)) return result;
    // Not ComPtr::Attach: mingw-w64's adds a reference where Microsoft's takes one over.
    Locator* locator = new Locator(connection, std::move(scenario), std::move(unreadable));
    const HRESULT answer = locator->QueryInterface(iid, out);
    locator->Release();
    return answer;
  });
}

}  // namespace standin
