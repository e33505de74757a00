// The program's files survive a crash and a full disk: a writer process that rewrites
// the setting data file, PrinterSetting.INI or the settings command file over and over
// is killed (SIGKILL) at random points, and each file must afterwards be the old version
// or the new one, whole. On a disk that is full (a file size limit) the write reports
// failure and the old file stays as it was, with nothing left beside it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/settings/PluginDataMgr.h"
#include "app/settings/PrinterSettingIni.h"
#include "platform/Text.h"
#include "tests/durability/FileWriterVersions.h"
#include "tests/support/TestEnv.h"

namespace {

namespace fs = std::filesystem;

// Kills per kind of file, and the longest wait after the writer's first write before
// the kill (the writes that follow take a few milliseconds each).
constexpr int kKills = 40;
constexpr int kMaxKillDelayUs = 40000;
// How long the writer may take to start and write once.
constexpr int kStartTimeoutMs = 60000;
// The settings command file carries the local time of its writing here; the rest of
// the file is the same for every write of a version.
constexpr std::size_t kCommandFileTimeOffset = 68;
constexpr std::size_t kCommandFileTimeLength = 20;
// Exit codes of the writer (FileWriter.cpp).
constexpr int kWriterOk = 0;
constexpr int kWriterWriteFailed = 1;
// Prefix of the temporary files of an interrupted replacement (platform/AtomicFile).
constexpr char kTemporaryMark[] = ".tmp-";

struct FileKind {
  const char* name;     // the writer's KIND argument
  const char* file;     // the file's name in its folder
  bool pathIsFolder;    // the writer takes the folder (the index), not the file
};

constexpr FileKind kKinds[] = {
    {"data", "XJ-K52II_Setting.DAT", false},
    {"index", "PrinterSetting.INI", true},
    {"commands", "settings.bin", false},
};

// The writer process, its standard output read through a pipe.
class Writer {
 public:
  explicit Writer(const std::vector<std::string>& args) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(fds[1], STDOUT_FILENO);
      std::vector<char*> argv;
      std::string exe = XJ_FILE_WRITER_PATH;
      argv.push_back(exe.data());
      std::vector<std::string> copies = args;
      for (std::string& a : copies) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::close(fds[1]);
    out_ = fds[0];
  }
  ~Writer() {
    if (pid_ > 0) {
      Kill();
      Wait();
    }
    if (out_ >= 0) ::close(out_);
  }
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;

  // True once the writer reported its first write; false when it ended first or the
  // time ran out.
  bool WaitWritten() {
    std::string seen;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
    while (seen.find("written\n") == std::string::npos) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      pollfd p{out_, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
      char buffer[64];
      const ssize_t n = ::read(out_, buffer, sizeof buffer);
      if (n <= 0) return false;
      seen.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
  }
  void Kill() { ::kill(pid_, SIGKILL); }
  // The exit status, or 128 + the signal that ended it.
  int Wait() {
    int status = 0;
    if (pid_ <= 0 || ::waitpid(pid_, &status, 0) != pid_) return -1;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  bool Started() const { return pid_ > 0; }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
};

std::vector<std::string> Args(const FileKind& kind, const std::string& folder, int first, int rounds,
                              std::size_t sizeLimit = 0) {
  std::vector<std::string> args{kind.name, kind.pathIsFolder ? folder : folder + "/" + kind.file,
                                std::to_string(first), std::to_string(rounds)};
  if (sizeLimit > 0) args.push_back(std::to_string(sizeLimit));
  return args;
}

// Runs the writer to its end; its exit status.
int RunWriter(const std::vector<std::string>& args) {
  Writer writer(args);
  return writer.Started() ? writer.Wait() : -1;
}

// The file as the comparisons see it: the command file's time stamp blanked.
std::string Comparable(const FileKind& kind, std::string bytes) {
  if (std::string(kind.name) == "commands" && bytes.size() >= kCommandFileTimeOffset + kCommandFileTimeLength) {
    bytes.replace(kCommandFileTimeOffset, kCommandFileTimeLength, kCommandFileTimeLength, '#');
  }
  return bytes;
}

// Version `version` of the file, written once into a folder of its own.
std::string Reference(const FileKind& kind, int version) {
  const std::string folder = testenv::MakeTempDir(std::string("ref-") + kind.name);
  EXPECT_EQ(RunWriter(Args(kind, folder, version, 1)), kWriterOk);
  return Comparable(kind, testenv::ReadFile(folder + "/" + kind.file));
}

// Names in the folder other than the file itself and the writer's logo; temporary files
// of interrupted writes are removed and counted.
std::vector<std::string> OtherEntries(const std::string& folder, const FileKind& kind, int* temporaries) {
  std::vector<std::string> others;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name == kind.file || name == std::string(kind.file) + durability::kLogoSuffix) continue;
    if (temporaries != nullptr && name.find(kTemporaryMark) != std::string::npos) {
      ++*temporaries;
      fs::remove(entry.path());
      continue;
    }
    others.push_back(name);
  }
  return others;
}

