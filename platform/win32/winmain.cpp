// Program entry of Orvelkit.exe: the Windows services behind the window logic, then the program.
#include <cstdlib>
#include <exception>

#include "app/program.h"
#include "shell.h"
#include "system.h"
#include "scan_workers.h"
#include "text.h"
#include "toolkit.h"
#include "version.h"
#include "window_api.h"
#include "wmi_client.h"

namespace {

// Only the system folder for DLLs loaded later; looked up because Windows 7 has it only with an update.
void RestrictDllSearchToSystem() {
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  const FARPROC address = kernel ? ::GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr;
  if (!address) return;
  const auto setDirectories =
      reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void (*)()>(address));
  setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// Before the window or after it: nothing of the toolkit is left to report with.
void ReportStartFailure(const std::exception& error) noexcept {
  try {
    ::MessageBoxW(nullptr, orvel::win32::Wide(orvel::EscapedErrorText(error.what())).c_str(),
                  orvel::win32::Wide(ORVEL_PRODUCT_NAME).c_str(), MB_ICONERROR | MB_OK);
  } catch (...) {
    // Not even the text could be built; the exit code still says the program failed.
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  RestrictDllSearchToSystem();
  int result = 1;
  try {
    // The toolkit first: it registers the common-control classes every window needs.
    orvel::Win32Toolkit toolkit(instance, showCommand);
    orvel::Win32System system;
    orvel::Win32Wmi wmi;
    orvel::Win32Shell shell;
    orvel::Win32WindowApi windows;
    orvel::Win32ComputerScans scans(toolkit.Application());
    result = orvel::RunProgram(toolkit, {toolkit.Application(), system, wmi, shell, windows, scans});
  } catch (const std::exception& error) {
    ReportStartFailure(error);
  } catch (...) {
    ReportStartFailure(orvel::UnknownException());
  }
  // Workers of abandoned scans may wait on a computer for a long time: ended with the process, unwaited.
  if (orvel::Win32ComputerScans::RunningWorkers() != 0) std::_Exit(result);
  return result;
}
