// Language tables: choosing the file, reading its sections, parsing lines, lookups.
#include "lang/CLangResTable.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/lang/LangTestFiles.h"
#include "tests/support/TestEnv.h"

using langtest::U16;

namespace {

class LangResTableTest : public ::testing::Test {
 protected:
  // Writes 0409.DAT with content, selects it and loads key DLG.
  void Load(const std::string& content) {
    ASSERT_TRUE(langtest::WriteLangFile(dir_, "0409.DAT", content));
    ASSERT_EQ(table_.SelectLanguageFile(folder_, kLangIdEnglish, kLangIdEnglish),
              kLangFileRequested);
    ASSERT_EQ(table_.LoadResources(u"DLG"), kLangOk);
  }

  // Text of string entry i, or a marker naming the lookup's result.
  std::u16string Str(int i) const { return Lookup(&CLangResTable::GetStringText, i); }
  std::u16string Msg(int i) const { return Lookup(&CLangResTable::GetMessageText, i); }
  std::u16string CmnStr(int i) const { return Lookup(&CLangResTable::GetCommonStringText, i); }
  std::u16string CmnMsg(int i) const { return Lookup(&CLangResTable::GetCommonMessageText, i); }

  std::u16string Lookup(LangResult (CLangResTable::*fn)(int, std::u16string&) const, int i) const {
    std::u16string text = u"<unchanged>";
    const LangResult rc = (table_.*fn)(i, text);
    if (rc == kLangOk) return text;
    if (text != u"<unchanged>") return u"<changed on failure>";
    return rc == kLangNotFound ? u"<empty slot>" : rc == kLangBadArgument ? u"<out of range>"
                                                                          : u"<other>";
  }

