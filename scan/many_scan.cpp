#include "many_scan.h"

#include <string_view>
#include <utility>

#include "row_texts.h"

namespace orvel {
namespace {

std::string Number(std::size_t value) { return std::to_string(value); }

// A system message often ends in a line break, and a list of them reads only one per line: its lines
// are joined by one blank.
std::string OneLine(std::string_view message) {
  std::string line;
  bool broken = false;
  for (const char c : message) {
    if (c == '\r' || c == '\n') {
      while (!line.empty() && line.back() == ' ') line.pop_back();
      broken = !line.empty();
      continue;
    }
    if (broken) {
      if (c == ' ') continue;
      line += ' ';
      broken = false;
    }
    line += c;
  }
  return line;
}

}  // namespace

ManyScan::ManyScan(std::vector<std::string> computers)
    : computers_(std::move(computers)), states_(computers_.size(), State::Waiting), messages_(computers_.size()) {}

std::vector<std::size_t> ManyScan::StartNext() {
  std::vector<std::size_t> started;
  while (!stopped_ && running_ < kMaxRunning && nextWaiting_ < computers_.size()) {
    states_[nextWaiting_] = State::Running;
    started.push_back(nextWaiting_++);
    ++running_;
  }
  return started;
}

bool ManyScan::Finish(std::size_t computer, const TPIArray& records, State state) {
  if (computer >= states_.size()) return false;
  State& current = states_[computer];
  if (current == State::Abandoned) {
    current = State::Dropped;
    --running_;
    return false;
  }
  if (current != State::Running) return false;
  current = state;
  --running_;
  ++(state == State::Answered ? done_ : failed_);
  processes_ += records.size();
  ++changes_;
  return true;
}

bool ManyScan::Answered(std::size_t computer, const TPIArray& records) {
  return Finish(computer, records, State::Answered);
}

bool ManyScan::Failed(std::size_t computer, const TPIArray& records, std::string message) {
  if (!Finish(computer, records, State::Failed)) return false;
  messages_[computer] = OneLine(message);
  return true;
}

void ManyScan::Stop() {
  if (!Busy()) return;
  for (State& state : states_) {
    if (state == State::Waiting) state = State::Skipped;
    if (state == State::Running) state = State::Abandoned;
  }
  stopped_ = true;
  ++changes_;
}

std::string ManyScan::StatusText(const ManyScanTexts& texts) const {
  const std::string total = Number(Total()), done = Number(done_), failed = Number(failed_);
  const std::string processes = Number(processes_);
  if (Busy()) return FormatText(texts.scanning, {total, done, failed, processes});
  if (stopped_) return FormatText(texts.stopped, {processes, done, total, failed});
  if (failed_ > 0) return FormatText(texts.finished, {processes, done, failed});
  return FormatText(texts.finishedAll, {processes, done});
}

bool ManyScan::StatusDue(std::uint64_t nowMs) {
  if (shownChanges_ == changes_) return false;
  // Unsigned: a clock that went back reads as a long wait, so the status is never stuck.
  if (Busy() && shownChanges_ != 0 && nowMs - shownAtMs_ < kStatusIntervalMs) return false;
  shownChanges_ = changes_;
  shownAtMs_ = nowMs;
  return true;
}

std::string ManyScan::FailureSummary(const ManyScanTexts& texts) const {
  if (failed_ == 0) return {};
  std::string text = FormatText(texts.failuresHeading, {Number(failed_), Number(Total())});
  std::size_t listed = 0;
  for (std::size_t i = 0; i < states_.size() && listed < kListedFailures; ++i) {
    if (states_[i] != State::Failed) continue;
    text += "\r\n" + FormatText(texts.failureLine, {computers_[i], messages_[i]});
    ++listed;
  }
  if (failed_ > listed) text += "\r\n" + FormatText(texts.moreFailures, {Number(failed_ - listed)});
  return text;
}

}  // namespace orvel
