// Computers scanned each on a worker thread of its own, their answers run on the window's thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "application.h"
#include "platform/computer_scans.h"

namespace orvel {

class Win32ComputerScans : public IComputerScans {
 public:
  // Made on the window's thread: the answers come back to it, through a message-only window of its own.
  explicit Win32ComputerScans(Win32Application& application);
  Win32ComputerScans(const Win32ComputerScans&) = delete;
  Win32ComputerScans& operator=(const Win32ComputerScans&) = delete;
  // Abandons every scan; workers still running finish on their own and their answers are freed.
  ~Win32ComputerScans() override;

  void Start(std::size_t index, const std::string& computer, const std::string& user, const std::string& password,
             TDone done) override;
  void AbandonAll() override;

  // Workers of this process not yet ended, abandoned ones included: the program's end must not wait for them.
  static std::size_t RunningWorkers() noexcept;

  struct Shared;  // what the workers share with the window's thread

 private:
  struct Waiting {
    std::size_t index;
    TDone done;
  };
  // The batch of answers posted so far, each run unless abandoned; none once the main window is gone.
  void TakeAnswers();

  Win32Application& application_;
  std::shared_ptr<Shared> shared_;
  Win32MessageWindow window_;  // where the workers' wake-up message arrives
  std::unordered_map<std::uint64_t, Waiting> waiting_;  // by ticket: only the window's thread touches `done`
  std::uint64_t lastTicket_ = 0;
};

}  // namespace orvel