  std::string dir_ = testenv::MakeTempDir("lang");
  std::u16string folder_ = U16(dir_);
  CLangResTable table_;
};

// ---- Choosing the file -------------------------------------------------------------

TEST_F(LangResTableTest, SelectsTheRequestedLanguageWhenItsFileExists) {
  ASSERT_TRUE(langtest::WriteLangFile(dir_, "0409.DAT", "[CMN_STR]\nSTR_0=English\n"));
  ASSERT_TRUE(langtest::WriteLangFile(dir_, "0411.DAT", "[CMN_STR]\nSTR_0=Japanese\n"));
  EXPECT_EQ(table_.SelectLanguageFile(folder_, 0x0411, kLangIdEnglish), kLangFileRequested);
  EXPECT_TRUE(table_.IsFileFound());
  EXPECT_EQ(table_.LangId(), 0x0411);
  EXPECT_EQ(table_.FileName(), u"0411.DAT");
  EXPECT_EQ(table_.LanguageFolder(), folder_);
  EXPECT_EQ(table_.FilePath(), folder_ + u"/0411.DAT");
  ASSERT_EQ(table_.LoadResources(u"DLG"), kLangOk);
  EXPECT_EQ(CmnStr(0), u"Japanese");
}

TEST_F(LangResTableTest, FallsBackToEnglishWhenTheLanguageHasNoFile) {
  ASSERT_TRUE(langtest::WriteLangFile(dir_, "0409.DAT", "[CMN_STR]\nSTR_0=English\n"));
  EXPECT_EQ(table_.SelectLanguageFile(folder_, 0x0411, kLangIdEnglish), kLangFileFallback);
  EXPECT_EQ(table_.FileName(), u"0409.DAT");
  EXPECT_EQ(table_.LangId(), kLangIdEnglish);
  ASSERT_EQ(table_.LoadResources(u"DLG"), kLangOk);
  EXPECT_EQ(CmnStr(0), u"English");
}

TEST_F(LangResTableTest, NamesFilesWithFourUpperCaseHexDigits) {
  ASSERT_TRUE(langtest::WriteLangFile(dir_, "0C0A.DAT", "[CMN_STR]\nSTR_0=Spanish\n"));
  EXPECT_EQ(table_.SelectLanguageFile(folder_, 0x0C0A, kLangIdEnglish), kLangFileRequested);
  EXPECT_EQ(table_.FileName(), u"0C0A.DAT");
  // A folder that already ends in "/" gets no second one.
  EXPECT_EQ(table_.SelectLanguageFile(folder_ + u"/", 0x0C0A, kLangIdEnglish),
            kLangFileRequested);
  EXPECT_EQ(table_.FilePath(), folder_ + u"/0C0A.DAT");
}

TEST_F(LangResTableTest, WithoutAnyFileNothingIsSelectedOrLoaded) {
  ASSERT_TRUE(langtest::WriteLangFile(dir_, "0407.DAT", "[CMN_STR]\nSTR_0=German\n"));
  EXPECT_EQ(table_.SelectLanguageFile(folder_, 0x0411, kLangIdEnglish), kLangFileNone);
  EXPECT_FALSE(table_.IsFileFound());
  EXPECT_EQ(table_.FilePath(), u"");
  EXPECT_EQ(table_.LoadResources(u"DLG"), kLangNoFile);
  EXPECT_TRUE(table_.CommonStrings().empty());
}

TEST_F(LangResTableTest, AFolderNamedLikeALanguageFileIsNotTaken) {
  std::filesystem::create_directories(dir_ + "/0411.DAT");
  ASSERT_TRUE(langtest::WriteLangFile(dir_, "0409.DAT", "[CMN_STR]\nSTR_0=English\n"));
  EXPECT_EQ(table_.SelectLanguageFile(folder_, 0x0411, kLangIdEnglish), kLangFileFallback);
  EXPECT_EQ(table_.FileName(), u"0409.DAT");
}

TEST_F(LangResTableTest, SelectingAgainEmptiesTheTable) {
  Load("[CMN_STR]\nSTR_0=a\n[CMN_MSG]\nMSG_0=b\n[DLG_STR]\nSTR_0=c\n[DLG_MSG]\nMSG_0=d\n"
       "[DLG_CAP]\nCAP_1=e\n[DLG_CMB]\nCMB_1000=f||1\n[DLG_LSTCTRL]\nCOL_2=g||0||10||0\n");
  ASSERT_EQ(table_.Strings().size(), 1u);
  ASSERT_EQ(table_.ListColumns().size(), 1u);

  // An empty folder fails at once and still leaves an empty table behind.
  EXPECT_EQ(table_.SelectLanguageFile(u"", kLangIdEnglish, kLangIdEnglish), kLangFileNone);
  EXPECT_FALSE(table_.IsFileFound());
  EXPECT_EQ(table_.LangId(), 0);
  EXPECT_TRUE(table_.Strings().empty());
  EXPECT_TRUE(table_.CommonStrings().empty());
  EXPECT_TRUE(table_.Messages().empty());
  EXPECT_TRUE(table_.CommonMessages().empty());
  EXPECT_TRUE(table_.Captions().empty());
  EXPECT_TRUE(table_.ComboItems().empty());
  EXPECT_TRUE(table_.ListColumns().empty());
  EXPECT_EQ(table_.LoadResources(u"DLG"), kLangNoFile);

  // A successful selection starts empty as well.
  EXPECT_EQ(table_.SelectLanguageFile(folder_, kLangIdEnglish, kLangIdEnglish),
            kLangFileRequested);
  EXPECT_TRUE(table_.Strings().empty());
  EXPECT_TRUE(table_.Captions().empty());
}

// ---- Loading -------------------------------------------------------------------------

TEST_F(LangResTableTest, LoadResourcesChecksItsArguments) {
  EXPECT_EQ(table_.LoadResources(u"DLG"), kLangNoFile);
  EXPECT_EQ(table_.LoadResources(u""), kLangBadArgument);
  ASSERT_TRUE(langtest::WriteLangFile(dir_, "0409.DAT", "[CMN_STR]\nSTR_0=a\n"));
  ASSERT_EQ(table_.SelectLanguageFile(folder_, kLangIdEnglish, kLangIdEnglish),
            kLangFileRequested);
  EXPECT_EQ(table_.LoadResources(u""), kLangBadArgument);
  EXPECT_TRUE(table_.CommonStrings().empty());
}

TEST_F(LangResTableTest, ReadsTheCommonSectionsAndTheSevenSectionsOfItsKeyOnly) {
  Load("[OTHER_STR]\nSTR_0=other string\n"
       "[DLG_STR]\nSTR_0=string\n"
       "[DLG_MSG]\nMSG_0=message\n"
       "[CMN_STR]\nSTR_0=common string\n"
       "[CMN_MSG]\nMSG_0=common message\n"
       "[DLG_CAP]\nCAP_1001=caption\n"
       "[DLG_CMB]\nCMB_1000=item||5\n"
       "[DLG_LSTCTRL]\nCOL_1010=column||0||80||1\n"
       "[DLG]\nSTR_1=no suffix\n"
       "[DLG_STRX]\nSTR_2=wrong suffix\n");
  EXPECT_EQ(Str(0), u"string");
  EXPECT_EQ(Msg(0), u"message");
  EXPECT_EQ(CmnStr(0), u"common string");
  EXPECT_EQ(CmnMsg(0), u"common message");
  ASSERT_EQ(table_.Strings().size(), 1u);
  ASSERT_EQ(table_.Captions().size(), 1u);
  EXPECT_EQ(table_.Captions()[0]->Text(), u"caption");
  ASSERT_EQ(table_.ComboItems().size(), 1u);
  EXPECT_EQ(table_.ComboItems()[0]->Text(), u"item");
  ASSERT_EQ(table_.ListColumns().size(), 1u);
  EXPECT_EQ(table_.ListColumns()[0]->Text(), u"column");
}

TEST_F(LangResTableTest, MissingSectionsLeaveTheirListsEmpty) {
  Load("[DLG_CAP]\nCAP_1=only captions\n");
  EXPECT_EQ(table_.Captions().size(), 1u);
  EXPECT_TRUE(table_.Strings().empty());
  EXPECT_TRUE(table_.CommonMessages().empty());
  EXPECT_EQ(Str(0), u"<out of range>");
}

TEST_F(LangResTableTest, LoadingASecondKeyAddsToTheTable) {
  Load("[A_STR]\nSTR_0=from A\n[A_CAP]\nCAP_1=A\n[DLG_STR]\nSTR_1=from DLG\n[DLG_CAP]\nCAP_1=D\n");
  ASSERT_EQ(table_.LoadResources(u"A"), kLangOk);
  EXPECT_EQ(Str(0), u"from A");
  EXPECT_EQ(Str(1), u"from DLG");
  ASSERT_EQ(table_.Captions().size(), 2u);
  EXPECT_EQ(table_.Captions()[0]->Text(), u"D");
  EXPECT_EQ(table_.Captions()[1]->Text(), u"A");
}

TEST_F(LangResTableTest, ReadsSectionsLongerThanTheFirstBufferWhole) {
  std::string content = "[DLG_STR]\n";
  for (int i = 0; i < 120; ++i) {
    content += "STR_" + std::to_string(i) + "=Text number " + std::to_string(i) + " padded\n";
  }
  Load(content);
  ASSERT_EQ(table_.Strings().size(), 120u);
  for (int i = 0; i < 120; ++i) {
    EXPECT_EQ(Str(i), U16("Text number " + std::to_string(i) + " padded")) << i;
  }
}

// A damaged file may hold one section of megabytes: it is read whole, line by line from
// the parsed file (read through a buffer grown a few hundred characters at a time, each
// pass copying the whole section again, this load once did not end).
TEST_F(LangResTableTest, ReadsASectionOfMegabytesWhole) {
  constexpr int kLines = 40000;
  std::string content = "[DLG_STR]\n";
  for (int i = 0; i < kLines; ++i) content += "STR_" + std::to_string(i) + "=" + std::string(44, 'x') + "\n";
  ASSERT_GT(content.size(), 2'000'000u);
  Load(content);
  ASSERT_EQ(table_.Strings().size(), static_cast<std::size_t>(kLines));
  EXPECT_EQ(Str(kLines - 1), U16(std::string(44, 'x')));
}

TEST_F(LangResTableTest, ReadsUtf16LittleEndianFiles) {
  const std::u16string text =
      u"[CMN_STR]\r\nSTR_0=\u65e5\u672c\u8a9e\r\n[DLG_CMB]\r\nLANG_1000=\u65e5\u672c\u8a9e||0x0411\r\n"
      u"[DLG_STR]\r\nSTR_2=\u8a2d\u5b9a\\n\u5b8c\u4e86\r\n";
  ASSERT_TRUE(langtest::WriteLangFile(dir_, "0411.DAT", langtest::Utf16LeWithBom(text)));
  ASSERT_EQ(table_.SelectLanguageFile(folder_, 0x0411, kLangIdEnglish), kLangFileRequested);
  ASSERT_EQ(table_.LoadResources(u"DLG"), kLangOk);
  EXPECT_EQ(CmnStr(0), u"\u65e5\u672c\u8a9e");
  EXPECT_EQ(Str(2), u"\u8a2d\u5b9a\r\n\u5b8c\u4e86");
  EXPECT_EQ(table_.GetComboItemText(0x0411), u"\u65e5\u672c\u8a9e");
}

TEST_F(LangResTableTest, ReadsUtf8Texts) {
  Load("\xEF\xBB\xBF[DLG_STR]\nSTR_0=Param\xC3\xA8tres \xE2\x82\xAC\n");
  EXPECT_EQ(Str(0), u"Param\u00e8tres \u20ac");
}

// ---- Lines ---------------------------------------------------------------------------

TEST_F(LangResTableTest, StringsAreStoredByIdInASparseArray) {
  Load("[DLG_STR]\nSTR_3=Hello\nSTR_0=Title\n");
  ASSERT_EQ(table_.Strings().size(), 4u);
  EXPECT_EQ(Str(0), u"Title");
  EXPECT_EQ(Str(1), u"<empty slot>");
  EXPECT_EQ(Str(2), u"<empty slot>");
  EXPECT_EQ(Str(3), u"Hello");
  EXPECT_EQ(Str(4), u"<out of range>");
  EXPECT_EQ(Str(-1), u"<out of range>");
  EXPECT_EQ(table_.Strings()[3]->Key(), u"STR_3");
  EXPECT_EQ(table_.Strings()[3]->Id(), 3);
  EXPECT_EQ(table_.Strings()[3]->Extra(), kLangFieldUnset);
}

TEST_F(LangResTableTest, TheLaterOfTwoEntriesWithOneIdWins) {
  Load("[DLG_MSG]\nMSG_1=First\nMSG_1=Second\nMSG_0x1=Third\n[CMN_STR]\nA_2=x\nB_2=y\n");
  EXPECT_EQ(Msg(1), u"Third");
  EXPECT_EQ(table_.Messages()[1]->Key(), u"MSG_0x1");
  EXPECT_EQ(CmnStr(2), u"y");
}

TEST_F(LangResTableTest, IdsComeFromTheLastUnderscorePieceOfTheKey) {
  Load("[DLG_STR]\n"
       "STR_0x1A=hex\n"
       "STR_0X1b=upper hex prefix\n"
       "12=no underscore\n"
       "A_B_C_5=several pieces\n"
       "STR_0x=prefix alone\n"
       "STR_-1=negative\n"
       "STR_1a=letter\n"
       "STR_=nothing\n"
       "STR_+4=sign\n"
       "STR_4 6=inner blank\n"
       "STR_0x1G=bad hex digit\n"
       "STR_65535=highest\n");
  EXPECT_EQ(Str(26), u"hex");
  EXPECT_EQ(Str(27), u"upper hex prefix");
  EXPECT_EQ(Str(12), u"no underscore");
  EXPECT_EQ(Str(5), u"several pieces");
  EXPECT_EQ(Str(0), u"prefix alone");
  EXPECT_EQ(Str(1), u"<empty slot>");
  EXPECT_EQ(Str(4), u"<empty slot>");
  EXPECT_EQ(Str(65535), u"highest");
  int stored = 0;
  for (const auto& entry : table_.Strings()) {
    if (entry) {
      EXPECT_EQ(&entry, &table_.Strings()[static_cast<std::size_t>(entry->Id())]);
      ++stored;
    }
  }
  EXPECT_EQ(stored, 6);
}

TEST_F(LangResTableTest, StringIdsAboveTheLimitAreSkippedInsteadOfGrowingTheTable) {
  Load("[DLG_STR]\nSTR_0x7FFFFFFF=huge\nSTR_65536=just above\nSTR_2=kept\n"
       "[DLG_MSG]\nMSG_2147483647=huge\nMSG_0xFFFFFFFF=wraps to -1\nMSG_0x80000000=negative\n"
       "[CMN_STR]\nSTR_99999999=huge\n[CMN_MSG]\nMSG_70000=huge\n");
  EXPECT_EQ(table_.Strings().size(), 3u);
  EXPECT_EQ(Str(2), u"kept");
  EXPECT_TRUE(table_.Messages().empty());
  EXPECT_TRUE(table_.CommonStrings().empty());
  EXPECT_TRUE(table_.CommonMessages().empty());
}

TEST_F(LangResTableTest, LinesNeedAKeyAndAValue) {
  Load("[DLG_STR]\n=no key\nSTR_1=\nSTR_2\nSTR_3=a=b\nSTR_4= padded \n");
  EXPECT_EQ(Str(1), u"<empty slot>");
  EXPECT_EQ(Str(2), u"<empty slot>");
  EXPECT_EQ(Str(3), u"a=b");
  EXPECT_EQ(Str(4), u"padded");
  EXPECT_EQ(table_.Strings().size(), 5u);
}

TEST_F(LangResTableTest, StringAndMessageLinesTakeExactlyOneField) {
  Load("[DLG_MSG]\nMSG_1=A||B\nMSG_2=A||\nMSG_3=A|B\nMSG_4=single\n"
       "[CMN_MSG]\nMSG_1=A||B\n[CMN_STR]\nSTR_1=||\n[DLG_STR]\nSTR_1=x||y||z\n");
  EXPECT_EQ(Msg(1), u"<empty slot>");
  EXPECT_EQ(Msg(2), u"<empty slot>");
  EXPECT_EQ(Msg(3), u"A|B");
  EXPECT_EQ(Msg(4), u"single");
  EXPECT_TRUE(table_.CommonMessages().empty());
  EXPECT_TRUE(table_.CommonStrings().empty());
  EXPECT_TRUE(table_.Strings().empty());
}

TEST_F(LangResTableTest, CaptionLinesKeepEveryValidLineInFileOrder) {
  Load("[DLG_CAP]\n"
       "CAP_1001=Name||7\n"
       "CAP_1002=Plain\n"
       "CAP_1003=Bad extra||x\n"
       "CAP_1004=More||5||9\n"
       "CAP_1001=Duplicate\n"
       "CAP_x=bad id\n"
       "CAP_0xFFFFFFFF=wraps to -1\n"
       "IDC_OK_0x3E9=hex id\n");
  const auto& captions = table_.Captions();
  ASSERT_EQ(captions.size(), 6u);
  EXPECT_EQ(captions[0]->Key(), u"CAP_1001");
  EXPECT_EQ(captions[0]->Id(), 1001);
  EXPECT_EQ(captions[0]->Text(), u"Name");
  EXPECT_EQ(captions[0]->Extra(), 7);
  EXPECT_EQ(captions[1]->Extra(), kLangFieldUnset);
  EXPECT_EQ(captions[2]->Text(), u"Bad extra");
  EXPECT_EQ(captions[2]->Extra(), kLangFieldUnset);
  EXPECT_EQ(captions[3]->Extra(), 5);
  EXPECT_EQ(captions[4]->Id(), 1001);
  EXPECT_EQ(captions[4]->Text(), u"Duplicate");
  EXPECT_EQ(captions[5]->Id(), 1001);
  EXPECT_EQ(captions[5]->Text(), u"hex id");
}

TEST_F(LangResTableTest, ComboLinesNeedTextAndItemData) {
  Load("[DLG_CMB]\n"
       "ITEM_1000=English||0x0409\n"
       "ITEM_1000=Japanese\n"
       "ITEM_1000=Bad data||abc\n"
       "ITEM_1001=With extra||12||3\n"
       "ITEM_1002=Empty data||\n");
  const auto& items = table_.ComboItems();
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0]->Id(), 1000);
  EXPECT_EQ(items[0]->Text(), u"English");
  EXPECT_EQ(items[0]->ItemData(), 0x0409);
  EXPECT_EQ(items[0]->Extra(), kLangFieldUnset);
  EXPECT_EQ(items[1]->Text(), u"Bad data");
  EXPECT_EQ(items[1]->ItemData(), kLangFieldUnset);
  EXPECT_EQ(items[2]->ItemData(), 12);
  EXPECT_EQ(items[2]->Extra(), 3);
  EXPECT_EQ(items[3]->Text(), u"Empty data");
  EXPECT_EQ(items[3]->ItemData(), kLangFieldUnset);
}

