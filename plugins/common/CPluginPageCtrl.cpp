#include "plugins/common/CPluginPageCtrl.h"

#include <algorithm>

#include "sdk/AppSettingsBlock.h"
#include "sdk/IPluginDataMgr.h"
#include "views/CCommonFormView.h"

CPluginPageCtrl::CPluginPageCtrl() = default;

CPluginPageCtrl::~CPluginPageCtrl() = default;

CCommonFormView* CPluginPageCtrl::View() const {
  const std::vector<CCommonFormView*> pages = Pages();
  return pages.empty() ? nullptr : pages.front();
}

DataBlockDesc CPluginPageCtrl::OwnBlock() const {
  if (DataSize() == 0) return DataBlockDesc{0, 0, 0};
  return DataBlockDesc{DataId(), DataVersion(), DataSize()};
}

void CPluginPageCtrl::RememberViewHandle() {
  CCommonFormView* view = View();
  viewHandle_ = view != nullptr ? plat::WindowHandle(view) : nullptr;
}

bool CPluginPageCtrl::PostToView(unsigned message, plat::WPARAM wParam, plat::LPARAM lParam) const {
  return viewHandle_ != nullptr && plat::PostMessage(viewHandle_, message, wParam, lParam);
}

std::int32_t CPluginPageCtrl::ListDependBlocks(const DataBlockDesc* used, std::int32_t usedCount,
                                               DataBlockDesc* records, std::int32_t& count) {
  if (records == nullptr) {
    count = usedCount;
    return 1;
  }
  count = std::clamp(count, 0, usedCount);
  std::copy_n(used, count, records);
  return 1;
}

std::int32_t CPluginPageCtrl::StoreBlock(std::uint32_t id, std::vector<std::uint8_t>& block) {
  AppSettingsBlock* settings = SettingsBlock();
  if (block.empty() || settings == nullptr || settings->dataMgr == nullptr) return kSettingNotFound;
  return settings->dataMgr->SetData(id, static_cast<std::int32_t>(block.size()), block.data());
}
