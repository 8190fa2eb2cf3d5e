// The scripting objects of the stand-in, from the locator down to one property's value.
#include "objects.h"

#include <wrl/client.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>

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
using call_log::Hex;
using call_log::ProcessIndex;
using call_log::Quoted;

// WMI's codes as results: <wbemdisp.h> keeps them in an enumeration of unsigned values.
constexpr HRESULT Code(unsigned long code) { return static_cast<HRESULT>(code); }
const HRESULT kNotFound = Code(wbemErrNotFound);
const HRESULT kInvalidOperation = Code(wbemErrInvalidOperation);
const HRESULT kInvalidParameter = Code(wbemErrInvalidParameter);
const HRESULT kInvalidNamespace = Code(wbemErrInvalidNamespace);
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

// Live mode reads the schema only; a scenario's class knows the properties its processes were given.
TablePtr ClassTable(const ScenarioPtr& scenario) {
  static const auto standard = std::make_shared<const ProcessTable>(ProcessTable::WithStandardColumns());
  return scenario ? TablePtr(scenario->table) : standard;
}

class Property final : public ComObject<PropertyStub> {
 public:
  Property(ScenarioPtr scenario, TablePtr table, std::size_t row, std::size_t column, std::wstring name)
      : scenario_(std::move(scenario)), table_(std::move(table)), row_(row), column_(column), name_(std::move(name)) {}

  STDMETHODIMP get_Value(VARIANT* value) override {
    return Logged(Guard([&] { return ReadValue(value); }),
                  [&] { return L"Value process=" + ProcessIndex(row_) + L" name=" + Quoted(name_); });
  }

 private:
  HRESULT ReadValue(VARIANT* value) {
    if (!value) return E_POINTER;
    VariantInit(value);
    if (const Fault* fault = Injected(scenario_, FaultPoint::Value, row_, name_)) return Report(*fault);
    return table_->At(row_, column_).ToVariant(value);
  }

  ScenarioPtr scenario_;
  TablePtr table_;
  std::size_t row_;
  std::size_t column_;
  std::wstring name_;  // as the caller spelled it
};

class PropertySet final : public ComObject<PropertySetStub> {
 public:
  PropertySet(ScenarioPtr scenario, TablePtr table, std::size_t row)
      : scenario_(std::move(scenario)), table_(std::move(table)), row_(row) {}

  STDMETHODIMP Item(BSTR name, LONG flags, ISWbemProperty** property) override {
    return Logged(Guard([&] { return Find(FromBstr(name), property); }), [&] {
      return L"Item process=" + ProcessIndex(row_) + L" name=" + Quoted(FromBstr(name)) + L" flags=" + Hex(flags);
    });
  }

 private:
  HRESULT Find(std::wstring_view name, ISWbemProperty** property) {
    if (const HRESULT checked = CheckOut(property); FAILED(checked)) return checked;
    if (const Fault* fault = Injected(scenario_, FaultPoint::Item, row_, name)) return Report(*fault);
    const std::size_t column = table_->Column(name);
    if (column == kNone) return Report(kNotFound, L"Not found");
    *property = (new Property(scenario_, table_, row_, column, std::wstring(name)))->Detach();
    return S_OK;
  }

  ScenarioPtr scenario_;
  TablePtr table_;
  std::size_t row_;
};

class ObjectSet;

// Both the class object of Win32_Process (row kNone) and its instances.
class WbemObject final : public ComObject<ObjectStub> {
 public:
  WbemObject(ScenarioPtr scenario, TablePtr table, std::size_t row)
      : scenario_(std::move(scenario)), table_(std::move(table)), row_(row) {}

  STDMETHODIMP Instances_(LONG flags, IDispatch* context, ISWbemObjectSet** instances) override;

  STDMETHODIMP get_Properties_(ISWbemPropertySet** properties) override {
    return Logged(Guard([&] { return Properties(properties); }),
                  [&] { return L"Properties_ process=" + ProcessIndex(row_); });
  }

 protected:
  HRESULT AnswerMainInterface() override {
    if (row_ == kNone) return S_OK;
    return Logged(InjectedResult(scenario_, FaultPoint::Element, row_),
                  [&] { return L"QueryInterface ISWbemObject process=" + ProcessIndex(row_); });
  }

 private:
  HRESULT Instances(ISWbemObjectSet** instances);
  HRESULT Properties(ISWbemPropertySet** properties) {
    if (const HRESULT checked = CheckOut(properties); FAILED(checked)) return checked;
    if (const Fault* fault = Injected(scenario_, FaultPoint::Properties, row_)) return Report(*fault);
    *properties = (new PropertySet(scenario_, table_, row_))->Detach();
    return S_OK;
  }

