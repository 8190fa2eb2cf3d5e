// Scans of many computers at once, each away from the window's thread; the answers come back to it.
// Portable: implemented over threads and COM in platform/win32, and by a scripted fake in the host tests.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "../scan/process_info.h"

namespace orvel {

// What one computer's scan brought back: its records, and on a failure the same message a single
// scan's error box shows for it (stage reached and the WMI text). Records gathered before a failure stay.
struct TComputerScan {
  TPIArray Records;
  bool Failed = false;
  std::string Message;  // the WMI text of the failure (EOleError's message)
  std::string Stage;    // the stage reached, as the single scan's box writes it after "Code: "
};

class IComputerScans {
 public:
  using TDone = std::function<void(std::size_t index, TComputerScan result)>;
  virtual ~IComputerScans() = default;
  // Starts the scan of one computer on a worker thread of its own, with its own COM apartment and WMI
  // locator, through ScanComputer. `done` runs later on the window's thread, from its message queue,
  // unless AbandonAll came first. Never waits for the computer.
  virtual void Start(std::size_t index, const std::string& computer, const std::string& user,
                     const std::string& password, TDone done) = 0;
  // Stops waiting for every scan started so far: their answers are dropped, the workers stop at their
  // next step (between two processes) and are never waited for, also not when the program ends.
  virtual void AbandonAll() = 0;
};

}  // namespace orvel
