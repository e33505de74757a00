#include "app/CExtCommandLineInfo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "platform/Text.h"

namespace {

// Parses a command line given as UTF-8 arguments (program name added in front).
CExtCommandLineInfo Parse(std::vector<std::string> args) {
  args.insert(args.begin(), "xjk52util");
  std::vector<const char*> argv;
  for (const auto& a : args) argv.push_back(a.c_str());
  argv.push_back(nullptr);
  CExtCommandLineInfo info;
  info.ParseCommandLine(static_cast<int>(args.size()), argv.data());
  return info;
}

bool IsPristine(const CExtCommandLineInfo& info) {
  return info.mode == kModeNormal && info.callerCode == kCallerNone && !info.multiInstance &&
         info.couponText.empty() && plat::FieldText(info.portText).empty() &&
         plat::FieldText(info.printerName).empty() && plat::FieldText(info.connectionPath).empty() &&
         plat::FieldText(info.settingsFilePath).empty();
}

TEST(CExtCommandLineInfoMode, EveryModeOption) {
  struct Case {
    const char* arg;
    std::int32_t mode;
  };
  const Case cases[] = {
      {"/mWRD5", kModeDriver},          {"/mWRD5_LOGO", kModeDriverLogo},
      {"/mWRD5X", kModeNormal},         {"/mWRD5_LOGOX", kModeNormal},
      {"/mWRD", kModeNormal},           {"/mwrd5", kModeNormal},
      {"/mL", kModeLogo},               {"/mLogo", kModeLogo},
      {"/mS", kModePrinterControl},     {"/mSomething", kModePrinterControl},
      {"/mR", kModeRemote},             {"/mF", kModeFile},
      {"/mC", kModeCoupon},             {"/m", kModeNormal},
      {"/ml", kModeNormal},             {"/mX", kModeNormal},
      {"-mWRD5", kModeDriver},          {"-mR", kModeRemote},
  };
  for (const Case& c : cases) EXPECT_EQ(Parse({c.arg}).mode, c.mode) << c.arg;
}

TEST(CExtCommandLineInfoMode, FileAndCouponKeepTheirText) {
  const auto file = Parse({"/mF/home/user/settings file.bin"});
  EXPECT_EQ(file.mode, kModeFile);
  EXPECT_EQ(plat::FieldText(file.settingsFilePath), u"/home/user/settings file.bin");

  const auto empty = Parse({"/mF"});
  EXPECT_EQ(empty.mode, kModeFile);
  EXPECT_EQ(plat::FieldText(empty.settingsFilePath), u"");

  const auto coupon = Parse({"/mCSPRING-\xe6\x97\xa5"});
  EXPECT_EQ(coupon.mode, kModeCoupon);
  EXPECT_EQ(coupon.couponText, u"SPRING-\u65e5");
}

TEST(CExtCommandLineInfoMode, LaterArgumentsOverride) {
  EXPECT_EQ(Parse({"/mL", "/mR"}).mode, kModeRemote);
  EXPECT_EQ(Parse({"/mWRD5", "/mX"}).mode, kModeNormal);
  EXPECT_EQ(Parse({"/mFfirst", "/mSecond"}).mode, kModePrinterControl);
  // A later mode keeps the path of an earlier "mF"; only "mF" sets it.
  EXPECT_EQ(plat::FieldText(Parse({"/mFfirst", "/mL"}).settingsFilePath), u"first");
  EXPECT_EQ(plat::FieldText(Parse({"/mFfirst", "/mFsecond"}).settingsFilePath), u"second");
}

TEST(CExtCommandLineInfoCaller, KeywordsAreExactAndCaseSensitive) {
  struct Case {
    const char* arg;
    std::int32_t caller;
  };
  const Case cases[] = {
      {"/dWRD", kCallerPrinterDriver}, {"/dOPOS", kCallerOpos},
      {"/dSimpleViewer", kCallerSimpleViewer}, {"/dAutoRestore", kCallerAutoRestore},
      {"-dwrd", kCallerNone},          {"/dWRD5", kCallerNone},
      {"/dopos", kCallerNone},         {"/d", kCallerNone},
      {"/dSimpleviewer", kCallerNone},
  };
  for (const Case& c : cases) EXPECT_EQ(Parse({c.arg}).callerCode, c.caller) << c.arg;
  EXPECT_EQ(Parse({"/dOPOS", "/dunknown"}).callerCode, kCallerNone) << "later one wins";
}

TEST(CExtCommandLineInfoTexts, PortPrinterAndPathAreTakenAsGiven) {
  const auto info = Parse({"/pZLDPRT:1", "-qXJ-K52II (Receipt)", "/rpipe://xj/zldprt-01"});
  EXPECT_EQ(plat::FieldText(info.portText), u"ZLDPRT:1");
  EXPECT_EQ(plat::FieldText(info.printerName), u"XJ-K52II (Receipt)");
  EXPECT_EQ(plat::FieldText(info.connectionPath), u"pipe://xj/zldprt-01");
  EXPECT_EQ(info.mode, kModeNormal) << "texts do not change the mode";

  const auto cleared = Parse({"/pCOM1", "/p"});
  EXPECT_EQ(plat::FieldText(cleared.portText), u"") << "a later empty text replaces";
}

TEST(CExtCommandLineInfoTexts, LengthLimits) {
  const std::string long300(300, 'a');
  const auto info = Parse({"/p" + long300, "/q" + long300, "/r" + long300, "/mF" + long300});
  EXPECT_EQ(plat::FieldText(info.portText), std::u16string(258, u'a'));
  EXPECT_EQ(plat::FieldText(info.printerName), std::u16string(258, u'a'));
  EXPECT_EQ(plat::FieldText(info.connectionPath), std::u16string(258, u'a'));
  EXPECT_EQ(plat::FieldText(info.settingsFilePath), std::u16string(257, u'a'));
  // The rest of each field stays zero.
  EXPECT_EQ(info.portText[258], u'\0');
  EXPECT_EQ(info.portText[259], u'\0');
  EXPECT_EQ(info.settingsFilePath[258], u'\0');

  const auto exact = Parse({"/p" + std::string(258, 'b'), "/mF" + std::string(257, 'c')});
  EXPECT_EQ(plat::FieldText(exact.portText), std::u16string(258, u'b'));
  EXPECT_EQ(plat::FieldText(exact.settingsFilePath), std::u16string(257, u'c'));
}

TEST(CExtCommandLineInfoSwitch, MultiInstanceNeedsCapitalM) {
  EXPECT_TRUE(Parse({"/bMany"}).multiInstance);
  EXPECT_TRUE(Parse({"-bM"}).multiInstance);
  EXPECT_FALSE(Parse({"/b"}).multiInstance);
  EXPECT_FALSE(Parse({"/bm"}).multiInstance);
  EXPECT_TRUE(Parse({"/bM", "/bx"}).multiInstance) << "nothing switches it off again";
}

TEST(CExtCommandLineInfoIgnored, UnknownAndPlainArgumentsChangeNothing) {
  EXPECT_TRUE(IsPristine(Parse({})));
  EXPECT_TRUE(IsPristine(Parse({"/x"})));
  EXPECT_TRUE(IsPristine(Parse({"/"})));
  EXPECT_TRUE(IsPristine(Parse({"-"})));
  EXPECT_TRUE(IsPristine(Parse({""})));
  EXPECT_TRUE(IsPristine(Parse({"mWRD5", "dWRD", "bM", "pCOM1", "file.txt"})));
  EXPECT_TRUE(IsPristine(Parse({"/Mwrd5", "/P", "/D", "/B", "/Print", "/Register", "/Unregister", "/Embedding"})));
  EXPECT_EQ(Parse({"/pCOM1", "plain", "/x"}).mode, kModeNormal);
  EXPECT_EQ(plat::FieldText(Parse({"/pCOM1", "plain", "/x"}).portText), u"COM1");
}

TEST(CExtCommandLineInfoIgnored, ParseParamIgnoresNullAndNonFlags) {
  CExtCommandLineInfo info;
  info.ParseParam(nullptr, true, false);
  info.ParseParam(u"mWRD5", false, true);
  info.ParseParam(u"", true, true);
  EXPECT_TRUE(IsPristine(info));
  info.ParseParam(u"mWRD5", true, true);
  EXPECT_EQ(info.mode, kModeDriver);

  const char* argv[] = {"prog", nullptr, "/dOPOS", nullptr};
  CExtCommandLineInfo fromArgv;
  fromArgv.ParseCommandLine(3, argv);
  EXPECT_EQ(fromArgv.callerCode, kCallerOpos);
  CExtCommandLineInfo none;
  none.ParseCommandLine(5, nullptr);
  EXPECT_TRUE(IsPristine(none));
}

// Random argument vectors: the parser must stay within its fields (the sanitizers
// watch), keep its texts within their limits, and only ever report known values.
TEST(CExtCommandLineInfoFuzz, RandomArgumentVectors) {
  std::mt19937 rng(4242u);
  const std::string alphabet = "mpqdrbMFCLSRWD5_LOGOxX/-\\ \t\"'\xc3\xa9";
  auto below = [&rng](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
  const std::int32_t modes[] = {kModeNormal, kModeLogo, kModePrinterControl, kModeRemote,
                                kModeFile, kModeCoupon, kModeDriver, kModeDriverLogo};
  for (int round = 0; round < 3000; ++round) {
    std::vector<std::string> args(below(6));
    for (auto& a : args) {
      const std::size_t len = below(4) == 0 ? 250 + below(100) : below(12);
      if (below(2)) a += below(2) ? '/' : '-';
      if (below(2)) a += "mpqdrb"[below(6)];
      for (std::size_t i = 0; i < len; ++i) a += alphabet[below(alphabet.size())];
    }
    const auto info = Parse(args);
    EXPECT_NE(std::find(std::begin(modes), std::end(modes), info.mode), std::end(modes)) << round;
    EXPECT_GE(info.callerCode, kCallerNone);
    EXPECT_LE(info.callerCode, kCallerAutoRestore);
    EXPECT_LE(plat::FieldText(info.portText).size(), 258u);
    EXPECT_LE(plat::FieldText(info.printerName).size(), 258u);
    EXPECT_LE(plat::FieldText(info.connectionPath).size(), 258u);
    EXPECT_LE(plat::FieldText(info.settingsFilePath).size(), 257u);

    // Whatever came before, a final option decides.
    args.push_back("/mR");
    args.push_back("-dAutoRestore");
    const auto last = Parse(args);
    ASSERT_EQ(last.mode, kModeRemote) << "round " << round;
    ASSERT_EQ(last.callerCode, kCallerAutoRestore) << "round " << round;
    EXPECT_EQ(last.multiInstance, info.multiInstance);
  }
}

}  // namespace
