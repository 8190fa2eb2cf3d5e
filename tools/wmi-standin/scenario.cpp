#include "scenario.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "platform/ole_error.h"
#include "unique_handle.h"

namespace standin {
namespace {

class ExclusiveLock {
 public:
  explicit ExclusiveLock(SRWLOCK& lock) noexcept : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
  ~ExclusiveLock() { ReleaseSRWLockExclusive(&lock_); }
  ExclusiveLock(const ExclusiveLock&) = delete;
  ExclusiveLock& operator=(const ExclusiveLock&) = delete;

 private:
  SRWLOCK& lock_;
};

}  // namespace

HRESULT Value::ToVariant(VARIANT* out) const {
  VariantInit(out);
  switch (type) {
    case VT_I1: out->cVal = static_cast<CHAR>(integer); break;
    case VT_UI1: out->bVal = static_cast<BYTE>(integer); break;
    case VT_I2: out->iVal = static_cast<SHORT>(integer); break;
    case VT_UI2: out->uiVal = static_cast<USHORT>(integer); break;
    case VT_I4: out->lVal = static_cast<LONG>(integer); break;
    case VT_UI4: out->ulVal = static_cast<ULONG>(integer); break;
    case VT_I8: out->llVal = integer; break;
    case VT_UI8: out->ullVal = static_cast<ULONGLONG>(integer); break;
    case VT_R4: out->fltVal = static_cast<float>(real); break;
    case VT_R8: out->dblVal = real; break;
    case VT_BOOL: out->boolVal = integer ? VARIANT_TRUE : VARIANT_FALSE; break;
    case VT_BSTR:
      out->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
      if (!out->bstrVal) return E_OUTOFMEMORY;
      break;
    default: out->vt = VT_NULL; return S_OK;
  }
  out->vt = type;
  return S_OK;
}

ProcessTable ProcessTable::WithStandardColumns() {
  ProcessTable table;
  table.columns = {L"Name",         L"ExecutablePath", L"ProcessId",      L"ParentProcessId",
                   L"SessionId",    L"ThreadCount",    L"Priority",       L"WorkingSetSize",
                   L"HandleCount",  L"UserModeTime",   L"KernelModeTime"};
  return table;
}

std::size_t ProcessTable::Column(std::wstring_view name) const noexcept {
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (EqualsIgnoringCase(columns[i], name)) return i;
  }
  return kNone;
}

std::size_t ProcessTable::AddColumn(std::wstring_view name) {
  const std::size_t existing = Column(name);
  if (existing != kNone) return existing;
  columns.emplace_back(name);
  return columns.size() - 1;
}

const Value& ProcessTable::At(std::size_t row, std::size_t column) const noexcept {
  static const Value null;
  if (row >= rows.size() || column >= rows[row].size()) return null;
  return rows[row][column];
}

std::optional<std::uint32_t> ProcessIdOf(const Value& value) noexcept {
  switch (value.type) {
    case VT_I4: return static_cast<std::uint32_t>(value.integer);
    case VT_I1: case VT_UI1: case VT_I2: case VT_UI2: case VT_UI4: case VT_I8: case VT_UI8:
      if (value.integer < 0 || value.integer > 0xFFFFFFFF) return std::nullopt;
      return static_cast<std::uint32_t>(value.integer);
    default: return std::nullopt;
  }
}

void EndedProcesses::Add(std::uint32_t pid) {
  const ExclusiveLock locked(lock_);
  pids_.insert(pid);
}

bool EndedProcesses::Contains(std::uint32_t pid) const noexcept {
  AcquireSRWLockShared(&lock_);
  const bool found = pids_.count(pid) != 0;
  ReleaseSRWLockShared(&lock_);
  return found;
}

std::uint32_t Scenario::TerminateAnswer(std::size_t index) const noexcept {
  for (const ScriptedReturn& scripted : terminations) {
    if (scripted.index == kNone || scripted.index == index) return scripted.value;
  }
  return 0;
}

