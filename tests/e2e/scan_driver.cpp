#include "scan_driver.h"

#include <cstdio>
#include <future>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace e2e {

namespace {

HWND Required(HWND window, const char* what) {
  if (!window) throw std::runtime_error(std::string("the program has no ") + what);
  return window;
}

bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= 32 || c == '.'; }

void Answer(HWND box, const ScanWindow& window, ScanOutcome& outcome) {
  if (!window.Busy()) outcome.busyWhileBoxShown = false;
  outcome.boxes.push_back(ReadBox(box));
  PressButton(box);
  WaitFor([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 30s);
}

}  // namespace

ScanWindow::ScanWindow(HWND mainWindow)
    : processId(0),
      main(Required(mainWindow, "main window")),
      list(Required(Child(main, "SysListView32"), "list")),
      status(Required(Child(main, "msctls_statusbar32"), "status bar")),
      computer(Required(Child(main, "ComboBox", 16), "computer field")),
      computerEdit(Required(Child(computer, "Edit"), "computer edit")),
      user(Required(Child(main, "ComboBox", 200), "user field")),
      userEdit(Required(Child(user, "Edit"), "user edit")),
      password(Required(Child(main, "Edit", 328), "password field")),
      start(Required(Child(main, "OrvelSpeedButton", 474), "scan button")),
      animation(Required(Child(main, "SysAnimate32"), "animation")) {
  GetWindowThreadProcessId(main, &processId);
}

bool ScanWindow::Idle() const {
  return IsWindowVisible(start) && IsWindowEnabled(start) && !IsWindowVisible(animation);
}

bool ScanWindow::Busy() const {
  return !IsWindowVisible(start) && !IsWindowEnabled(start) && IsWindowVisible(animation);
}

ScanOutcome AnswerBoxesUntil(const ScanWindow& window, const std::function<bool()>& done,
                             std::chrono::milliseconds timeout) {
  ScanOutcome outcome;
  const auto end = Clock::now() + timeout;
  while (Clock::now() < end && IsWindow(window.main)) {
    if (done()) {
      outcome.finished = true;
      return outcome;
    }
    for (HWND box : Dialogs(window.processId)) Answer(box, window, outcome);
    std::this_thread::sleep_for(20ms);
  }
  return outcome;
}

ScanOutcome PressScan(const ScanWindow& window, std::chrono::milliseconds timeout) {
  const HWND button = window.start;
  const auto milliseconds = static_cast<UINT>(timeout.count());
  // The pointer rests on the button: a mouse move between press and release, which the captured
  // button receives, must not read as leaving it (that cancels the click).
  RECT bounds;
  GetClientRect(button, &bounds);
  const POINT inside{bounds.right / 2, bounds.bottom / 2};
  POINT onScreen = inside;
  ClientToScreen(button, &onScreen);
  SetCursorPos(onScreen.x, onScreen.y);
  WaitFor([&] {
    POINT at{};
    return GetCursorPos(&at) && at.x == onScreen.x && at.y == onScreen.y;
  }, 10s);
  // Sent, not posted: the send returns when the click handler, and so the whole scan, has returned.
  auto click = std::async(std::launch::async, [button, milliseconds, inside] {
    DWORD_PTR result = 0;
    const LPARAM at = MAKELPARAM(inside.x, inside.y);
    return SendMessageTimeoutA(button, WM_LBUTTONDOWN, MK_LBUTTON, at, SMTO_NORMAL, milliseconds, &result) != 0 &&
           SendMessageTimeoutA(button, WM_LBUTTONUP, 0, at, SMTO_NORMAL, milliseconds, &result) != 0;
  });
  ScanOutcome outcome =
      AnswerBoxesUntil(window, [&] { return click.wait_for(0s) == std::future_status::ready; }, timeout + 10s);
  const bool sent = click.get();
  outcome.finished = outcome.finished && sent;
  return outcome;
}

ScanOutcome StartupScan(const ScanWindow& window) {
  return AnswerBoxesUntil(window, [&] {
    const std::string status = StatusText(window.status);
    return window.Idle() && status.size() > 10 && status.compare(status.size() - 10, 10, " processes") == 0;
  });
}

void SetText(HWND window, const std::string& text) {
  const std::wstring wide = Wide(text);
  SendMessageTimeoutW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()), SMTO_NORMAL, 30000, nullptr);
}

std::vector<std::string> ComboItems(HWND combo) {
  std::vector<std::string> items;
  const int count = ComboCount(combo);
  for (int i = 0; i < count; ++i) items.push_back(ComboItem(combo, i));
  return items;
}

StandIn::StandIn() {
  const std::string dir = TempDir();
  scenario = dir + "\\scenario.txt";
  log = dir + "\\calls.log";
  // Wine reuses process ids, and with them the folder names of an earlier run: start a fresh log.
  DeleteFileA(log.c_str());
}