TEST_F(LangResTableTest, ListColumnLinesNeedTextColumnWidthAndAlignment) {
  Load("[DLG_LSTCTRL]\n"
       "COL_1010=Three fields||0||120\n"
       "COL_1010=Port||1||80||left\n"
       "COL_1010=Name||0||120||2||9\n"
       "COL_1011=Wide||0x2||-5||1\n");
  const auto& columns = table_.ListColumns();
  ASSERT_EQ(columns.size(), 3u);
  EXPECT_EQ(columns[0]->Text(), u"Port");
  EXPECT_EQ(columns[0]->Column(), 1);
  EXPECT_EQ(columns[0]->Width(), 80);
  EXPECT_EQ(columns[0]->Alignment(), kLangFieldUnset);
  EXPECT_EQ(columns[0]->Extra(), kLangFieldUnset);
  EXPECT_EQ(columns[1]->Id(), 1010);
  EXPECT_EQ(columns[1]->Column(), 0);
  EXPECT_EQ(columns[1]->Width(), 120);
  EXPECT_EQ(columns[1]->Alignment(), kLangAlignRight);
  EXPECT_EQ(columns[1]->Extra(), 9);
  EXPECT_EQ(columns[2]->Column(), 2);
  EXPECT_EQ(columns[2]->Width(), kLangFieldUnset);
}

