#include "lang/CLangResTable.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include "platform/ControlHost.h"
#include "platform/Folders.h"
#include "platform/Profile.h"
#include "platform/Text.h"

namespace {

constexpr std::u16string_view kFileSuffix = u".DAT";
constexpr std::u16string_view kSectionCommonStrings = u"CMN_STR";
constexpr std::u16string_view kSectionCommonMessages = u"CMN_MSG";
constexpr std::u16string_view kSuffixCaptions = u"CAP";
constexpr std::u16string_view kSuffixCombo = u"CMB";
constexpr std::u16string_view kSuffixListColumns = u"LSTCTRL";
constexpr std::u16string_view kSuffixMessages = u"MSG";
constexpr std::u16string_view kSuffixStrings = u"STR";
constexpr std::u16string_view kFieldSeparator = u"||";
constexpr char16_t kReferenceMark = u']';
// A reference names its entry as CMN_STR_n or CMN_MSG_n: three "_" pieces.
constexpr std::size_t kReferencePieces = 3;

// Pieces a line needs (the key plus the value fields).
constexpr std::size_t kStringPieces = 2;       // exactly
constexpr std::size_t kCaptionMinPieces = 2;   // text [|| extra]
constexpr std::size_t kComboMinPieces = 3;     // text || item data [|| extra]
constexpr std::size_t kListColumnMinPieces = 5;  // text || column || width || align [|| extra]

// The fields of a value: the first few kept in place (no line needs more), all counted.
struct Fields {
  static constexpr std::size_t kKept = kListColumnMinPieces;
  std::array<std::u16string_view, kKept> kept;
  std::size_t count = 0;
  std::size_t size() const { return count; }
  std::u16string_view operator[](std::size_t index) const { return kept[index]; }
};

// A number field of a line: decimal or "0x" hexadecimal; unset when absent or invalid.
std::int32_t FieldNumber(const Fields& fields, std::size_t index) {
  if (index >= fields.size() || index >= Fields::kKept) return kLangFieldUnset;
  return plat::ParseStrictNumber(fields[index]).value_or(kLangFieldUnset);
}

// The number after the last "_" of a key (the whole key when it has none).
std::optional<std::int32_t> IdOfKey(std::u16string_view key) {
  const std::size_t underscore = key.rfind(u'_');
  return plat::ParseStrictNumber(underscore == std::u16string_view::npos
                                     ? key
                                     : key.substr(underscore + 1));
}

// Splits value at every "||"; the text after the last separator is always a field, so
// "A||" gives "A" and an empty field.
Fields SplitFields(std::u16string_view value) {
  Fields fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t sep = value.find(kFieldSeparator, start);
    const std::u16string_view field =
        value.substr(start, sep == std::u16string_view::npos ? std::u16string_view::npos : sep - start);
    if (fields.count < Fields::kKept) fields.kept[fields.count] = field;
    ++fields.count;
    if (sep == std::u16string_view::npos) return fields;
    start = sep + kFieldSeparator.size();
  }
}

// Backslash-n becomes CR LF and backslash-t a tab; every other backslash stays.
std::u16string ConvertEscapes(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t from = 0;
  for (std::size_t i = text.find(u'\\'); i != std::u16string_view::npos; i = text.find(u'\\', i + 1)) {
    if (i + 1 >= text.size()) break;
    const char16_t next = text[i + 1];
    if (next != u'n' && next != u't') continue;
    out.append(text.substr(from, i - from));
    out += next == u'n' ? std::u16string_view(u"\r\n") : std::u16string_view(u"\t");
    from = ++i + 1;
  }
  out.append(text.substr(from));
  return out;
}

// Column format for an alignment code of a column line.
int ColumnFormatOf(std::int32_t alignment) {
  switch (alignment) {
    case kLangAlignCenter: return plat::kColumnFormatCenter;
    case kLangAlignRight: return plat::kColumnFormatRight;
    default: return plat::kColumnFormatLeft;
  }
}

std::u16string SectionName(std::u16string_view key, std::u16string_view suffix) {
  std::u16string name(key);
  name += u'_';
  name += suffix;
  return name;
}

}  // namespace

CLangResTable::CLangResTable() = default;
CLangResTable::~CLangResTable() = default;

void CLangResTable::Clear() {
  captions_.clear();
  comboItems_.clear();
  listColumns_.clear();
  strings_.clear();
  commonStrings_.clear();
  messages_.clear();
  commonMessages_.clear();
  folder_.clear();
  fileName_.clear();
  langId_ = 0;
  found_ = false;
}

