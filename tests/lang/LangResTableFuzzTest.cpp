// Random and damaged language files through selection, loading, every lookup and the
// window operations. The generator is seeded, so a failure names a reproducible case.
// Besides surviving (the build runs these under the address and undefined-behaviour
// sanitizers), every table must keep the invariants the callers rely on.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "lang/CLangResTable.h"
#include "platform/Text.h"
#include "tests/lang/FakeControlHost.h"
#include "tests/lang/LangTestFiles.h"
#include "tests/support/TestEnv.h"

namespace {

constexpr int kComboId = 1000;
constexpr int kEditId = 1001;
constexpr int kListId = 1010;
constexpr int kStaticId = 3;

class Generator {
 public:
  explicit Generator(std::uint32_t seed) : rng_(seed) {}

  std::uint32_t Pick(std::uint32_t n) { return n == 0 ? 0 : rng_() % n; }
  bool Chance(std::uint32_t percent) { return Pick(100) < percent; }

  std::string Number() {
    static const char* const kNumbers[] = {
        "0", "1", "2", "3", "7", "26", "1000", "1001", "1010", "3", "0x1A", "0X3e8", "0x",
        "-1", "+2", "1a", "", "65535", "65536", "0x7FFFFFFF", "0xFFFFFFFF", "0x80000000",
        "4294967297", "99999999999999999999", " 5", "0x0409", "0x411", "x"};
    if (Chance(30)) return std::to_string(Pick(Chance(90) ? 12 : 70000));
    return kNumbers[Pick(sizeof(kNumbers) / sizeof(kNumbers[0]))];
  }

  std::string Key() {
    static const char* const kPrefixes[] = {"STR_", "MSG_", "CAP_", "ITEM_", "COL_",
                                            "IDC_A_B_", "", "_", "X", "STR__"};
    return kPrefixes[Pick(sizeof(kPrefixes) / sizeof(kPrefixes[0]))] + Number();
  }

  std::string Fragment() {
    switch (Pick(20)) {
      case 0: return "Hello";
      case 1: return "\\n";
      case 2: return "\\t";
      case 3: return "\\";
      case 4: return "]CMN_STR_" + Number();
      case 5: return "]CMN_MSG_" + Number();
      case 6: return "]";
      case 7: return "=";
      case 8: return "_";
      case 9: return "\xC3\xA9";              // e acute
      case 10: return "\xE6\x97\xA5\xE6\x9C\xAC";  // two CJK characters
      case 11: return "\xF0\x9F\x98\x80";     // outside the basic plane
      case 12: return "||";
      case 13: return " ";
      case 14: return "|";
      case 15: return Number();
      case 16: return std::string(1, static_cast<char>(0x21 + Pick(0x5E)));
      case 17: return big_ && Chance(20) ? std::string(Pick(2600), 'x') : "word";
      case 18: return "]CMN_" + Number();
      default: return std::string(1, static_cast<char>(Pick(256)));  // any byte
    }
  }

  std::string Value() {
    std::string value;
    const std::uint32_t fields = 1 + Pick(7);
    for (std::uint32_t f = 0; f < fields; ++f) {
      if (f > 0) value += Chance(85) ? "||" : (Chance(50) ? "|" : "|||");
      const std::uint32_t parts = Pick(4);
      if (f > 0 && Chance(60)) {
        value += Number();
        continue;
      }
      for (std::uint32_t p = 0; p <= parts; ++p) value += Fragment();
    }
    return value;
  }

  std::string Line() {
    switch (Pick(12)) {
      case 0: return Key() + "=";
      case 1: return "=" + Value();
      case 2: return Value();
      case 3: return ";" + Value();
      case 4: return "";
      default: return Key() + "=" + Value();
    }
  }

  std::string File() {
    // Now and then a file with long lines and long sections; the section reader grows
    // its buffer step by step and reads the file again for every step.
    big_ = Chance(4);
    static const char* const kSections[] = {"CMN_STR",  "CMN_MSG", "FZ_CAP",     "FZ_CMB",
                                            "FZ_LSTCTRL", "FZ_MSG",  "FZ_STR",     "fz_str",
                                            "OTHER_STR", "FZ",      "FZ_CAP "};
    std::string file;
    const std::uint32_t sections = Pick(big_ ? 4 : 8);
    for (std::uint32_t s = 0; s < sections; ++s) {
      file += "[";
      file += kSections[Pick(sizeof(kSections) / sizeof(kSections[0]))];
      file += Chance(95) ? "]" : "";
      file += Chance(80) ? "\n" : "\r\n";
      const std::uint32_t lines = Pick(big_ ? 120 : 30);
      for (std::uint32_t l = 0; l < lines; ++l) file += Line() + (Chance(90) ? "\n" : "\r\n");
    }
    return file;
  }

