#include "harness.h"

#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "platform/utf.h"

namespace e2e {

std::string Utf8(std::wstring_view text) { return orvel::utf::ToUtf8<wchar_t>(text); }

std::wstring Wide(std::string_view text) {
  const std::u16string units = orvel::utf::ToUtf16(text);
  return std::wstring(units.begin(), units.end());
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto end = Clock::now() + timeout;
  for (;;) {
    if (condition()) return true;
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(50ms);
  }
}

std::string WindowsPath(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

// Wine's own translation.
std::string UnixPath(const std::string& windowsPath) {
  using Translate = char*(CDECL*)(const WCHAR*);
  const FARPROC symbol = ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
  const auto translate = reinterpret_cast<Translate>(reinterpret_cast<void*>(symbol));
  if (!translate) throw std::runtime_error("not running under Wine");
  std::wstring wide(windowsPath.begin(), windowsPath.end());
  char* unix = translate(wide.c_str());
  if (!unix) throw std::runtime_error("no Unix path for " + windowsPath);
  std::string result = unix;
  ::HeapFree(::GetProcessHeap(), 0, unix);
  return result;
}

std::string TempDir() {
  char base[MAX_PATH];
  GetTempPathA(MAX_PATH, base);
  static int counter = 0;
  const std::string dir = std::string(base) + "orvel-e2e-" + std::to_string(GetCurrentProcessId()) + "-" +
                          std::to_string(++counter);
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir;
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Bracketed(const std::vector<std::string>& texts) {
  std::string all;
  for (const std::string& text : texts) all += "[" + text + "] ";
  return all;
}

// ---- the program under test ----

std::string EnvironmentBlock(const std::vector<std::pair<std::string, std::string>>& extra) {
  std::map<std::string, std::string> vars;
  char* block = GetEnvironmentStringsA();
  for (const char* p = block; *p; p += std::strlen(p) + 1) {
    const char* eq = std::strchr(p + 1, '=');  // a leading "=" belongs to the name
    if (eq) vars[std::string(p, eq)] = eq + 1;
  }
  FreeEnvironmentStringsA(block);
  for (const auto& [name, value] : extra) vars[name] = value;
  std::string result;
  for (const auto& [name, value] : vars) result += name + "=" + value + '\0';
  return result + '\0';
}

namespace {

struct FindState {
  DWORD pid;
  std::vector<HWND> found;
  bool dialogs;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM data) {
  auto* state = reinterpret_cast<FindState*>(data);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != state->pid || !IsWindowVisible(window)) return TRUE;
  const bool dialog = ClassName(window) == "#32770";
  if (dialog == state->dialogs && ClassName(window) != "tooltips_class32") state->found.push_back(window);
  return TRUE;
}

}  // namespace

HWND FindMainWindow(DWORD processId, std::chrono::milliseconds timeout) {
  HWND main = nullptr;
  WaitFor([&] {
    FindState state{processId, {}, false};
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&state));
    for (HWND w : state.found)
      if (Text(w).find("Orvel") != std::string::npos) main = w;
    return main != nullptr;
  }, timeout);
  return main;
}

std::vector<HWND> Dialogs(DWORD processId) {
  FindState state{processId, {}, true};
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&state));
  return state.found;
}

DWORD ThreadCount(DWORD processId) {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  DWORD count = 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
    count += entry.th32OwnerProcessID == processId;
  CloseHandle(snapshot);
  return count;
}

Program::Program(const std::string& arguments, std::vector<std::pair<std::string, std::string>> environment,
                 int showCommand) {
  const std::string exe = WindowsPath(ORVEL_EXE_UNIX_PATH);
  std::string commandLine = "\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments);
  std::string env = EnvironmentBlock(environment);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(showCommand);
  if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, env.data(), nullptr, &startup,
                      &info_))
    throw std::runtime_error("cannot start " + exe + ": error " + std::to_string(GetLastError()));
}

Program::~Program() {
  if (Running()) {
    TerminateProcess(info_.hProcess, 1);
    WaitForSingleObject(info_.hProcess, 30000);
  }
  CloseHandle(info_.hThread);
  CloseHandle(info_.hProcess);
}

bool Program::Running() const { return WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }

DWORD Program::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(info_.hProcess, &code);
  return code;
}

HWND Program::MainWindow(std::chrono::milliseconds timeout) {
  if (main_ && IsWindow(main_)) return main_;
  main_ = FindMainWindow(Id(), timeout);
  if (!main_) throw std::runtime_error("the main window did not appear");
  return main_;
}

std::vector<HWND> Program::Dialogs() const { return e2e::Dialogs(Id()); }

void Program::Close(std::chrono::milliseconds timeout) {
  if (main_) PostMessageA(main_, WM_CLOSE, 0, 0);
  WaitForSingleObject(info_.hProcess, static_cast<DWORD>(timeout.count()));
}

// ---- windows and controls ----

std::string Text(HWND window) {
  wchar_t text[4096] = {};
  SendMessageTimeoutW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 10000, nullptr);
  return Utf8(text);
}

std::string ClassName(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

namespace {

struct ChildQuery {
  HWND parent;
  const char* className;
  int left;
  std::string text;
  bool byText;
  HWND found;
};

BOOL CALLBACK MatchChild(HWND window, LPARAM data) {
  auto* q = reinterpret_cast<ChildQuery*>(data);
  if (GetParent(window) != q->parent || ClassName(window) != q->className) return TRUE;
  if (q->byText) {
    if (Text(window) != q->text) return TRUE;
  } else if (q->left >= 0) {
    RECT r;
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, q->parent, reinterpret_cast<POINT*>(&r), 2);
    if (r.left != q->left) return TRUE;
  }
  q->found = window;
  return FALSE;
}

// A block of the program's memory for one cross-process message.
class RemoteBuffer {
 public:
  RemoteBuffer(HWND window, std::size_t size) : size_(size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process_) throw std::runtime_error("cannot open the program's process");
    address_ = static_cast<char*>(VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE));
    if (!address_) throw std::runtime_error("cannot allocate in the program's process");
  }
  ~RemoteBuffer() {
    VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    CloseHandle(process_);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;
  char* Address(std::size_t offset = 0) const { return address_ + offset; }
  void Write(std::size_t offset, const void* data, std::size_t size) {
    WriteProcessMemory(process_, address_ + offset, data, size, nullptr);
  }
  void Read(std::size_t offset, void* data, std::size_t size) const {
    ReadProcessMemory(process_, address_ + offset, data, size, nullptr);
  }
  // A terminated UTF-16 text of at most `units` units, as UTF-8.
  std::string ReadText(std::size_t offset, std::size_t units) const {
    std::wstring text(units, L'\0');
    Read(offset, text.data(), units * sizeof(wchar_t));
    text.resize(std::wcslen(text.c_str()));
    return Utf8(text);
  }

 private:
  HANDLE process_ = nullptr;
  char* address_ = nullptr;
  std::size_t size_;
};

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, 30000, &result);
  return static_cast<LRESULT>(result);
}

constexpr std::size_t kTextOffset = 512;
constexpr std::size_t kTextUnits = 33000;
constexpr std::size_t kTextBytes = kTextUnits * sizeof(wchar_t);

}  // namespace

HWND Child(HWND parent, const char* className, int left) {
  ChildQuery q{parent, className, left, {}, false, nullptr};
  EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&q));
  return q.found;
}

HWND ChildByText(HWND parent, const char* className, const std::string& text) {
  ChildQuery q{parent, className, -1, text, true, nullptr};
  EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&q));
  return q.found;
}

HWND FocusedWindow(HWND main) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

int ListRowCount(HWND list) { return static_cast<int>(Send(list, LVM_GETITEMCOUNT, 0, 0)); }

std::vector<std::vector<std::string>> ListRows(HWND list, int columns) {
  RemoteBuffer buffer(list, kTextOffset + kTextBytes);
  std::vector<std::vector<std::string>> rows;
  const int count = ListRowCount(list);
  for (int row = 0; row < count; ++row) {
    std::vector<std::string> texts;
    for (int column = 0; column < columns; ++column) {
      LVITEMW item{};
      item.iSubItem = column;
      item.pszText = reinterpret_cast<wchar_t*>(buffer.Address(kTextOffset));
      item.cchTextMax = static_cast<int>(kTextUnits);
      buffer.Write(0, &item, sizeof item);
      Send(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(buffer.Address()));
      texts.push_back(buffer.ReadText(kTextOffset, kTextUnits));
    }
    rows.push_back(std::move(texts));
  }
  return rows;
}

