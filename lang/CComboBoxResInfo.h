#pragma once
// CComboBoxResInfo: one item of a combo box, with the value attached to the item (for
// the language list: the LANGID the item stands for).
#include "lang/CLangInfoBase.h"

class CComboBoxResInfo : public CLangInfoBase {
 public:
  CComboBoxResInfo() = default;
  // key, id (the combo box), text and extra as in CLangInfoBase; itemData: the value
  // attached to the item (kLangFieldUnset when the line gave none).
  CComboBoxResInfo(std::u16string key, std::int32_t id, std::u16string text,
                   std::int32_t itemData, std::int32_t extra = kLangFieldUnset);
  ~CComboBoxResInfo() override;

  // True when the record's control in parent is a combo box. UI thread.
  bool IsTargetControl(const plat::IControlHost* parent) const override;

  std::int32_t ItemData() const { return itemData_; }

 private:
  std::int32_t itemData_ = kLangFieldUnset;
};