const Fault* Scenario::Find(FaultPoint point, std::size_t index, std::wstring_view property) const noexcept {
  for (const InjectedFault& injected : faults) {
    if (injected.point != point) continue;
    if (injected.index != kNone && injected.index != index) continue;
    if (!injected.property.empty() && !EqualsIgnoringCase(injected.property, property)) continue;
    return &injected.fault;
  }
  return nullptr;
}

namespace {

[[noreturn]] void Fail(std::size_t line, const std::string& problem) {
  throw orvel::EOleError("line " + std::to_string(line) + ": " + problem, E_FAIL);
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// Splits at blanks outside double quotes; quoted parts keep their quotes ("" inside is one quote).
std::vector<std::string_view> Tokens(std::string_view line, std::size_t number) {
  std::vector<std::string_view> tokens;
  std::size_t i = 0;
  while (i < line.size()) {
    if (IsBlank(line[i])) {
      ++i;
      continue;
    }
    const std::size_t start = i;
    bool quoted = false;
    for (; i < line.size() && (quoted || !IsBlank(line[i])); ++i) {
      if (line[i] == '"') quoted = !quoted;
    }
    if (quoted) Fail(number, "unterminated quote");
    tokens.push_back(line.substr(start, i - start));
  }
  return tokens;
}

std::wstring Unquote(std::string_view token, std::size_t number) {
  if (token.size() < 2 || token.front() != '"' || token.back() != '"') Fail(number, "expected quoted text");
  std::string text;
  for (std::size_t i = 1; i + 1 < token.size(); ++i) {
    if (token[i] == '"') {
      if (token[i + 1] != '"' || i + 2 >= token.size()) Fail(number, "a quote inside text must be doubled");
      ++i;
    }
    text += token[i];
  }
  return Widen(text);
}

struct Number {
  bool negative = false;
  std::uint64_t magnitude = 0;

  bool Fits(std::int64_t min, std::uint64_t max) const {
    if (!negative) return magnitude <= max;
    return magnitude == 0 || (min < 0 && magnitude - 1 <= static_cast<std::uint64_t>(-(min + 1)));
  }
  std::int64_t Bits() const { return static_cast<std::int64_t>(negative ? 0 - magnitude : magnitude); }
};

// Decimal, or hexadecimal after "0x"; a leading minus sign is allowed.
std::optional<Number> ParseNumber(std::string_view text) {
  Number number;
  if (!text.empty() && text.front() == '-') {
    number.negative = true;
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, number.magnitude, base);
  if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
  return number;
}

bool IsDecimal(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// Plain decimal digits only; on 32-bit builds a count must fit a size_t, not wrap.
std::size_t ParseCount(std::string_view text, std::size_t number) {
  const std::optional<Number> count = IsDecimal(text) ? ParseNumber(text) : std::nullopt;
  if (!count || count->magnitude > std::numeric_limits<std::size_t>::max()) {
    Fail(number, "expected a count, found \"" + std::string(text) + "\"");
  }
  return static_cast<std::size_t>(count->magnitude);
}

struct IntegerType {
  std::string_view name;
  VARTYPE type;
  std::int64_t min;
  std::uint64_t max;
};

constexpr IntegerType kIntegerTypes[] = {
    {"i1", VT_I1, -128, 127},
    {"i2", VT_I2, -32768, 32767},
    {"i4", VT_I4, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()},
    {"i8", VT_I8, std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max()},
    {"ui1", VT_UI1, 0, 255},
    {"ui2", VT_UI2, 0, 65535},
    {"ui4", VT_UI4, 0, std::numeric_limits<std::uint32_t>::max()},
    {"ui8", VT_UI8, 0, std::numeric_limits<std::uint64_t>::max()},
};

Value ParseTyped(std::string_view type, std::string_view literal, std::size_t number) {
  if (type == "r4" || type == "r8") {
    double real = 0;
    const char* end = literal.data() + literal.size();
    const auto [stop, error] = std::from_chars(literal.data(), end, real);
    if (literal.empty() || error != std::errc() || stop != end) {
      Fail(number, "not a real number: " + std::string(literal));
    }
    return Value::Real(type == "r4" ? VT_R4 : VT_R8, real);
  }
  if (type == "bool") {
    if (literal != "true" && literal != "false") Fail(number, "bool: is true or false");
    return Value::Number(VT_BOOL, literal == "true" ? -1 : 0);
  }
  for (const IntegerType& candidate : kIntegerTypes) {
    if (candidate.name != type) continue;
    const std::optional<Number> value = ParseNumber(literal);
    if (!value || !value->Fits(candidate.min, candidate.max)) {
      Fail(number, "not a " + std::string(type) + " number: " + std::string(literal));
    }
    return Value::Number(candidate.type, value->Bits());
  }
  Fail(number, "unknown value type \"" + std::string(type) + "\"");
}

// null, "text", a 32-bit number (VT_I4; up to 0xFFFFFFFF as its bit pattern), or type:literal.
Value ParseValue(std::string_view text, std::size_t number) {
  if (text == "null") return Value{};
  if (!text.empty() && text.front() == '"') return Value::Text(Unquote(text, number));
  const std::size_t colon = text.find(':');
  if (colon != std::string_view::npos) return ParseTyped(text.substr(0, colon), text.substr(colon + 1), number);
  const std::optional<Number> value = ParseNumber(text);
  if (!value || !value->Fits(std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::uint32_t>::max())) {
    Fail(number, "not a 32-bit number: " + std::string(text) + " (use i8:, r8: or quotes)");
  }
  return Value::Number(VT_I4, static_cast<std::int32_t>(static_cast<std::uint32_t>(value->Bits())));
}

void ParseProcess(const std::vector<std::string_view>& tokens, std::size_t number, ProcessTable& table) {
  std::vector<Value> row(table.columns.size());
  std::vector<bool> given(table.columns.size());
  for (std::size_t i = 1; i < tokens.size(); ++i) {
    const std::size_t equals = tokens[i].find('=');
    if (equals == 0 || equals == std::string_view::npos) Fail(number, "expected Property=value");
    const std::size_t column = table.AddColumn(Widen(tokens[i].substr(0, equals)));
    row.resize(table.columns.size());
    given.resize(table.columns.size());
    if (given[column]) Fail(number, "property given twice: " + std::string(tokens[i].substr(0, equals)));
    given[column] = true;
    row[column] = ParseValue(tokens[i].substr(equals + 1), number);
  }
  table.rows.push_back(std::move(row));
}

enum class Index { None, Optional, Required };

struct PointSyntax {
  std::string_view name;
  FaultPoint point;
  Index index;
  bool property;
};

constexpr PointSyntax kPoints[] = {
    {"create", FaultPoint::Create, Index::None, false},
    {"locator", FaultPoint::Locator, Index::None, false},
    {"connect", FaultPoint::Connect, Index::None, false},
    {"security", FaultPoint::Security, Index::Optional, false},
    {"impersonation", FaultPoint::Impersonation, Index::None, false},
    {"privileges", FaultPoint::Privileges, Index::None, false},
    {"add-privilege", FaultPoint::AddPrivilege, Index::None, false},
    {"class", FaultPoint::Class, Index::None, false},
    {"instances", FaultPoint::Instances, Index::None, false},
    {"enumerator", FaultPoint::Enumerator, Index::None, false},
    {"enumerator-qi", FaultPoint::EnumeratorQuery, Index::None, false},
    {"next", FaultPoint::Next, Index::Required, false},
    {"element", FaultPoint::Element, Index::Optional, false},
    {"properties", FaultPoint::Properties, Index::Optional, false},
    {"item", FaultPoint::Item, Index::Optional, true},
    {"value", FaultPoint::Value, Index::Optional, true},
    {"get-object", FaultPoint::GetInstance, Index::Optional, false},
    {"terminate", FaultPoint::Terminate, Index::Optional, false},
    {"return-value", FaultPoint::ReturnValue, Index::Optional, false},
};

struct NamedCode {
  std::string_view name;
  HRESULT code;
};

constexpr NamedCode kNamedCodes[] = {
    {"S_FALSE", S_FALSE},         {"E_FAIL", E_FAIL},           {"E_NOINTERFACE", E_NOINTERFACE},
    {"E_NOTIMPL", E_NOTIMPL},     {"E_POINTER", E_POINTER},     {"E_OUTOFMEMORY", E_OUTOFMEMORY},
    {"E_INVALIDARG", E_INVALIDARG}, {"E_ACCESSDENIED", E_ACCESSDENIED}, {"E_UNEXPECTED", E_UNEXPECTED},
};

HRESULT ParseCode(std::string_view text, std::size_t number) {
  for (const NamedCode& named : kNamedCodes) {
    if (named.name == text) return named.code;
  }
  const std::optional<Number> code = ParseNumber(text);
  if (text.size() < 3 || text.substr(0, 2) != "0x" || !code || code->magnitude > 0xFFFFFFFFu) {
    Fail(number, "expected a result code such as 0x80041002, found \"" + std::string(text) + "\"");
  }
  return static_cast<HRESULT>(static_cast<std::uint32_t>(code->magnitude));
}

// fail <point> [<index>] [<property>] <code> ["description"]
InjectedFault ParseFault(const std::vector<std::string_view>& tokens, std::size_t number) {
  if (tokens.size() < 3) Fail(number, "fail needs a point and a result code");
  const PointSyntax* syntax = nullptr;
  for (const PointSyntax& candidate : kPoints) {
    if (candidate.name == tokens[1]) syntax = &candidate;
  }
  if (!syntax) Fail(number, "unknown failure point \"" + std::string(tokens[1]) + "\"");
  InjectedFault injected;
  injected.point = syntax->point;
  std::size_t at = 2;
  if (syntax->index != Index::None && at < tokens.size() && IsDecimal(tokens[at])) {
    injected.index = ParseCount(tokens[at++], number);
  } else if (syntax->index == Index::Required) {
    Fail(number, "fail next needs the number of elements delivered first");
  }
  if (syntax->property) {
    if (at >= tokens.size()) Fail(number, "missing property name");
    injected.property = Widen(tokens[at++]);
  }
  if (at >= tokens.size()) Fail(number, "missing result code");
  injected.fault.code = ParseCode(tokens[at++], number);
  if (injected.fault.code >= 0 && syntax->point != FaultPoint::Next) {
    Fail(number, "only next may return a code that is not a failure");
  }
  if (at < tokens.size()) injected.fault.description = Unquote(tokens[at++], number);
  if (at < tokens.size()) Fail(number, "unexpected \"" + std::string(tokens[at]) + "\"");
  return injected;
}

// terminate [<index>] <returnValue>
ScriptedReturn ParseTermination(const std::vector<std::string_view>& tokens, std::size_t number) {
  ScriptedReturn scripted;
  if (tokens.size() == 3) scripted.index = ParseCount(tokens[1], number);
  const std::optional<Number> value = ParseNumber(tokens.back());
  if (!value || value->negative || value->magnitude > 0xFFFFFFFFu) {
    Fail(number, "expected a return value from 0 to 0xFFFFFFFF, found \"" + std::string(tokens.back()) + "\"");
  }
  scripted.value = static_cast<std::uint32_t>(value->magnitude);
  return scripted;
}

constexpr std::size_t kMostComputers = 100000;

// A name, or a run of names "prefix{first..last}suffix" (zero-padded as bash pads: "pc{01..20}").
void ExpandComputer(std::string_view token, std::size_t number, std::vector<std::wstring>& names) {
  if (!token.empty() && token.front() == '"') return names.push_back(Unquote(token, number));
  const std::size_t open = token.find('{');
  if (open == std::string_view::npos) return names.push_back(Widen(token));
  const std::size_t dots = token.find("..", open);
  const std::size_t close = token.find('}', open);
  if (dots == std::string_view::npos || close == std::string_view::npos || dots > close) {
    Fail(number, "expected a run of names such as pc{1..20}, found \"" + std::string(token) + "\"");
  }
  const std::string_view firstText = token.substr(open + 1, dots - open - 1);
  const std::string_view lastText = token.substr(dots + 2, close - dots - 2);
  const std::size_t first = ParseCount(firstText, number);
  const std::size_t last = ParseCount(lastText, number);
  if (last < first || last - first >= kMostComputers) Fail(number, "a run of names goes up, at most 100000 names");
  const bool padded = (firstText.size() > 1 && firstText[0] == '0') || (lastText.size() > 1 && lastText[0] == '0');
  const std::size_t width = padded ? std::max(firstText.size(), lastText.size()) : 0;
  const std::wstring prefix = Widen(token.substr(0, open));
  const std::wstring suffix = Widen(token.substr(close + 1));
  for (std::size_t n = first; n <= last && names.size() <= kMostComputers; ++n) {
    std::wstring digits = std::to_wstring(n);
    if (digits.size() < width) digits.insert(0, width - digits.size(), L'0');
    names.push_back(prefix + digits + suffix);
  }
}

// computer <name or run> ...: the statements after it, up to the next computer line, serve these computers.
Scenario& ParseComputers(const std::vector<std::string_view>& tokens, std::size_t number, Scenario& file) {
  if (tokens.size() < 2) Fail(number, "computer needs at least one name");
  std::vector<std::wstring> names;
  for (std::size_t i = 1; i < tokens.size(); ++i) ExpandComputer(tokens[i], number, names);
  for (const std::wstring& name : names) {
    if (name.empty()) Fail(number, "a computer name is not empty");
    if (file.computers.size() >= kMostComputers) Fail(number, "at most 100000 computers");
    if (!file.computers.emplace(UpperCase(name), file.sections.size()).second) {
      Fail(number, "computer " + Narrow(name) + " is named twice");
    }
  }
  file.sections.push_back(std::make_shared<Scenario>());
  return *file.sections.back();
}

// Unsigned milliseconds, at most ten minutes.
unsigned long ParseDelay(std::string_view text, std::size_t number) {
  const std::size_t delay = ParseCount(text, number);
  if (delay > 600000) Fail(number, "delay at most 600000 milliseconds");
  return static_cast<unsigned long>(delay);
}

// Statements go to section: the file's own scenario before the first computer line, else the last one's.
void ParseLine(std::string_view line, std::size_t number, Scenario& file, Scenario*& section) {
  const std::vector<std::string_view> tokens = Tokens(line, number);
  if (tokens.empty() || tokens.front().front() == '#') return;
  const std::string_view keyword = tokens.front();
  Scenario& scenario = *section;
  if (keyword == "process") {
    ParseProcess(tokens, number, *scenario.table);
  } else if (keyword == "computer") {
    section = &ParseComputers(tokens, number, file);
  } else if (keyword == "delay" && tokens.size() == 2) {
    scenario.connectDelay = ParseDelay(tokens[1], number);
  } else if (keyword == "fail") {
    InjectedFault injected = ParseFault(tokens, number);
    // The locator is made before any computer is named.
    if (section != &file && (injected.point == FaultPoint::Create || injected.point == FaultPoint::Locator)) {
      Fail(number, "fail create and fail locator come before the first computer line");
    }
    scenario.faults.push_back(std::move(injected));
  } else if (keyword == "terminate" && (tokens.size() == 2 || tokens.size() == 3)) {
    scenario.terminations.push_back(ParseTermination(tokens, number));
  } else if (keyword == "no-services" && tokens.size() == 1) {
    scenario.noServices = true;
  } else if (keyword == "generate" && (tokens.size() == 2 || tokens.size() == 3)) {
    const std::size_t count = ParseCount(tokens[1], number);
    if (count > 1000000) Fail(number, "generate at most 1000000 processes");
    AppendSynthetic(*scenario.table, count, tokens.size() == 3 ? ParseCount(tokens[2], number) : 1);
  } else {
    Fail(number, "cannot understand \"" + std::string(keyword) + "\"");
  }
}

std::string ReadScenarioFile(const std::wstring& path, const std::string& name) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw orvel::EOleError("cannot open scenario " + name, E_FAIL);
  const UniqueHandle owner(file);
  std::string text;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
  return text;
}

}  // namespace

Scenario ParseScenario(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  Scenario scenario;
  Scenario* section = &scenario;
  std::size_t number = 1;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    ParseLine(text.substr(0, end), number++, scenario, section);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
  return scenario;
}

namespace {

// Lives as long as the module, so ended processes stay ended for every later locator; computer is the
// upper-cased name of a named computer, empty for those the file's own scenario serves.
std::shared_ptr<EndedProcesses> EndedProcessesOf(const std::wstring& path, const std::wstring& computer) {
  static SRWLOCK lock = SRWLOCK_INIT;
  static std::map<std::pair<std::wstring, std::wstring>, std::shared_ptr<EndedProcesses>> byPath;
  const ExclusiveLock locked(lock);
  std::shared_ptr<EndedProcesses>& ended = byPath[{path, computer}];
  if (!ended) ended = std::make_shared<EndedProcesses>();
  return ended;
}

}  // namespace

std::shared_ptr<const Scenario> LoadScenario(const std::wstring& path) {
  const std::string name = Narrow(path);
  const std::string text = ReadScenarioFile(path, name);
  // Every locator reads the file, but a file unchanged since the last read is parsed once: the workers
  // of a many-computer scan would otherwise each generate the processes of every computer it names.
  static SRWLOCK lock = SRWLOCK_INIT;
  static std::map<std::wstring, std::pair<std::string, std::shared_ptr<const Scenario>>> parsed;
  {
    const ExclusiveLock locked(lock);
    const auto found = parsed.find(path);
    if (found != parsed.end() && found->second.first == text) return found->second.second;
  }
  std::shared_ptr<Scenario> scenario;
  try {
    scenario = std::make_shared<Scenario>(ParseScenario(text));
  } catch (const orvel::EOleError& error) {
    throw orvel::EOleError("scenario " + name + " " + error.what(), error.Code());
  }
  scenario->ended = EndedProcessesOf(path, L"");
  scenario->path = path;
  const ExclusiveLock locked(lock);
  parsed[path] = {text, scenario};
  return scenario;
}

std::shared_ptr<const Scenario> ScenarioFor(const std::shared_ptr<const Scenario>& file, std::wstring_view server) {
  if (!file || file->computers.empty()) return file;
  std::wstring name = UpperCase(server);
  const auto found = file->computers.find(name);
  if (found == file->computers.end()) return file;
  auto computer = std::make_shared<Scenario>(*file->sections[found->second]);
  computer->ended = EndedProcessesOf(file->path, name);
  computer->path = file->path;
  return computer;
}

namespace {

// splitmix64: small, fast and the same everywhere, so a seed always gives the same processes.
struct Random {
  std::uint64_t state;
  std::uint64_t operator()(std::uint64_t below) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return (z ^ (z >> 31)) % below;
  }
};

struct Program {
  const wchar_t* name;
  const wchar_t* folder;
  std::int64_t priority;
  bool service;  // session 0, and its path hidden from a user without rights now and then
};

constexpr Program kPrograms[] = {
    {L"smss.exe", L"C:\\Windows\\System32", 11, true},
    {L"csrss.exe", L"C:\\Windows\\System32", 13, true},
    {L"wininit.exe", L"C:\\Windows\\System32", 13, true},
    {L"services.exe", L"C:\\Windows\\System32", 9, true},
    {L"lsass.exe", L"C:\\Windows\\System32", 9, true},
    {L"svchost.exe", L"C:\\Windows\\System32", 8, true},
    {L"svchost.exe", L"C:\\Windows\\System32", 8, true},
    {L"spoolsv.exe", L"C:\\Windows\\System32", 8, true},
    {L"SearchIndexer.exe", L"C:\\Windows\\System32", 8, true},
    {L"winlogon.exe", L"C:\\Windows\\System32", 13, false},
    {L"dwm.exe", L"C:\\Windows\\System32", 13, false},
    {L"explorer.exe", L"C:\\Windows", 8, false},
    {L"taskhostw.exe", L"C:\\Windows\\System32", 8, false},
    {L"conhost.exe", L"C:\\Windows\\System32", 8, false},
    {L"notepad.exe", L"C:\\Windows\\System32", 8, false},
    {L"cmd.exe", L"C:\\Windows\\System32", 8, false},
    {L"B\u00FCcherwurm.exe", L"C:\\Program Files\\B\u00FCcherwurm", 8, false},
    {L"Fotoablage.exe", L"C:\\Program Files (x86)\\Fotoablage", 8, false},
    {L"backup agent.exe", L"C:\\Program Files\\Backup Agent", 4, false},
};

std::int64_t SyntheticPid(std::size_t row) {
  return row == 0 ? 0 : row == 1 ? 4 : 200 + 4 * static_cast<std::int64_t>(row);
}

std::vector<Value> KernelProcess(std::size_t row, Random& random) {
  std::vector<Value> values(ProcessTable::kStandardCount);
  values[ProcessTable::kName] = Value::Text(row == 0 ? L"System Idle Process" : L"System");
  values[ProcessTable::kProcessId] = Value::I4(SyntheticPid(row));
  values[ProcessTable::kParentProcessId] = Value::I4(0);
  values[ProcessTable::kSessionId] = Value::I4(0);
  values[ProcessTable::kThreadCount] = Value::I4(row == 0 ? 4 : 160);
  values[ProcessTable::kPriority] = Value::I4(row == 0 ? 0 : 8);
  values[ProcessTable::kWorkingSetSize] = Value::Decimal(row == 0 ? 8192 : 155648);
  values[ProcessTable::kHandleCount] = Value::I4(row == 0 ? 0 : 3500);
  values[ProcessTable::kUserModeTime] = Value::Decimal(0);
  values[ProcessTable::kKernelModeTime] = Value::Decimal(random(4000000000000u));
  return values;
}

std::vector<Value> ProgramProcess(std::size_t row, Random& random) {
  const Program& program = kPrograms[random(std::size(kPrograms))];
  std::vector<Value> values(ProcessTable::kStandardCount);
  values[ProcessTable::kName] = Value::Text(program.name);
  if (!program.service || random(3) != 0) {
    values[ProcessTable::kExecutablePath] = Value::Text(std::wstring(program.folder) + L"\\" + program.name);
  }
  values[ProcessTable::kProcessId] = Value::I4(SyntheticPid(row));
  values[ProcessTable::kParentProcessId] = Value::I4(SyntheticPid(random(row)));
  values[ProcessTable::kSessionId] = Value::I4(program.service ? 0 : 1);
  values[ProcessTable::kThreadCount] = Value::I4(1 + static_cast<std::int64_t>(random(64)));
  values[ProcessTable::kPriority] = Value::I4(program.priority);
  values[ProcessTable::kWorkingSetSize] = Value::Decimal(4096 * (64 + random(60000)));
  values[ProcessTable::kHandleCount] = Value::I4(20 + static_cast<std::int64_t>(random(2000)));
  values[ProcessTable::kUserModeTime] = Value::Decimal(random(20000000000u));
  values[ProcessTable::kKernelModeTime] = Value::Decimal(random(5000000000u));
  return values;
}

}  // namespace

void AppendSynthetic(ProcessTable& table, std::size_t count, std::uint64_t seed) {
  Random random{seed};
  table.rows.reserve(table.rows.size() + count);
  for (std::size_t made = 0; made < count; ++made) {
    const std::size_t row = table.rows.size();
    table.rows.push_back(row < 2 ? KernelProcess(row, random) : ProgramProcess(row, random));
  }
}

}  // namespace standin
