#include "lang/CLangInfoBase.h"

#include <utility>

#include "platform/ControlHost.h"

CLangInfoBase::CLangInfoBase(std::u16string key, std::int32_t id, std::u16string text,
                             std::int32_t extra)
    : key_(std::move(key)), id_(id), text_(std::move(text)), extra_(extra) {}

CLangInfoBase::~CLangInfoBase() = default;

bool CLangInfoBase::IsTargetControl(const plat::IControlHost* /*parent*/) const {
  return false;
}

bool CLangInfoBase::IsControlOfClass(const plat::IControlHost* parent,
                                     std::u16string_view className) const {
  if (id_ == kLangFieldUnset || className.empty() || parent == nullptr) return false;
  if (!parent->HasChild(id_)) return false;
  std::u16string actual;
  if (!parent->GetChildClassName(id_, actual)) return false;
  return actual == className;
}
