// The WMI client over the scripting interfaces, against the WMI stand-in registered in this process.
#include <windows.h>
#include <oleauto.h>
#include <wbemdisp.h>

#include <climits>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "companions/end_process.h"
#include "host/form_fixture.h"
#include "platform/win32/com.h"
#include "platform/win32/text.h"
#include "platform/win32/wmi_client.h"
#include "scan/wmi_values.h"
#include "win/standin/standin_host.h"

namespace orvel::fakes {
namespace {

using standin_test::ExpectedScanLog;

// What the system itself says for a code, trimmed as the program trims it; empty when it has nothing.
std::string SystemTextOf(HRESULT code) {
  wchar_t buffer[256] = {};
  const DWORD length = ::FormatMessageW(0x3200, nullptr, static_cast<DWORD>(code), 0, buffer, 256, nullptr);
  return TrimMessageText(win32::Utf8(buffer, length));
}

std::string Hex(HRESULT code) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(code));
  return text;
}

// A form over fakes whose WMI is the real client, talking to the stand-in through COM.
class WmiClientTest : public FormFixture, protected standin_test::StandinHost {
 protected:
  WmiClientTest() : StandinHost(ORVEL_WIN_TESTS_STANDIN, "orvel-wmi-client-") {}

  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(StartStandin());
    wmi = std::make_unique<Win32Wmi>();
    Create();
  }

  void TearDown() override {
    form1.reset();
    StopStandin();
  }

  // Scans with the given scenario; the call log starts afresh.
  TPIArray Scan(const std::string& scenario, const std::string& computer = "") {
    UseScenario(scenario);
    std::filesystem::remove(LogFile());
    Application.boxes.clear();
    TPIArray records;
    form1->ScanProcesses(computer, "", "", records);
    return records;
  }

  // The message text M of the one box the scan showed.
  std::string BoxMessage() const {
    if (Application.boxes.size() != 1) return std::to_string(Application.boxes.size()) + " boxes";
    const std::string& text = Application.boxes[0].text;
    const std::size_t start = text.find('\r') + 1;
    return text.substr(start, text.find("\rCode: ") - start);
  }

  // Every stand-in object is released: the log's last word on it, and the server agrees to unload.
  void ExpectNothingLeft() const {
    const std::vector<std::string> lines = LogLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "live-objects 0");
    const auto canUnload = CanUnloadNowExport();
    ASSERT_NE(canUnload, nullptr);
    EXPECT_EQ(canUnload(), S_OK);
  }
};

constexpr const char* kOneProcess =
    "process Name=\"a.exe\" ExecutablePath=\"C:\\a.exe\" ProcessId=7 ParentProcessId=4 SessionId=1 ThreadCount=3 "
    "Priority=8 WorkingSetSize=\"4096\" HandleCount=20 UserModeTime=\"10000000\" KernelModeTime=\"20000000\"\n";

TEST_F(WmiClientTest, CallsEveryStepInOrderWithItsArguments) {
  const TPIArray records = Scan(kOneProcess, "PC7");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_TRUE(Application.boxes.empty());

  std::vector<std::string> lines = LogLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines.front().rfind("CreateInstance scenario=", 0), 0u) << lines.front();
  lines.erase(lines.begin());
  EXPECT_EQ(lines, ExpectedScanLog("ConnectServer server=\"PC7\" namespace=\"root\\CIMV2\" user=\"\" "
                                   "password=<empty> locale=\"\" authority=\"\" securityFlags=0x80 "
                                   "namedValueSet=null",
                                   1));
}

