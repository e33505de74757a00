#pragma once
// A window with numbered child controls, kept in memory: what the language records see
// of a dialog. Combo boxes may sort their items or refuse them; list controls keep
// their columns like a report-view list (insert past the end appends).
#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/ControlHost.h"

struct FakeControl {
  std::u16string className;
  bool classReadable = true;
  std::u16string text;
  // Combo box.
  bool sorted = false;
  bool refuseItems = false;
  std::vector<std::pair<std::u16string, std::intptr_t>> items;
  // List control.
  std::vector<plat::ListColumn> columns;
};

class FakeControlHost : public plat::IControlHost {
 public:
  FakeControl& Add(int id, std::u16string_view className) {
    FakeControl& control = controls[id];
    control.className = std::u16string(className);
    return control;
  }

  bool HasChild(int id) const override {
    ++calls;
    return controls.count(id) != 0;
  }

  bool GetChildClassName(int id, std::u16string& className) const override {
    ++calls;
    const auto it = controls.find(id);
    if (it == controls.end() || !it->second.classReadable) return false;
    className = it->second.className;
    return true;
  }

  bool SetChildText(int id, std::u16string_view text) override {
    ++calls;
    const auto it = controls.find(id);
    if (it == controls.end()) return false;
    it->second.text = std::u16string(text);
    return true;
  }

  int ComboAddString(int id, std::u16string_view text) override {
    ++calls;
    const auto it = controls.find(id);
    if (it == controls.end() || it->second.refuseItems) return -1;
    auto& items = it->second.items;
    auto where = items.end();
    if (it->second.sorted) {
      where = std::find_if(items.begin(), items.end(),
                           [&](const auto& item) { return text < item.first; });
    }
    where = items.insert(where, {std::u16string(text), 0});
    return static_cast<int>(where - items.begin());
  }

  bool ComboSetItemData(int id, int position, std::intptr_t data) override {
    ++calls;
    const auto it = controls.find(id);
    if (it == controls.end() || position < 0 ||
        static_cast<std::size_t>(position) >= it->second.items.size()) {
      return false;
    }
    it->second.items[static_cast<std::size_t>(position)].second = data;
    return true;
  }

  bool ListGetColumn(int id, int index, plat::ListColumn& column) const override {
    ++calls;
    if (index < 0) ++negativeColumnRequests;
    const auto it = controls.find(id);
    if (it == controls.end() || index < 0 ||
        static_cast<std::size_t>(index) >= it->second.columns.size()) {
      return false;
    }
    column = it->second.columns[static_cast<std::size_t>(index)];
    return true;
  }

  int ListInsertColumn(int id, int index, const plat::ListColumn& column) override {
    ++calls;
    if (index < 0) ++negativeColumnRequests;
    const auto it = controls.find(id);
    if (it == controls.end() || index < 0) return -1;
    auto& columns = it->second.columns;
    const std::size_t at = std::min(static_cast<std::size_t>(index), columns.size());
    plat::ListColumn added = column;
    if (added.width == -1) added.width = kDefaultColumnWidth;
    columns.insert(columns.begin() + static_cast<std::ptrdiff_t>(at), added);
    return static_cast<int>(at);
  }

  bool ListSetColumn(int id, int index, const plat::ListColumn& column) override {
    ++calls;
    if (index < 0) ++negativeColumnRequests;
    const auto it = controls.find(id);
    if (it == controls.end() || index < 0 ||
        static_cast<std::size_t>(index) >= it->second.columns.size()) {
      return false;
    }
    it->second.columns[static_cast<std::size_t>(index)] = column;
    return true;
  }

  // Width the fake list control gives a column inserted without one.
  static constexpr int kDefaultColumnWidth = 50;

  std::map<int, FakeControl> controls;
  mutable int calls = 0;  // every question or command the records sent
  mutable int negativeColumnRequests = 0;  // column operations with an index below 0
};
