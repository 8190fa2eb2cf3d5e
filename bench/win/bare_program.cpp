// bare_orvel.exe: the floor of the end-to-end rows. It does what Orvelkit.exe does between its start
// and a filled list, the plainest way: the window and controls of the form definition, and at the
// first paint the scan's COM calls in the same order with the same arguments, the same ten row texts
// made in plain code, the status texts, and the list given its item count (it holds no items and
// asks for the texts as it paints). No toolkit, no WMI client, no records, no balloon, no glyphs.
#include <windows.h>
#include <commctrl.h>
#include <oleauto.h>
#include <wbemdisp.h>
#include <wrl/client.h>

#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "app/form_definition.h"
#include "app/form_layout.h"
#include "plain_values.h"

namespace {

using Microsoft::WRL::ComPtr;
using orvel::bench::Integer;
using orvel::bench::Seconds;
using orvel::ControlDef;
using orvel::ControlKind;
using orvel::Form1Controls;
using orvel::Form1Def;
using orvel::ProcessColumns;

constexpr char kClassName[] = "OrvelBareForm";
constexpr int kFirstControlId = 100;
constexpr long kConnectUseMaxWait = 0x80;
constexpr long kUseAmendedQualifiers = 0x20000;
constexpr const wchar_t* kProperties[] = {L"Name",           L"ExecutablePath", L"ProcessID",    L"ParentProcessId",
                                          L"SessionID",      L"ThreadCount",    L"Priority",     L"WorkingSetSize",
                                          L"HandleCount",    L"UserModeTime",   L"KernelModeTime"};
enum Property {
  kName, kPath, kProcessId, kParentId, kSession, kThreads, kPriority, kWorkingSet, kHandles, kUser, kKernel
};
constexpr int kColumns = 10;

struct Row {
  std::string texts[kColumns];
};

std::vector<HWND> controls;  // in the order of the form definition
bool scanned = false;

HWND Control(std::string_view name) {
  return controls[static_cast<std::size_t>(orvel::FindControlDef(name) - Form1Controls.data())];
}

// A failed step ends the program: the benchmark sees it end before its list is filled.
void Check(HRESULT result, const char* step) {
  if (SUCCEEDED(result)) return;
  std::fprintf(stderr, "bare_orvel: %s failed: 0x%08lX\n", step, static_cast<unsigned long>(result));
  ::ExitProcess(3);
}

// --- the window ----------------------------------------------------------------------------------

struct ControlClass {
  const char* name;
  DWORD style;
  DWORD exStyle;
};

// The classes and styles Orvelkit's toolkit gives each kind; speed buttons are plain buttons here.
ControlClass ClassOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::Label: return {"STATIC", WS_VISIBLE | SS_LEFT, 0};
    case ControlKind::Edit: return {"EDIT", WS_VISIBLE | ES_AUTOHSCROLL | ES_PASSWORD, WS_EX_CLIENTEDGE};
    case ControlKind::ComboDropDown: return {"COMBOBOX", WS_VISIBLE | CBS_AUTOHSCROLL | CBS_DROPDOWN | WS_VSCROLL, 0};
    case ControlKind::ComboSimple: return {"COMBOBOX", WS_VISIBLE | CBS_AUTOHSCROLL | CBS_SIMPLE, 0};
    case ControlKind::SpeedButton: return {"BUTTON", WS_VISIBLE | BS_PUSHBUTTON, 0};
    case ControlKind::Animate: return {ANIMATE_CLASSA, ACS_CENTER | ACS_TRANSPARENT, 0};
    case ControlKind::ListView: return {WC_LISTVIEWA, WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL | LVS_OWNERDATA, WS_EX_CLIENTEDGE};
    case ControlKind::StatusBar: return {STATUSCLASSNAMEA, WS_VISIBLE | SBARS_SIZEGRIP, 0};
  }
  return {"STATIC", 0, 0};
}

void AddColumns(HWND list) {
  ::SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  int index = 0;
  for (const orvel::ColumnDef& def : ProcessColumns) {
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = def.alignRight ? LVCFMT_RIGHT : LVCFMT_LEFT;
    column.cx = def.width;
    column.pszText = const_cast<char*>(def.caption);
    column.iSubItem = index;
    ::SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
    ++index;
  }
}

// Placed for the client area the window really has, as Orvelkit places them.
void CreateControls(HWND form, HINSTANCE instance, HFONT font) {
  RECT client;
  ::GetClientRect(form, &client);
  for (std::size_t i = 0; i < Form1Controls.size(); ++i) {
    const ControlDef& def = Form1Controls[i];
    const ControlClass cls = ClassOf(def.kind);
    const orvel::Rect place = orvel::AnchoredRect(def, client.right, client.bottom);
    const DWORD style = WS_CHILD | cls.style | (def.tabOrder >= 0 ? WS_TABSTOP : 0);
    const HWND control = ::CreateWindowExA(
        cls.exStyle, cls.name, def.caption ? def.caption : "", style, place.left, place.top, place.width, place.height,
        form, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + static_cast<int>(i))), instance, nullptr);
    ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    controls.push_back(control);
  }
  ::SendMessageA(Control("StatusBar"), SB_SIMPLE, TRUE, 0);
  AddColumns(Control("ListView1"));
}