TEST_F(WmiClientTest, ValuesOfEveryVariantTypeArriveConvertedByTheirRules) {
  // Texts arrive as UTF-8 whatever the system's code page: every character kept, beyond Latin-1 too.
  const TPIArray records = Scan(
      "process Name=\"caf\xC3\xA9 \xC4\x81.exe\" ExecutablePath=\"C:\\\xE6\x97\xA5\\x.exe\" ProcessId=-2 "
      "ParentProcessId=ui8:18446744073709551615 SessionId=ui1:7 ThreadCount=r8:12.5 Priority=i2:-1 "
      "WorkingSetSize=\"3000000000\" HandleCount=i8:4294967297 UserModeTime=\"15000000\" KernelModeTime=r4:25000000\n"
      "process Name=\"System\" ExecutablePath=null ProcessId=4 ThreadCount=i1:-3 WorkingSetSize=\"lots\" "
      "HandleCount=9 UserModeTime=\"30000000\"\n"
      "process Name=\"idle\" ProcessId=ui4:0xFFFFFFFF UserModeTime=null KernelModeTime=\"30000000\" "
      "WorkingSetSize=ui2:65535\n");
  EXPECT_TRUE(Application.boxes.empty()) << BoxMessage();
  ASSERT_EQ(records.size(), 3u);

  const TProcesInformation& first = records[0];
  EXPECT_EQ(first.Name, "caf\u00E9 \u0101.exe");
  EXPECT_EQ(first.ExecutablePath, "C:\\\u65E5\\x.exe");
  EXPECT_EQ(first.ProcessId, 4294967294u);
  EXPECT_EQ(first.ParentProcessId, 4294967295u);
  EXPECT_EQ(first.SessionId, 7u);
  EXPECT_EQ(first.ThreadCount, 12u);
  EXPECT_EQ(first.Priority, 4294967295u);
  EXPECT_EQ(first.WorkingSetKB, 2929687u);
  EXPECT_EQ(first.HandleCount, 1u);
  EXPECT_EQ(first.CpuSeconds, 4u);

  const TProcesInformation& second = records[1];
  EXPECT_EQ(second.ExecutablePath, "");
  EXPECT_EQ(second.ThreadCount, 4294967293u);
  EXPECT_EQ(second.WorkingSetKB, 0u);
  EXPECT_EQ(second.HandleCount, 0u);
  EXPECT_EQ(second.CpuSeconds, 0u);

  const TProcesInformation& third = records[2];
  EXPECT_EQ(third.ProcessId, 4294967295u);
  EXPECT_EQ(third.WorkingSetKB, 63u);
  EXPECT_EQ(third.CpuSeconds, 3u);
  ExpectNothingLeft();
}

// Owns a VARIANT built by a case of the table below.
struct VariantCase {
  const char* name;
  void (*build)(VARIANT&);
  WmiValue::Kind kind;
  std::int64_t integer;
  double real;
  const char* text;
};

TEST(WmiVariantTest, EveryVariantTypeBecomesNullANumberOrText) {
  const VariantCase cases[] = {
      {"empty", [](VARIANT& v) { v.vt = VT_EMPTY; }, WmiValue::Kind::Null, 0, 0, ""},
      {"null", [](VARIANT& v) { v.vt = VT_NULL; }, WmiValue::Kind::Null, 0, 0, ""},
      {"i1", [](VARIANT& v) { v.vt = VT_I1; v.cVal = -5; }, WmiValue::Kind::Integer, -5, 0, ""},
      {"ui1", [](VARIANT& v) { v.vt = VT_UI1; v.bVal = 200; }, WmiValue::Kind::Integer, 200, 0, ""},
      {"i2", [](VARIANT& v) { v.vt = VT_I2; v.iVal = -300; }, WmiValue::Kind::Integer, -300, 0, ""},
      {"ui2", [](VARIANT& v) { v.vt = VT_UI2; v.uiVal = 65535; }, WmiValue::Kind::Integer, 65535, 0, ""},
      {"i4", [](VARIANT& v) { v.vt = VT_I4; v.lVal = INT_MIN; }, WmiValue::Kind::Integer, INT_MIN, 0, ""},
      {"ui4", [](VARIANT& v) { v.vt = VT_UI4; v.ulVal = 4294967295u; }, WmiValue::Kind::Integer, 4294967295, 0, ""},
      {"int", [](VARIANT& v) { v.vt = VT_INT; v.intVal = -7; }, WmiValue::Kind::Integer, -7, 0, ""},
      {"uint", [](VARIANT& v) { v.vt = VT_UINT; v.uintVal = 7; }, WmiValue::Kind::Integer, 7, 0, ""},
      {"i8", [](VARIANT& v) { v.vt = VT_I8; v.llVal = LLONG_MIN; }, WmiValue::Kind::Integer, LLONG_MIN, 0, ""},
      {"ui8", [](VARIANT& v) { v.vt = VT_UI8; v.ullVal = ULLONG_MAX; }, WmiValue::Kind::Integer, -1, 0, ""},
      {"r4", [](VARIANT& v) { v.vt = VT_R4; v.fltVal = 2.5f; }, WmiValue::Kind::Real, 0, 2.5, ""},
      {"r8", [](VARIANT& v) { v.vt = VT_R8; v.dblVal = -1e20; }, WmiValue::Kind::Real, 0, -1e20, ""},
      {"bstr", [](VARIANT& v) { v.vt = VT_BSTR; v.bstrVal = ::SysAllocString(L"x\u00e9\u0101\u2126\xD83D\xDE00"); },
       WmiValue::Kind::Text, 0, 0, "x\u00E9\u0101\u2126\U0001F600"},
      {"lone surrogate", [](VARIANT& v) { v.vt = VT_BSTR; v.bstrVal = ::SysAllocString(L"a\xD800"); },
       WmiValue::Kind::Text, 0, 0, "a\uFFFD"},
      {"null bstr", [](VARIANT& v) { v.vt = VT_BSTR; v.bstrVal = nullptr; }, WmiValue::Kind::Text, 0, 0, ""},
      {"currency", [](VARIANT& v) { v.vt = VT_CY; v.cyVal.int64 = 70000; }, WmiValue::Kind::Text, 0, 0, "7"},
  };
  for (const VariantCase& c : cases) {
    com::Variant value;
    c.build(*value.get());
    const WmiValue result = ToWmiValue(*value);
    EXPECT_EQ(result.kind, c.kind) << c.name;
    EXPECT_EQ(result.integer, c.integer) << c.name;
    EXPECT_EQ(result.real, c.real) << c.name;
    EXPECT_EQ(result.text, c.text) << c.name;
  }
}

