#include "platform/ui/EventLog.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/ui/MessageBox.h"
#include "tests/support/TestEnv.h"

namespace {

std::vector<std::string> Lines(const std::string& path) {
  std::vector<std::string> lines;
  std::istringstream in(testenv::ReadFile(path));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class EventLogTest : public testing::Test {
 protected:
  void SetUp() override {
    path_ = testenv::MakeTempDir("log") + "/events.log";
    setenv(plat::kEventLogVariable, path_.c_str(), 1);
  }
  void TearDown() override {
    plat::SetMessageBoxInterceptor({});
    unsetenv(plat::kEventLogVariable);
    unsetenv(plat::kMessageBoxAnswerVariable);
  }
  std::string Prefix() const { return std::to_string(getpid()) + "\t"; }
  // A line with its time column taken out.
  static std::string WithoutTime(const std::string& line) {
    const std::size_t first = line.find('\t');
    const std::size_t second = line.find('\t', first + 1);
    if (first == std::string::npos || second == std::string::npos) return line;
    return line.substr(0, first + 1) + line.substr(second + 1);
  }
  static double MonotonicSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
  }
  std::string path_;
};

TEST_F(EventLogTest, EventsAreAppendedOnePerLineWithTheirTimeAndEscapedFields) {
  const double before = MonotonicSeconds();
  plat::LogEvent(plat::kEventMainWindowShown);
  plat::LogEvent("messagebox", {u"Cap\ttion", u"Could not find the required files.\nPlease reinstall.", u"a\\b"});
  const double after = MonotonicSeconds();
  const std::vector<std::string> lines = Lines(path_);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(WithoutTime(lines[0]), Prefix() + "main-window-shown");
  EXPECT_EQ(WithoutTime(lines[1]), Prefix() + "messagebox\tCap\\ttion\tCould not find the required files.\\nPlease "
                                              "reinstall.\ta\\\\b");

  // Taken apart again: the same pid, fields and a time on the reader's clock.
  double previous = before;
  for (const std::string& line : lines) {
    const std::optional<plat::EventLine> parsed = plat::ParseEventLine(line);
    ASSERT_TRUE(parsed.has_value()) << line;
    EXPECT_EQ(parsed->pid, static_cast<long>(getpid()));
    EXPECT_GE(parsed->seconds, previous);
    EXPECT_LE(parsed->seconds, after);
    previous = parsed->seconds;
  }
  const std::optional<plat::EventLine> box = plat::ParseEventLine(lines[1]);
  EXPECT_EQ(box->name, "messagebox");
  EXPECT_EQ(box->fields, (std::vector<std::string>{"Cap\ttion", "Could not find the required files.\nPlease reinstall.",
                                                   "a\\b"}));
  // Lines not of that form are not events.
  for (const char* broken : {"", "123", "123\t4.5", "x\t4.5\tname", "123\tsoon\tname", "123\t4.5\t"})
    EXPECT_FALSE(plat::ParseEventLine(broken).has_value()) << broken;
}

TEST_F(EventLogTest, NothingIsWrittenWithoutTheVariable) {
  unsetenv(plat::kEventLogVariable);
  EXPECT_FALSE(plat::EventLogEnabled());
  plat::LogEvent(plat::kEventExit, {u"0"});
  EXPECT_EQ(testenv::ReadFile(path_), "");
}

TEST_F(EventLogTest, AnswersFollowTheBoxType) {
  using plat::AutomaticAnswer;
  EXPECT_EQ(plat::ParseAutomaticAnswer("YES"), AutomaticAnswer::kYes);
  EXPECT_EQ(plat::ParseAutomaticAnswer("maybe"), AutomaticAnswer::kInvalid);
  EXPECT_EQ(plat::AutomaticAnswerFor(AutomaticAnswer::kOk, plat::MB_YESNO), plat::IDYES);
  // An OK box can only be answered OK.
  EXPECT_EQ(plat::AutomaticAnswerFor(AutomaticAnswer::kNo, plat::MB_OK | plat::MB_ICONWARNING), plat::IDOK);
}

TEST_F(EventLogTest, AutomatedBoxesAreLoggedAndAnsweredWithoutShowing) {
  setenv(plat::kMessageBoxAnswerVariable, "no", 1);
  ASSERT_TRUE(plat::InstallMessageBoxAutomation());
  EXPECT_EQ(plat::ShowMessageBox(nullptr, u"Save?", u"Question", plat::MB_YESNO | plat::MB_ICONQUESTION), plat::IDNO);
  EXPECT_EQ(plat::ShowMessageBox(nullptr, u"Failed.", u"Warning", plat::MB_OK | plat::MB_ICONWARNING), plat::IDOK);
  const std::vector<std::string> lines = Lines(path_);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(WithoutTime(lines[0]), Prefix() + "messagebox\tQuestion\tSave?\tno");
  EXPECT_EQ(WithoutTime(lines[1]), Prefix() + "messagebox\tWarning\tFailed.\tok");
}

}  // namespace
