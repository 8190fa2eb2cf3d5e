// The WMI scripting objects, one interface per object the scan uses. Every text in and out is UTF-8.
// Every call throws EOleError on a failure result (message text already built),
// except IWmiEnum::Next, whose result is only "another element or not". A call that hands back an
// object never hands back nullptr, except where its comment says so: an implementation turns a
// success without an object into a failure of that call.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace orvel {

// A property value as WMI delivers it: null, a number or text (UTF-8, as every text of the interfaces).
struct WmiValue {
  enum class Kind { Null, Integer, Real, Text };
  Kind kind = Kind::Null;
  std::int64_t integer = 0;
  double real = 0;
  std::string text;

  static WmiValue Null() { return {}; }
  static WmiValue FromInteger(std::int64_t v) { WmiValue r; r.kind = Kind::Integer; r.integer = v; return r; }
  static WmiValue FromReal(double v) { WmiValue r; r.kind = Kind::Real; r.real = v; return r; }
  static WmiValue FromText(std::string v) { WmiValue r; r.kind = Kind::Text; r.text = std::move(v); return r; }
};

class IWmiPropertySet {  // SWbemPropertySet
 public:
  virtual ~IWmiPropertySet() = default;
  // Item(name, 0) then SWbemProperty.Value (W11, W12).
  virtual WmiValue Value(std::string_view name) = 0;
};

class IWmiObjectSet;

class IWmiObject {  // SWbemObject
 public:
  virtual ~IWmiObject() = default;
  virtual std::unique_ptr<IWmiObjectSet> Instances(std::int32_t flags) = 0;  // W6
  virtual std::unique_ptr<IWmiPropertySet> Properties() = 0;               // W10
  // ExecMethod_ of an instance's method without in-parameters: the out-parameters object.
  virtual std::unique_ptr<IWmiObject> ExecMethod(const std::string& method) = 0;
};

class IWmiElement {  // one variant fetched by Next
 public:
  virtual ~IWmiElement() = default;
  virtual std::unique_ptr<IWmiObject> AsObject() = 0;  // W9: QueryInterface for ISWbemObject
};

class IWmiEnum {  // IEnumVARIANT
 public:
  virtual ~IWmiEnum() = default;
  // W8: Next(1, ...); an element only when the result is S_OK, else nullptr.
  virtual std::unique_ptr<IWmiElement> Next() = 0;
};

class IWmiObjectSet {  // SWbemObjectSet
 public:
  virtual ~IWmiObjectSet() = default;
  virtual std::unique_ptr<IWmiEnum> NewEnum() = 0;  // W7, with QueryInterface for IEnumVARIANT
};

class IWmiServices {  // SWbemServices
 public:
  virtual ~IWmiServices() = default;
  virtual void SetImpersonationLevel(std::int32_t level) = 0;        // W3
  virtual void AddPrivilege(std::int32_t privilege, bool enabled) = 0;  // W4
  virtual std::unique_ptr<IWmiObject> Get(const std::string& path, std::int32_t flags) = 0;  // W5
};

class IWmiLocator {  // SWbemLocator
 public:
  virtual ~IWmiLocator() = default;
  // W2; nullptr when the call succeeds without a services object.
  virtual std::unique_ptr<IWmiServices> ConnectServer(const std::string& server, const std::string& nameSpace,
                                                      const std::string& user, const std::string& password,
                                                      const std::string& locale, const std::string& authority,
                                                      std::int32_t securityFlags) = 0;
};

class IWmi {
 public:
  virtual ~IWmi() = default;
  // W1: CoCreateInstance of SWbemLocator and QueryInterface for ISWbemLocator.
  virtual std::unique_ptr<IWmiLocator> CreateLocator() = 0;
};

}  // namespace orvel
