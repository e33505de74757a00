#include "lang/CListCtrlResInfo.h"

#include <utility>

#include "platform/ControlHost.h"

CListCtrlResInfo::CListCtrlResInfo(std::u16string key, std::int32_t id, std::u16string text,
                                   std::int32_t column, std::int32_t width,
                                   std::int32_t alignment, std::int32_t extra)
    : CLangInfoBase(std::move(key), id, std::move(text), extra),
      column_(column),
      width_(width),
      alignment_(alignment) {}

CListCtrlResInfo::~CListCtrlResInfo() = default;

bool CListCtrlResInfo::IsTargetControl(const plat::IControlHost* parent) const {
  return IsControlOfClass(parent, plat::kClassListView);
}
