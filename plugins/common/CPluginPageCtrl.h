#pragma once
// CPluginPageCtrl: the controller of a setting plug-in with one page, as the plug-in
// entry points of PagePlugin.h drive it. A plug-in derives its controller from it,
// creates its page in CreatePages, and overrides what its page does differently: the
// printer read, the leave question, what happens when the page becomes current.
//
// Threads: UI thread, except ReadPrinterSettings and PostToView (the reading worker).
#include <cstdint>
#include <string>

#include "sdk/FormViewDll.h"
#include "views/CFormViewCtrl.h"

class CCommonFormView;

class CPluginPageCtrl : public CFormViewCtrl {
 public:
  CPluginPageCtrl();
  ~CPluginPageCtrl() override;

  // The page (the controller's first page); null before Initialize.
  CCommonFormView* View() const;

  // The plug-in's own data block as FORMVIEWDLL_GetPluginInfo reports it: the
  // controller's data id, version and size; all zero (nothing registered) when the
  // data size is 0.
  virtual DataBlockDesc OwnBlock() const;
  // The English menu text (FORMVIEWDLL_GetMenuName).
  virtual std::u16string MenuTitle() const = 0;
  // FORMVIEWDLL_ReadPrinterSettings, on the reading worker: kPluginReadOk when
  // complete, kPluginPrinterNotAnswering when the printer does not answer, anything
  // else when incomplete. The base has nothing to read.
  virtual std::int32_t ReadPrinterSettings() { return kPluginReadOk; }
  // The page is asked whether it may be left: kPluginOk or kPluginLeaveRefused. The
  // base always lets it go.
  virtual std::int32_t QueryLeave() { return kPluginOk; }
  // The page is about to be shown as the current page (before it is shown).
  virtual void OnEnter() {}

  // Remembers the page's window for PostToView; called once the page exists (UI).
  void RememberViewHandle();
  // Posts a message to the page's window (any thread); false without a page.
  bool PostToView(unsigned message, plat::WPARAM wParam = 0, plat::LPARAM lParam = 0) const;

 private:
  plat::HWND viewHandle_ = nullptr;
};
