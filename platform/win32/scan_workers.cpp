#include "scan_workers.h"

#include <objbase.h>

#include <atomic>
#include <deque>
#include <exception>
#include <mutex>
#include <new>
#include <optional>
#include <utility>
#include <vector>

#include "event_guard.h"
#include "scan/scan_computer.h"
#include "win32_error.h"
#include "window_messages.h"
#include "wmi_client.h"

namespace orvel {

namespace {

std::atomic<std::size_t> runningWorkers{0};

using StopFlag = std::shared_ptr<std::atomic<bool>>;

struct Answer {
  std::uint64_t ticket;
  TComputerScan scan;
};

// Counts one worker from before its thread exists until the thread ends (or is never made).
class WorkerCount {
 public:
  WorkerCount() noexcept { ++runningWorkers; }
  WorkerCount(WorkerCount&& other) noexcept : counted_(std::exchange(other.counted_, false)) {}
  WorkerCount(const WorkerCount&) = delete;
  WorkerCount& operator=(const WorkerCount&) = delete;
  WorkerCount& operator=(WorkerCount&&) = delete;
  ~WorkerCount() {
    if (counted_) --runningWorkers;
  }

 private:
  bool counted_ = true;
};

// The worker's own multithreaded apartment, left only when it was entered.
class MultithreadedApartment {
 public:
  MultithreadedApartment() noexcept : entered_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {}
  MultithreadedApartment(const MultithreadedApartment&) = delete;
  MultithreadedApartment& operator=(const MultithreadedApartment&) = delete;
  ~MultithreadedApartment() {
    if (entered_) ::CoUninitialize();
  }

 private:
  const bool entered_;
};

// The answers' lock: a slim reader/writer lock needs no initialisation and never allocates, where the
// C runtime's mutex is made lazily at its first lock.
class SlimLock {
 public:
  void lock() noexcept { ::AcquireSRWLockExclusive(&lock_); }
  void unlock() noexcept { ::ReleaseSRWLockExclusive(&lock_); }

 private:
  SRWLOCK lock_ = SRWLOCK_INIT;
};

template <class Work>
DWORD WINAPI RunWork(void* parameter) noexcept {
  const std::unique_ptr<Work> work(static_cast<Work*>(parameter));
  (*work)();
  return 0;
}

// Runs `work` on a thread of its own, made straight by the system and not waited for. Without a
// thread, the work is freed unrun and the system's text for the failure is returned.
template <class Work>
std::optional<std::string> StartDetached(Work work) noexcept {
  std::unique_ptr<Work> owned(new (std::nothrow) Work(std::move(work)));
  if (!owned) return SystemMessageText(ERROR_NOT_ENOUGH_MEMORY);
  const HANDLE thread = ::CreateThread(nullptr, 0, &RunWork<Work>, owned.get(), 0, nullptr);
  if (!thread) return SystemMessageText(::GetLastError());
  owned.release();  // the thread's own now
  ::CloseHandle(thread);
  return std::nullopt;
}

TComputerScan Failure(std::string message, std::string stage) {
  TComputerScan scan;
  scan.Failed = true;
  scan.Message = std::move(message);
  scan.Stage = std::move(stage);
  return scan;
}

// The whole scan of one computer on the worker's thread; every COM object is made and released here.
TComputerScan ScanInApartment(const std::string& computer, const std::string& user, const std::string& password,
                              const std::atomic<bool>& stop) noexcept {
  try {
    const MultithreadedApartment apartment;
    std::unique_ptr<IWmiLocator> locator;
    try {
      locator = Win32Wmi().CreateLocator();
    } catch (const std::exception& failure) {
      // Where a single scan fails before connecting: its first step.
      return Failure(failure.what(), "1");
    }
    return ScanComputer(*locator, computer, user, password, &stop);
  } catch (const std::exception& failure) {
    return Failure(failure.what(), {});
  } catch (...) {
    return Failure(UnknownException().what(), {});
  }
}

}  // namespace

// A computer to scan, waiting for its worker thread.
struct Task {
  std::uint64_t ticket;
  StopFlag stop;
  std::string computer, user, password;
};

struct Win32ComputerScans::Shared {
  SlimLock lock;
  HWND window = nullptr;  // null once the owner is gone: answers are freed, never posted
  bool wakeUpPosted = false;
  std::vector<Answer> answers;
  StopFlag stop = std::make_shared<std::atomic<bool>>(false);  // of the scans started since the last AbandonAll
  std::deque<Task> unlaunched;  // for the launcher thread, which runs while this is not empty
  bool launching = false;

