#pragma once
// CSettingPageCtrl: the controller of a setting plug-in with one page built from its
// description. It owns the page's data block (id, version, size), writes its
// defaults, reads the page's settings from the printer and asks about unapplied
// changes before the page is left. UI thread, except ReadPrinterSettings.
#include "plugins/common/CPluginPageCtrl.h"
#include "plugins/common/SettingPage.h"

class CSettingPageView;

class CSettingPageCtrl : public CPluginPageCtrl {
 public:
  explicit CSettingPageCtrl(PageDef page);
  ~CSettingPageCtrl() override;

  // Stores the page's default block; kSettingNotFound for any other id.
  std::int32_t SetDefaultData(std::uint32_t id) override;
  void CreatePages() override;

  std::u16string MenuTitle() const override { return page_.title; }
  // Reads the page's settings into its block and lets the page show them.
  std::int32_t ReadPrinterSettings() override;
  std::int32_t QueryLeave() override;
  void OnEnter() override;

  CSettingPageView* SettingView() const;
  const PageDef& Page() const { return page_; }

 private:
  PageDef page_;
};