std::string ListColumnCaption(HWND list, int column) {
  RemoteBuffer buffer(list, kTextOffset + 1024 * sizeof(wchar_t));
  LVCOLUMNW c{};
  c.mask = LVCF_TEXT;
  c.pszText = reinterpret_cast<wchar_t*>(buffer.Address(kTextOffset));
  c.cchTextMax = 1024;
  buffer.Write(0, &c, sizeof c);
  Send(list, LVM_GETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(buffer.Address()));
  return buffer.ReadText(kTextOffset, 1024);
}

int ListColumnWidth(HWND list, int column) {
  return static_cast<int>(Send(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}

std::string StatusText(HWND statusBar) {
  // Wine answers a simple status bar's text for part 0 only.
  RemoteBuffer buffer(statusBar, 4096 * sizeof(wchar_t));
  Send(statusBar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(buffer.Address()));
  return buffer.ReadText(0, 4096);
}

int ComboCount(HWND combo) { return static_cast<int>(Send(combo, CB_GETCOUNT, 0, 0)); }

std::string ComboItem(HWND combo, int index) {
  // In UTF-16: Wine's ANSI CB_GETLBTEXT across processes comes back cut after the first character.
  const auto length = Send(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length < 0) return {};
  std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
  SendMessageTimeoutW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(wide.data()),
                      SMTO_NORMAL, 30000, nullptr);
  wide.resize(std::wcslen(wide.c_str()));
  return Utf8(wide);
}

Box ReadBox(HWND dialog) {
  Box box{Text(dialog), {}, false};
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (ClassName(child) != "Static") continue;
    // A box without an icon still holds an empty icon static.
    if (Send(child, STM_GETICON, 0, 0) != 0) box.hasIcon = true;
    const std::string text = Text(child);
    if (!text.empty()) box.text += (box.text.empty() ? "" : "\n") + text;
  }
  return box;
}

void PressButton(HWND dialog, const char* caption) {
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (ClassName(child) != "Button" || (caption && Text(child) != caption)) continue;
    PostMessageA(child, BM_CLICK, 0, 0);
    return;
  }
}

// ---- the clipboard ----

std::string ClipboardText() {
  if (!OpenClipboard(nullptr)) return {};
  std::string text;
  if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* wide = static_cast<const wchar_t*>(GlobalLock(data))) text = Utf8(wide);
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

void EmptyTheClipboard() {
  if (!OpenClipboard(nullptr)) return;
  EmptyClipboard();
  CloseClipboard();
}

// ---- input ----

void Click(HWND window, int x, int y, bool twice) {
  POINT p{x, y};
  ClientToScreen(window, &p);
  SetCursorPos(p.x, p.y);
  for (int i = 0; i < (twice ? 2 : 1); ++i) {
    INPUT input[2]{};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, input, sizeof(INPUT));
  }
}

