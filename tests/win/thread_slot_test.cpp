// The per-thread slot behind the sort in progress and the scan's reused blocks.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/win32/thread_slot.h"

namespace orvel {
namespace {

std::atomic<int> cleanedUp{0};
std::atomic<void*> lastCleaned{nullptr};

void NTAPI CountCleanup(void* value) {
  lastCleaned = value;
  ++cleanedUp;
}

TEST(ThreadSlotTest, EachThreadSeesOnlyItsOwnValue) {
  const ThreadSlot slot;
  ASSERT_TRUE(slot.Usable());
  EXPECT_EQ(slot.Get(), nullptr);
  int mine = 0;
  ASSERT_TRUE(slot.Set(&mine));
  void* seenByOther = &mine;
  int theirs = 0;
  void* otherAfterSet = nullptr;
  std::thread([&] {
    seenByOther = slot.Get();
    slot.Set(&theirs);
    otherAfterSet = slot.Get();
  }).join();
  EXPECT_EQ(seenByOther, nullptr);
  EXPECT_EQ(otherAfterSet, &theirs);
  EXPECT_EQ(slot.Get(), &mine);
}

TEST(ThreadSlotTest, CleanupTakesAThreadsValueWhenItEndsButNeverANullOne) {
  const ThreadSlot slot(&CountCleanup);
  ASSERT_TRUE(slot.Usable());
  int value = 0;
  cleanedUp = 0;
  lastCleaned = nullptr;
  std::thread([&] { slot.Set(&value); }).join();
  EXPECT_EQ(cleanedUp, 1);
  EXPECT_EQ(lastCleaned, &value);
  std::thread([&] {
    slot.Set(&value);
    slot.Set(nullptr);
  }).join();
  EXPECT_EQ(cleanedUp, 1);
}

}  // namespace
}  // namespace orvel