// --- the scan ------------------------------------------------------------------------------------

std::string Narrow(const VARIANT& value) {
  if (value.vt != VT_BSTR || !value.bstrVal) return {};
  const int length = static_cast<int>(::SysStringLen(value.bstrVal));
  if (length == 0) return {};
  std::string text(static_cast<std::size_t>(length) * 2, '\0');
  const int made = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, value.bstrVal, length, text.data(),
                                         static_cast<int>(text.size()), nullptr, nullptr);
  text.resize(made > 0 ? static_cast<std::size_t>(made) : 0);
  return text;
}

std::string Number(const VARIANT& value) { return std::to_string(static_cast<std::uint32_t>(Integer(value))); }

std::string TwoDigits(unsigned value) {
  char text[4];
  std::snprintf(text, sizeof text, "%02u", value);
  return text;
}

// Empty for none, seconds below a minute, the user's long time format below an hour, else h:mm:ss.
std::string CpuTime(std::uint32_t seconds) {
  if (seconds == 0) return {};
  if (seconds < 60) return std::to_string(seconds) + " s";
  if (seconds < 3600) {
    SYSTEMTIME time{};
    time.wMinute = static_cast<WORD>(seconds / 60);
    time.wSecond = static_cast<WORD>(seconds % 60);
    char text[128] = {};
    ::GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &time, nullptr, text, sizeof text);
    return text;
  }
  char separator[8] = {};
  ::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STIME, separator, sizeof separator);
  return std::to_string(seconds / 3600) + separator + TwoDigits(seconds / 60 % 60) + separator +
         TwoDigits(seconds % 60);
}

Row RowOf(const VARIANT (&values)[std::size(kProperties)]) {
  return {{Narrow(values[kName]), Narrow(values[kPath]), Number(values[kProcessId]), Number(values[kParentId]),
           std::to_string(static_cast<std::uint32_t>(Integer(values[kWorkingSet]) / 1024)) + " K",
           CpuTime(Seconds(values[kUser]) + Seconds(values[kKernel])), Number(values[kHandles]),
           Number(values[kSession]), Number(values[kThreads]), Number(values[kPriority])}};
}

void SetStatus(const std::string& text) {
  ::SendMessageA(Control("StatusBar"), SB_SETTEXTA, SB_SIMPLEID, reinterpret_cast<LPARAM>(text.c_str()));
}

std::vector<Row> ReadProcesses(const std::string& computer) {
  SetStatus("Start...");
  ComPtr<IUnknown> unknown;
  Check(::CoCreateInstance(__uuidof(SWbemLocator), nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IUnknown,
                           reinterpret_cast<void**>(unknown.GetAddressOf())),
        "CoCreateInstance");
  ComPtr<ISWbemLocator> locator;
  Check(unknown.As(&locator), "QueryInterface ISWbemLocator");
  SetStatus("Connecting to " + computer + " ...");

  std::wstring wideComputer(computer.size(), L'\0');
  wideComputer.resize(static_cast<std::size_t>(::MultiByteToWideChar(
      CP_ACP, 0, computer.data(), static_cast<int>(computer.size()), wideComputer.data(),
      static_cast<int>(wideComputer.size()))));
  BSTR server = ::SysAllocString(wideComputer.c_str());
  BSTR nameSpace = ::SysAllocString(L"root\\CIMV2");
  BSTR empty = ::SysAllocString(L"");
  ComPtr<ISWbemServices> services;
  Check(locator->ConnectServer(server, nameSpace, empty, empty, empty, empty, kConnectUseMaxWait, nullptr, &services),
        "ConnectServer");
  ::SysFreeString(server);
  ::SysFreeString(nameSpace);
  ::SysFreeString(empty);

  ComPtr<ISWbemSecurity> security;
  Check(services->get_Security_(&security), "Security_");
  Check(security->put_ImpersonationLevel(wbemImpersonationLevelImpersonate), "ImpersonationLevel");
  security.Reset();
  Check(services->get_Security_(&security), "Security_");
  ComPtr<ISWbemPrivilegeSet> privileges;
  Check(security->get_Privileges(&privileges), "Privileges");
  ComPtr<ISWbemPrivilege> privilege;
  Check(privileges->Add(wbemPrivilegeDebug, VARIANT_TRUE, &privilege), "Privileges.Add");

  BSTR className = ::SysAllocString(L"Win32_Process");
  ComPtr<ISWbemObject> processClass;
  Check(services->Get(className, kUseAmendedQualifiers, nullptr, &processClass), "Get");
  ::SysFreeString(className);
  ComPtr<ISWbemObjectSet> instances;
  Check(processClass->Instances_(0, nullptr, &instances), "Instances_");
  ComPtr<IUnknown> enumerator;
  Check(instances->get__NewEnum(&enumerator), "_NewEnum");
  ComPtr<IEnumVARIANT> elements;
  Check(enumerator.As(&elements), "QueryInterface IEnumVARIANT");

  BSTR names[std::size(kProperties)];
  for (std::size_t i = 0; i < std::size(kProperties); ++i) names[i] = ::SysAllocString(kProperties[i]);
  std::vector<Row> rows;
  for (;;) {
    VARIANT element;
    ::VariantInit(&element);
    ULONG fetched = 0;
    if (elements->Next(1, &element, &fetched) != S_OK) break;
    ComPtr<ISWbemObject> object;
    Check(element.pdispVal->QueryInterface(IID_PPV_ARGS(&object)), "QueryInterface ISWbemObject");
    ComPtr<ISWbemPropertySet> properties;
    Check(object->get_Properties_(&properties), "Properties_");
    VARIANT values[std::size(kProperties)];
    for (std::size_t i = 0; i < std::size(kProperties); ++i) {
      ::VariantInit(&values[i]);
      ComPtr<ISWbemProperty> property;
      Check(properties->Item(names[i], 0, &property), "Item");
      Check(property->get_Value(&values[i]), "Value");
    }
    rows.push_back(RowOf(values));
    for (VARIANT& value : values) ::VariantClear(&value);
    ::VariantClear(&element);
  }
  for (BSTR name : names) ::SysFreeString(name);
  return rows;
}

