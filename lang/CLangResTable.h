#pragma once
// CLangResTable: one window's share of a language file.
//
// Language files are profile files named "%04X.DAT" after the LANGID (English is
// 0409.DAT) in the language folder. For a resource key K the table reads, in this
// order, the sections CMN_STR and CMN_MSG (texts shared by every window) and K_CAP,
// K_CMB, K_LSTCTRL, K_MSG and K_STR. Each line is key=value; the number after the last
// "_" of the key is the record's id, and the value holds "||"-separated fields:
//
//   CMN_STR, CMN_MSG, K_MSG, K_STR   text                                    (by id)
//   K_CAP                            text [|| extra]                         (in order)
//   K_CMB                            text || item data [|| extra]            (in order)
//   K_LSTCTRL                        text || column || width || alignment [|| extra]
//
// Texts of the key's own sections may refer to a common entry ("]CMN_STR_3",
// "]CMN_MSG_7"); "\n" in a text becomes CR LF and "\t" a tab. Malformed lines are passed
// over, so a caller keeps its built-in English text wherever the file has no entry.
//
// Threads: a table is selected, loaded and applied to windows on the UI thread. Once
// loaded, its lookups may be called from any thread as long as no thread selects or
// loads it at the same time (a communication job's worker reads its page's messages
// while the UI thread waits for it).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "lang/CCaptionResInfo.h"
#include "lang/CComboBoxResInfo.h"
#include "lang/CListCtrlResInfo.h"
#include "lang/CStringResInfo.h"

namespace plat {
class IControlHost;
}

// Results of SelectLanguageFile: which file the table works with.
enum class LangFileResult : int {
  kLangFileRequested = 2,  // the file of the requested LANGID
  kLangFileFallback = 1,   // only the fallback language's file
  kLangFileNone = -1,      // neither file (or no folder)
};
using enum LangFileResult;

// Results of LoadResources, of the section reader and of the lookups.
enum class LangResult : int {
  kLangOk = 0,
  kLangNotFound = -1,      // empty slot; missing or empty section
  kLangNoFile = -2,        // LoadResources before a file was selected
  kLangBadArgument = -3,   // empty key/name; index out of range
  kLangOutOfMemory = -10,  // a section buffer could not be allocated
};
using enum LangResult;

// The language everybody falls back to.
inline constexpr std::int32_t kLangIdEnglish = 0x0409;
// Control id of the language combo box whose items name the languages.
inline constexpr std::int32_t kLangComboControlId = 1000;
// Longest line of a language file; longer lines are malformed.
inline constexpr std::size_t kLangMaxLineChars = 2048;
// Highest index a string or message entry may have. The string tables are indexed by
// id, so an unbounded id in a damaged file would make them grow without limit.
inline constexpr std::int32_t kLangMaxStringId = 65535;

class CLangResTable {
 public:
  // Sparse list of string entries: position = id, null = no entry with that id.
  using StringList = std::vector<std::unique_ptr<CStringResInfo>>;
  using CaptionList = std::vector<std::unique_ptr<CCaptionResInfo>>;
  using ComboList = std::vector<std::unique_ptr<CComboBoxResInfo>>;
  using ListColumnList = std::vector<std::unique_ptr<CListCtrlResInfo>>;

  CLangResTable();
  ~CLangResTable();
  CLangResTable(const CLangResTable&) = delete;
  CLangResTable& operator=(const CLangResTable&) = delete;

  // Empties the table and chooses its language file: folder + "/" + "%04X.DAT" of langId
  // when that file exists (result kLangFileRequested), else the file of fallbackLangId
  // (kLangFileFallback; the table then works in that language), else none
  // (kLangFileNone, nothing selected). An empty folder gives kLangFileNone without
  // looking at the file system. UI thread.
  LangFileResult SelectLanguageFile(std::u16string_view folder, std::int32_t langId,
                         std::int32_t fallbackLangId);