  // A well-formed file with one damage after another.
  std::string Mutated(const std::string& base) {
    std::string file = base;
    const std::uint32_t damages = 1 + Pick(12);
    for (std::uint32_t d = 0; d < damages; ++d) {
      const std::size_t at = Pick(static_cast<std::uint32_t>(file.size() + 1));
      switch (Pick(6)) {
        case 0:
          if (at < file.size()) file[at] = static_cast<char>(Pick(256));
          break;
        case 1: file.insert(at, 1, static_cast<char>(Pick(256))); break;
        case 2: file.erase(at, Pick(40)); break;
        case 3: file.insert(at, file.substr(Pick(static_cast<std::uint32_t>(file.size() + 1)), Pick(80))); break;
        case 4: file.insert(at, Fragment()); break;
        default: file.insert(at, "\n" + Line() + "\n"); break;
      }
    }
    return file;
  }

 private:
  std::mt19937 rng_;
  bool big_ = false;
};

const char* const kWellFormed =
    "[CMN_STR]\nSTR_0=Port\nSTR_1=Printer\\tName\nSTR_0x2=]CMN_MSG_1\n"
    "[CMN_MSG]\nMSG_0=Could not find the required files.\\nPlease reinstall.\nMSG_1=Saved.\n"
    "[FZ_CAP]\nCAP_1001=Name||7\nCAP_1=]CMN_STR_0\nIDC_STATIC_3=Label\n"
    "[FZ_CMB]\nLANG_1000=English||0x0409\nLANG_1000=Japanese||0x0411||2\nMODE_1004=Serial||1\n"
    "[FZ_LSTCTRL]\nCOL_1010=Printer||0||-1||1\nCOL_1010=]CMN_STR_0||1||80||2||5\n"
    "[FZ_MSG]\nMSG_0=]CMN_MSG_1\nMSG_3=Done\nMSG_0x4=Line\\nbreak\n"
    "[FZ_STR]\nSTR_0=Select Language\nSTR_2=]CMN_STR_1\n";

bool HasUnconvertedEscape(const std::u16string& text) {
  return text.find(u"\\n") != std::u16string::npos || text.find(u"\\t") != std::u16string::npos;
}

// Lines in the file: no table can hold more records than that.
std::size_t LineBound(const std::u16string& text) {
  std::size_t lines = 1;
  for (char16_t c : text) lines += (c == u'\n' || c == u'\r') ? 1 : 0;
  return lines;
}

void CheckStringList(const CLangResTable& table, const CLangResTable::StringList& list,
                     LangResult (CLangResTable::*lookup)(int, std::u16string&) const,
                     std::size_t& records) {
  ASSERT_LE(list.size(), static_cast<std::size_t>(kLangMaxStringId) + 1);
  if (!list.empty()) {
    EXPECT_NE(list.back(), nullptr) << "the table grew past its last entry";
  }
  for (int i = -1; i <= static_cast<int>(list.size()); ++i) {
    std::u16string text = u"unchanged";
    const LangResult rc = (table.*lookup)(i, text);
    if (i < 0 || i >= static_cast<int>(list.size())) {
      EXPECT_EQ(rc, kLangBadArgument);
      EXPECT_EQ(text, u"unchanged");
    } else if (!list[static_cast<std::size_t>(i)]) {
      EXPECT_EQ(rc, kLangNotFound);
      EXPECT_EQ(text, u"unchanged");
    } else {
      const auto& entry = *list[static_cast<std::size_t>(i)];
      ++records;
      EXPECT_EQ(rc, kLangOk);
      EXPECT_EQ(text, entry.Text());
      EXPECT_EQ(entry.Id(), i);
      EXPECT_FALSE(entry.Key().empty());
      EXPECT_EQ(entry.Key().find(u'='), std::u16string::npos);
      EXPECT_FALSE(HasUnconvertedEscape(entry.Text()));
    }
  }
}

void CheckTable(const CLangResTable& table, const std::u16string& fileText) {
  std::size_t records = 0;
  CheckStringList(table, table.Strings(), &CLangResTable::GetStringText, records);
  CheckStringList(table, table.Messages(), &CLangResTable::GetMessageText, records);
  CheckStringList(table, table.CommonStrings(), &CLangResTable::GetCommonStringText, records);
  CheckStringList(table, table.CommonMessages(), &CLangResTable::GetCommonMessageText, records);

  const auto checkRecord = [&](const CLangInfoBase& record) {
    ++records;
    EXPECT_NE(record.Id(), kLangFieldUnset);
    EXPECT_FALSE(record.Key().empty());
    EXPECT_FALSE(HasUnconvertedEscape(record.Text()));
  };
  for (const auto& r : table.Captions()) checkRecord(*r);
  for (const auto& r : table.ComboItems()) checkRecord(*r);
  for (const auto& r : table.ListColumns()) checkRecord(*r);
  EXPECT_LE(records, LineBound(fileText));

  // The first language item with a given value names that language.
  for (const auto& item : table.ComboItems()) {
    if (item->Id() != kComboId) continue;
    for (const auto& first : table.ComboItems()) {
      if (first->Id() == kComboId && first->ItemData() == item->ItemData()) {
        EXPECT_EQ(table.GetComboItemText(item->ItemData()), first->Text());
        break;
      }
    }
  }
  EXPECT_EQ(table.StringOr(static_cast<int>(table.Strings().size()), u"def"), u"def");
  EXPECT_EQ(table.MessageOr(-1, u"def"), u"def");

  FakeControlHost host;
  FakeControl& combo = host.Add(kComboId, plat::kClassComboBox);
  FakeControl& edit = host.Add(kEditId, plat::kClassEdit);
  FakeControl& list = host.Add(kListId, plat::kClassListView);
  FakeControl& label = host.Add(kStaticId, plat::kClassStatic);
  table.ApplyCaptions(&host);
  table.FillComboBoxes(&host);
  table.SetupListColumns(&host);

  std::size_t comboRecords = 0;
  for (const auto& item : table.ComboItems()) comboRecords += item->Id() == kComboId ? 1 : 0;
  ASSERT_EQ(combo.items.size(), comboRecords);
  std::size_t position = 0;
  for (const auto& item : table.ComboItems()) {
    if (item->Id() != kComboId) continue;
    EXPECT_EQ(combo.items[position].first, item->Text());
    EXPECT_EQ(combo.items[position].second, item->ItemData());
    ++position;
  }
  std::u16string lastEditCaption = u"untouched";
  for (const auto& caption : table.Captions()) {
    if (caption->Id() == kEditId) lastEditCaption = caption->Text();
  }
  if (lastEditCaption != u"untouched") {
    EXPECT_EQ(edit.text, lastEditCaption);
  }
  EXPECT_LE(list.columns.size(), table.ListColumns().size());
  EXPECT_TRUE(label.items.empty());
  EXPECT_TRUE(label.columns.empty());
  EXPECT_EQ(host.negativeColumnRequests, 0);
}

// Writes the file (as UTF-8 bytes, or re-encoded as UTF-16LE), loads it and checks it.
void RunCase(const std::string& dir, const std::string& utf8, bool asUtf16, int round) {
  SCOPED_TRACE(testing::Message() << "round " << round);
  const std::u16string text = plat::FromUtf8(utf8);
  ASSERT_TRUE(langtest::WriteLangFile(dir, "0409.DAT",
                                      asUtf16 ? langtest::Utf16LeWithBom(text) : utf8));
  CLangResTable table;
  ASSERT_EQ(table.SelectLanguageFile(langtest::U16(dir), 0x0411, kLangIdEnglish),
            kLangFileFallback);
  ASSERT_EQ(table.LoadResources(u"FZ"), kLangOk);
  CheckTable(table, text);
  if (testing::Test::HasFailure()) {
    ADD_FAILURE() << "file of round " << round << ":\n" << utf8;
  }
}

void RunGenerated(std::uint32_t seed, int rounds) {
  Generator gen(seed);
  const std::string dir = testenv::MakeTempDir("fuzz-gen");
  for (int round = 0; round < rounds && !testing::Test::HasFailure(); ++round) {
    const std::string file = gen.File();
    RunCase(dir, file, gen.Chance(10), round);
  }
}

void RunDamaged(std::uint32_t seed, int rounds) {
  Generator gen(seed);
  const std::string dir = testenv::MakeTempDir("fuzz-mut");
  for (int round = 0; round < rounds && !testing::Test::HasFailure(); ++round) {
    const std::string file = gen.Mutated(kWellFormed);
    RunCase(dir, file, gen.Chance(10), round);
  }
}

// Four runs of 800 files each, so that they can run side by side.
TEST(LangResTableFuzzTest, GeneratedFilesKeepTheTableConsistent) { RunGenerated(0x5EEDu, 800); }
TEST(LangResTableFuzzTest, MoreGeneratedFilesKeepTheTableConsistent) { RunGenerated(0x1A96u, 800); }
TEST(LangResTableFuzzTest, DamagedFilesKeepTheTableConsistent) { RunDamaged(0xBADF11Eu, 800); }
TEST(LangResTableFuzzTest, MoreDamagedFilesKeepTheTableConsistent) { RunDamaged(0xD06u, 800); }

TEST(LangResTableFuzzTest, TheWellFormedSeedLoadsAsWritten) {
  const std::string dir = testenv::MakeTempDir("fuzz-seed");
  RunCase(dir, kWellFormed, false, 0);
  CLangResTable table;
  ASSERT_EQ(table.SelectLanguageFile(langtest::U16(dir), kLangIdEnglish, kLangIdEnglish),
            kLangFileRequested);
  ASSERT_EQ(table.LoadResources(u"FZ"), kLangOk);
  EXPECT_EQ(table.CommonStrings().size(), 3u);
  EXPECT_EQ(table.CommonMessages().size(), 2u);
  EXPECT_EQ(table.Captions().size(), 3u);
  EXPECT_EQ(table.ComboItems().size(), 3u);
  EXPECT_EQ(table.ListColumns().size(), 2u);
  EXPECT_EQ(table.MessageOr(0, u""), u"Saved.");
  EXPECT_EQ(table.MessageOr(4, u""), u"Line\r\nbreak");
  EXPECT_EQ(table.StringOr(2, u""), u"Printer\tName");
  EXPECT_EQ(table.ListColumns()[1]->Text(), u"Port");
  EXPECT_EQ(table.GetComboItemText(0x0411), u"Japanese");
}

}  // namespace