TEST(WmiVariantTest, AVariantWithoutATextFormFails) {
  com::Variant value;
  SAFEARRAY* array = ::SafeArrayCreateVector(VT_I4, 0, 2);
  ASSERT_NE(array, nullptr);
  value.get()->vt = VT_ARRAY | VT_I4;
  value.get()->parray = array;
  try {
    ToWmiValue(*value);
    ADD_FAILURE() << "an array converted";
  } catch (const EOleError& error) {
    EXPECT_LT(error.Code(), 0);
    EXPECT_FALSE(std::string(error.what()).empty());
  }
}

TEST_F(WmiClientTest, MessageTextComesFromTheDescriptionElseTheSystemElseTheCode) {
  const HRESULT withText = E_ACCESSDENIED;
  const HRESULT withoutText = static_cast<HRESULT>(0x8004DEADu);
  ASSERT_FALSE(SystemTextOf(withText).empty()) << "the system should have a text for " << Hex(withText);
  ASSERT_TRUE(SystemTextOf(withoutText).empty()) << "the system should have no text for " << Hex(withoutText);
  const struct { std::string fail; std::string message; } cases[] = {
      {"fail connect 0x80041064 \"User refused. \"", "User refused"},
      {"fail connect 0x80041064 \"\xC5\x81ukasz \xE6\x8B\x92\xE5\x90\xA6.\"", "\u0141ukasz \u62D2\u5426"},
      {"fail connect " + Hex(withText), SystemTextOf(withText)},
      {"fail connect " + Hex(withText) + " \". . \"", SystemTextOf(withText)},
      {"fail connect " + Hex(withText) + " \"\"", SystemTextOf(withText)},
      {"fail connect " + Hex(withoutText), "OLE-Fehler 8004DEAD"},
      {"fail value 0 Priority " + Hex(withoutText) + " \"50%s of %d\"", "50%s of %d"},
  };
  for (const auto& c : cases) {
    Scan(std::string(kOneProcess) + c.fail + "\n");
    EXPECT_EQ(BoxMessage(), c.message) << c.fail;
  }
}

// Makes the thread's error information a description that belongs to no call of the scan.
void LeaveErrorInfo(const wchar_t* description) {
  ICreateErrorInfo* created = nullptr;
  ASSERT_EQ(::CreateErrorInfo(&created), S_OK);
  created->SetDescription(const_cast<LPOLESTR>(description));
  IErrorInfo* info = nullptr;
  ASSERT_EQ(created->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)), S_OK);
  created->Release();
  ASSERT_EQ(::SetErrorInfo(0, info), S_OK);
  info->Release();
}

// A description that no reported failure read, left by an enumeration that failed or by earlier work
// on the thread, must not become the message of a later failure that brings none.
TEST_F(WmiClientTest, NoUnreadErrorDescriptionOutlivesAScan) {
  const HRESULT withoutText = static_cast<HRESULT>(0x8004DEADu);
  ASSERT_TRUE(SystemTextOf(withoutText).empty()) << "the system should have no text for " << Hex(withoutText);
  const struct { const char* name; const wchar_t* before; std::string ending; std::size_t records; } cases[] = {
      {"next fails with a description", nullptr, "fail next 1 E_FAIL \"Stale enumerator text\"\n", 1},
      {"next ends with a description", nullptr, "fail next 2 S_FALSE \"Stale end text\"\n", 2},
      {"left before a scan that succeeds", L"Stale text of other work", "", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.before) {
      ASSERT_NO_FATAL_FAILURE(LeaveErrorInfo(c.before));
    }
    EXPECT_EQ(Scan(std::string(kOneProcess) + kOneProcess + c.ending).size(), c.records);
    EXPECT_TRUE(Application.boxes.empty()) << BoxMessage();
    try {
      com::Check(withoutText);
      ADD_FAILURE() << "a failure code passed";
    } catch (const EOleError& error) {
      EXPECT_STREQ(error.what(), "OLE-Fehler 8004DEAD");
    }
  }
}

