// The one exception type for failures of COM and the platform: a message text and a result code.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace orvel {

class EOleError : public std::runtime_error {
 public:
  EOleError(const std::string& message, std::int32_t code) : std::runtime_error(message), code_(code) {}
  std::int32_t Code() const noexcept { return code_; }

 private:
  std::int32_t code_;
};

}  // namespace orvel
