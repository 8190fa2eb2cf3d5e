// Plumbing shared by every stand-in object: reference counts, the live-object count, error info.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <type_traits>

namespace standin {

// How many stand-in objects someone still references; the call log shows it whenever it drops to zero.
class LiveObjects {
 public:
  static void Add() noexcept;
  static void Remove() noexcept;
  static long Count() noexcept;
};

// A failure to hand back: the result code and, when there is one, the error info's description.
struct Fault {
  HRESULT code = E_FAIL;
  std::optional<std::wstring> description;
};

// Sets the thread's error info to the description, or clears it so that no stale info outlives the call.
HRESULT Report(HRESULT code, const wchar_t* description) noexcept;
inline HRESULT Report(const Fault& fault) noexcept {
  return Report(fault.code, fault.description ? fault.description->c_str() : nullptr);
}

// No C++ exception may leave a COM method.
template <class Body>
HRESULT Guard(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return Report(E_OUTOFMEMORY, nullptr);
  } catch (...) {
    return Report(E_UNEXPECTED, nullptr);
  }
}

template <class Out>
HRESULT CheckOut(Out** out) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;
  return S_OK;
}

// IDispatch for the dual interfaces: the program calls the vtable directly, so no type information.
template <class Interface>
struct DispatchStub : Interface {
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }
};

// Base of every object: Stub implements the object's main interface Stub::Interface.
template <class Stub>
class ComObject : public Stub, public ISupportErrorInfo {
 public:
  using Interface = typename Stub::Interface;

  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == __uuidof(Interface)) {
      const HRESULT answer = AnswerMainInterface();
      if (FAILED(answer)) return answer;
      *out = static_cast<Interface*>(this);
    } else if (iid == IID_IUnknown || (iid == IID_IDispatch && std::is_base_of_v<IDispatch, Interface>)) {
      *out = static_cast<Interface*>(this);
    } else if (iid == IID_ISupportErrorInfo) {
      *out = static_cast<ISupportErrorInfo*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override {
    return iid == __uuidof(Interface) ? S_OK : S_FALSE;
  }

  // The main interface pointer, handing over the creation reference.
  Interface* Detach() noexcept { return static_cast<Interface*>(this); }

 protected:
  ComObject() noexcept { LiveObjects::Add(); }
  virtual ~ComObject() { LiveObjects::Remove(); }

  // Lets an injected fault refuse QueryInterface for the main interface.
  virtual HRESULT AnswerMainInterface() { return S_OK; }

 private:
  std::atomic<ULONG> references_{1};
};

}  // namespace standin