TEST_F(WmiClientTest, ObjectsThatOfferNoInterfaceFailWithTheSystemText) {
  const std::string noInterface = OleMessageText({}, SystemTextOf(E_NOINTERFACE), E_NOINTERFACE);
  const struct { const char* fail; const char* stage; } cases[] = {
      {"fail enumerator-qi E_NOINTERFACE", "6"},
      {"fail element 0 E_NOINTERFACE", "7"},
  };
  for (const auto& c : cases) {
    const TPIArray records = Scan(std::string(kOneProcess) + c.fail + "\n");
    EXPECT_TRUE(records.empty()) << c.fail;
    EXPECT_EQ(BoxMessage(), noInterface) << c.fail;
    ASSERT_EQ(Application.boxes.size(), 1u);
    EXPECT_NE(Application.boxes[0].text.find(std::string("\rCode: ") + c.stage + "\r"), std::string::npos) << c.fail;
    ExpectNothingLeft();
  }
}

TEST_F(WmiClientTest, NoReferenceIsLeftAfterAScanOrAFailedOne) {
  const char* const endings[] = {
      "",
      "fail connect 0x800706BA\n",
      "fail add-privilege E_ACCESSDENIED\n",
      "fail properties 1 E_FAIL\n",
      "fail value 1 Priority 0x80041002 \"Not found\"\n",
      "fail value 0 HandleCount E_FAIL\n",
      "fail next 1 E_FAIL\n",
      "no-services\n",
  };
  for (const char* ending : endings) {
    SCOPED_TRACE(ending);
    Scan(std::string(kOneProcess) + kOneProcess + kOneProcess + ending);
    const std::vector<std::string> lines = LogLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "live-objects 0");
  }
  ExpectNothingLeft();
}

TEST_F(WmiClientTest, ALocatorThatCannotBeMadeReachesTheScanCommand) {
  const struct { const char* fail; HRESULT code; } cases[] = {
      {"fail create E_OUTOFMEMORY", E_OUTOFMEMORY},
      {"fail locator E_NOINTERFACE", E_NOINTERFACE},
  };
  for (const auto& c : cases) {
    UseScenario(std::string(kOneProcess) + c.fail + "\n");
    Application.messages.clear();
    StartButton.OnClick(&StartButton);
    EXPECT_EQ(Application.messages,
              std::vector<std::string>{"ListView " + OleMessageText({}, SystemTextOf(c.code), c.code)})
        << c.fail;
    EXPECT_EQ(StatusBar.SimpleText(), "Start...");
    EXPECT_EQ(ListView1.RowCount(), 0);
    EXPECT_TRUE(StartButton.Visible() && StartButton.Enabled());
  }
}

// End process checks the name WMI reports against the listed one character for character: a process
// ID now held by a name that differs only beyond any one code page is not ended.
TEST_F(WmiClientTest, EndProcessTellsNamesApartInAnyScript) {
  UseScenario("process Name=\"\xCE\xA3mega.exe\" ProcessId=7\n");
  EXPECT_EQ(EndProcess(*wmi, "", "", "", "7", "\u03A9mega.exe").kind, EndProcessOutcome::Kind::Gone);
  EXPECT_EQ(EndProcess(*wmi, "", "", "", "7", "\u03A3mega.exe").kind, EndProcessOutcome::Kind::Ended);
  ExpectNothingLeft();
}

TEST_F(WmiClientTest, AScanFillsTheListAndTheStatusLine) {
  UseScenario("generate 40 7\n");
  StartButton.OnClick(&StartButton);
  EXPECT_EQ(ListView1.RowCount(), 40);
  EXPECT_EQ(StatusBar.SimpleText(), "40 processes");
  EXPECT_TRUE(Application.boxes.empty());
  EXPECT_EQ(ListView1.Row(0).Caption, "System Idle Process");
  ExpectNothingLeft();
}

}  // namespace
}  // namespace orvel::fakes