  // Reads the common sections and the sections of key into the table, in the order
  // CMN_STR, CMN_MSG, key_CAP, key_CMB, key_LSTCTRL, key_MSG, key_STR. Sections that are
  // missing, empty or unreadable leave their lists as they are. Does not empty the
  // table first (select the file first for a fresh table).
  // Results: kLangOk; kLangBadArgument for an empty key; kLangNoFile when no file is
  // selected. UI thread.
  LangResult LoadResources(std::u16string_view key);

  // Lookups of string entries by index: kLangOk and the entry's text in text; kLangNotFound
  // when the table has no entry at that index; kLangBadArgument when index is negative or
  // beyond the table. text is left unchanged on failure. Any thread (see above).
  LangResult GetStringText(int index, std::u16string& text) const;
  LangResult GetMessageText(int index, std::u16string& text) const;
  LangResult GetCommonStringText(int index, std::u16string& text) const;
  LangResult GetCommonMessageText(int index, std::u16string& text) const;

  // The string or message entry at index, or def when the table has none: callers put
  // their built-in English text in place and let the language file replace it.
  // Any thread (see above).
  std::u16string StringOr(int index, std::u16string_view def) const;
  std::u16string MessageOr(int index, std::u16string_view def) const;

  // Text of the first item of the language combo box (control kLangComboControlId)
  // whose item data equals itemData: the display name of that language. Empty when
  // there is none. Any thread (see above).
  std::u16string GetComboItemText(std::int32_t itemData) const;

  // Sets the caption of every control that has a caption record, in file order.
  // Records for controls that parent lacks are passed over; a null parent does nothing.
  // UI thread.
  void ApplyCaptions(plat::IControlHost* parent) const;
  // Appends every combo item, in file order, to its combo box and attaches the item
  // data to the position where the box put it. Records whose control is missing or is
  // no combo box are passed over; existing items stay. UI thread.
  void FillComboBoxes(plat::IControlHost* parent) const;
  // Gives every list-column record's column its text, width (unless the record's is
  // kLangFieldUnset) and alignment, keeping the column's other format bits; a column
  // that does not exist yet is inserted at the record's index. Records whose control is
  // missing or is no list control, and records without a valid column index, are
  // passed over. UI thread.
  void SetupListColumns(plat::IControlHost* parent) const;

  // The records, in file order (string lists indexed by id). Any thread (see above).
  const CaptionList& Captions() const { return captions_; }
  const ComboList& ComboItems() const { return comboItems_; }
  const ListColumnList& ListColumns() const { return listColumns_; }
  const StringList& Strings() const { return strings_; }
  const StringList& CommonStrings() const { return commonStrings_; }
  const StringList& Messages() const { return messages_; }
  const StringList& CommonMessages() const { return commonMessages_; }

  // The selected file: folder as given, file name "%04X.DAT", the LANGID in use, and
  // whether a file is selected. Empty / 0 / false while none is. Any thread (see above).
  const std::u16string& LanguageFolder() const { return folder_; }
  const std::u16string& FileName() const { return fileName_; }
  std::u16string FilePath() const;
  std::int32_t LangId() const { return langId_; }
  bool IsFileFound() const { return found_; }

 private:
  enum class SectionKind { CommonString, CommonMessage, Caption, Combo, ListColumn,
                           Message, String };

  void Clear();
  // Parses every line of section of the selected file into the table. The lines are
  // taken from the profile reader's parsed copy of the file one by one: a long section
  // is neither copied into a buffer nor read again with a larger one.
  void LoadSection(const std::u16string& section, SectionKind kind);
  void ParseLine(std::u16string_view line, SectionKind kind);
  std::u16string ResolveReference(std::u16string_view text) const;
  StringList& StringListOf(SectionKind kind);
  static LangResult LookUp(const StringList& list, int index, std::u16string& text);

  CaptionList captions_;
  ComboList comboItems_;
  ListColumnList listColumns_;
  StringList strings_;
  StringList commonStrings_;
  StringList messages_;
  StringList commonMessages_;

  std::u16string folder_;
  std::u16string fileName_;
  std::int32_t langId_ = 0;
  bool found_ = false;
};
