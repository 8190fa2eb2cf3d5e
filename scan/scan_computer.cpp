#include "scan_computer.h"

#include <exception>
#include <memory>
#include <utility>

#include "connection.h"
#include "wmi_values.h"

namespace orvel {
namespace {

constexpr std::int32_t kUseAmendedQualifiers = 0x20000;

// How far the scan got: shown after "Code: " when a step fails.
struct ScanStage {
  int step = 1;
  std::size_t process = 0;  // the element being read, with step 8

  std::string Text() const {
    if (step != 8) return std::to_string(step);
    std::string text("8 ");
    text += std::to_string(process);
    return text;
  }
};

void ReadText(IWmiPropertySet& properties, const char* name, std::string& field) {
  WmiValue value = properties.Value(name);
  if (value.kind == WmiValue::Kind::Text) {
    field = std::move(value.text);  // a path is long enough to cost a copy
  } else if (value.kind != WmiValue::Kind::Null) {
    field = WmiText(value);
  }
}

void ReadNumber(IWmiPropertySet& properties, const char* name, std::uint32_t (*convert)(const WmiValue&),
                std::uint32_t& field) {
  const WmiValue value = properties.Value(name);
  if (value.kind != WmiValue::Kind::Null) field = convert(value);
}

void ReadRequiredProperties(IWmiPropertySet& properties, TProcesInformation& record) {
  ReadText(properties, "Name", record.Name);
  ReadText(properties, "ExecutablePath", record.ExecutablePath);
  ReadNumber(properties, "ProcessID", WmiLow32, record.ProcessId);
  ReadNumber(properties, "ParentProcessId", WmiLow32, record.ParentProcessId);
  ReadNumber(properties, "SessionID", WmiLow32, record.SessionId);
  ReadNumber(properties, "ThreadCount", WmiLow32, record.ThreadCount);
  ReadNumber(properties, "Priority", WmiLow32, record.Priority);
}

// Not every host grants these; a failure skips the rest of them for this process only.
void ReadOptionalProperties(IWmiPropertySet& properties, TProcesInformation& record) {
  try {
    ReadNumber(properties, "WorkingSetSize", WmiKilobytes, record.WorkingSetKB);
    ReadNumber(properties, "HandleCount", WmiLow32, record.HandleCount);
    ReadNumber(properties, "UserModeTime", WmiSeconds, record.CpuSeconds);
    std::uint32_t kernelSeconds = 0;
    ReadNumber(properties, "KernelModeTime", WmiSeconds, kernelSeconds);
    record.CpuSeconds += kernelSeconds;
  } catch (const std::exception&) {
  }
}

// Appends one record per process; the stage names the step that a failure interrupts.
void EnumerateProcesses(IWmiServices& services, TPIArray& records, ScanStage& stage, const std::atomic<bool>* stop) {
  const auto processClass = services.Get("Win32_Process", kUseAmendedQualifiers);
  stage.step = 6;
  const auto instances = processClass->Instances(0);
  const auto elements = instances->NewEnum();
  stage.step = 7;
  for (std::size_t k = 0;; ++k) {
    if (stop && stop->load()) return;
    const auto element = elements->Next();
    if (!element) return;
    const auto object = element->AsObject();
    const auto properties = object->Properties();
    records.emplace_back();
    stage = {8, k};
    ReadRequiredProperties(*properties, records.back());
    ReadOptionalProperties(*properties, records.back());
    stage.step = 9;
  }
}

}  // namespace

TComputerScan ScanComputer(IWmiLocator& locator, const std::string& computer, const std::string& user,
                           const std::string& password, const std::atomic<bool>* stop) {
  TComputerScan result;
  ScanStage stage;
  stage.step = 2;
  try {
    const std::unique_ptr<IWmiServices> services = ConnectToProcesses(locator, computer, user, password);
    stage.step = 3;
    if (services) {
      stage.step = 4;
      SetUpSecurity(*services);
      stage.step = 5;
      EnumerateProcesses(*services, result.Records, stage, stop);
    }
  } catch (const std::exception& failure) {
    result.Failed = true;
    result.Message = failure.what();
    result.Stage = stage.Text();
  }
  return result;
}

}  // namespace orvel
