#include "accessible.h"

#include <oleacc.h>
#include <wrl/client.h>

#include <atomic>
#include <new>
#include <utility>

#include "com.h"
#include "system.h"
#include "window.h"

namespace orvel {
namespace {

using Microsoft::WRL::ComPtr;

// Declared by oleacc.h only for programs that define the GUIDs themselves (initguid.h).
constexpr GUID kAccPropServicesClass = {0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr IID kAccPropServicesInterface = {0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
constexpr GUID kNameProperty = {0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};
constexpr GUID kAccessibilityLibrary = {0x1ea4dbf0, 0x3c3b, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

// CHILDID_SELF, also when a client through IDispatch leaves the optional argument out.
bool IsSelf(const VARIANT& child) {
  return (child.vt == VT_I4 && child.lVal == CHILDID_SELF) || child.vt == VT_EMPTY ||
         (child.vt == VT_ERROR && child.scode == DISP_E_PARAMNOTFOUND);
}

// A text answer made by `text` (which may fail to allocate, as nothing may unwind into the client).
template <class MakeText>
HRESULT Text(MakeText text, BSTR* result) noexcept {
  if (!result) return E_POINTER;
  *result = nullptr;
  try {
    const std::string made = text();
    if (made.empty()) return S_FALSE;
    *result = com::Bstr(made).Detach();
    return S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

// IAccessible's type information: the interface part that DispInvoke calls through. From the
// standard object, else from the type library Active Accessibility registers; null without either.
ComPtr<ITypeInfo> InterfaceTypeInfo(IAccessible& standard) {
  ComPtr<ITypeInfo> info;
  if (FAILED(standard.GetTypeInfo(0, LOCALE_USER_DEFAULT, info.GetAddressOf())) || !info) {
    ComPtr<ITypeLib> library;
    info.Reset();
    if (FAILED(::LoadRegTypeLib(kAccessibilityLibrary, 1, 1, 0, library.GetAddressOf())) ||
        FAILED(library->GetTypeInfoOfGuid(__uuidof(IAccessible), info.GetAddressOf())))
      return nullptr;
  }
  // A dual interface comes as its dispatch part; the calls go through the interface part.
  TYPEATTR* attributes = nullptr;
  if (FAILED(info->GetTypeAttr(&attributes))) return nullptr;
  const bool dispatchPart = attributes->typekind == TKIND_DISPATCH;
  info->ReleaseTypeAttr(attributes);
  if (!dispatchPart) return info;
  HREFTYPE reference = 0;
  ComPtr<ITypeInfo> interfacePart;
  if (FAILED(info->GetRefTypeOfImplType(-1, &reference)) ||
      FAILED(info->GetRefTypeInfo(reference, interfacePart.GetAddressOf())))
    return nullptr;
  return interfacePart;
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

  // IDispatch: IAccessible's type information calls this object's own methods, so a client
  // through IDispatch hears what one through IAccessible hears.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = TypeInfo() ? 1 : 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    ITypeInfo* own = TypeInfo();
    if (!own) return E_NOTIMPL;
    own->AddRef();
    *info = own;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    ITypeInfo* own = TypeInfo();
    return own ? ::DispGetIDsOfNames(own, names, count, ids) : E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* parameters, VARIANT* result,
                                   EXCEPINFO* exception, UINT* argument) override {
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    ITypeInfo* own = TypeInfo();
    if (!own) return E_NOTIMPL;
    return ::DispInvoke(static_cast<IAccessible*>(this), own, id, flags, parameters, result, exception, argument);
  }

  // IAccessible: the control's own answers about itself.
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (!IsSelf(child)) return standard_->get_accName(child, name);
    const AccessibleFacts* facts = Facts();
    return facts ? Text([&] { return facts->AccessibleName(); }, name) : RPC_E_DISCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    const AccessibleFacts* facts = IsSelf(child) ? Facts() : nullptr;
    if (!facts || !facts->IsPushButton()) return standard_->get_accRole(Standard(child), role);
    if (!role) return E_POINTER;
    role->vt = VT_I4;
    role->lVal = ROLE_SYSTEM_PUSHBUTTON;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    const AccessibleFacts* facts = IsSelf(child) ? Facts() : nullptr;
    if (!facts || !facts->IsPushButton()) return standard_->get_accState(Standard(child), state);
    if (!state) return E_POINTER;
    state->vt = VT_I4;
    state->lVal = facts->AccessibleState();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
    const AccessibleFacts* facts = IsSelf(child) ? Facts() : nullptr;
    if (!facts || !facts->IsPushButton()) return standard_->get_accKeyboardShortcut(Standard(child), shortcut);
    return Text([&] { return facts->AccessibleShortcut(); }, shortcut);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    const AccessibleFacts* facts = IsSelf(child) ? Facts() : nullptr;
    if (!facts || !facts->IsPushButton()) return standard_->get_accDefaultAction(Standard(child), action);
    return Text([] { return std::string("Press"); }, action);
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    AccessibleFacts* facts = IsSelf(child) ? Facts() : nullptr;
    if (!facts || !facts->IsPushButton()) return standard_->accDoDefaultAction(Standard(child));
    return facts->DoDefaultAction() ? S_OK : E_FAIL;
  }

  // IAccessible: the standard object's answers.
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { return standard_->get_accParent(parent); }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override { return standard_->get_accChildCount(count); }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
    return standard_->get_accChild(child, object);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return standard_->get_accValue(Standard(child), value);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
    return standard_->get_accDescription(Standard(child), description);
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
    return standard_->get_accHelp(Standard(child), help);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
    return standard_->get_accHelpTopic(file, Standard(child), topic);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override { return standard_->get_accFocus(focus); }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    return standard_->get_accSelection(selection);
  }
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
    return standard_->accSelect(flags, Standard(child));
  }
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
    return standard_->accLocation(left, top, width, height, Standard(child));
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
    return standard_->accNavigate(direction, Standard(start), end);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override {
    return standard_->accHitTest(x, y, child);
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
    return standard_->put_accName(Standard(child), name);
  }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
    return standard_->put_accValue(Standard(child), value);
  }

 private:
  ~Accessible() = default;

  // An omitted child, as the standard object understands it: the object itself.
  static VARIANT Standard(const VARIANT& child) {
    if (child.vt == VT_I4 || !IsSelf(child)) return child;
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    return self;
  }

  // Questions arrive on the window's thread (the apartment the object lives in).
  AccessibleFacts* Facts() const {
    if (!::IsWindow(window_)) return nullptr;
    auto* object = reinterpret_cast<Win32Window*>(::GetWindowLongPtrW(window_, GWLP_USERDATA));
    return dynamic_cast<AccessibleFacts*>(object);
  }

  // Looked up on the first call through IDispatch; most clients never make one.
  ITypeInfo* TypeInfo() {
    if (!typeInfoLooked_) {
      typeInfoLooked_ = true;
      typeInfo_ = InterfaceTypeInfo(*standard_.Get());
    }
    return typeInfo_.Get();
  }

  HWND window_;
  ComPtr<IAccessible> standard_;
  ComPtr<ITypeInfo> typeInfo_;
  bool typeInfoLooked_ = false;
  std::atomic<ULONG> references_{1};
};

// Active Accessibility's library, loaded when a client first asks rather than at every start.
struct AccessibilityLibrary {
  using CreateStdAccessibleObjectFunction = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
  using LresultFromObjectFunction = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);

