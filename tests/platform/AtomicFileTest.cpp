#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "platform/AtomicFile.h"
#include "tests/support/TestEnv.h"

using plat::ReplaceFailure;
using plat::ReplaceFileAtomically;

namespace {
std::size_t EntriesIn(const std::string& folder) {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}
}  // namespace

TEST(AtomicFileTest, ReplacesContentAndKeepsThePermissions) {
  const std::string dir = testenv::MakeTempDir("atomic");
  const std::string path = dir + "/file.bin";
  ASSERT_TRUE(testenv::WriteFile(path, "old"));
  ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
  ReplaceFailure failure = ReplaceFailure::kWrite;
  ASSERT_TRUE(ReplaceFileAtomically(path, std::string("new\0bytes", 9), &failure));
  EXPECT_EQ(failure, ReplaceFailure::kNone);
  EXPECT_EQ(testenv::ReadFile(path), std::string("new\0bytes", 9));
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(EntriesIn(dir), 1u);  // no temporary file left
}

TEST(AtomicFileTest, FailuresLeaveTheOldStateAndSayWhichStepFailed) {
  const std::string dir = testenv::MakeTempDir("atomic");
  ReplaceFailure failure = ReplaceFailure::kNone;
  // No folder to put the temporary file in.
  EXPECT_FALSE(ReplaceFileAtomically(dir + "/missing/file", "x", &failure));
  EXPECT_EQ(failure, ReplaceFailure::kCreate);
  // A non-empty folder where the file should go cannot be replaced by a rename.
  const std::string target = dir + "/taken";
  ASSERT_TRUE(testenv::WriteFile(target + "/inside", "keep"));
  EXPECT_FALSE(ReplaceFileAtomically(target, "x", &failure));
  EXPECT_EQ(failure, ReplaceFailure::kRename);
  EXPECT_EQ(testenv::ReadFile(target + "/inside"), "keep");
  EXPECT_EQ(EntriesIn(dir), 1u);  // the temporary file was removed
}

TEST(AtomicFileTest, LongNamesFallBackToAShortTemporaryName) {
  const std::string dir = testenv::MakeTempDir("atomic");
  const std::string path = dir + "/" + std::string(250, 'n');  // name + suffix exceeds 255
  ASSERT_TRUE(ReplaceFileAtomically(path, "content"));
  EXPECT_EQ(testenv::ReadFile(path), "content");
  EXPECT_EQ(EntriesIn(dir), 1u);
}
