#include "wmi_client.h"

#include <wbemdisp.h>
#include <wrl/client.h>

#include <cstddef>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "com.h"

namespace orvel {
namespace {

using Microsoft::WRL::ComPtr;
using com::Bstr;
using com::Check;
using com::Variant;

// A call that succeeds without handing back its object cannot go on.
template <class Interface>
ComPtr<Interface> Required(ComPtr<Interface> object) {
  if (!object) com::ThrowSystemError(E_POINTER);
  return object;
}

// QueryInterface carries no error information: its failure reads as the system's text.
template <class Interface>
ComPtr<Interface> Query(IUnknown* object) {
  if (!object) com::ThrowSystemError(E_NOINTERFACE);
  ComPtr<Interface> result;
  const HRESULT code = object->QueryInterface(__uuidof(Interface), reinterpret_cast<void**>(result.GetAddressOf()));
  if (FAILED(code)) com::ThrowSystemError(code);
  return Required(std::move(result));
}

class PropertySet : public IWmiPropertySet {
 public:
  explicit PropertySet(ComPtr<ISWbemPropertySet> properties) : properties_(std::move(properties)) {}
  WmiValue Value(std::string_view name) override {
    ComPtr<ISWbemProperty> property;
    Check(properties_->Item(Bstr(name).get(), 0, &property));
    Variant value;
    Check(Required(std::move(property))->get_Value(value.get()));
    return ToWmiValue(*value);
  }

 private:
  ComPtr<ISWbemPropertySet> properties_;
};

class Object : public IWmiObject {
 public:
  explicit Object(ComPtr<ISWbemObject> object) : object_(std::move(object)) {}
  std::unique_ptr<IWmiObjectSet> Instances(std::int32_t flags) override;
  std::unique_ptr<IWmiObject> ExecMethod(const std::string& method) override {
    ComPtr<ISWbemObject> outParameters;
    Check(object_->ExecMethod_(Bstr(method).get(), nullptr, 0, nullptr, &outParameters));
    return std::make_unique<Object>(Required(std::move(outParameters)));
  }
  std::unique_ptr<IWmiPropertySet> Properties() override {
    ComPtr<ISWbemPropertySet> properties;
    Check(object_->get_Properties_(&properties));
    return std::make_unique<PropertySet>(Required(std::move(properties)));
  }

 private:
  ComPtr<ISWbemObject> object_;
};

class Element : public IWmiElement {
 public:
  VARIANT* Slot() noexcept { return value_.get(); }
  std::unique_ptr<IWmiObject> AsObject() override {
    const VARIANT& value = *value_;
    IUnknown* unknown = nullptr;
    if (value.vt == VT_DISPATCH) unknown = value.pdispVal;
    if (value.vt == VT_UNKNOWN) unknown = value.punkVal;
    return std::make_unique<Object>(Query<ISWbemObject>(unknown));
  }

 private:
  Variant value_;
};

class Enum : public IWmiEnum {
 public:
  explicit Enum(ComPtr<IEnumVARIANT> elements) : elements_(std::move(elements)) {}
  std::unique_ptr<IWmiElement> Next() override {
    auto element = std::make_unique<Element>();
    ULONG fetched = 0;
    if (elements_->Next(1, element->Slot(), &fetched) == S_OK) return element;
    // Any other answer ends the enumeration unreported, so its error information must not linger.
    com::ForgetErrorInfo();
    return nullptr;
  }

 private:
  ComPtr<IEnumVARIANT> elements_;
};

class ObjectSet : public IWmiObjectSet {
 public:
  explicit ObjectSet(ComPtr<ISWbemObjectSet> set) : set_(std::move(set)) {}
  std::unique_ptr<IWmiEnum> NewEnum() override {
    ComPtr<IUnknown> unknown;
    Check(set_->get__NewEnum(&unknown));
    return std::make_unique<Enum>(Query<IEnumVARIANT>(Required(std::move(unknown)).Get()));
  }

