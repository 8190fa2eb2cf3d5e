// The scripting interfaces with every method the scan does not use answering E_NOTIMPL;
// the objects override what the scan calls.
#pragma once

#include <wbemdisp.h>

#include "com_object.h"

namespace standin {

struct LocatorStub : DispatchStub<ISWbemLocator> {
  using Interface = ISWbemLocator;
  STDMETHODIMP get_Security_(ISWbemSecurity**) override { return E_NOTIMPL; }
};

struct ServicesStub : DispatchStub<ISWbemServices> {
  using Interface = ISWbemServices;
  STDMETHODIMP GetAsync(IDispatch*, BSTR, LONG, IDispatch*, IDispatch*) override { return E_NOTIMPL; }
  STDMETHODIMP Delete(BSTR, LONG, IDispatch*) override { return E_NOTIMPL; }
  STDMETHODIMP DeleteAsync(IDispatch*, BSTR, LONG, IDispatch*, IDispatch*) override { return E_NOTIMPL; }
  STDMETHODIMP InstancesOf(BSTR, LONG, IDispatch*, ISWbemObjectSet**) override { return E_NOTIMPL; }
  STDMETHODIMP InstancesOfAsync(IDispatch*, BSTR, LONG, IDispatch*, IDispatch*) override { return E_NOTIMPL; }
  STDMETHODIMP SubclassesOf(BSTR, LONG, IDispatch*, ISWbemObjectSet**) override { return E_NOTIMPL; }
  STDMETHODIMP SubclassesOfAsync(IDispatch*, BSTR, LONG, IDispatch*, IDispatch*) override { return E_NOTIMPL; }
  STDMETHODIMP ExecQuery(BSTR, BSTR, LONG, IDispatch*, ISWbemObjectSet**) override { return E_NOTIMPL; }
  STDMETHODIMP ExecQueryAsync(IDispatch*, BSTR, BSTR, LONG, IDispatch*, IDispatch*) override { return E_NOTIMPL; }
  STDMETHODIMP AssociatorsOf(BSTR, BSTR, BSTR, BSTR, BSTR, VARIANT_BOOL, VARIANT_BOOL, BSTR, BSTR, LONG, IDispatch*,
                             ISWbemObjectSet**) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP AssociatorsOfAsync(IDispatch*, BSTR, BSTR, BSTR, BSTR, BSTR, VARIANT_BOOL, VARIANT_BOOL, BSTR, BSTR,
                                  LONG, IDispatch*, IDispatch*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP ReferencesTo(BSTR, BSTR, BSTR, VARIANT_BOOL, VARIANT_BOOL, BSTR, LONG, IDispatch*,
                            ISWbemObjectSet**) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP ReferencesToAsync(IDispatch*, BSTR, BSTR, BSTR, VARIANT_BOOL, VARIANT_BOOL, BSTR, LONG, IDispatch*,
                                 IDispatch*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP ExecNotificationQuery(BSTR, BSTR, LONG, IDispatch*, ISWbemEventSource**) override { return E_NOTIMPL; }
  STDMETHODIMP ExecNotificationQueryAsync(IDispatch*, BSTR, BSTR, LONG, IDispatch*, IDispatch*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP ExecMethod(BSTR, BSTR, IDispatch*, LONG, IDispatch*, ISWbemObject**) override { return E_NOTIMPL; }
  STDMETHODIMP ExecMethodAsync(IDispatch*, BSTR, BSTR, IDispatch*, LONG, IDispatch*, IDispatch*) override {
    return E_NOTIMPL;
  }
};

struct SecurityStub : DispatchStub<ISWbemSecurity> {
  using Interface = ISWbemSecurity;
  STDMETHODIMP get_AuthenticationLevel(WbemAuthenticationLevelEnum*) override { return E_NOTIMPL; }
  STDMETHODIMP put_AuthenticationLevel(WbemAuthenticationLevelEnum) override { return E_NOTIMPL; }
};

struct PrivilegeSetStub : DispatchStub<ISWbemPrivilegeSet> {
  using Interface = ISWbemPrivilegeSet;
  STDMETHODIMP get__NewEnum(IUnknown**) override { return E_NOTIMPL; }
  STDMETHODIMP Item(WbemPrivilegeEnum, ISWbemPrivilege**) override { return E_NOTIMPL; }
  STDMETHODIMP get_Count(LONG*) override { return E_NOTIMPL; }
  STDMETHODIMP Remove(WbemPrivilegeEnum) override { return E_NOTIMPL; }
  STDMETHODIMP DeleteAll() override { return E_NOTIMPL; }
  STDMETHODIMP AddAsString(BSTR, VARIANT_BOOL, ISWbemPrivilege**) override { return E_NOTIMPL; }
};

struct PrivilegeStub : DispatchStub<ISWbemPrivilege> {
  using Interface = ISWbemPrivilege;
  STDMETHODIMP put_IsEnabled(VARIANT_BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP get_Name(BSTR*) override { return E_NOTIMPL; }
  STDMETHODIMP get_DisplayName(BSTR*) override { return E_NOTIMPL; }
};

struct ObjectStub : DispatchStub<ISWbemObject> {
  using Interface = ISWbemObject;
  STDMETHODIMP Put_(LONG, IDispatch*, ISWbemObjectPath**) override { return E_NOTIMPL; }
  STDMETHODIMP PutAsync_(IDispatch*, LONG, IDispatch*, IDispatch*) override { return E_NOTIMPL; }
  STDMETHODIMP Delete_(LONG, IDispatch*) override { return E_NOTIMPL; }
  STDMETHODIMP DeleteAsync_(IDispatch*, LONG, IDispatch*, IDispatch*) override { return E_NOTIMPL; }
  STDMETHODIMP InstancesAsync_(IDispatch*, LONG, IDispatch*, IDispatch*) override { return E_NOTIMPL; }
  STDMETHODIMP Subclasses_(LONG, IDispatch*, ISWbemObjectSet**) override { return E_NOTIMPL; }
  STDMETHODIMP SubclassesAsync_(IDispatch*, LONG, IDispatch*, IDispatch*) override { return E_NOTIMPL; }
  STDMETHODIMP Associators_(BSTR, BSTR, BSTR, BSTR, VARIANT_BOOL, VARIANT_BOOL, BSTR, BSTR, LONG, IDispatch*,
                            ISWbemObjectSet**) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP AssociatorsAsync_(IDispatch*, BSTR, BSTR, BSTR, BSTR, VARIANT_BOOL, VARIANT_BOOL, BSTR, BSTR, LONG,
                                 IDispatch*, IDispatch*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP References_(BSTR, BSTR, VARIANT_BOOL, VARIANT_BOOL, BSTR, LONG, IDispatch*,
                           ISWbemObjectSet**) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP ReferencesAsync_(IDispatch*, BSTR, BSTR, VARIANT_BOOL, VARIANT_BOOL, BSTR, LONG, IDispatch*,
                                IDispatch*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP ExecMethod_(BSTR, IDispatch*, LONG, IDispatch*, ISWbemObject**) override { return E_NOTIMPL; }
  STDMETHODIMP ExecMethodAsync_(IDispatch*, BSTR, IDispatch*, LONG, IDispatch*, IDispatch*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP Clone_(ISWbemObject**) override { return E_NOTIMPL; }
  STDMETHODIMP GetObjectText_(LONG, BSTR*) override { return E_NOTIMPL; }
  STDMETHODIMP SpawnDerivedClass_(LONG, ISWbemObject**) override { return E_NOTIMPL; }
  STDMETHODIMP SpawnInstance_(LONG, ISWbemObject**) override { return E_NOTIMPL; }
  STDMETHODIMP CompareTo_(IDispatch*, LONG, VARIANT_BOOL*) override { return E_NOTIMPL; }
  STDMETHODIMP get_Qualifiers_(ISWbemQualifierSet**) override { return E_NOTIMPL; }
  STDMETHODIMP get_Methods_(ISWbemMethodSet**) override { return E_NOTIMPL; }
  STDMETHODIMP get_Derivation_(VARIANT*) override { return E_NOTIMPL; }
  STDMETHODIMP get_Path_(ISWbemObjectPath**) override { return E_NOTIMPL; }
  STDMETHODIMP get_Security_(ISWbemSecurity**) override { return E_NOTIMPL; }
};

struct ObjectSetStub : DispatchStub<ISWbemObjectSet> {
  using Interface = ISWbemObjectSet;
  STDMETHODIMP Item(BSTR, LONG, ISWbemObject**) override { return E_NOTIMPL; }
  STDMETHODIMP get_Count(LONG*) override { return E_NOTIMPL; }
  STDMETHODIMP get_Security_(ISWbemSecurity**) override { return E_NOTIMPL; }
  STDMETHODIMP ItemIndex(LONG, ISWbemObject**) override { return E_NOTIMPL; }
};

struct EnumStub : IEnumVARIANT {
  using Interface = IEnumVARIANT;
  STDMETHODIMP Clone(IEnumVARIANT**) override { return E_NOTIMPL; }
};

struct PropertySetStub : DispatchStub<ISWbemPropertySet> {
  using Interface = ISWbemPropertySet;
  STDMETHODIMP get__NewEnum(IUnknown**) override { return E_NOTIMPL; }
  STDMETHODIMP get_Count(LONG*) override { return E_NOTIMPL; }
  STDMETHODIMP Add(BSTR, WbemCimtypeEnum, VARIANT_BOOL, LONG, ISWbemProperty**) override { return E_NOTIMPL; }
  STDMETHODIMP Remove(BSTR, LONG) override { return E_NOTIMPL; }
};

struct PropertyStub : DispatchStub<ISWbemProperty> {
  using Interface = ISWbemProperty;
  STDMETHODIMP put_Value(VARIANT*) override { return E_NOTIMPL; }
  STDMETHODIMP get_Name(BSTR*) override { return E_NOTIMPL; }
  STDMETHODIMP get_IsLocal(VARIANT_BOOL*) override { return E_NOTIMPL; }
  STDMETHODIMP get_Origin(BSTR*) override { return E_NOTIMPL; }
  STDMETHODIMP get_CIMType(WbemCimtypeEnum*) override { return E_NOTIMPL; }
  STDMETHODIMP get_Qualifiers_(ISWbemQualifierSet**) override { return E_NOTIMPL; }
  STDMETHODIMP get_IsArray(VARIANT_BOOL*) override { return E_NOTIMPL; }
};

}  // namespace standin
