#include "platform/Folders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "platform/Text.h"
#include "tests/support/TestEnv.h"

namespace plat {
namespace {

namespace fs = std::filesystem;

// Sets (or, with nullopt, unsets) an environment variable for the life of the object.
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

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(FoldersTest, KnownFoldersFollowTheEnvironment) {
  const std::u16string exe = ExecutableFolder();
  ASSERT_FALSE(exe.empty());
  EXPECT_EQ(exe.back(), u'/');
  EXPECT_TRUE(FileExists(exe + u"xj_platform_tests"));

  const std::string root = testenv::MakeTempDir("env");
  {
    ScopedEnv xdg("XDG_DATA_HOME", root + "/data/");
    ScopedEnv common("XJ_COMMON_APPDATA", root + "/c//");
    ScopedEnv run("XDG_RUNTIME_DIR", root + "/r/");
    ScopedEnv locks("XJ_LOCK_FOLDER", root + "/l/");
    EXPECT_EQ(UserAppDataFolder(), FromUtf8(root + "/data"));
    EXPECT_EQ(CommonAppDataFolder(), FromUtf8(root + "/c"));
    EXPECT_EQ(RuntimeFolder(), FromUtf8(root + "/r"));
    EXPECT_EQ(SharedLockFolder(), FromUtf8(root + "/l"));
  }
  {
    // Without its variable: the system's lock folder when every user may write there
    // and only remove their own files, else /tmp.
    ScopedEnv locks("XJ_LOCK_FOLDER", std::nullopt);
    struct stat st {};
    const bool shared = ::stat("/run/lock", &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_IWOTH) != 0 &&
                        (st.st_mode & S_ISVTX) != 0;
    EXPECT_EQ(SharedLockFolder(), shared ? u"/run/lock" : u"/tmp");
  }
  {
    ScopedEnv xdg("XDG_DATA_HOME", "relative/path");  // not absolute: ignored
    ScopedEnv home("HOME", root + "/h/");
    ScopedEnv common("XJ_COMMON_APPDATA", "");
    ScopedEnv run("XDG_RUNTIME_DIR", std::nullopt);
    ScopedEnv tmp("TMPDIR", root + "/t");
    EXPECT_EQ(UserAppDataFolder(), FromUtf8(root + "/h/.local/share"));
    // Without its variable: /var/lib where it may be written, else the user folder.
    EXPECT_EQ(CommonAppDataFolder(), ::access("/var/lib", W_OK) == 0
                                         ? std::u16string(u"/var/lib")
                                         : FromUtf8(root + "/h/.local/share"));
    EXPECT_EQ(RuntimeFolder(), FromUtf8(root + "/t"));
  }
  {
    ScopedEnv run("XDG_RUNTIME_DIR", std::nullopt);
    ScopedEnv tmp("TMPDIR", std::nullopt);
    EXPECT_EQ(RuntimeFolder(), u"/tmp");
  }
}

TEST(FoldersTest, CreateAndRemoveFoldersOneLevelAtATime) {
  const std::u16string root = FromUtf8(testenv::MakeTempDir("mk"));
  EXPECT_TRUE(CreateFolder(root + u"/a"));
  EXPECT_TRUE(CreateFolder(root + u"/a"));  // already there
  EXPECT_FALSE(CreateFolder(root + u"/x/y"));
  EXPECT_FALSE(PathExists(root + u"/x"));
  EXPECT_FALSE(CreateFolder(u""));
  EXPECT_TRUE(CreateFolder(root + u"/\u65E5"));
  EXPECT_TRUE(fs::is_directory(ToUtf8(root) + "/\xE6\x97\xA5"));

  testenv::WriteFile(ToUtf8(root + u"/a/f"), "x");
  EXPECT_FALSE(CreateFolder(root + u"/a/f"));  // a file is in the way
  EXPECT_FALSE(RemoveFolder(root + u"/a"));    // not empty
  EXPECT_FALSE(RemoveFolder(root + u"/a/f"));  // not a folder
  EXPECT_FALSE(RemoveFile(root + u"/a"));      // folders are not removed as files
  EXPECT_TRUE(RemoveFile(root + u"/a/f"));
  EXPECT_FALSE(RemoveFile(root + u"/a/f"));
  EXPECT_TRUE(RemoveFolder(root + u"/a"));
  EXPECT_FALSE(PathExists(root + u"/a"));
}

TEST(FoldersTest, ExistenceChecksTellFilesFromFolders) {
  const std::u16string root = FromUtf8(testenv::MakeTempDir("exists"));
  const std::u16string file = root + u"/f.txt";
  testenv::WriteFile(ToUtf8(file), "x");
  fs::create_symlink("f.txt", ToUtf8(root + u"/link"));
  EXPECT_TRUE(FileExists(file) && FileExists(root + u"/link") && PathExists(file));
  EXPECT_FALSE(FolderExists(file));
  EXPECT_TRUE(FolderExists(root) && PathExists(root));
  EXPECT_FALSE(FileExists(root));
  EXPECT_FALSE(PathExists(root + u"/none") || PathExists(u""));
  EXPECT_TRUE(RemoveFile(root + u"/link"));
  EXPECT_TRUE(FileExists(file));  // only the link went
}

}  // namespace
}  // namespace plat