  AccessibilityLibrary() {
    const HMODULE oleacc = LoadSystemLibrary("oleacc.dll");
    if (!oleacc) return;
    createStandard = reinterpret_cast<CreateStdAccessibleObjectFunction>(
        reinterpret_cast<void (*)()>(::GetProcAddress(oleacc, "CreateStdAccessibleObject")));
    lresultFromObject = reinterpret_cast<LresultFromObjectFunction>(
        reinterpret_cast<void (*)()>(::GetProcAddress(oleacc, "LresultFromObject")));
  }
  CreateStdAccessibleObjectFunction createStandard = nullptr;
  LresultFromObjectFunction lresultFromObject = nullptr;
};

// The object of the window's client area: the standard one with the control's answers.
LRESULT OwnClientObject(HWND window, WPARAM wParam) {
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

// Dynamic Annotation's service; null where it cannot be made (no such class, no COM on the thread).
ComPtr<IAccPropServices> PropertyServices() {
  ComPtr<IAccPropServices> services;
  if (FAILED(::CoCreateInstance(kAccPropServicesClass, nullptr, CLSCTX_INPROC_SERVER, kAccPropServicesInterface,
                                reinterpret_cast<void**>(services.GetAddressOf()))))
    return nullptr;
  return services;
}

// The window's standard object answers with this name from now on; false where the system cannot
// annotate (Wine's service answers E_NOTIMPL).
bool AnnotateName(HWND window, const std::string& name) {
  const ComPtr<IAccPropServices> services = PropertyServices();
  if (!services || name.empty()) return false;
  const com::Bstr text(name);  // converted as every other text handed to COM
  return SUCCEEDED(services->SetHwndPropStr(window, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, kNameProperty,
                                            text.get()));
}

void ClearNameAnnotation(HWND window) noexcept {
  if (const ComPtr<IAccPropServices> services = PropertyServices())
    services->ClearHwndProps(window, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, &kNameProperty, 1);
}

}  // namespace

// Tried once, at the first question, so that the start of the program loads nothing for it.
LRESULT AccessibleFacts::ClientObject(HWND window, WPARAM wParam) {
  if (naming_ == Naming::Untried && !IsPushButton()) {
    const std::string name = AccessibleName();
    if (!name.empty()) naming_ = AnnotateName(window, name) ? Naming::Annotated : Naming::OwnObject;
  }
  if (naming_ == Naming::Annotated) return 0;
  return OwnClientObject(window, wParam);
}

void AccessibleFacts::NameChanged(HWND window) {
  if (naming_ != Naming::Annotated || AnnotateName(window, AccessibleName())) return;
  ClearNameAnnotation(window);
  naming_ = Naming::OwnObject;
}

void AccessibleFacts::Forget(HWND window) noexcept {
  if (naming_ == Naming::Annotated) ClearNameAnnotation(window);
  naming_ = Naming::Untried;
}

}  // namespace orvel