void KeyPress(WORD virtualKey, bool shift, bool ctrl) {
  std::vector<INPUT> inputs;
  auto key = [&](WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    inputs.push_back(in);
  };
  if (shift) key(VK_SHIFT, false);
  if (ctrl) key(VK_CONTROL, false);
  key(virtualKey, false);
  key(virtualKey, true);
  if (ctrl) key(VK_CONTROL, true);
  if (shift) key(VK_SHIFT, true);
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// ---- screenshots ----

namespace {

std::uint32_t Crc32(const unsigned char* data, std::size_t size, std::uint32_t crc = 0) {
  crc = ~crc;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void PutBig32(std::string& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
}

void Chunk(std::string& png, const char* type, const std::string& data) {
  PutBig32(png, static_cast<std::uint32_t>(data.size()));
  const std::string body = std::string(type, 4) + data;
  png += body;
  PutBig32(png, Crc32(reinterpret_cast<const unsigned char*>(body.data()), body.size()));
}

// A PNG with stored (uncompressed) deflate blocks: no zlib needed.
std::string EncodePng(int width, int height, const std::vector<unsigned char>& rgbRows) {
  std::string ihdr;
  PutBig32(ihdr, static_cast<std::uint32_t>(width));
  PutBig32(ihdr, static_cast<std::uint32_t>(height));
  ihdr += std::string("\x08\x02\x00\x00\x00", 5);
  std::string z = "\x78\x01";
  std::uint32_t a = 1, b = 0;
  const std::size_t total = rgbRows.size();
  for (std::size_t pos = 0; pos < total || total == 0;) {
    const std::size_t n = std::min<std::size_t>(65535, total - pos);
    const bool last = pos + n == total;
    z += static_cast<char>(last ? 1 : 0);
    z += static_cast<char>(n & 0xFF);
    z += static_cast<char>(n >> 8);
    z += static_cast<char>(~n & 0xFF);
    z += static_cast<char>((~n >> 8) & 0xFF);
    z.append(reinterpret_cast<const char*>(rgbRows.data() + pos), n);
    for (std::size_t i = pos; i < pos + n; ++i) {
      a = (a + rgbRows[i]) % 65521;
      b = (b + a) % 65521;
    }
    pos += n;
    if (last) break;
  }
  PutBig32(z, (b << 16) | a);
  std::string png = "\x89PNG\r\n\x1a\n";
  Chunk(png, "IHDR", ihdr);
  Chunk(png, "IDAT", z);
  Chunk(png, "IEND", "");
  return png;
}

}  // namespace

std::string Screenshot(HWND window, const std::string& name) {
  const RECT whole{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  RECT r = whole;
  // A window larger than the screen: its part on the screen (Wine copies nothing from outside it).
  if (window && GetWindowRect(window, &r)) IntersectRect(&r, &r, &whole);
  const int width = r.right - r.left, height = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  std::vector<unsigned char> bgra(static_cast<std::size_t>(width) * height * 4);
  GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), bgra.data(), &info, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  std::vector<unsigned char> rows;
  rows.reserve(static_cast<std::size_t>(height) * (width * 3 + 1));
  for (int y = 0; y < height; ++y) {
    rows.push_back(0);
    for (int x = 0; x < width; ++x) {
      const unsigned char* p = &bgra[(static_cast<std::size_t>(y) * width + x) * 4];
      rows.insert(rows.end(), {p[2], p[1], p[0]});
    }
  }
  const std::string dir = WindowsPath(ORVEL_SHOT_UNIX_DIR);
  CreateDirectoryA(dir.c_str(), nullptr);
  const std::string path = dir + "\\" + name + ".png";
  WriteFile(path, EncodePng(width, height, rows));
  return path;
}

bool RunOnOwnScreen(const std::string& size, const std::string& filter, std::string& output) {
  const std::string dir = TempDir();
  const std::string status = dir + "\\status.txt", log = dir + "\\output.txt";
  // Wine reuses process ids, and with them the folder of an earlier run.
  DeleteFileA(status.c_str());
  DeleteFileA(log.c_str());
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string command = "/bin/sh -c \"exec bash '" ORVEL_OWN_SCREEN_SCRIPT "' " + size + " '" ORVEL_WINE_PREFIX_UNIX_DIR
                        "' '" ORVEL_WINE_UNIX_PATH "' '" + UnixPath(status) + "' '" + UnixPath(self) +
                        "' --gtest_brief=1 --gtest_filter=" + filter + " >'" + UnixPath(log) + "' 2>&1\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION shell{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &shell))
    throw std::runtime_error("cannot start " + command + ": error " + std::to_string(GetLastError()));
  if (shell.hThread) CloseHandle(shell.hThread);
  if (shell.hProcess) CloseHandle(shell.hProcess);
  // Wine gives no handle of a Unix process to wait on: the script writes its status once all has ended,
  // and ends what it started itself after 8 minutes.
  const bool ended = WaitFor([&] { return !ReadFile(status).empty(); }, 600s);
  output = ReadFile(log);
  return ended && ReadFile(status) == "0\n";
}

std::string OwnScreen() {
  char size[64] = {};
  const DWORD length = GetEnvironmentVariableA("ORVEL_E2E_SCREEN", size, sizeof size);
  return length > 0 && length < sizeof size ? std::string(size, length) : std::string();
}

}  // namespace e2e
