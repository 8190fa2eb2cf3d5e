// The exception firewall around every event handler that a window procedure or callback runs.
#pragma once

#include <exception>
#include <utility>

#include "app/program.h"
#include "platform/ui.h"

namespace orvel {

// Runs a bound event handler; an exception it lets out is shown in the application's error box
// instead of unwinding through Windows. Returns false when the handler failed.
template <class Handler, class... Args>
bool FireEvent(TApplication& application, const Handler& handler, Args&&... args) noexcept {
  if (!handler) return true;
  try {
    // A copy: the handler may rebind its own event while it runs (the one-shot paint does).
    const Handler running = handler;
    running(std::forward<Args>(args)...);
    return true;
  } catch (const std::exception& error) {
    ReportEscapedError(application, error);
  } catch (...) {
    ReportEscapedError(application, UnknownException());
  }
  return false;
}

}  // namespace orvel