  // From a worker: one message wakes the window's thread for every answer gathered until it runs.
  // An answer not taken is freed with the argument, once the lock is let go.
  void Deliver(Answer answer, const std::atomic<bool>& abandoned) noexcept {
    const std::lock_guard<SlimLock> locked(lock);
    if (!window || abandoned) return;
    try {
      answers.push_back(std::move(answer));
    } catch (...) {
      return;  // no memory for it: the scan goes on as if the computer never answered
    }
    if (!wakeUpPosted) wakeUpPosted = ::PostMessageW(window, kScansAnswered, 0, 0) != FALSE;
  }
};

namespace {

void ScanOnWorker(const std::shared_ptr<Win32ComputerScans::Shared>& shared, Task task) noexcept {
  // When many computers answer together, the window's thread comes first (Wine 8 applies no priorities).
  ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
  TComputerScan scan = ScanInApartment(task.computer, task.user, task.password, *task.stop);
  shared->Deliver({task.ticket, std::move(scan)}, *task.stop);
}

// Makes a worker thread for each task handed over, then ends when none is left. Making a thread takes
// milliseconds under Wine, so the window's thread leaves it to this one and answers meanwhile.
void LaunchWorkers(const std::shared_ptr<Win32ComputerScans::Shared>& shared) noexcept {
  for (;;) {
    std::optional<Task> task;
    {
      const std::lock_guard<SlimLock> locked(shared->lock);
      if (shared->unlaunched.empty()) {
        shared->launching = false;
        return;
      }
      task.emplace(std::move(shared->unlaunched.front()));
      shared->unlaunched.pop_front();
    }
    if (*task->stop) continue;  // abandoned before its turn
    const std::uint64_t ticket = task->ticket;
    const StopFlag stop = task->stop;
    const std::optional<std::string> failure =
        StartDetached([shared, task = std::move(*task), count = WorkerCount()]() mutable noexcept {
          ScanOnWorker(shared, std::move(task));
        });
    // No thread for it: the computer fails at its first step, answered from the queue as every other.
    if (failure) shared->Deliver({ticket, Failure(*failure, "1")}, *stop);
  }
}

}  // namespace

Win32ComputerScans::Win32ComputerScans(Win32Application& application)
    : application_(application),
      shared_(std::make_shared<Shared>()),
      window_(application, L"OrvelScanAnswers", [this](UINT message, WPARAM) {
        if (message != kScansAnswered) return false;
        TakeAnswers();
        return true;
      }) {
  shared_->window = window_.Window();
}

Win32ComputerScans::~Win32ComputerScans() {
  AbandonAll();
  const std::lock_guard<SlimLock> locked(shared_->lock);
  shared_->window = nullptr;
}

void Win32ComputerScans::Start(std::size_t index, const std::string& computer, const std::string& user,
                               const std::string& password, TDone done) {
  const std::uint64_t ticket = ++lastTicket_;
  waiting_.emplace(ticket, Waiting{index, std::move(done)});
  {
    const std::lock_guard<SlimLock> locked(shared_->lock);
    shared_->unlaunched.push_back({ticket, shared_->stop, computer, user, password});
    if (shared_->launching) return;
    shared_->launching = true;
  }
  const std::optional<std::string> failure =
      StartDetached([shared = shared_, count = WorkerCount()]() noexcept { LaunchWorkers(shared); });
  if (failure) {
    // No launcher: every computer handed over fails at its first step, answered from the queue.
    std::deque<Task> failed;
    {
      const std::lock_guard<SlimLock> locked(shared_->lock);
      shared_->launching = false;
      failed.swap(shared_->unlaunched);
    }
    for (const Task& task : failed) shared_->Deliver({task.ticket, Failure(*failure, "1")}, *task.stop);
  }
}

void Win32ComputerScans::AbandonAll() {
  waiting_.clear();
  StopFlag fresh = std::make_shared<std::atomic<bool>>(false);
  std::vector<Answer> dropped;  // freed after the lock is let go
  std::deque<Task> unlaunched;
  const std::lock_guard<SlimLock> locked(shared_->lock);
  shared_->stop->store(true);
  shared_->stop = std::move(fresh);
  dropped.swap(shared_->answers);
  unlaunched.swap(shared_->unlaunched);
}

void Win32ComputerScans::TakeAnswers() {
  std::vector<Answer> batch;
  {
    const std::lock_guard<SlimLock> locked(shared_->lock);
    batch.swap(shared_->answers);
    shared_->wakeUpPosted = false;
  }
  // Each answer is looked up as it comes: one that runs may abandon the rest, or start more.
  for (Answer& answer : batch) {
    if (!application_.MainWindow()) {
      // The window is gone: nothing it started may run any more.
      AbandonAll();
      return;
    }
    const auto found = waiting_.find(answer.ticket);
    if (found == waiting_.end()) continue;
    const Waiting waiting = std::move(found->second);
    waiting_.erase(found);
    FireEvent(application_, waiting.done, waiting.index, std::move(answer.scan));
  }
}

std::size_t Win32ComputerScans::RunningWorkers() noexcept { return runningWorkers.load(); }

}  // namespace orvel