TEST_F(LangResTableTest, EscapesBecomeLineBreaksAndTabs) {
  Load("[CMN_MSG]\nMSG_1=Common\\nbreak\n"
       "[DLG_STR]\n"
       "STR_0=First line\\nSecond line\n"
       "STR_1=Name:\\tValue\n"
       "STR_2=C:\\\\new \\x trailing\\\n"
       "STR_3=\\n\\t\\n\n"
       "[DLG_CAP]\nCAP_5=Cap\\tTab\n"
       "[DLG_CMB]\nCMB_6=Item\\nTwo||1\n"
       "[DLG_LSTCTRL]\nCOL_7=Col\\tumn||0||1||0\n");
  EXPECT_EQ(CmnMsg(1), u"Common\r\nbreak");
  EXPECT_EQ(Str(0), u"First line\r\nSecond line");
  EXPECT_EQ(Str(1), u"Name:\tValue");
  EXPECT_EQ(Str(2), u"C:\\\r\new \\x trailing\\");
  EXPECT_EQ(Str(3), u"\r\n\t\r\n");
  EXPECT_EQ(table_.Captions()[0]->Text(), u"Cap\tTab");
  EXPECT_EQ(table_.ComboItems()[0]->Text(), u"Item\r\nTwo");
  EXPECT_EQ(table_.ListColumns()[0]->Text(), u"Col\tumn");
}

