// The WMI stand-in DLL registered in the test process as the SWbemLocator class, each test with a fresh
// folder for its scenario and call log. Header-only: both Windows-target suites include it.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <wbemdisp.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace orvel::standin_test {

// The property names exactly as the scan sends them.
inline const std::vector<std::wstring> kScanProperties = {
    L"Name",        L"ExecutablePath", L"ProcessID",    L"ParentProcessId", L"SessionID",     L"ThreadCount",
    L"Priority",    L"WorkingSetSize", L"HandleCount",  L"UserModeTime",    L"KernelModeTime"};

inline std::filesystem::path ExeFolder() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::filesystem::path(path).parent_path();
}

inline std::vector<std::string> ReadLines(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The call log of a scan that runs to the end, after its CreateInstance line: connectServer is the whole
// ConnectServer line, as its arguments differ from scan to scan.
inline std::vector<std::string> ExpectedScanLog(const std::string& connectServer, int processes) {
  std::vector<std::string> expected = {
      "QueryInterface ISWbemLocator",
      connectServer,
      "Security_",
      "put_ImpersonationLevel level=3",
      "Security_",
      "Privileges",
      "Add privilege=19 enabled=-1",
      "Get path=\"Win32_Process\" flags=0x20000 namedValueSet=null",
      "Instances_ process=class flags=0x0 namedValueSet=null",
      "_NewEnum",
      "QueryInterface IEnumVARIANT",
  };
  for (int k = 0; k < processes; ++k) {
    const std::string process = std::to_string(k);
    expected.push_back("Next count=1 fetched=1");
    expected.push_back("QueryInterface ISWbemObject process=" + process);
    expected.push_back("Properties_ process=" + process);
    for (const std::wstring& name : kScanProperties) {
      const std::string property(name.begin(), name.end());
      expected.push_back("Item process=" + process + " name=\"" + property + "\" flags=0x0");
      expected.push_back("Value process=" + process + " name=\"" + property + "\"");
    }
  }
  expected.push_back("Next count=1 fetched=0 -> 0x00000001");
  expected.push_back("live-objects 0");
  return expected;
}

// A fixture's share of the stand-in: StartStandin in SetUp (through ASSERT_NO_FATAL_FAILURE), StopStandin in
// TearDown.
class StandinHost {
 protected:
  // relativePath: the DLL as seen from the test executable's folder; folderPrefix names the temporary folders.
  StandinHost(const char* relativePath, std::string folderPrefix)
      : relativePath_(relativePath), folderPrefix_(std::move(folderPrefix)) {}

  // Loaded on first use and kept for the rest of the process.
  HMODULE Standin() const {
    static const HMODULE module =
        ::LoadLibraryW((ExeFolder() / relativePath_).lexically_normal().wstring().c_str());
    return module;
  }

  void StartStandin() {
    ASSERT_NE(Standin(), nullptr) << "cannot load " << relativePath_;
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    comReady_ = true;
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    const auto get = reinterpret_cast<GetClassObject>(
        reinterpret_cast<void*>(::GetProcAddress(Standin(), "DllGetClassObject")));
    ASSERT_NE(get, nullptr);
    ASSERT_EQ(get(__uuidof(SWbemLocator), IID_PPV_ARGS(&factory_)), S_OK);
    ASSERT_EQ(::CoRegisterClassObject(__uuidof(SWbemLocator), factory_.Get(), CLSCTX_INPROC_SERVER,
                                      REGCLS_MULTIPLEUSE, &cookie_),
              S_OK);
    static int serial = 0;
    folder_ = std::filesystem::temp_directory_path() /
              (folderPrefix_ + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++serial));
    // Wine hands out the same process ids run after run: a folder a crashed run left must not leak in.
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    std::filesystem::create_directories(folder_);
    ::SetEnvironmentVariableW(L"ORVEL_WMI_LOG", LogFile().wstring().c_str());
    ::SetEnvironmentVariableW(L"ORVEL_WMI_SCENARIO", nullptr);
  }

  void StopStandin() {
    ::SetEnvironmentVariableW(L"ORVEL_WMI_SCENARIO", nullptr);
    ::SetEnvironmentVariableW(L"ORVEL_WMI_LOG", nullptr);
    // The stand-in holds its log open until a locator reads ORVEL_WMI_LOG again; the folder cannot go before.
    if (factory_) {
      Microsoft::WRL::ComPtr<IUnknown> closesTheLog;
      factory_->CreateInstance(nullptr, IID_IUnknown, &closesTheLog);
    }
    if (cookie_) ::CoRevokeClassObject(cookie_);
    cookie_ = 0;
    factory_.Reset();
    if (comReady_) ::CoUninitialize();
    comReady_ = false;
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  IClassFactory* Factory() const { return factory_.Get(); }
  const std::filesystem::path& Folder() const { return folder_; }
  std::filesystem::path LogFile() const { return folder_ / "calls.log"; }
  std::filesystem::path ScenarioFile() const { return folder_ / "scenario.txt"; }

  void UseScenario(const std::string& text) const {
    std::ofstream(ScenarioFile(), std::ios::binary | std::ios::trunc) << text;
    ::SetEnvironmentVariableW(L"ORVEL_WMI_SCENARIO", ScenarioFile().wstring().c_str());
  }

  std::vector<std::string> LogLines() const { return ReadLines(LogFile()); }

  using CanUnloadNowFunction = HRESULT(STDAPICALLTYPE*)();
  CanUnloadNowFunction CanUnloadNowExport() const {
    return reinterpret_cast<CanUnloadNowFunction>(
        reinterpret_cast<void*>(::GetProcAddress(Standin(), "DllCanUnloadNow")));
  }

 private:
  std::string relativePath_;
  std::string folderPrefix_;
  std::filesystem::path folder_;
  Microsoft::WRL::ComPtr<IClassFactory> factory_;
  DWORD cookie_ = 0;
  bool comReady_ = false;
};

}  // namespace orvel::standin_test