TEST(FileDurabilityTest, AKilledWriterLeavesTheOldFileOrTheNewOneWhole) {
  std::mt19937 random(20240613);
  for (const FileKind& kind : kKinds) {
    SCOPED_TRACE(kind.name);
    const std::string versions[2] = {Reference(kind, 0), Reference(kind, 1)};
    ASSERT_FALSE(versions[0].empty());
    ASSERT_NE(versions[0], versions[1]);

    const std::string folder = testenv::MakeTempDir(std::string("kill-") + kind.name);
    const std::string path = folder + "/" + kind.file;
    ASSERT_EQ(RunWriter(Args(kind, folder, 0, 1)), kWriterOk);
    int temporaries = 0;
    int seen[2] = {0, 0};
    for (int round = 0; round < kKills; ++round) {
      const int current = Comparable(kind, testenv::ReadFile(path)) == versions[0] ? 0 : 1;
      const int delayUs = std::uniform_int_distribution<int>(0, kMaxKillDelayUs)(random);
      {
        Writer writer(Args(kind, folder, 1 - current, 0));
        ASSERT_TRUE(writer.Started());
        ASSERT_TRUE(writer.WaitWritten()) << "round " << round;
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs));
        writer.Kill();
        ASSERT_EQ(writer.Wait(), 128 + SIGKILL);
      }
      const std::string after = Comparable(kind, testenv::ReadFile(path));
      const bool isOld = after == versions[0];
      ASSERT_TRUE(isOld || after == versions[1])
          << "round " << round << ", killed " << delayUs << " us after the first write: " << after.size()
          << " bytes, neither version";
      ++seen[isOld ? 0 : 1];
      EXPECT_EQ(OtherEntries(folder, kind, &temporaries), std::vector<std::string>{}) << "round " << round;
    }
    // The readers take what is left.
    if (std::string(kind.name) == "index") {
      PluginDataMgr manager;
      EXPECT_EQ(LoadPrinterSettingIni(manager, plat::FromUtf8(folder), plat::FromUtf8(folder)), durability::kPrinters);
    }
    RecordProperty(std::string(kind.name) + "_temporary_files_left", temporaries);
    RecordProperty(std::string(kind.name) + "_old_new", std::to_string(seen[0]) + "/" + std::to_string(seen[1]));
  }
}

TEST(FileDurabilityTest, AFullDiskLeavesTheOldFileAndReportsTheFailure) {
  for (const FileKind& kind : kKinds) {
    SCOPED_TRACE(kind.name);
    const std::string folder = testenv::MakeTempDir(std::string("full-") + kind.name);
    const std::string path = folder + "/" + kind.file;
    ASSERT_EQ(RunWriter(Args(kind, folder, 0, 1)), kWriterOk);
    const std::string old = testenv::ReadFile(path);
    const std::string newer = Reference(kind, 1);
    ASSERT_GT(newer.size(), 2u);

    // Room for half of the new file: the write fails part-way.
    EXPECT_EQ(RunWriter(Args(kind, folder, 1, 1, newer.size() / 2)), kWriterWriteFailed);
    EXPECT_EQ(testenv::ReadFile(path), old);
    EXPECT_EQ(OtherEntries(folder, kind, nullptr), std::vector<std::string>{}) << "nothing is left beside the file";

    // With room again the same write succeeds.
    EXPECT_EQ(RunWriter(Args(kind, folder, 1, 1)), kWriterOk);
    EXPECT_EQ(Comparable(kind, testenv::ReadFile(path)), newer);
  }
}

}  // namespace
