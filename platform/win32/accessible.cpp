#include "accessible.h"

#include <oleacc.h>
#include <wrl/client.h>

#include <atomic>
#include <new>
#include <utility>

#include "com.h"
#include "window.h"

namespace orvel {
namespace {

using Microsoft::WRL::ComPtr;

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

HRESULT Text(const std::string& text, BSTR* result) {
  if (!result) return E_POINTER;
  *result = nullptr;
  if (text.empty()) return S_FALSE;
  try {
    *result = com::Bstr(text).Detach();
    return S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

// The standard object of the window answers everything the control does not know better; the
// control is looked up through its window at every question, so an object that outlives the
// window answers that it is gone instead of reaching a destroyed control.
class Accessible final : public IAccessible {
 public:
  Accessible(HWND window, ComPtr<IAccessible> standard) : window_(window), standard_(std::move(standard)) {}

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
      *object = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // IDispatch: the standard object's, as its type information describes IAccessible.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return standard_->GetTypeInfoCount(count); }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
    return standard_->GetTypeInfo(index, locale, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override {
    return standard_->GetIDsOfNames(iid, names, count, locale, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argument) override {
    return standard_->Invoke(id, iid, locale, flags, parameters, result, exception, argument);
  }

  // IAccessible: the control's own answers about itself.
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (!IsSelf(child)) return standard_->get_accName(child, name);
    const AccessibleFacts* facts = Facts();
    return facts ? Text(facts->AccessibleName(), name) : RPC_E_DISCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    const AccessibleFacts* facts = IsSelf(child) ? Facts() : nullptr;
    if (!facts || !facts->IsPushButton()) return standard_->get_accRole(child, role);
    if (!role) return E_POINTER;
    role->vt = VT_I4;
    role->lVal = ROLE_SYSTEM_PUSHBUTTON;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    const AccessibleFacts* facts = IsSelf(child) ? Facts() : nullptr;
    if (!facts || !facts->IsPushButton()) return standard_->get_accState(child, state);
    if (!state) return E_POINTER;
    state->vt = VT_I4;
    state->lVal = facts->AccessibleState();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
    const AccessibleFacts* facts = IsSelf(child) ? Facts() : nullptr;
    if (!facts || !facts->IsPushButton()) return standard_->get_accKeyboardShortcut(child, shortcut);
    return Text(facts->AccessibleShortcut(), shortcut);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    const AccessibleFacts* facts = IsSelf(child) ? Facts() : nullptr;
    if (!facts || !facts->IsPushButton()) return standard_->get_accDefaultAction(child, action);
    return Text("Press", action);
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    AccessibleFacts* facts = IsSelf(child) ? Facts() : nullptr;
    if (!facts || !facts->IsPushButton()) return standard_->accDoDefaultAction(child);
    return facts->DoDefaultAction() ? S_OK : E_FAIL;
  }

  // IAccessible: the standard object's answers.
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { return standard_->get_accParent(parent); }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override { return standard_->get_accChildCount(count); }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
    return standard_->get_accChild(child, object);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return standard_->get_accValue(child, value);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
    return standard_->get_accDescription(child, description);
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override { return standard_->get_accHelp(child, help); }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
    return standard_->get_accHelpTopic(file, child, topic);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override { return standard_->get_accFocus(focus); }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    return standard_->get_accSelection(selection);
  }
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override { return standard_->accSelect(flags, child); }
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
    return standard_->accLocation(left, top, width, height, child);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
    return standard_->accNavigate(direction, start, end);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override {
    return standard_->accHitTest(x, y, child);
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override { return standard_->put_accName(child, name); }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
    return standard_->put_accValue(child, value);
  }

 private:
  ~Accessible() = default;

  // Questions arrive on the window's thread (the apartment the object lives in).
  AccessibleFacts* Facts() const {
    if (!::IsWindow(window_)) return nullptr;
    auto* object = reinterpret_cast<Win32Window*>(::GetWindowLongPtrA(window_, GWLP_USERDATA));
    return dynamic_cast<AccessibleFacts*>(object);
  }

  HWND window_;
  ComPtr<IAccessible> standard_;
  std::atomic<ULONG> references_{1};
};

std::string SystemFolderPath(const char* file) {
  char folder[MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryA(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return file;
  return std::string(folder) + "\\" + file;
}

// Active Accessibility's library, loaded when a client first asks rather than at every start.
struct AccessibilityLibrary {
  using CreateStdAccessibleObjectFunction = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
  using LresultFromObjectFunction = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);

  AccessibilityLibrary() {
    HMODULE oleacc = ::LoadLibraryExA("oleacc.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!oleacc) oleacc = ::LoadLibraryA(SystemFolderPath("oleacc.dll").c_str());  // Windows 7 without the flag
    if (!oleacc) return;
    createStandard = reinterpret_cast<CreateStdAccessibleObjectFunction>(
        reinterpret_cast<void (*)()>(::GetProcAddress(oleacc, "CreateStdAccessibleObject")));
    lresultFromObject = reinterpret_cast<LresultFromObjectFunction>(
        reinterpret_cast<void (*)()>(::GetProcAddress(oleacc, "LresultFromObject")));
  }
  CreateStdAccessibleObjectFunction createStandard = nullptr;
  LresultFromObjectFunction lresultFromObject = nullptr;
};

}  // namespace

LRESULT AccessibleClientObject(HWND window, WPARAM wParam) {
  static const AccessibilityLibrary library;
  if (!library.createStandard || !library.lresultFromObject) return 0;
  ComPtr<IAccessible> standard;
  if (FAILED(library.createStandard(window, OBJID_CLIENT, __uuidof(IAccessible),
                                    reinterpret_cast<void**>(standard.GetAddressOf()))))
    return 0;
  Accessible* object = new (std::nothrow) Accessible(window, std::move(standard));
  if (!object) return 0;
  const LRESULT result = library.lresultFromObject(__uuidof(IAccessible), wParam, object);
  object->Release();
  return result < 0 ? 0 : result;
}

}  // namespace orvel