// The rows the list shows by index: it holds no items and asks for each text as it paints
// (LVN_GETDISPINFO), as Orvelkit's does.
std::vector<Row> listed;

void FillList(std::vector<Row> rows) {
  const HWND list = Control("ListView1");
  listed = std::move(rows);
  ::SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  ::SendMessageA(list, LVM_SETITEMCOUNT, listed.size(), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
  ::SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(list, nullptr, TRUE);
}

void CopyCellText(LVITEMA& item) {
  const auto row = static_cast<std::size_t>(item.iItem);
  if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0 || row >= listed.size() ||
      item.iSubItem < 0 || item.iSubItem >= kColumns)
    return;
  ::lstrcpynA(item.pszText, listed[row].texts[item.iSubItem].c_str(), item.cchTextMax);
}

void Scan() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  ::GetComputerNameA(name, &size);
  std::vector<Row> rows = ReadProcesses(name);
  const std::size_t count = rows.size();
  FillList(std::move(rows));
  SetStatus(std::to_string(count) + " processes");
}

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      ::BeginPaint(window, &paint);
      ::EndPaint(window, &paint);
      // The first paint starts the scan, as Orvelkit's does.
      if (!scanned) {
        scanned = true;
        Scan();
      }
      return 0;
    }
    case WM_NOTIFY:
      if (reinterpret_cast<const NMHDR*>(lParam)->code == LVN_GETDISPINFOA) {
        CopyCellText(reinterpret_cast<NMLVDISPINFOA*>(lParam)->item);
        return 0;
      }
      return ::DefWindowProcA(window, message, wParam, lParam);
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  INITCOMMONCONTROLSEX classes{};
  classes.dwSize = sizeof classes;
  classes.dwICC = ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES;
  ::InitCommonControlsEx(&classes);
  WNDCLASSEXA cls{};
  cls.cbSize = sizeof cls;
  cls.lpfnWndProc = &Procedure;
  cls.hInstance = instance;
  cls.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  cls.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  cls.lpszClassName = kClassName;
  if (!::RegisterClassExA(&cls)) return 1;
  const HFONT font = ::CreateFontA(Form1Def.fontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                   OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                   DEFAULT_PITCH | FF_DONTCARE, Form1Def.fontName);
  const HRESULT com = ::CoInitialize(nullptr);
  const int left = (::GetSystemMetrics(SM_CXSCREEN) - Form1Def.outerWidth) / 2;
  const int top = (::GetSystemMetrics(SM_CYSCREEN) - Form1Def.outerHeight) / 2;
  const HWND form = ::CreateWindowExA(WS_EX_CONTROLPARENT, kClassName, Form1Def.caption,
                                      WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, left > 0 ? left : 0, top > 0 ? top : 0,
                                      Form1Def.outerWidth, Form1Def.outerHeight, nullptr, nullptr, instance, nullptr);
  if (!form) return 1;
  CreateControls(form, instance, font);
  ::ShowWindow(form, showCommand);
  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  if (SUCCEEDED(com)) ::CoUninitialize();
  ::DeleteObject(font);
  return 0;
}