TEST_F(LangResTableTest, ReferencesResolveToCommonEntries) {
  // The key's sections come first in the file: the common ones are still read before them.
  Load("[DLG_MSG]\n"
       "MSG_1=]CMN_MSG_7\n"
       "MSG_2=]CMN_MSG_99\n"
       "MSG_3=]CMN_MSG\n"
       "MSG_4=]OTHER_7\n"
       "MSG_5=]CMN_STR_0x2\n"
       "MSG_6=]CMN_MSG_x\n"
       "MSG_7=]CMN_MSG_7_1\n"
       "MSG_8=x]CMN_MSG_7\n"
       "MSG_9=]CMN_MSG_3\n"
       "MSG_10=]XCMN_STR_2\n"
       "MSG_11=]CMN_MSG_-7\n"
       "[DLG_STR]\nSTR_0=]CMN_STR_2\n"
       "[DLG_CAP]\nCAP_1=]CMN_STR_2\n"
       "[DLG_CMB]\nCMB_1000=]CMN_MSG_7||0x0409\n"
       "[DLG_LSTCTRL]\nCOL_1010=]CMN_STR_2||0||10||0\n"
       "[CMN_STR]\nSTR_2=Port\nSTR_3=]CMN_MSG_7\n"
       "[CMN_MSG]\nMSG_7=Saved.\nMSG_3=Done\\nOK\nMSG_8=]CMN_STR_2\n");
  EXPECT_EQ(Msg(1), u"Saved.");
  EXPECT_EQ(Msg(2), u"");
  EXPECT_EQ(Msg(3), u"]CMN_MSG");
  EXPECT_EQ(Msg(4), u"]OTHER_7");
  EXPECT_EQ(Msg(5), u"Port");
  EXPECT_EQ(Msg(6), u"");
  EXPECT_EQ(Msg(7), u"]CMN_MSG_7_1");
  EXPECT_EQ(Msg(8), u"x]CMN_MSG_7");
  EXPECT_EQ(Msg(9), u"Done\r\nOK");
  EXPECT_EQ(Msg(10), u"Port");
  EXPECT_EQ(Msg(11), u"");
  EXPECT_EQ(Str(0), u"Port");
  EXPECT_EQ(table_.Captions()[0]->Text(), u"Port");
  EXPECT_EQ(table_.ComboItems()[0]->Text(), u"Saved.");
  EXPECT_EQ(table_.ListColumns()[0]->Text(), u"Port");
  // Common texts are never resolved.
  EXPECT_EQ(CmnStr(3), u"]CMN_MSG_7");
  EXPECT_EQ(CmnMsg(8), u"]CMN_STR_2");
}

