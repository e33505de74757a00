#include "plugins/common/CPluginPageCtrl.h"

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
