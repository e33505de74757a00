#pragma once
// Menu items with a stand-in plug-in, for widget tests of the menu view and the main
// frame: the item's plug-in counts as loaded and its FORMVIEWDLL_ChangeMenuState and
// FORMVIEWDLL_Finalize entries record each call (which item, which state) and answer
// what the test sets. No library is loaded; unloading such an item frees nothing.
//
// The record is per process (each test case runs in a process of its own); Reset() at
// the start of a test.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "menu/MenuItem.h"

namespace fakeplugin {

// A recorded call: the plug-in number N of AttachPlugin<N>, and the state (kFinalized
// for FORMVIEWDLL_Finalize).
using Call = std::pair<int, std::int32_t>;
inline constexpr std::int32_t kFinalized = 0;
inline constexpr int kMaxPlugins = 8;

inline std::vector<Call>& Calls() {
  static std::vector<Call> calls;
  return calls;
}
// The answer of plug-in N to FORMVIEWDLL_ChangeMenuState.
inline std::int32_t& Answer(int n) {
  static std::int32_t answers[kMaxPlugins] = {};
  return answers[n];
}
inline void Reset() {
  Calls().clear();
  for (int n = 0; n < kMaxPlugins; ++n) Answer(n) = 0;
}

template <int N>
std::int32_t ChangeMenuState(std::int32_t state) {
  Calls().emplace_back(N, state);
  return Answer(N);
}
template <int N>
std::int32_t Finalize() {
  Calls().emplace_back(N, kFinalized);
  return 0;
}

// Makes item's plug-in the recording stand-in number N.
template <int N>
void AttachPlugin(MenuItemRecord& item) {
  static_assert(N >= 0 && N < kMaxPlugins);
  item.dllName = u"FAKE" + std::u16string(1, static_cast<char16_t>(u'0' + N)) + u".dll";
  item.plugin.pChangeMenuState = &ChangeMenuState<N>;
  item.plugin.pFinalize = &Finalize<N>;
  item.plugin.loaded = 1;
}

// A menu item without a plug-in.
inline std::unique_ptr<MenuItemRecord> MakeItem(std::int32_t id, std::int32_t parentId, bool selectable,
                                                std::u16string label) {
  auto item = std::make_unique<MenuItemRecord>();
  item->itemId = id;
  item->parentId = parentId;
  item->selectable = selectable ? 1 : 0;
  item->label = std::move(label);
  return item;
}

}  // namespace fakeplugin
