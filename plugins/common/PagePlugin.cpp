#include "plugins/common/PagePlugin.h"

#include <cstring>
#include <memory>

#include "platform/Text.h"
#include "platform/ui/Messages.h"
#include "plugins/common/CSettingPageCtrl.h"
#include "plugins/common/CSettingPageView.h"
#include "plugins/common/PageTexts.h"
#include "sdk/AppSettingsBlock.h"
#include "sdk/IPluginDataMgr.h"
#include "sdk/SettingBlocks.h"

namespace pageplugin {
namespace {

// The plug-in's one controller, from Initialize to Finalize. Each plug-in library has
// its own copy of this state.
std::unique_ptr<CSettingPageCtrl>& Controller() {
  static std::unique_ptr<CSettingPageCtrl> controller;
  return controller;
}

AppSettingsBlock*& Settings() {
  static AppSettingsBlock* block = nullptr;
  return block;
}

// The page's window, kept for the reading worker, which may not ask the UI for it.
plat::HWND& ViewHandle() {
  static plat::HWND handle = nullptr;
  return handle;
}

}  // namespace

std::int32_t Initialize(PageDef (*describe)(), plat::HWND mainFrame, plat::HWND contentPane, AppSettingsBlock* block) {
  QWidget* pane = plat::WindowFromHandle(contentPane);
  if (pane == nullptr || block == nullptr) return kSettingNotFound;  // nowhere to show the page
  Settings() = block;
  auto controller = std::make_unique<CSettingPageCtrl>(describe());
  const std::int32_t result = controller->Initialize(block, plat::WindowFromHandle(mainFrame), pane);
  if (result != kFormCtrlOk) return result;
  ViewHandle() = controller->View() != nullptr ? plat::WindowHandle(controller->View()) : nullptr;
  Controller() = std::move(controller);
  return kPluginOk;
}

std::int32_t Finalize() {
  Controller().reset();
  Settings() = nullptr;
  ViewHandle() = nullptr;
  return kPluginOk;
}

plat::HWND GetActiveView() {
  CSettingPageView* view = Controller() ? Controller()->View() : nullptr;
  return view != nullptr && view->isVisible() ? plat::WindowHandle(view) : nullptr;
}

std::int32_t ChangeMenuState(std::int32_t state) {
  CSettingPageView* view = Controller() ? Controller()->View() : nullptr;
  if (view == nullptr) return kPluginOk;
  switch (state) {
    case kMenuStateLeave: {
      const std::int32_t answer = view->QueryLeave();
      if (answer == kPluginOk) view->hide();
      return answer;
    }
    case kMenuStateEnter:
      view->LoadFromBlock();
      view->show();
      view->raise();
      view->ApplySizingRule();
      return kPluginOk;
    default: return kPluginOk;
  }
}

std::int32_t GetPluginInfo(PageDef (*describe)(), DataBlockDesc* desc) {
  if (desc == nullptr) return kPluginOk;
  const PageDef page = describe();
  *desc = DataBlockDesc{page.blockId, kSettingBlockVersion, page.blockSize};
  return kPluginOk;
}

std::int32_t ReadPrinterSettings() {
  AppSettingsBlock* block = Settings();
  CSettingPageCtrl* controller = Controller().get();
  if (block == nullptr || block->dataMgr == nullptr || controller == nullptr) return kPluginPrinterNotAnswering;
  const PageDef& page = controller->Page();
  Block data = DefaultBlock(page);
  block->dataMgr->GetData(page.blockId, data.data(), static_cast<std::int32_t>(data.size()));
  const PrinterResult result = ReadPageSettings(block->xjc, page, data);
  if (result.outcome == PrinterOutcome::kNoAnswer) return kPluginPrinterNotAnswering;
  block->dataMgr->SetData(page.blockId, static_cast<std::int32_t>(data.size()), data.data());
  if (ViewHandle() != nullptr) plat::PostMessage(ViewHandle(), kPageReloadMessage, 0, 0);
  return result.outcome == PrinterOutcome::kOk ? kPluginReadOk : kSettingNotFound;
}

std::int32_t SetDefaultData(std::uint32_t id) {
  return Controller() ? Controller()->SetDefaultData(id) : kSettingNotFound;
}

std::int32_t GetDependPluginData(DataBlockDesc* records, std::int32_t* count) {
  if (records == nullptr && count != nullptr) *count = 0;
  return kPluginOk;
}

std::int32_t GetMenuName(PageDef (*describe)(), const char16_t*, std::int32_t, char16_t* buffer,
                         std::int32_t bufferLength, std::int32_t* needed) {
  const std::u16string title = describe().title;
  const auto length = static_cast<std::int32_t>(title.size()) + 1;
  if (buffer == nullptr || bufferLength < length) {
    if (needed != nullptr) *needed = length;
    return kPluginBufferTooSmall;
  }
  std::memcpy(buffer, title.c_str(), static_cast<std::size_t>(length) * sizeof(char16_t));
  return kPluginOk;
}

}  // namespace pageplugin
