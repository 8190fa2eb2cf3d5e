// The course of a scan of many computers at once, free of threads and windows: which computer to
// start, what has come back, and the texts that report it. Its owner feeds it the events in whatever
// order the computers answer, on one thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "process_info.h"

namespace orvel {

// The texts in the user's language; each "%d" or "%s" takes the arguments named here, in this order.
struct ManyScanTexts {
  std::string scanning;         // total, done, failed, processes
  std::string finished;         // processes, done, failed
  std::string finishedAll;      // processes, done: none failed
  std::string stopped;          // processes, done, total, failed
  std::string failuresHeading;  // failed, total
  std::string failureLine;      // computer, message
  std::string moreFailures;     // failed computers beyond the listed ones
};

class ManyScan {
 public:
  static constexpr std::size_t kMaxRunning = 32;
  static constexpr std::uint64_t kStatusIntervalMs = 100;  // at most ten status updates a second
  static constexpr std::size_t kListedFailures = 20;

  // The computers in the order they are started, each once.
  explicit ManyScan(std::vector<std::string> computers);

  // The computers to start now, by index, so that at most kMaxRunning run at once; they count as
  // running from here on. None once stopped.
  std::vector<std::size_t> StartNext();
  // A running computer's records, complete. False for any other computer (never started, already
  // answered, or still running when the scan was stopped): its records are to be dropped.
  bool Answered(std::size_t computer, const TPIArray& records);
  // A running computer failed with the message a scan of it alone would show; the records gathered
  // before the failure stay and count. False, as above, when they are to be dropped.
  bool Failed(std::size_t computer, const TPIArray& records, std::string message);
  // Esc: computers not yet started are skipped, answers still to come will be dropped.
  void Stop();

  // Until every computer has answered or failed, or the scan was stopped.
  bool Busy() const { return !stopped_ && done_ + failed_ < computers_.size(); }
  bool Stopped() const { return stopped_; }
  std::size_t Total() const { return computers_.size(); }
  std::size_t Done() const { return done_; }
  std::size_t FailedCount() const { return failed_; }
  std::size_t Processes() const { return processes_; }
  // Started and not yet answered, also after a stop: workers that may still post their answers.
  std::size_t Running() const { return running_; }
  const std::vector<std::string>& Computers() const { return computers_; }

  // The status line: progress while busy, then the end or the stop.
  std::string StatusText(const ManyScanTexts& texts) const;
  // Whether to show the status line now: something changed since it was last shown, and either the
  // scan is over or kStatusIntervalMs have passed. True marks it shown at this time; a change held
  // back is due at a later call, so the owner asks on a timer too while busy.
  bool StatusDue(std::uint64_t nowMs);
  // One message of every failed computer in the list's order, the first kListedFailures of them and
  // the count of the rest; empty when none failed.
  std::string FailureSummary(const ManyScanTexts& texts) const;

 private:
  // Abandoned: running when the scan stopped; Dropped: its answer came after that.
  enum class State : std::uint8_t { Waiting, Running, Answered, Failed, Skipped, Abandoned, Dropped };
  bool Finish(std::size_t computer, const TPIArray& records, State state);

  std::vector<std::string> computers_;
  std::vector<State> states_;
  std::vector<std::string> messages_;  // of the failed computers, by index
  std::size_t nextWaiting_ = 0;
  std::size_t running_ = 0, done_ = 0, failed_ = 0, processes_ = 0;
  bool stopped_ = false;
  std::uint64_t changes_ = 1;  // the first status is due at once
  std::uint64_t shownChanges_ = 0;
  std::uint64_t shownAtMs_ = 0;
};

}  // namespace orvel
