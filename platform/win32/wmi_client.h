// The WMI scripting objects (wbemdisp) behind orvel::IWmi.
#pragma once

#include <memory>

#include "platform/wmi.h"

struct tagVARIANT;

namespace orvel {

// Used on the thread that initialised COM; every object it hands out belongs to that apartment.
class Win32Wmi : public IWmi {
 public:
  std::unique_ptr<IWmiLocator> CreateLocator() override;
};

// A property value as the scan sees it: integers of every width, reals, text as UTF-8 without loss,
// null; anything else as the text the variant converts to. Throws EOleError when it does not convert.
WmiValue ToWmiValue(const tagVARIANT& value);

}  // namespace orvel
