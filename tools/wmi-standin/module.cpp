// The in-process server: class factory, exports, the live-object count and error info.
#include <windows.h>
#include <oleauto.h>
#include <wbemdisp.h>
#include <wrl/client.h>

#include <atomic>
#include <cwchar>

#include "call_log.h"
#include "com_object.h"
#include "objects.h"

namespace standin {
namespace {

std::atomic<long> g_live{0};
std::atomic<long> g_locks{0};

// Lives as long as the module; COM's references to it do not count as live objects.
class ClassFactory final : public IClassFactory {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = iid == IID_IUnknown || iid == IID_IClassFactory ? this : nullptr;
    return *out ? S_OK : E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    return outer ? CLASS_E_NOAGGREGATION : CreateLocator(iid, out);
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    lock ? ++g_locks : --g_locks;
    return S_OK;
  }
};

ClassFactory g_factory;

}  // namespace

void LiveObjects::Add() noexcept { ++g_live; }

void LiveObjects::Remove() noexcept {
  if (--g_live == 0) call_log::Write(L"live-objects 0");
}

long LiveObjects::Count() noexcept { return g_live; }

HRESULT Report(HRESULT code, const wchar_t* description) noexcept {
  Microsoft::WRL::ComPtr<ICreateErrorInfo> created;
  Microsoft::WRL::ComPtr<IErrorInfo> info;
  if (description && SUCCEEDED(CreateErrorInfo(&created))) {
    created->SetSource(const_cast<LPOLESTR>(L"SWbemLocator"));
    created->SetDescription(const_cast<LPOLESTR>(description));
    created.As(&info);
  }
  SetErrorInfo(0, info.Get());
  return code;
}

}  // namespace standin

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_DETACH) {
    wchar_t line[48];
    std::swprintf(line, 48, L"live-objects %ld at unload", standin::LiveObjects::Count());
    // A null reserved means FreeLibrary: the process goes on.
    standin::call_log::WriteWhileUnloading(line, reserved == nullptr);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (clsid != CLSID_SWbemLocator) return CLASS_E_CLASSNOTAVAILABLE;
  return standin::g_factory.QueryInterface(iid, out);
}

STDAPI DllCanUnloadNow() { return standin::g_live == 0 && standin::g_locks == 0 ? S_OK : S_FALSE; }
