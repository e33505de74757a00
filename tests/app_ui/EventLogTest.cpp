#include "platform/ui/EventLog.h"

#include <gtest/gtest.h>

#include <cstdlib>
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
  std::string path_;
};

TEST_F(EventLogTest, EventsAreAppendedOnePerLineWithEscapedFields) {
  plat::LogEvent(plat::kEventMainWindowShown);
  plat::LogEvent("messagebox", {u"Cap\ttion", u"Could not find the required files.\nPlease reinstall.", u"a\\b"});
  EXPECT_EQ(Lines(path_), (std::vector<std::string>{
                              Prefix() + "main-window-shown",
                              Prefix() + "messagebox\tCap\\ttion\tCould not find the required files.\\nPlease "
                                         "reinstall.\ta\\\\b"}));
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
  EXPECT_EQ(Lines(path_), (std::vector<std::string>{Prefix() + "messagebox\tQuestion\tSave?\tno",
                                                    Prefix() + "messagebox\tWarning\tFailed.\tok"}));
}

}  // namespace
