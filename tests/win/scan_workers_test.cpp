// Computers scanned on worker threads against the WMI stand-in, their answers run on the window's thread.
// First: <windows.h> must come through the toolkit's header, which keeps MessageBox unrenamed.
#include "platform/win32/scan_workers.h"

#include <objbase.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "toolkit_fixture.h"
#include "win/standin/standin_host.h"

namespace orvel::toolkit_test {
namespace {

struct Answered {
  std::size_t index;
  DWORD thread;
  TComputerScan scan;
};

// The stand-in's class registered in the multithreaded apartment, where the workers look for it: a
// class registered from another apartment serves that apartment only.
class ScanWorkersTest : public ToolkitTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    const HMODULE standin = ::LoadLibraryW(
        (standin_test::ExeFolder() / ORVEL_WIN_TESTS_STANDIN).lexically_normal().wstring().c_str());
    const auto get = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
        reinterpret_cast<void*>(::GetProcAddress(standin, "DllGetClassObject")));
    ASSERT_NE(get, nullptr);
    ASSERT_EQ(get(__uuidof(SWbemLocator), IID_PPV_ARGS(&factory)), S_OK);
    ASSERT_EQ(::CoRegisterClassObject(__uuidof(SWbemLocator), factory.Get(), CLSCTX_INPROC_SERVER,
                                      REGCLS_MULTIPLEUSE, &cookie), S_OK);
  }
  void TearDown() override {
    EXPECT_TRUE(WorkersEnded());
    if (cookie) ::CoRevokeClassObject(cookie);
    factory.Reset();
    ::CoUninitialize();
    ::SetEnvironmentVariableW(L"ORVEL_WMI_SCENARIO", nullptr);
    std::filesystem::remove(scenario);
  }

  void UseScenario(const std::string& text) {
    std::ofstream(scenario, std::ios::binary | std::ios::trunc) << text;
    ::SetEnvironmentVariableW(L"ORVEL_WMI_SCENARIO", scenario.wstring().c_str());
  }
  void Start(std::size_t index) {
    scans.Start(index, "PC" + std::to_string(index), "", "", [this](std::size_t answered, TComputerScan scan) {
      answers.push_back({answered, ::GetCurrentThreadId(), std::move(scan)});
    });
  }
  // Waited for without pumping: their answers stay in the queue.
  static bool WorkersEnded() {
    const DWORD start = ::GetTickCount();
    while (Win32ComputerScans::RunningWorkers() != 0 && ::GetTickCount() - start < 10000) ::Sleep(10);
    return Win32ComputerScans::RunningWorkers() == 0;
  }

  Microsoft::WRL::ComPtr<IClassFactory> factory;
  DWORD cookie = 0;
  std::filesystem::path scenario = std::filesystem::temp_directory_path() /
                                   ("orvel-scan-workers-" + std::to_string(::GetCurrentProcessId()) + ".txt");
  Win32ComputerScans scans{toolkit.Application()};
  std::vector<Answered> answers;
};

TEST_F(ScanWorkersTest, ComputersScannedAtOnceAnswerOnTheWindowsThreadWithTheirRecords) {
  UseScenario("process Name=\"a.exe\" ProcessId=7\nprocess Name=\"b.exe\" ProcessId=9\n");
  for (std::size_t index = 0; index < 5; ++index) Start(index);
  ASSERT_TRUE(PumpUntil(toolkit, [&] { return answers.size() == 5; }));
  std::set<std::size_t> indexes;
  for (const Answered& answer : answers) {
    indexes.insert(answer.index);
    EXPECT_EQ(answer.thread, ::GetCurrentThreadId());
    EXPECT_FALSE(answer.scan.Failed) << answer.scan.Message;
    ASSERT_EQ(answer.scan.Records.size(), 2u);
  }
  EXPECT_EQ(indexes, (std::set<std::size_t>{0, 1, 2, 3, 4}));
}

TEST_F(ScanWorkersTest, ALocatorThatCannotBeMadeFailsThatComputerAtTheFirstStep) {
  UseScenario("fail create E_ACCESSDENIED \"no locator\"\n");
  Start(3);
  ASSERT_TRUE(PumpUntil(toolkit, [&] { return answers.size() == 1; }));
  EXPECT_TRUE(answers[0].scan.Failed);
  EXPECT_EQ(answers[0].scan.Stage, "1");
  EXPECT_FALSE(answers[0].scan.Message.empty());
}

TEST_F(ScanWorkersTest, AbandonedAnswersAndThoseAfterTheWindowWentAreNeverRun) {
  UseScenario("process Name=\"a.exe\" ProcessId=7\n");
  Start(0);
  ASSERT_TRUE(WorkersEnded());
  scans.AbandonAll();  // the answer is posted already
  Pump(toolkit);
  EXPECT_TRUE(answers.empty());

  Start(1);
  ASSERT_TRUE(PumpUntil(toolkit, [&] { return answers.size() == 1; })) << "a later scan answers";
  EXPECT_EQ(answers[0].index, 1u);

  Start(2);
  ASSERT_TRUE(WorkersEnded());
  Form().Destroy();
  Pump(toolkit);
  EXPECT_EQ(answers.size(), 1u);
}

}  // namespace
}  // namespace orvel::toolkit_test
