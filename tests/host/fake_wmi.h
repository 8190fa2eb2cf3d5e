// A scripted WMI: processes with their property values, failures injected at any step,
// every call recorded with its arguments, and a count of the objects not yet released.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ole_error.h"
#include "platform/wmi.h"
#include "fakes.h"

namespace orvel::fakes {

// Property values of a scripted process; failures are injected by step (FakeWmi::failures).
inline WmiValue Int(std::int64_t v) { return WmiValue::FromInteger(v); }
inline WmiValue Real(double v) { return WmiValue::FromReal(v); }
inline WmiValue Txt(std::string v) { return WmiValue::FromText(std::move(v)); }
inline WmiValue Null() { return WmiValue::Null(); }

// Property name to property; a name the script leaves out reads as null.
using FakeProcess = std::map<std::string, WmiValue>;

constexpr std::int32_t kFakeFailureCode = static_cast<std::int32_t>(0x80041001u);  // WBEM_E_FAILED

class FakeWmi : public IWmi {
 public:
  explicit FakeWmi(Journal& journal) : journal_(journal) {}

  // The script.
  std::vector<FakeProcess> processes;
  bool returnsServices = true;
  // Step ("ConnectServer", "AsObject 2", ...) to the message text of its failure.
  std::map<std::string, std::string> failures;
  std::optional<std::size_t> nextFailsAt;  // Next ends the enumeration at this element
  // What Terminate answers for a process index (0 when not listed); a process ended is enumerated no more.
  std::map<std::size_t, std::int64_t> terminateResults;
  std::vector<bool> ended;
  // Runs inside CreateLocator, while the scan is under way; may throw like a failing step.
  std::function<void()> whileCreatingLocator;

  // What happened.
  std::vector<std::string> calls;  // the password only as <set> or <empty>, as a call log must
  std::string lastPassword;         // the password ConnectServer was last given
  int live = 0;
  int created = 0;

  std::unique_ptr<IWmiLocator> CreateLocator() override;

  // Records the call and throws when the script makes this step fail.
  void Call(const std::string& step, const std::string& call) {
    calls.push_back(call);
    journal_.Add("wmi.call " + call);
    const auto failure = failures.find(step);
    if (failure != failures.end()) throw EOleError(failure->second, kFakeFailureCode);
  }
  void Born(const std::string& name) { ++live; ++created; journal_.Add("wmi.new " + name); }
  void Died(const std::string& name) { --live; journal_.Add("wmi.release " + name); }

 private:
  Journal& journal_;
};

// Every fake object counts itself alive from construction to destruction.
class FakeWmiObjectBase {
 public:
  FakeWmiObjectBase(FakeWmi& wmi, std::string name) : wmi_(wmi), name_(std::move(name)) { wmi_.Born(name_); }
  FakeWmiObjectBase(const FakeWmiObjectBase&) = delete;
  FakeWmiObjectBase& operator=(const FakeWmiObjectBase&) = delete;
  ~FakeWmiObjectBase() { wmi_.Died(name_); }

 protected:
  FakeWmi& wmi_;
  std::string name_;
};

// The properties of a process (its index as the label), or of a method's out-parameters.
class FakePropertySet : public IWmiPropertySet, FakeWmiObjectBase {
 public:
  FakePropertySet(FakeWmi& wmi, std::string label, FakeProcess values)
      : FakeWmiObjectBase(wmi, "PropertySet " + label), label_(std::move(label)), values_(std::move(values)) {}
  WmiValue Value(std::string_view nameView) override {
    const std::string name(nameView);
    wmi_.Call("Value " + label_ + " " + name, "Value(" + label_ + ", " + name + ")");
    const auto property = values_.find(name);
    if (property == values_.end()) return WmiValue::Null();
    return property->second;
  }

 private:
  std::string label_;
  FakeProcess values_;
};

class FakeEnum;

// The class object (no index) or the object of one process.
class FakeObject : public IWmiObject, FakeWmiObjectBase {
 public:
  FakeObject(FakeWmi& wmi, std::optional<std::size_t> index)
      : FakeWmiObjectBase(wmi, index ? "Object " + std::to_string(*index) : "Class"), index_(index) {}
  std::unique_ptr<IWmiObjectSet> Instances(std::int32_t flags) override;
  std::unique_ptr<IWmiPropertySet> Properties() override {
    const std::string k = std::to_string(index_.value());
    wmi_.Call("Properties " + k, "Properties(" + k + ")");
    return std::make_unique<FakePropertySet>(wmi_, k, wmi_.processes.at(*index_));
  }
  std::unique_ptr<IWmiObject> ExecMethod(const std::string& method) override;

 private:
  std::optional<std::size_t> index_;
};

// The out-parameters of a method.
class FakeOutParameters : public IWmiObject, FakeWmiObjectBase {
 public:
  FakeOutParameters(FakeWmi& wmi, FakeProcess values) : FakeWmiObjectBase(wmi, "OutParameters"), values_(std::move(values)) {}
  std::unique_ptr<IWmiObjectSet> Instances(std::int32_t) override { throw EOleError("not a class", kFakeFailureCode); }
  std::unique_ptr<IWmiPropertySet> Properties() override {
    return std::make_unique<FakePropertySet>(wmi_, "out", values_);
  }
  std::unique_ptr<IWmiObject> ExecMethod(const std::string&) override { throw EOleError("no methods", kFakeFailureCode); }