LangFileResult CLangResTable::SelectLanguageFile(std::u16string_view folder, std::int32_t langId,
                                                 std::int32_t fallbackLangId) {
  Clear();
  if (folder.empty()) return kLangFileNone;
  const std::pair<std::int32_t, LangFileResult> candidates[] = {{langId, kLangFileRequested},
                                                                {fallbackLangId, kLangFileFallback}};
  for (const auto& [id, result] : candidates) {
    std::u16string name = plat::FormatHex04(static_cast<std::uint32_t>(id));
    name += kFileSuffix;
    // Only a regular file will do: a folder of that name has no sections to read.
    if (plat::FileExists(plat::JoinPath(folder, name))) {
      folder_.assign(folder);
      fileName_ = std::move(name);
      langId_ = id;
      found_ = true;
      return result;
    }
  }
  return kLangFileNone;
}

std::u16string CLangResTable::FilePath() const {
  if (!found_) return {};
  return plat::JoinPath(folder_, fileName_);
}

LangResult CLangResTable::LoadResources(std::u16string_view key) {
  if (key.empty()) return kLangBadArgument;
  if (!found_) return kLangNoFile;
  // The common sections come first: the key's own texts may refer to them.
  LoadSection(std::u16string(kSectionCommonStrings), SectionKind::CommonString);
  LoadSection(std::u16string(kSectionCommonMessages), SectionKind::CommonMessage);
  LoadSection(SectionName(key, kSuffixCaptions), SectionKind::Caption);
  LoadSection(SectionName(key, kSuffixCombo), SectionKind::Combo);
  LoadSection(SectionName(key, kSuffixListColumns), SectionKind::ListColumn);
  LoadSection(SectionName(key, kSuffixMessages), SectionKind::Message);
  LoadSection(SectionName(key, kSuffixStrings), SectionKind::String);
  return kLangOk;
}

void CLangResTable::LoadSection(const std::u16string& section, SectionKind kind) {
  const std::u16string path = FilePath();
  if (section.empty() || path.empty()) return;
  plat::ForEachProfileSectionLine(section, path, [this, kind](std::u16string_view line) {
    // An overlong line is malformed as a whole.
    if (line.size() <= kLangMaxLineChars) ParseLine(line, kind);
  });
}

CLangResTable::StringList& CLangResTable::StringListOf(SectionKind kind) {
  switch (kind) {
    case SectionKind::CommonString: return commonStrings_;
    case SectionKind::CommonMessage: return commonMessages_;
    case SectionKind::Message: return messages_;
    default: return strings_;
  }
}

void CLangResTable::ParseLine(std::u16string_view line, SectionKind kind) {
  const std::size_t equals = line.find(u'=');
  if (equals == std::u16string_view::npos) return;
  const std::u16string_view key = line.substr(0, equals);
  const std::u16string_view value = line.substr(equals + 1);
  if (key.empty() || value.empty()) return;

  const Fields fields = SplitFields(value);
  const std::size_t pieces = fields.size() + 1;
  const bool stringKind = kind == SectionKind::CommonString ||
                          kind == SectionKind::CommonMessage ||
                          kind == SectionKind::Message || kind == SectionKind::String;
  switch (kind) {
    case SectionKind::Caption:
      if (pieces < kCaptionMinPieces) return;
      break;
    case SectionKind::Combo:
      if (pieces < kComboMinPieces) return;
      break;
    case SectionKind::ListColumn:
      if (pieces < kListColumnMinPieces) return;
      break;
    default:
      if (pieces != kStringPieces) return;
      break;
  }

  const std::int32_t id = IdOfKey(key).value_or(kLangFieldUnset);
  if (stringKind ? (id < 0 || id > kLangMaxStringId) : id == kLangFieldUnset) return;

  // The common texts are the targets of references and never refer themselves.
  const bool common = kind == SectionKind::CommonString || kind == SectionKind::CommonMessage;
  std::u16string text = ConvertEscapes(common ? std::u16string(fields[0])
                                              : ResolveReference(fields[0]));
  std::u16string keyText(key);

  switch (kind) {
    case SectionKind::Caption:
      captions_.push_back(std::make_unique<CCaptionResInfo>(std::move(keyText), id,
                                                            std::move(text), FieldNumber(fields, 1)));
      break;
    case SectionKind::Combo:
      comboItems_.push_back(std::make_unique<CComboBoxResInfo>(
          std::move(keyText), id, std::move(text), FieldNumber(fields, 1), FieldNumber(fields, 2)));
      break;
    case SectionKind::ListColumn:
      listColumns_.push_back(std::make_unique<CListCtrlResInfo>(
          std::move(keyText), id, std::move(text), FieldNumber(fields, 1), FieldNumber(fields, 2),
          FieldNumber(fields, 3), FieldNumber(fields, 4)));
      break;
    default: {
      StringList& list = StringListOf(kind);
      const auto slot = static_cast<std::size_t>(id);
      if (slot >= list.size()) list.resize(slot + 1);
      // A later line with the same id replaces the earlier one.
      list[slot] = std::make_unique<CStringResInfo>(std::move(keyText), id, std::move(text));
      break;
    }
  }
}