  ScenarioPtr scenario_;
  TablePtr table_;
  std::size_t row_;
};

class Enumerator final : public ComObject<EnumStub> {
 public:
  Enumerator(ScenarioPtr scenario, TablePtr table) : scenario_(std::move(scenario)), table_(std::move(table)) {}

  STDMETHODIMP Next(ULONG count, VARIANT* elements, ULONG* fetched) override {
    ULONG delivered = 0;
    // Without a fetched-count only one element may be asked for.
    const HRESULT result = !elements || (count != 1 && !fetched)
                               ? E_POINTER
                               : Guard([&] { return Fetch(count, elements, delivered); });
    if (fetched) *fetched = delivered;
    return Logged(result, [&] {
      return L"Next count=" + std::to_wstring(count) + L" fetched=" + std::to_wstring(delivered);
    });
  }
  STDMETHODIMP Skip(ULONG count) override {
    const std::size_t left = table_->rows.size() - position_;
    position_ += std::min<std::size_t>(count, left);
    return count <= left ? S_OK : S_FALSE;
  }
  STDMETHODIMP Reset() override {
    position_ = 0;
    return S_OK;
  }

 protected:
  HRESULT AnswerMainInterface() override {
    return Logged(InjectedResult(scenario_, FaultPoint::EnumeratorQuery),
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
      if (position_ >= table_->rows.size()) break;
      VariantInit(&elements[delivered]);
      elements[delivered].vt = VT_DISPATCH;
      elements[delivered].pdispVal = (new WbemObject(scenario_, table_, position_++))->Detach();
    }
    return delivered == count ? S_OK : S_FALSE;
  }

  ScenarioPtr scenario_;
  TablePtr table_;
  std::size_t position_ = 0;
};

class ObjectSet final : public ComObject<ObjectSetStub> {
 public:
  ObjectSet(ScenarioPtr scenario, TablePtr table) : scenario_(std::move(scenario)), table_(std::move(table)) {}

  STDMETHODIMP get__NewEnum(IUnknown** enumerator) override {
    return Logged(Guard([&] { return NewEnum(enumerator); }), [] { return std::wstring(L"_NewEnum"); });
  }

 private:
  HRESULT NewEnum(IUnknown** enumerator) {
    if (const HRESULT checked = CheckOut(enumerator); FAILED(checked)) return checked;
    if (const Fault* fault = Injected(scenario_, FaultPoint::Enumerator)) return Report(*fault);
    *enumerator = (new Enumerator(scenario_, table_))->Detach();
    return S_OK;
  }

  ScenarioPtr scenario_;
  TablePtr table_;
};

STDMETHODIMP WbemObject::Instances_(LONG flags, IDispatch* context, ISWbemObjectSet** instances) {
  return Logged(Guard([&] { return Instances(instances); }), [&] {
    return L"Instances_ process=" + ProcessIndex(row_) + L" flags=" + Hex(flags) +
           L" namedValueSet=" + Presence(context);
  });
}

HRESULT WbemObject::Instances(ISWbemObjectSet** instances) {
  if (const HRESULT checked = CheckOut(instances); FAILED(checked)) return checked;
  if (row_ != kNone) return Report(kInvalidOperation, L"Invalid operation");
  if (const Fault* fault = Injected(scenario_, FaultPoint::Instances)) return Report(*fault);
  TablePtr table;
  try {
    table = scenario_ ? TablePtr(scenario_->table) : SnapshotProcesses();
  } catch (const orvel::EOleError& error) {
    return Report(error.Code(), Widen(error.what()).c_str());
  }
  *instances = (new ObjectSet(scenario_, std::move(table)))->Detach();
  return S_OK;
}

// The impersonation level belongs to the connection: all its security objects show the same one.
class Services final : public ComObject<ServicesStub> {
 public:
  explicit Services(ScenarioPtr scenario) : scenario_(std::move(scenario)) {}

  STDMETHODIMP Get(BSTR path, LONG flags, IDispatch* context, ISWbemObject** object) override {
    return Logged(Guard([&] { return GetClass(FromBstr(path), object); }), [&] {
      return L"Get path=" + Quoted(FromBstr(path)) + L" flags=" + Hex(flags) + L" namedValueSet=" + Presence(context);
    });
  }
  STDMETHODIMP get_Security_(ISWbemSecurity** security) override;

  const ScenarioPtr& SharedScenario() const { return scenario_; }
  WbemImpersonationLevelEnum impersonation = wbemImpersonationLevelImpersonate;

