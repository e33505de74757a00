#pragma once
// The small window interface that the language records need: a parent window whose
// child controls are addressed by number. The Qt layer implements it over real widgets;
// tests implement it with fakes.
//
// Every function is called on the user-interface thread, the thread that owns the
// window. Ids are the control ids of the window's children; a function given an id the
// window has no child for fails (false, or -1).
#include <cstdint>
#include <string>
#include <string_view>

namespace plat {

// Class names that controls report.
inline constexpr std::u16string_view kClassComboBox = u"ComboBox";
inline constexpr std::u16string_view kClassListView = u"SysListView32";
inline constexpr std::u16string_view kClassStatic = u"Static";
inline constexpr std::u16string_view kClassButton = u"Button";
inline constexpr std::u16string_view kClassEdit = u"Edit";

// Column alignment in the format of a list-control column.
inline constexpr int kColumnFormatLeft = 0;
inline constexpr int kColumnFormatRight = 1;
inline constexpr int kColumnFormatCenter = 2;
inline constexpr int kColumnFormatJustifyMask = 3;

struct ListColumn {
  std::u16string text;
  int width = -1;   // pixels; -1 on insert: the control's default width
  int format = kColumnFormatLeft;
};

class IControlHost {
 public:
  virtual ~IControlHost() = default;

  // True when the window has a child control with this id.
  virtual bool HasChild(int id) const = 0;
  // Class name of child `id` (one of the kClass* names) into className; false when there
  // is no such child or its class is unknown (className then means nothing).
  virtual bool GetChildClassName(int id, std::u16string& className) const = 0;
  // Sets the caption (window text) of child `id`; false when there is no such child.
  virtual bool SetChildText(int id, std::u16string_view text) = 0;

  // Combo boxes: append an item (returns its position or -1), attach data to a position.
  virtual int ComboAddString(int id, std::u16string_view text) = 0;
  virtual bool ComboSetItemData(int id, int position, std::intptr_t data) = 0;

  // List controls in report view: query, insert (returns the new index or -1), update.
  virtual bool ListGetColumn(int id, int index, ListColumn& column) const = 0;
  virtual int ListInsertColumn(int id, int index, const ListColumn& column) = 0;
  virtual bool ListSetColumn(int id, int index, const ListColumn& column) = 0;
};

}  // namespace plat
