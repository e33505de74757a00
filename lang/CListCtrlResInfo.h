#pragma once
// CListCtrlResInfo: one column heading of a list control in report view: the column
// index, its width in pixels and its alignment code.
#include "lang/CLangInfoBase.h"

// Alignment codes of a column line; any other value means left.
inline constexpr std::int32_t kLangAlignLeft = 0;
inline constexpr std::int32_t kLangAlignCenter = 1;
inline constexpr std::int32_t kLangAlignRight = 2;

class CListCtrlResInfo : public CLangInfoBase {
 public:
  CListCtrlResInfo() = default;
  // key, id (the list control), text and extra as in CLangInfoBase; column: the column
  // index; width: pixels (kLangFieldUnset keeps the control's width); alignment: one of
  // the kLangAlign* codes. Fields the line did not give are kLangFieldUnset.
  CListCtrlResInfo(std::u16string key, std::int32_t id, std::u16string text,
                   std::int32_t column, std::int32_t width, std::int32_t alignment,
                   std::int32_t extra = kLangFieldUnset);
  ~CListCtrlResInfo() override;

  // True when the record's control in parent is a list control. UI thread.
  bool IsTargetControl(const plat::IControlHost* parent) const override;

  std::int32_t Column() const { return column_; }
  std::int32_t Width() const { return width_; }
  std::int32_t Alignment() const { return alignment_; }

 private:
  std::int32_t column_ = kLangFieldUnset;
  std::int32_t width_ = kLangFieldUnset;
  std::int32_t alignment_ = kLangFieldUnset;
};
