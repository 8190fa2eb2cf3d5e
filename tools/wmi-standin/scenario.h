// What the stand-in answers: the Win32_Process instances as a table of values, and the failures a
// scenario file injects (format in README.md).
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "com_object.h"
#include "text.h"

namespace standin {

inline constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// One property value: VT_NULL, a number of the given variant type, or text (VT_BSTR).
struct Value {
  VARTYPE type = VT_NULL;
  std::int64_t integer = 0;
  double real = 0;
  std::wstring text;

  static Value Number(VARTYPE type, std::int64_t number) { Value v; v.type = type; v.integer = number; return v; }
  static Value Real(VARTYPE type, double number) { Value v; v.type = type; v.real = number; return v; }
  static Value Text(std::wstring text) { Value v; v.type = VT_BSTR; v.text = std::move(text); return v; }
  // A 32-bit number; an unsigned one keeps its bit pattern.
  static Value I4(std::int64_t number) { return Number(VT_I4, static_cast<std::int32_t>(number)); }
  // WMI hands 64-bit counters to scripts as decimal text.
  static Value Decimal(std::uint64_t number) { return Text(std::to_wstring(number)); }
  HRESULT ToVariant(VARIANT* out) const;
};

// The instances of Win32_Process: property names, then one row of values per process.
struct ProcessTable {
  std::vector<std::wstring> columns;
  std::vector<std::vector<Value>> rows;

  // The property names WMI's Win32_Process offers to the scan, in this column order.
  enum Standard : std::size_t {
    kName, kExecutablePath, kProcessId, kParentProcessId, kSessionId, kThreadCount, kPriority,
    kWorkingSetSize, kHandleCount, kUserModeTime, kKernelModeTime, kStandardCount
  };
  static ProcessTable WithStandardColumns();

  std::size_t Column(std::wstring_view name) const noexcept;  // kNone when the class has no such property
  std::size_t AddColumn(std::wstring_view name);
  const Value& At(std::size_t row, std::size_t column) const noexcept;  // null for the class (row kNone)
};

// The process id a ProcessId value names: an integer within 32 bits, a VT_I4 read as its bit pattern.
std::optional<std::uint32_t> ProcessIdOf(const Value& value) noexcept;

// Where a scenario can make a call fail.
enum class FaultPoint {
  Create, Locator, Connect, Security, Impersonation, Privileges, AddPrivilege, Class, Instances,
  Enumerator, EnumeratorQuery, Next, Element, Properties, Item, Value, GetInstance, Terminate, ReturnValue
};

struct InjectedFault {
  FaultPoint point = FaultPoint::Connect;
  std::size_t index = kNone;  // process index (kNone: every one), for Next the elements delivered first,
                              // for Security_ the calls made first
  std::wstring property;      // Item and Value only
  Fault fault;
};

// What Terminate answers for a process index (kNone: every process).
struct ScriptedReturn {
  std::size_t index = kNone;
  std::uint32_t value = 0;
};

// The ids Terminate ended; the module keeps one set per scenario path, as each locator reads the file afresh.
class EndedProcesses {
 public:
  void Add(std::uint32_t pid);
  bool Contains(std::uint32_t pid) const noexcept;

 private:
  mutable SRWLOCK lock_ = SRWLOCK_INIT;
  std::set<std::uint32_t> pids_;
};

// What one computer answers. The file's own scenario serves every computer no section names; its
// sections serve the computers they name.
struct Scenario {
  std::shared_ptr<ProcessTable> table = std::make_shared<ProcessTable>(ProcessTable::WithStandardColumns());
  std::vector<InjectedFault> faults;
  std::vector<ScriptedReturn> terminations;
  bool noServices = false;  // ConnectServer succeeds without a services object
  unsigned long connectDelay = 0;  // milliseconds ConnectServer takes before it answers, as a far computer does
  std::shared_ptr<EndedProcesses> ended = std::make_shared<EndedProcesses>();
  std::wstring path;  // the file's: each named computer keeps its ended processes under it
  std::vector<std::shared_ptr<Scenario>> sections;          // empty in a section
  std::unordered_map<std::wstring, std::size_t> computers;  // upper-cased name -> its section

  const Fault* Find(FaultPoint point, std::size_t index = kNone, std::wstring_view property = {}) const noexcept;
  std::uint32_t TerminateAnswer(std::size_t index) const noexcept;  // the first matching statement, else 0
};

// Both throw orvel::EOleError with a message naming the line that cannot be understood; a loaded
// scenario shares its ended processes with every earlier load of the same path.
Scenario ParseScenario(std::string_view text);
std::shared_ptr<const Scenario> LoadScenario(const std::wstring& path);

// The scenario a connection to server gets: the section naming it (name ignoring case), with ended
// processes of that computer's own, or the file's scenario for a computer no section names.
std::shared_ptr<const Scenario> ScenarioFor(const std::shared_ptr<const Scenario>& file, std::wstring_view server);

// Appends count plausible processes (deterministic for a seed), for benchmarks and soak runs.
void AppendSynthetic(ProcessTable& table, std::size_t count, std::uint64_t seed);

}  // namespace standin