std::u16string CLangResTable::ResolveReference(std::u16string_view text) const {
  if (text.empty() || text.front() != kReferenceMark) return std::u16string(text);
  const std::u16string_view rest = text.substr(1);
  const StringList* table = nullptr;
  if (rest.find(kSectionCommonStrings) != std::u16string_view::npos) {
    table = &commonStrings_;
  } else if (rest.find(kSectionCommonMessages) != std::u16string_view::npos) {
    table = &commonMessages_;
  } else {
    return std::u16string(text);
  }
  if (static_cast<std::size_t>(std::count(rest.begin(), rest.end(), u'_')) + 1 !=
      kReferencePieces) {
    return std::u16string(text);
  }
  const std::optional<std::int32_t> id = IdOfKey(rest);
  // A reference to an entry the common table lacks reads as an empty text.
  if (!id || *id < 0 || static_cast<std::size_t>(*id) >= table->size()) return {};
  const auto& entry = (*table)[static_cast<std::size_t>(*id)];
  return entry ? entry->Text() : std::u16string();
}

LangResult CLangResTable::LookUp(const StringList& list, int index, std::u16string& text) {
  if (index < 0 || static_cast<std::size_t>(index) >= list.size()) return kLangBadArgument;
  const auto& entry = list[static_cast<std::size_t>(index)];
  if (!entry) return kLangNotFound;
  text = entry->Text();
  return kLangOk;
}

LangResult CLangResTable::GetStringText(int index, std::u16string& text) const {
  return LookUp(strings_, index, text);
}

LangResult CLangResTable::GetMessageText(int index, std::u16string& text) const {
  return LookUp(messages_, index, text);
}

LangResult CLangResTable::GetCommonStringText(int index, std::u16string& text) const {
  return LookUp(commonStrings_, index, text);
}

LangResult CLangResTable::GetCommonMessageText(int index, std::u16string& text) const {
  return LookUp(commonMessages_, index, text);
}

std::u16string CLangResTable::StringOr(int index, std::u16string_view def) const {
  std::u16string text(def);
  GetStringText(index, text);
  return text;
}

std::u16string CLangResTable::MessageOr(int index, std::u16string_view def) const {
  std::u16string text(def);
  GetMessageText(index, text);
  return text;
}

std::u16string CLangResTable::GetComboItemText(std::int32_t itemData) const {
  for (const auto& item : comboItems_) {
    if (item->Id() == kLangComboControlId && item->ItemData() == itemData) return item->Text();
  }
  return {};
}

void CLangResTable::ApplyCaptions(plat::IControlHost* parent) const {
  if (parent == nullptr) return;
  for (const auto& caption : captions_) {
    if (parent->HasChild(caption->Id())) parent->SetChildText(caption->Id(), caption->Text());
  }
}

void CLangResTable::FillComboBoxes(plat::IControlHost* parent) const {
  if (parent == nullptr) return;
  for (const auto& item : comboItems_) {
    if (!parent->HasChild(item->Id()) || !item->IsTargetControl(parent)) continue;
    const int position = parent->ComboAddString(item->Id(), item->Text());
    // The box decides where the item lands (it may sort); the data goes with the item.
    if (position >= 0) parent->ComboSetItemData(item->Id(), position, item->ItemData());
  }
}

void CLangResTable::SetupListColumns(plat::IControlHost* parent) const {
  if (parent == nullptr) return;
  for (const auto& record : listColumns_) {
    if (!parent->HasChild(record->Id()) || !record->IsTargetControl(parent)) continue;
    // A line without a valid column index names no column.
    if (record->Column() < 0) continue;
    const int format = ColumnFormatOf(record->Alignment());
    plat::ListColumn column;
    if (!parent->ListGetColumn(record->Id(), record->Column(), column)) {
      plat::ListColumn added;
      added.text = record->Text();
      added.width = record->Width();
      added.format = format;
      parent->ListInsertColumn(record->Id(), record->Column(), added);
      continue;
    }
    column.text = record->Text();
    if (record->Width() != kLangFieldUnset) column.width = record->Width();
    column.format = (column.format & ~plat::kColumnFormatJustifyMask) | format;
    parent->ListSetColumn(record->Id(), record->Column(), column);
  }
}