 private:
  HRESULT GetClass(std::wstring_view path, ISWbemObject** object) {
    if (const HRESULT checked = CheckOut(object); FAILED(checked)) return checked;
    if (const Fault* fault = Injected(scenario_, FaultPoint::Class)) return Report(*fault);
    if (!EqualsIgnoringCase(path, L"Win32_Process")) return Report(kNotFound, L"Not found");
    *object = (new WbemObject(scenario_, ClassTable(scenario_), kNone))->Detach();
    return S_OK;
  }

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
  explicit PrivilegeSet(ScenarioPtr scenario) : scenario_(std::move(scenario)) {}

  STDMETHODIMP Add(WbemPrivilegeEnum identifier, VARIANT_BOOL enabled, ISWbemPrivilege** privilege) override {
    return Logged(Guard([&] { return AddPrivilege(identifier, enabled, privilege); }), [&] {
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

  ScenarioPtr scenario_;
};

class Security final : public ComObject<SecurityStub> {
 public:
  explicit Security(ComPtr<Services> services) : services_(std::move(services)) {}

  STDMETHODIMP get_ImpersonationLevel(WbemImpersonationLevelEnum* level) override {
    if (level) *level = services_->impersonation;
    return Logged(level ? S_OK : E_POINTER, [] { return std::wstring(L"get_ImpersonationLevel"); });
  }
  STDMETHODIMP put_ImpersonationLevel(WbemImpersonationLevelEnum level) override {
    return Logged(Guard([&] { return SetLevel(level); }),
                  [&] { return L"put_ImpersonationLevel level=" + std::to_wstring(level); });
  }
  STDMETHODIMP get_Privileges(ISWbemPrivilegeSet** privileges) override {
    return Logged(Guard([&] { return Privileges(privileges); }), [] { return std::wstring(L"Privileges"); });
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
    *privileges = (new PrivilegeSet(services_->SharedScenario()))->Detach();
    return S_OK;
  }

  ComPtr<Services> services_;
};

STDMETHODIMP Services::get_Security_(ISWbemSecurity** security) {
  return Logged(Guard([&]() -> HRESULT {
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
  Locator(ScenarioPtr scenario, std::optional<std::wstring> unreadable)
      : scenario_(std::move(scenario)), unreadable_(std::move(unreadable)) {}

  STDMETHODIMP ConnectServer(BSTR server, BSTR nameSpace, BSTR user, BSTR password, BSTR locale, BSTR authority,
                             LONG securityFlags, IDispatch* context, ISWbemServices** services) override {
    return Logged(Guard([&] { return Connect(FromBstr(server), FromBstr(nameSpace), FromBstr(user), services); }),
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
    return Logged(InjectedResult(scenario_, FaultPoint::Locator),
                  [] { return std::wstring(L"QueryInterface ISWbemLocator"); });
  }

 private:
  HRESULT Connect(std::wstring_view server, std::wstring_view nameSpace, std::wstring_view user,
                  ISWbemServices** services) {
    if (const HRESULT checked = CheckOut(services); FAILED(checked)) return checked;
    if (unreadable_) return Report(E_FAIL, unreadable_->c_str());
    if (const Fault* fault = Injected(scenario_, FaultPoint::Connect)) return Report(*fault);
    if (!scenario_) {
      if (!IsLocalComputer(server)) return Report(kRpcServerUnavailable, L"The RPC server is unavailable.");
      if (!user.empty()) {
        return Report(kLocalCredentials, L"User credentials cannot be used for local connections");
      }
    }
    if (!nameSpace.empty() && !EqualsIgnoringCase(nameSpace, L"root\\cimv2")) {
      return Report(kInvalidNamespace, L"Invalid namespace");
    }
    if (scenario_ && scenario_->noServices) return S_OK;
    *services = (new Services(scenario_))->Detach();
    return S_OK;
  }

  ScenarioPtr scenario_;
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
    const HRESULT result = InjectedResult(scenario, FaultPoint::Create);
    Logged(result, [&] {
      std::wstring line = path.empty() ? L"CreateInstance live" : L"CreateInstance scenario=" + Quoted(path);
      return unreadable ? line + L" error=" + Quoted(*unreadable) : line;
    });
    if (FAILED(result)) return result;
    // Not ComPtr::Attach: mingw-w64's adds a reference where Microsoft's takes one over.
    Locator* locator = new Locator(std::move(scenario), std::move(unreadable));
    const HRESULT answer = locator->QueryInterface(iid, out);
    locator->Release();
    return answer;
  });
}

}  // namespace standin
