#include "scan_workers.h"

#include <objbase.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "event_guard.h"
#include "scan/scan_computer.h"
#include "win32_error.h"
#include "window.h"
#include "window_messages.h"
#include "wmi_client.h"

namespace orvel {

namespace {

std::atomic<std::size_t> runningWorkers{0};

// How long a worker that has answered waits for the next computer before its thread ends: the window's
// thread starts the next one as it takes the answer.
constexpr std::chrono::milliseconds kIdleWorkerLinger{1000};

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

TComputerScan Failure(std::string message, std::string stage) {
  TComputerScan scan;
  scan.Failed = true;
  scan.Message = std::move(message);
  scan.Stage = std::move(stage);
  return scan;
}

// The whole scan of one computer on the worker's thread, in its apartment; every COM object is made
// and released here.
TComputerScan ScanWithOwnLocator(const std::string& computer, const std::string& user, const std::string& password,
                                 const std::atomic<bool>& stop) noexcept {
  try {
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

// A computer to scan, waiting for a worker thread.
struct Task {
  std::uint64_t ticket;
  StopFlag stop;
  std::string computer, user, password;
};

struct Win32ComputerScans::Shared {
  std::mutex lock;
  HWND window = nullptr;  // null once the owner is gone: answers are freed, never posted
  bool wakeUpPosted = false;
  std::vector<Answer> answers;
  StopFlag stop = std::make_shared<std::atomic<bool>>(false);  // of the scans started since the last AbandonAll
  std::deque<Task> tasks;  // started, not yet taken by a worker
  bool launching = false;  // a launcher thread runs: it makes workers while more tasks wait than will be taken
  std::size_t starting = 0;  // workers made that have not yet taken their first task
  std::size_t idle = 0;      // workers waiting for a next task
  std::condition_variable taskWaiting;
  bool closing = false;  // the owner is gone: idle workers end at once

  // From a worker: one message wakes the window's thread for every answer gathered until it runs.
  // An answer not taken is freed with the argument, once the lock is let go.
  void Deliver(Answer answer, const std::atomic<bool>& abandoned) noexcept {
    const std::lock_guard<std::mutex> locked(lock);
    if (!window || abandoned) return;
    try {
      answers.push_back(std::move(answer));
    } catch (...) {
      return;  // no memory for it: the scan goes on as if the computer never answered
    }
    if (!wakeUpPosted) wakeUpPosted = ::PostMessageW(window, kScansAnswered, 0, 0) != FALSE;
  }

  // The next task for a worker, waiting a while for one; `first` for the task the worker was made for.
  std::optional<Task> NextTask(bool first) {
    std::unique_lock<std::mutex> locked(lock);
    if (first) --starting;
    if (tasks.empty() && !closing) {
      ++idle;
      taskWaiting.wait_for(locked, kIdleWorkerLinger, [this] { return !tasks.empty() || closing; });
      --idle;
    }
    if (tasks.empty()) return std::nullopt;
    std::optional<Task> task(std::move(tasks.front()));
    tasks.pop_front();
    return task;
  }
};

namespace {

// Scans one computer after another, each with a connection of its own, until no task waits.
void ScanOnWorker(std::shared_ptr<Win32ComputerScans::Shared> shared, WorkerCount) noexcept {
  // When many computers answer together, the window's thread comes first (Wine 8 applies no priorities).
  ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
  const MultithreadedApartment apartment;
  for (std::optional<Task> task = shared->NextTask(true); task; task = shared->NextTask(false)) {
    if (*task->stop) continue;  // abandoned before its turn
    TComputerScan scan = ScanWithOwnLocator(task->computer, task->user, task->password, *task->stop);
    shared->Deliver({task->ticket, std::move(scan)}, *task->stop);
  }
}

// Makes workers while more tasks wait than workers are on their way, then ends. A task goes to whichever
// comes first, a new worker or one that has finished its computer, so none waits behind a computer that
// does not answer. Making a thread takes milliseconds under Wine: the window's thread leaves it to this
// one, and workers are reused.
void LaunchWorkers(std::shared_ptr<Win32ComputerScans::Shared> shared, WorkerCount) noexcept {
  for (;;) {
    {
      const std::lock_guard<std::mutex> locked(shared->lock);
      if (shared->tasks.size() <= shared->starting + shared->idle) {
        shared->launching = false;
        return;
      }
      ++shared->starting;
    }
    try {
      std::thread(ScanOnWorker, shared, WorkerCount()).detach();
    } catch (const std::system_error& failure) {
      // No thread for the next task: its computer fails at its first step, answered as every other.
      std::optional<Task> task;
      {
        const std::lock_guard<std::mutex> locked(shared->lock);
        --shared->starting;
        if (!shared->tasks.empty()) {
          task.emplace(std::move(shared->tasks.front()));
          shared->tasks.pop_front();
        }
      }
      if (task) shared->Deliver({task->ticket, Failure(failure.what(), "1")}, *task->stop);
    }
  }
}

}  // namespace

class Win32ComputerScans::AnswerWindow : public Win32Window {
 public:
  explicit AnswerWindow(Win32ComputerScans& owner) : owner_(owner) {
    CreateMessageOnly(kClassName);
  }
  AnswerWindow(const AnswerWindow&) = delete;
  AnswerWindow& operator=(const AnswerWindow&) = delete;
  ~AnswerWindow() override {
    if (window_) ::DestroyWindow(window_);
  }

 private:
  static constexpr const wchar_t* kClassName = L"OrvelScanAnswers";

  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message != kScansAnswered) return Default(message, wParam, lParam);
    owner_.TakeAnswers();
    return 0;
  }
  void Escaped(const std::exception& failure) noexcept override {
    ReportEscapedError(owner_.application_, failure);
  }

  Win32ComputerScans& owner_;
};

Win32ComputerScans::Win32ComputerScans(Win32Application& application)
    : application_(application), shared_(std::make_shared<Shared>()), window_(std::make_unique<AnswerWindow>(*this)) {
  shared_->window = window_->Window();
}

Win32ComputerScans::~Win32ComputerScans() {
  AbandonAll();
  const std::lock_guard<std::mutex> locked(shared_->lock);
  shared_->window = nullptr;
  shared_->closing = true;
  shared_->taskWaiting.notify_all();
}

void Win32ComputerScans::Start(std::size_t index, const std::string& computer, const std::string& user,
                               const std::string& password, TDone done) {
  const std::uint64_t ticket = ++lastTicket_;
  waiting_.emplace(ticket, Waiting{index, std::move(done)});
  {
    const std::lock_guard<std::mutex> locked(shared_->lock);
    shared_->tasks.push_back({ticket, shared_->stop, computer, user, password});
    if (shared_->idle > 0) shared_->taskWaiting.notify_one();
    if (shared_->launching || shared_->tasks.size() <= shared_->starting + shared_->idle) return;
    shared_->launching = true;
  }
  try {
    std::thread(LaunchWorkers, shared_, WorkerCount()).detach();
  } catch (const std::system_error& failure) {
    // No launcher: every computer handed over fails at its first step, answered from the queue.
    std::deque<Task> failed;
    {
      const std::lock_guard<std::mutex> locked(shared_->lock);
      shared_->launching = false;
      failed.swap(shared_->tasks);
    }
    for (const Task& task : failed) shared_->Deliver({task.ticket, Failure(failure.what(), "1")}, *task.stop);
  }
}

void Win32ComputerScans::AbandonAll() {
  waiting_.clear();
  StopFlag fresh = std::make_shared<std::atomic<bool>>(false);
  std::vector<Answer> dropped;  // freed after the lock is let go
  std::deque<Task> untaken;
  const std::lock_guard<std::mutex> locked(shared_->lock);
  shared_->stop->store(true);
  shared_->stop = std::move(fresh);
  dropped.swap(shared_->answers);
  untaken.swap(shared_->tasks);
}

void Win32ComputerScans::TakeAnswers() {
  std::vector<Answer> batch;
  {
    const std::lock_guard<std::mutex> locked(shared_->lock);
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
