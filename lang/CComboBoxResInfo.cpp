#include "lang/CComboBoxResInfo.h"

#include <utility>

#include "platform/ControlHost.h"

CComboBoxResInfo::CComboBoxResInfo(std::u16string key, std::int32_t id, std::u16string text,
                                   std::int32_t itemData, std::int32_t extra)
    : CLangInfoBase(std::move(key), id, std::move(text), extra), itemData_(itemData) {}

CComboBoxResInfo::~CComboBoxResInfo() = default;

bool CComboBoxResInfo::IsTargetControl(const plat::IControlHost* parent) const {
  return IsControlOfClass(parent, plat::kClassComboBox);
}
