// Port locks between users: the lock file is in the folder every user sees, so another
// user's program holding a port keeps ours out; and nothing another user leaves at a
// lock file's name (a link, a FIFO, a folder, a file we may not open) shuts us out.
// When the test runs as root the other user is a real one (nobody); otherwise another
// process of the same user stands in for it.
#include "libs/xjcomm/PortLock.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/FileLock.h"
#include "tests/support/TestEnv.h"

namespace xjcomm {
namespace {

namespace fs = std::filesystem;

// The user the other program runs as when the test may switch users.
constexpr uid_t kOtherUser = 65534;  // nobody
constexpr gid_t kOtherGroup = 65534;
constexpr int kChildFailed = 1;

// A shared lock folder of the test's own that another user can reach (the test's
// folders are private to it), named in XJ_LOCK_FOLDER while the object lives.
class SharedLockFolder {
 public:
  SharedLockFolder() {
    std::string pattern = fs::temp_directory_path().string() + "/xjlocks-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) return;
    path_ = pattern;
    fs::permissions(path_, fs::perms::all | fs::perms::sticky_bit, fs::perm_options::replace);
    const char* old = std::getenv("XJ_LOCK_FOLDER");
    old_ = old != nullptr ? old : "";
    ::setenv("XJ_LOCK_FOLDER", path_.c_str(), 1);
  }
  ~SharedLockFolder() {
    ::setenv("XJ_LOCK_FOLDER", old_.c_str(), 1);
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::string old_;
};

// Another user's program: a child process (as kOtherUser when the test runs as root)
// that does one thing with a lock file and then waits until Finish.
class OtherUser {
 public:
  enum class Action { kHoldLock, kMakeUnreadableFile };

  OtherUser(Action action, const std::string& path) {
    int done[2];
    int go[2];
    if (::pipe(done) != 0 || ::pipe(go) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(done[0]);
      ::close(go[1]);
      if (::geteuid() == 0 && (::setgid(kOtherGroup) != 0 || ::setuid(kOtherUser) != 0)) ::_exit(kChildFailed);
      plat::ExclusiveFileLock lock;
      if (action == Action::kHoldLock) {
        if (lock.Acquire(path) != plat::ExclusiveFileLock::Result::kAcquired) ::_exit(kChildFailed);
      } else {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 || ::fchmod(fd, 0) != 0) ::_exit(kChildFailed);
        ::close(fd);
      }
      const char ready = 'r';
      if (::write(done[1], &ready, 1) != 1) ::_exit(kChildFailed);
      char ignored;
      while (::read(go[0], &ignored, 1) > 0) {
      }
      ::_exit(0);
    }
    ::close(done[1]);
    ::close(go[0]);
    char ready = 0;
    ready_ = ::read(done[0], &ready, 1) == 1;
    ::close(done[0]);
    release_ = go[1];
  }
  ~OtherUser() { Finish(); }

  // True once the other program did what it was asked.
  bool Ready() const { return ready_; }
  // Lets the other program end and waits for it; true when it ended well.
  bool Finish() {
    if (pid_ <= 0) return false;
    ::close(release_);
    int status = 0;
    const bool ok = ::waitpid(pid_, &status, 0) == pid_ && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    pid_ = -1;
    return ok;
  }

 private:
  pid_t pid_ = -1;
  int release_ = -1;
  bool ready_ = false;
};

TEST(PortLockTest, KeepsUsersApartAndShutsNobodyOut) {
  SharedLockFolder shared;
  ASSERT_FALSE(shared.Path().empty());
  const std::string identity = "NET-127.0.0.1-9100";
  const std::string path = PortLock::LockFilePath(identity);
  ASSERT_EQ(path, shared.Path() + "/XJComm-NET-127.0.0.1-9100.lock");

  // Our lock file can be opened by everyone, whatever our umask.
  {
    const mode_t oldMask = ::umask(077);
    PortLock lock;
    const XJC_RESULT rc = lock.Acquire(identity);
    ::umask(oldMask);
    ASSERT_EQ(rc, XJC_OK);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0444, 0444u);
  }

  // Another user's program on the port keeps ours out until it lets the port go.
  {
    OtherUser holder(OtherUser::Action::kHoldLock, path);
    ASSERT_TRUE(holder.Ready());
    PortLock mine;
    EXPECT_EQ(mine.Acquire(identity), XJC_E_IN_USE);
    EXPECT_TRUE(holder.Finish());
    EXPECT_EQ(mine.Acquire(identity), XJC_OK);
  }
  // And the other way round: it cannot take a port we hold.
  {
    PortLock mine;
    ASSERT_EQ(mine.Acquire(identity), XJC_OK);
    OtherUser other(OtherUser::Action::kHoldLock, path);
    EXPECT_FALSE(other.Ready());
    EXPECT_FALSE(other.Finish());
  }

  // Whatever another user leaves at a lock file's name, we get the port; two programs of
  // ours are then still kept apart.
  const std::string target = testenv::MakeTempDir("target") + "/keep";
  ASSERT_TRUE(testenv::WriteFile(target, "keep me"));
  struct Planted {
    const char* identity;
    std::string what;
  };
  const Planted planted[] = {{"SERIAL-link", "link"}, {"SERIAL-fifo", "fifo"}, {"SERIAL-folder", "folder"},
                             {"SERIAL-unreadable", "unreadable file"}};
  for (const Planted& p : planted) {
    SCOPED_TRACE(p.what);
    const std::string at = PortLock::LockFilePath(p.identity);
    if (p.what == "link") {
      ASSERT_EQ(::symlink(target.c_str(), at.c_str()), 0);
    } else if (p.what == "fifo") {
      ASSERT_EQ(::mkfifo(at.c_str(), 0666), 0);
    } else if (p.what == "folder") {
      ASSERT_TRUE(fs::create_directory(at));
    } else {
      OtherUser owner(OtherUser::Action::kMakeUnreadableFile, at);
      ASSERT_TRUE(owner.Ready());
      ASSERT_TRUE(owner.Finish());
    }
    PortLock first;
    EXPECT_EQ(first.Acquire(p.identity), XJC_OK);
    PortLock second;
    EXPECT_EQ(second.Acquire(p.identity), XJC_E_IN_USE);
  }
  EXPECT_EQ(testenv::ReadFile(target), "keep me");
}

}  // namespace
}  // namespace xjcomm