 private:
  FakeProcess values_;
};

inline std::unique_ptr<IWmiObject> FakeObject::ExecMethod(const std::string& method) {
  const std::string k = std::to_string(index_.value());
  wmi_.Call("ExecMethod " + k, "ExecMethod(" + k + ", " + method + ")");
  const auto scripted = wmi_.terminateResults.find(*index_);
  const std::int64_t result = scripted == wmi_.terminateResults.end() ? 0 : scripted->second;
  if (result == 0) {
    wmi_.ended.resize(wmi_.processes.size());
    wmi_.ended[*index_] = true;
  }
  return std::make_unique<FakeOutParameters>(wmi_, FakeProcess{{"ReturnValue", Int(result)}});
}

class FakeElement : public IWmiElement, FakeWmiObjectBase {
 public:
  FakeElement(FakeWmi& wmi, std::size_t index) : FakeWmiObjectBase(wmi, "Element " + std::to_string(index)), index_(index) {}
  std::unique_ptr<IWmiObject> AsObject() override {
    const std::string k = std::to_string(index_);
    wmi_.Call("AsObject " + k, "AsObject(" + k + ")");
    return std::make_unique<FakeObject>(wmi_, index_);
  }

 private:
  std::size_t index_;
};

class FakeEnum : public IWmiEnum, FakeWmiObjectBase {
 public:
  explicit FakeEnum(FakeWmi& wmi) : FakeWmiObjectBase(wmi, "Enum") {}
  std::unique_ptr<IWmiElement> Next() override {
    wmi_.calls.push_back("Next()");
    while (next_ < wmi_.ended.size() && wmi_.ended[next_]) ++next_;
    if (next_ >= wmi_.processes.size() || wmi_.nextFailsAt == next_) return nullptr;
    return std::make_unique<FakeElement>(wmi_, next_++);
  }

 private:
  std::size_t next_ = 0;
};

class FakeObjectSet : public IWmiObjectSet, FakeWmiObjectBase {
 public:
  explicit FakeObjectSet(FakeWmi& wmi) : FakeWmiObjectBase(wmi, "ObjectSet") {}
  std::unique_ptr<IWmiEnum> NewEnum() override {
    wmi_.Call("NewEnum", "NewEnum()");
    return std::make_unique<FakeEnum>(wmi_);
  }
};

inline std::unique_ptr<IWmiObjectSet> FakeObject::Instances(std::int32_t flags) {
  wmi_.Call("Instances", "Instances(" + std::to_string(flags) + ")");
  return std::make_unique<FakeObjectSet>(wmi_);
}

class FakeServices : public IWmiServices, FakeWmiObjectBase {
 public:
  explicit FakeServices(FakeWmi& wmi) : FakeWmiObjectBase(wmi, "Services") {}
  void SetImpersonationLevel(std::int32_t level) override {
    wmi_.Call("SetImpersonationLevel", "SetImpersonationLevel(" + std::to_string(level) + ")");
  }
  void AddPrivilege(std::int32_t privilege, bool enabled) override {
    wmi_.Call("AddPrivilege", "AddPrivilege(" + std::to_string(privilege) + ", " + (enabled ? "true" : "false") + ")");
  }
  // The class, or the instance of a path Win32_Process.Handle="<ProcessID>".
  std::unique_ptr<IWmiObject> Get(const std::string& path, std::int32_t flags) override {
    wmi_.Call("Get", "Get(" + path + ", " + std::to_string(flags) + ")");
    if (path == "Win32_Process") return std::make_unique<FakeObject>(wmi_, std::nullopt);
    for (std::size_t k = 0; k < wmi_.processes.size(); ++k) {
      const auto id = wmi_.processes[k].find("ProcessID");
      const bool gone = k < wmi_.ended.size() && wmi_.ended[k];
      if (!gone && id != wmi_.processes[k].end() &&
          path == "Win32_Process.Handle=\"" + std::to_string(id->second.integer) + "\"")
        return std::make_unique<FakeObject>(wmi_, k);
    }
    throw EOleError("Not found", static_cast<std::int32_t>(0x80041002u));
  }
};

class FakeLocator : public IWmiLocator, FakeWmiObjectBase {
 public:
  explicit FakeLocator(FakeWmi& wmi) : FakeWmiObjectBase(wmi, "Locator") {}
  std::unique_ptr<IWmiServices> ConnectServer(const std::string& server, const std::string& nameSpace,
                                              const std::string& user, const std::string& password,
                                              const std::string& locale, const std::string& authority,
                                              std::int32_t securityFlags) override {
    wmi_.lastPassword = password;
    const std::string secret = password.empty() ? "<empty>" : "<set>";
    wmi_.Call("ConnectServer", "ConnectServer(" + server + ", " + nameSpace + ", " + user + ", " + secret + ", " +
                                   locale + ", " + authority + ", " + std::to_string(securityFlags) + ")");
    if (!wmi_.returnsServices) return nullptr;
    return std::make_unique<FakeServices>(wmi_);
  }
};

inline std::unique_ptr<IWmiLocator> FakeWmi::CreateLocator() {
  Call("CreateLocator", "CreateLocator()");
  if (whileCreatingLocator) whileCreatingLocator();
  return std::make_unique<FakeLocator>(*this);
}

}  // namespace orvel::fakes
