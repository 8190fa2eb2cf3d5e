#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scan/many_scan.h"

namespace orvel {
namespace {

const ManyScanTexts kTexts{"Scanning %d computers: %d done, %d failed, %d processes", "%d processes on %d computers, %d failed",
                           "%d processes on %d computers", "Stopped: %d processes on %d of %d computers, %d failed",
                           "%d of %d computers could not be scanned:", "%s: %s", "and %d more"};

std::vector<std::string> Computers(std::size_t count) {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < count; ++i) names.push_back("pc" + std::to_string(i));
  return names;
}

TEST(ManyScanTest, StartsAtMost32InOrderAndCountsAnswersAndFailuresInAnyOrder) {
  ManyScan scan(Computers(40));
  std::vector<std::size_t> running = scan.StartNext();
  std::size_t nextToStart = 32;
  ASSERT_EQ(running.size(), 32u);
  EXPECT_TRUE(scan.StartNext().empty());
  for (const std::size_t stranger : {35u, 99u}) EXPECT_FALSE(scan.Answered(stranger, TPIArray(1)));
  EXPECT_TRUE(scan.Answered(0, TPIArray(100)));
  EXPECT_FALSE(scan.Failed(0, {}, "late"));  // answered already
  EXPECT_TRUE(scan.Failed(1, TPIArray(4), "The RPC server is unavailable.\r\n"));
  EXPECT_EQ(scan.StatusText(kTexts), "Scanning 40 computers: 1 done, 1 failed, 104 processes");
  running.erase(running.begin(), running.begin() + 2);
  // The latest started finishes first (every tenth answers, the others fail), and each lets the next start.
  do {
    for (const std::size_t next : scan.StartNext()) {
      EXPECT_EQ(next, nextToStart++);
      running.push_back(next);
    }
    EXPECT_EQ(scan.Running(), running.size());
    EXPECT_LE(running.size(), ManyScan::kMaxRunning);
    const std::size_t i = running.back();
    running.pop_back();
    EXPECT_TRUE(i % 10 == 0 ? scan.Answered(i, TPIArray(10)) : scan.Failed(i, {}, "Error " + std::to_string(i)));
    EXPECT_EQ(scan.Busy(), !running.empty());
  } while (!running.empty());
  EXPECT_EQ(nextToStart, 40u);
  EXPECT_EQ(scan.StatusText(kTexts), "134 processes on 4 computers, 36 failed");
  std::string summary = "36 of 40 computers could not be scanned:\r\npc1: The RPC server is unavailable.";
  for (std::size_t i = 2; i <= 22; ++i) summary += i % 10 ? "\r\npc" + std::to_string(i) + ": Error " + std::to_string(i) : "";
  EXPECT_EQ(scan.FailureSummary(kTexts), summary + "\r\nand 16 more");
}

TEST(ManyScanTest, StopSkipsTheWaitingAndDropsLateAnswers) {
  ManyScan scan(Computers(40));
  scan.StartNext();
  EXPECT_TRUE(scan.Answered(2, TPIArray(10)));
  EXPECT_TRUE(scan.Failed(5, TPIArray(3), "Access denied.\r\nCode: 4"));
  scan.Stop();
  EXPECT_FALSE(scan.Busy());
  EXPECT_TRUE(scan.StartNext().empty());
  EXPECT_EQ(scan.Running(), 30u);
  for (int twice = 0; twice < 2; ++twice) EXPECT_FALSE(scan.Answered(4, TPIArray(10)));
  EXPECT_FALSE(scan.Failed(6, {}, "late"));
  EXPECT_EQ(scan.Running(), 28u);  // workers still out
  EXPECT_EQ(scan.StatusText(kTexts), "Stopped: 13 processes on 1 of 40 computers, 1 failed");
  EXPECT_EQ(scan.FailureSummary(kTexts), "1 of 40 computers could not be scanned:\r\npc5: Access denied. Code: 4");
}

}  // namespace
}  // namespace orvel