 private:
  ComPtr<ISWbemObjectSet> set_;
};

std::unique_ptr<IWmiObjectSet> Object::Instances(std::int32_t flags) {
  ComPtr<ISWbemObjectSet> set;
  Check(object_->Instances_(flags, nullptr, &set));
  return std::make_unique<ObjectSet>(Required(std::move(set)));
}

class Services : public IWmiServices {
 public:
  explicit Services(ComPtr<ISWbemServices> services) : services_(std::move(services)) {}
  void SetImpersonationLevel(std::int32_t level) override {
    Check(Security()->put_ImpersonationLevel(static_cast<WbemImpersonationLevelEnum>(level)));
  }
  void AddPrivilege(std::int32_t privilege, bool enabled) override {
    ComPtr<ISWbemPrivilegeSet> privileges;
    Check(Security()->get_Privileges(&privileges));
    ComPtr<ISWbemPrivilege> added;
    Check(Required(std::move(privileges))
              ->Add(static_cast<WbemPrivilegeEnum>(privilege), enabled ? VARIANT_TRUE : VARIANT_FALSE, &added));
  }
  std::unique_ptr<IWmiObject> Get(const std::string& path, std::int32_t flags) override {
    ComPtr<ISWbemObject> object;
    Check(services_->Get(Bstr(path).get(), flags, nullptr, &object));
    return std::make_unique<Object>(Required(std::move(object)));
  }

 private:
  ComPtr<ISWbemSecurity> Security() {
    ComPtr<ISWbemSecurity> security;
    Check(services_->get_Security_(&security));
    return Required(std::move(security));
  }

  ComPtr<ISWbemServices> services_;
};

class Locator : public IWmiLocator {
 public:
  explicit Locator(ComPtr<ISWbemLocator> locator) : locator_(std::move(locator)) {}
  std::unique_ptr<IWmiServices> ConnectServer(const std::string& server, const std::string& nameSpace,
                                              const std::string& user, const std::string& password,
                                              const std::string& locale, const std::string& authority,
                                              std::int32_t securityFlags) override {
    const Bstr serverText(server), nameSpaceText(nameSpace), userText(user), passwordText(password),
        localeText(locale), authorityText(authority);
    ComPtr<ISWbemServices> services;
    Check(locator_->ConnectServer(serverText.get(), nameSpaceText.get(), userText.get(), passwordText.get(),
                                  localeText.get(), authorityText.get(), securityFlags, nullptr, &services));
    if (!services) return nullptr;
    return std::make_unique<Services>(std::move(services));
  }

 private:
  ComPtr<ISWbemLocator> locator_;
};

// Integers of every width as one signed 64-bit value.
bool IntegerOf(const VARIANT& value, std::int64_t& result) {
  switch (value.vt) {
    case VT_I1: result = value.cVal; return true;
    case VT_I2: result = value.iVal; return true;
    case VT_I4: result = value.lVal; return true;
    case VT_INT: result = value.intVal; return true;
    case VT_I8: result = value.llVal; return true;
    case VT_UI1: result = value.bVal; return true;
    case VT_UI2: result = value.uiVal; return true;
    case VT_UI4: result = value.ulVal; return true;
    case VT_UINT: result = value.uintVal; return true;
    case VT_UI8: result = static_cast<std::int64_t>(value.ullVal); return true;
    default: return false;
  }
}

WmiValue AsText(const VARIANT& value) {
  Variant text;
  // The source is only read; the header merely lacks the const.
  const HRESULT code = ::VariantChangeType(text.get(), const_cast<VARIANT*>(&value), 0, VT_BSTR);
  if (FAILED(code)) com::ThrowSystemError(code);
  return WmiValue::FromText(com::ToUtf8((*text).bstrVal));
}

}  // namespace

WmiValue ToWmiValue(const VARIANT& value) {
  std::int64_t integer = 0;
  if (IntegerOf(value, integer)) return WmiValue::FromInteger(integer);
  switch (value.vt) {
    case VT_EMPTY:
    case VT_NULL: return WmiValue::Null();
    case VT_R4: return WmiValue::FromReal(value.fltVal);
    case VT_R8: return WmiValue::FromReal(value.dblVal);
    case VT_BSTR: return WmiValue::FromText(com::ToUtf8(value.bstrVal));
    default: return AsText(value);
  }
}

std::unique_ptr<IWmiLocator> Win32Wmi::CreateLocator() {
  // A scan starts clean: a description left by earlier work on this thread belongs to none of its calls.
  com::ForgetErrorInfo();
  ComPtr<IUnknown> unknown;
  const HRESULT code = ::CoCreateInstance(__uuidof(SWbemLocator), nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                          IID_IUnknown, reinterpret_cast<void**>(unknown.GetAddressOf()));
  if (FAILED(code)) com::ThrowSystemError(code);
  return std::make_unique<Locator>(Query<ISWbemLocator>(Required(std::move(unknown)).Get()));
}

}  // namespace orvel