TEST_F(LangResTableTest, OverlongLinesAreSkippedWhole) {
  // The text after the first 2049 characters looks like a line of its own; it must not
  // become one.
  const std::string overlong = "STR_1=" + std::string(2049 - 6, 'x') + "STR_9=tail";
  const std::string longest = "STR_2=" + std::string(kLangMaxLineChars - 6, 'y');
  Load("[DLG_STR]\n" + overlong + "\n" + longest + "\nSTR_3=after\n");
  EXPECT_EQ(Str(1), u"<empty slot>");
  EXPECT_EQ(Str(2), U16(std::string(kLangMaxLineChars - 6, 'y')));
  EXPECT_EQ(Str(3), u"after");
  EXPECT_EQ(table_.Strings().size(), 4u);
}

// ---- Lookups -------------------------------------------------------------------------

TEST_F(LangResTableTest, EveryStringTableAnswersItsOwnLookup) {
  Load("[DLG_STR]\nSTR_1=s\n[DLG_MSG]\nMSG_2=m\n[CMN_STR]\nSTR_3=cs\n[CMN_MSG]\nMSG_4=cm\n");
  EXPECT_EQ(Str(1), u"s");
  EXPECT_EQ(Msg(2), u"m");
  EXPECT_EQ(CmnStr(3), u"cs");
  EXPECT_EQ(CmnMsg(4), u"cm");
  EXPECT_EQ(Str(2), u"<out of range>");
  EXPECT_EQ(Msg(1), u"<empty slot>");
  EXPECT_EQ(CmnStr(4), u"<out of range>");
  EXPECT_EQ(CmnMsg(3), u"<empty slot>");
}

