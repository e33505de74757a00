#include "platform/Folders.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "platform/Text.h"
#include "tests/support/TestEnv.h"

namespace plat {
namespace {

namespace fs = std::filesystem;

// Sets (or unsets, with nullopt) an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) ::setenv(name, value->c_str(), 1);
    else ::unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_) ::setenv(name_, old_->c_str(), 1);
    else ::unsetenv(name_);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(FoldersTest, ExecutableFolderHoldsTheRunningProgramAndEndsWithSlash) {
  const std::u16string folder = ExecutableFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), u'/');
  EXPECT_TRUE(FileExists(folder + u"xj_platform_tests"));
}

TEST(FoldersTest, UserFolderComesFromXdgDataHomeOrHome) {
  const std::string root = testenv::MakeTempDir("user");
  {
    ScopedEnv xdg("XDG_DATA_HOME", root + "/data/");
    EXPECT_EQ(UserAppDataFolder(), FromUtf8(root + "/data"));
  }
  {
    ScopedEnv xdg("XDG_DATA_HOME", std::nullopt);
    ScopedEnv home("HOME", root + "/home");
    EXPECT_EQ(UserAppDataFolder(), FromUtf8(root + "/home/.local/share"));
  }
  {
    ScopedEnv xdg("XDG_DATA_HOME", "relative/path");  // not absolute: ignored
    ScopedEnv home("HOME", root + "/h/");
    EXPECT_EQ(UserAppDataFolder(), FromUtf8(root + "/h/.local/share"));
  }
}

TEST(FoldersTest, CommonFolderPrefersItsVariable) {
  const std::string root = testenv::MakeTempDir("common");
  {
    ScopedEnv common("XJ_COMMON_APPDATA", root + "/c//");
    EXPECT_EQ(CommonAppDataFolder(), FromUtf8(root + "/c"));
  }
  {
    ScopedEnv common("XJ_COMMON_APPDATA", "");
    ScopedEnv xdg("XDG_DATA_HOME", root + "/u");
    const std::u16string folder = CommonAppDataFolder();
    // Without the variable: /var/lib where it may be written, else the user folder.
    EXPECT_TRUE(folder == u"/var/lib" || folder == FromUtf8(root + "/u")) << ToUtf8(folder);
    EXPECT_EQ(folder == u"/var/lib", ::access("/var/lib", W_OK) == 0);
  }
}

TEST(FoldersTest, RuntimeFolderFallsBackToTheTemporaryFolder) {
  const std::string root = testenv::MakeTempDir("run");
  {
    ScopedEnv run("XDG_RUNTIME_DIR", root + "/r/");
    EXPECT_EQ(RuntimeFolder(), FromUtf8(root + "/r"));
  }
  {
    ScopedEnv run("XDG_RUNTIME_DIR", std::nullopt);
    ScopedEnv tmp("TMPDIR", root + "/t");
    EXPECT_EQ(RuntimeFolder(), FromUtf8(root + "/t"));
  }
  {
    ScopedEnv run("XDG_RUNTIME_DIR", std::nullopt);
    ScopedEnv tmp("TMPDIR", std::nullopt);
    EXPECT_EQ(RuntimeFolder(), u"/tmp");
  }
}

TEST(FoldersTest, CreateFolderMakesOneLevelOnly) {
  const std::u16string root = FromUtf8(testenv::MakeTempDir("mk"));
  EXPECT_TRUE(CreateFolder(root + u"/a"));
  EXPECT_TRUE(FolderExists(root + u"/a"));
  EXPECT_TRUE(CreateFolder(root + u"/a"));  // already there
  EXPECT_FALSE(CreateFolder(root + u"/x/y"));
  EXPECT_FALSE(PathExists(root + u"/x"));
  testenv::WriteFile(ToUtf8(root + u"/file"), "f");
  EXPECT_FALSE(CreateFolder(root + u"/file"));
  EXPECT_FALSE(CreateFolder(u""));
  EXPECT_TRUE(CreateFolder(root + u"/\u65E5\u672C"));
  EXPECT_TRUE(fs::is_directory(ToUtf8(root) + "/\xE6\x97\xA5\xE6\x9C\xAC"));
}

TEST(FoldersTest, RemoveFolderOnlyWhenEmpty) {
  const std::u16string root = FromUtf8(testenv::MakeTempDir("rm"));
  ASSERT_TRUE(CreateFolder(root + u"/full"));
  testenv::WriteFile(ToUtf8(root + u"/full/f"), "x");
  EXPECT_FALSE(RemoveFolder(root + u"/full"));
  EXPECT_TRUE(FileExists(root + u"/full/f"));
  EXPECT_FALSE(RemoveFolder(root + u"/full/f"));  // a file is not a folder
  EXPECT_TRUE(RemoveFile(root + u"/full/f"));
  EXPECT_TRUE(RemoveFolder(root + u"/full"));
  EXPECT_FALSE(PathExists(root + u"/full"));
  EXPECT_FALSE(RemoveFolder(root + u"/full"));
}

TEST(FoldersTest, ExistenceChecksTellFilesFromFolders) {
  const std::u16string root = FromUtf8(testenv::MakeTempDir("exists"));
  const std::u16string file = root + u"/f.txt";
  testenv::WriteFile(ToUtf8(file), "x");
  fs::create_symlink("f.txt", ToUtf8(root + u"/link"));
  EXPECT_TRUE(FileExists(file));
  EXPECT_TRUE(FileExists(root + u"/link"));
  EXPECT_FALSE(FolderExists(file));
  EXPECT_TRUE(FolderExists(root));
  EXPECT_FALSE(FileExists(root));
  EXPECT_TRUE(PathExists(root));
  EXPECT_TRUE(PathExists(file));
  EXPECT_FALSE(PathExists(root + u"/none"));
  EXPECT_FALSE(PathExists(u""));
  EXPECT_FALSE(RemoveFile(root));  // folders are not removed as files
  EXPECT_TRUE(FolderExists(root));
  EXPECT_TRUE(RemoveFile(root + u"/link"));
  EXPECT_TRUE(FileExists(file));  // only the link went
  EXPECT_FALSE(RemoveFile(root + u"/none"));
}

}  // namespace
}  // namespace plat
