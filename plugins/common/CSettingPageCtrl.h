#pragma once
// CSettingPageCtrl: the controller of a setting plug-in with one page built from its
// description. It owns the page's data block (id, version, size) and writes its
// defaults. UI thread.
#include "plugins/common/SettingPage.h"
#include "views/CFormViewCtrl.h"

class CSettingPageView;

class CSettingPageCtrl : public CFormViewCtrl {
 public:
  explicit CSettingPageCtrl(PageDef page);
  ~CSettingPageCtrl() override;

  // Stores the page's default block; kSettingNotFound for any other id.
  std::int32_t SetDefaultData(std::uint32_t id) override;
  void CreatePages() override;

  CSettingPageView* View() const;
  const PageDef& Page() const { return page_; }

 private:
  PageDef page_;
};