TEST_F(LangResTableTest, DefaultsStandInForMissingEntries) {
  Load("[DLG_STR]\nSTR_2=Select Language\n[DLG_MSG]\nMSG_1=Saved\n");
  EXPECT_EQ(table_.StringOr(2, u"Default"), u"Select Language");
  EXPECT_EQ(table_.StringOr(0, u"Default"), u"Default");
  EXPECT_EQ(table_.StringOr(7, u"Default"), u"Default");
  EXPECT_EQ(table_.StringOr(-1, u"Default"), u"Default");
  EXPECT_EQ(table_.MessageOr(1, u"Default"), u"Saved");
  EXPECT_EQ(table_.MessageOr(2, u"Default"), u"Default");

  CLangResTable unloaded;
  EXPECT_EQ(unloaded.StringOr(0, u"Built in"), u"Built in");
  EXPECT_EQ(unloaded.MessageOr(0, u"Built in"), u"Built in");
}

TEST_F(LangResTableTest, ComboItemTextNamesALanguageOfTheLanguageBox) {
  Load("[DLG_CMB]\n"
       "ITEM_1001=Not the language box||0x0411\n"
       "ITEM_1000=English||0x0409\n"
       "ITEM_1000=Japanese||0x0411\n"
       "ITEM_1000=Second Japanese||0x0411\n"
       "ITEM_1000=No data\n");
  EXPECT_EQ(table_.GetComboItemText(0x0409), u"English");
  EXPECT_EQ(table_.GetComboItemText(0x0411), u"Japanese");
  EXPECT_EQ(table_.GetComboItemText(0x0407), u"");
  EXPECT_EQ(table_.GetComboItemText(-1), u"");
}

}  // namespace
