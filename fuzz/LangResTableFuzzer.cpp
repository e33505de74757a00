// Language files as translators send them, through the table's loader, every lookup,
// and the records put on a window's controls.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "lang/CLangResTable.h"
#include "platform/ControlHost.h"
#include "platform/Text.h"
#include "tests/lang/FakeControlHost.h"

namespace {

using fuzzsupport::Require;

// The window key whose sections the file is read for: [DLG_CAP], [DLG_STR] ...
constexpr char16_t kWindowKey[] = u"DLG";
// A language without a file here, so the table takes the fallback file.
constexpr std::int32_t kMissingLangId = 0x0411;
// Empty slots of a string list looked up besides its entries.
constexpr std::size_t kMaxEmptySlotsVisited = 8;

// The lookups of a string list: every entry it holds, an empty slot, and one step past
// each end.
void LookUpAll(const CLangResTable& table, const CLangResTable::StringList& list,
               LangResult (CLangResTable::*lookUp)(int, std::u16string&) const) {
  const int size = static_cast<int>(list.size());
  std::vector<int> indexes{-1, size, 0};
  for (int index = 0; index < size; ++index) {
    if (list[static_cast<std::size_t>(index)] != nullptr) {
      indexes.push_back(index);
    } else if (indexes.size() < kMaxEmptySlotsVisited) {
      indexes.push_back(index);
    }
  }
  for (int index : indexes) {
    std::u16string text = u"unchanged";
    const LangResult rc = (table.*lookUp)(index, text);
    Require(rc == kLangOk || text == u"unchanged", "a failed lookup leaves the text alone");
    Require((rc == kLangBadArgument) == (index < 0 || index >= size), "an index within the table is a valid argument");
    Require((rc == kLangOk) == (index >= 0 && index < size && list[static_cast<std::size_t>(index)] != nullptr),
            "an entry is found where the table holds one");
  }
}

// A window with a control for every record: the kind the record fills, except that
// every third id gets another kind, and every second combo box sorts its items.
FakeControlHost WindowFor(const CLangResTable& table) {
  FakeControlHost window;
  auto add = [&window](int id, std::u16string_view kind) {
    if (window.controls.count(id) != 0) return;
    FakeControl& control = window.Add(id, id % 3 == 0 ? plat::kClassStatic : kind);
    control.sorted = id % 2 == 0;
  };
  for (const auto& record : table.Captions()) add(record->Id(), plat::kClassButton);
  for (const auto& record : table.ComboItems()) add(record->Id(), plat::kClassComboBox);
  for (const auto& record : table.ListColumns()) add(record->Id(), plat::kClassListView);
  return window;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzsupport::Init();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& folder = fuzzsupport::Folder("lang");
  fuzzsupport::WriteInput(folder + "/0409.DAT", data, size);

  CLangResTable table;
  Require(table.SelectLanguageFile(plat::FromUtf8(folder), kMissingLangId, kLangIdEnglish) == kLangFileFallback,
          "the fallback file is found");
  Require(table.LoadResources(kWindowKey) == kLangOk, "a selected file loads");

  LookUpAll(table, table.Strings(), &CLangResTable::GetStringText);
  LookUpAll(table, table.Messages(), &CLangResTable::GetMessageText);
  LookUpAll(table, table.CommonStrings(), &CLangResTable::GetCommonStringText);
  LookUpAll(table, table.CommonMessages(), &CLangResTable::GetCommonMessageText);
  for (const auto& string : table.Strings()) {
    if (string) Require(table.StringOr(string->Id(), u"") == string->Text(), "a string is found by its id");
  }
  for (const auto& item : table.ComboItems()) table.GetComboItemText(item->ItemData());

  FakeControlHost window = WindowFor(table);
  table.ApplyCaptions(&window);
  table.FillComboBoxes(&window);
  table.SetupListColumns(&window);
  Require(window.negativeColumnRequests == 0, "no column operation with a negative index");
  return 0;
}
