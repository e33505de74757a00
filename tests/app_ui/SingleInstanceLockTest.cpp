#include "app/SingleInstanceLock.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/Text.h"
#include "tests/support/TestEnv.h"

namespace {

TEST(SingleInstanceLock, SecondHolderIsRefusedUntilTheFirstReleases) {
  const std::u16string folder = plat::FromUtf8(testenv::MakeTempDir("lock"));
  SingleInstanceLock first;
  SingleInstanceLock second;
  ASSERT_EQ(first.Acquire(folder), SingleInstanceLock::Result::kAcquired);
  EXPECT_TRUE(first.IsHeld());
  EXPECT_EQ(second.Acquire(folder), SingleInstanceLock::Result::kHeldByOther);
  EXPECT_FALSE(second.IsHeld());

  first.Release();
  EXPECT_FALSE(first.IsHeld());
  EXPECT_EQ(second.Acquire(folder), SingleInstanceLock::Result::kAcquired);
}

TEST(SingleInstanceLock, MissingFolderIsAnErrorNotARunningCopy) {
  const std::string folder = testenv::MakeTempDir("lock") + "/missing";
  SingleInstanceLock lock;
  EXPECT_EQ(lock.Acquire(plat::FromUtf8(folder)), SingleInstanceLock::Result::kError);
  EXPECT_FALSE(lock.IsHeld());
}

}  // namespace