std::vector<std::string> StandIn::LogLines() const {
  std::vector<std::string> lines;
  std::istringstream in(ReadFile(log));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> StandIn::Connections() const {
  std::vector<std::string> connections;
  for (const std::string& line : LogLines())
    if (line.rfind("ConnectServer ", 0) == 0) connections.push_back(line);
  return connections;
}

bool NothingLeftReferenced(const std::vector<std::string>& log, std::size_t from) {
  for (std::size_t i = log.size(); i-- > from;) {
    const std::string& line = log[i];
    if (line.empty()) continue;
    // A locator that was never made leaves nothing behind to release.
    if (line.rfind("CreateInstance", 0) == 0) return line.find(" -> 0x") != std::string::npos;
    return line == "live-objects 0";
  }
  return true;
}

const char* const kProperties[11] = {"Name",        "ExecutablePath", "ProcessId",    "ParentProcessId",
                                     "SessionId",   "ThreadCount",    "Priority",     "WorkingSetSize",
                                     "HandleCount", "UserModeTime",   "KernelModeTime"};

std::string ScenarioLine(const Process& p, int position, const std::string& raw) {
  auto quoted = [](const std::string& text) {
    std::string written(1, '"');
    return written.append(text).append(1, '"');
  };
  auto ticks = [&](unsigned seconds) { return quoted(std::to_string(seconds * 10000000ull)); };
  const std::string values[kAllProperties] = {
      quoted(p.name),          p.path.empty() ? "null" : quoted(p.path), std::to_string(p.id),
      std::to_string(p.parent), std::to_string(p.session),               std::to_string(p.threads),
      std::to_string(p.priority), quoted(std::to_string(p.workingSet)),  std::to_string(p.handles),
      ticks(p.userSeconds),     ticks(p.kernelSeconds)};
  std::string line = "process";
  for (int i = 0; i < kAllProperties; ++i) {
    line += ' ';
    line += kProperties[i];
    line += '=';
    line += i == position ? raw : values[i];
  }
  return line + '\n';
}

std::string ScenarioOf(const std::vector<Process>& processes) {
  std::string text;
  for (const Process& p : processes) text += ScenarioLine(p);
  return text;
}

std::vector<std::string> RowAfter(const Process& p, int stored) {
  auto number = [&](int position, unsigned long long value) { return std::to_string(stored > position ? value : 0); };
  const unsigned cpu = (stored > 9 ? p.userSeconds : 0) + (stored > 10 ? p.kernelSeconds : 0);
  return {stored > 0 ? p.name : "",
          stored > 1 ? p.path : "",
          number(2, p.id),
          number(3, p.parent),
          number(7, p.workingSet / 1024) + " K",
          CpuTimeText(cpu),
          number(8, p.handles),
          number(4, p.session),
          number(5, p.threads),
          number(6, p.priority)};
}

std::string ProcessCountText(std::size_t count) { return std::to_string(count) + " processes"; }

std::string WmiErrorText(const std::string& message, const std::string& stage) {
  return "WMI error\r" + message + "\rCode: " + stage + "\r\rHint: Search online for \"WMI " + message +
         "\" or \"Kestrawatch\" to fix this error.";
}

std::string SystemMessageText(HRESULT code) {
  wchar_t text[256] = {};
  const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                                          FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                      nullptr, static_cast<DWORD>(code), 0, text, 256, nullptr);
  std::string message = Utf8(std::wstring_view(text, length < 256 ? length : 0));
  while (!message.empty() && IsTrimmed(message.back())) message.pop_back();
  if (!message.empty()) return message;
  char fallback[32];
  std::snprintf(fallback, sizeof fallback, "OLE-Fehler %.8lX", static_cast<unsigned long>(code));
  return fallback;
}

std::string CpuTimeText(unsigned seconds) {
  if (seconds == 0) return "";
  if (seconds < 60) return std::to_string(seconds) + " s";
  wchar_t text[128] = {};
  if (seconds < 3600) {
    SYSTEMTIME time{};
    time.wYear = 2000;
    time.wMonth = 1;
    time.wDay = 1;
    time.wMinute = static_cast<WORD>(seconds / 60);
    time.wSecond = static_cast<WORD>(seconds % 60);
    GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &time, nullptr, text, 128);
    return Utf8(text);
  }
  throw std::invalid_argument("write the text of " + std::to_string(seconds) + " s with HoursCpuTimeText");
}

std::string HoursCpuTimeText(const std::string& hours, const std::string& minutes, const std::string& seconds) {
  wchar_t text[16] = {};
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIME, text, 16);
  const std::string separator = Utf8(text);
  return hours + separator + minutes + separator + seconds;
}

}  // namespace e2e
