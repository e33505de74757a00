#include "plugins/common/PagePlugin.h"

#include <cstring>

#include "platform/ui/Messages.h"
#include "sdk/IPluginDataMgr.h"
#include "views/CCommonFormView.h"

namespace pageplugin {
namespace {

// The plug-in's one controller, from Initialize to Finalize. Each plug-in library has
// its own copy of this state.
std::unique_ptr<CPluginPageCtrl>& Controller() {
  static std::unique_ptr<CPluginPageCtrl> controller;
  return controller;
}

CCommonFormView* View() { return Controller() ? Controller()->View() : nullptr; }

}  // namespace

std::int32_t Initialize(ControllerFactory create, plat::HWND mainFrame, plat::HWND contentPane,
                        AppSettingsBlock* block) {
  QWidget* pane = plat::WindowFromHandle(contentPane);
  if (pane == nullptr || block == nullptr) return kSettingNotFound;  // nowhere to show the page
  std::unique_ptr<CPluginPageCtrl> controller = create();
  const std::int32_t result = controller->Initialize(block, plat::WindowFromHandle(mainFrame), pane);
  if (result != kFormCtrlOk) return result;
  controller->RememberViewHandle();
  Controller() = std::move(controller);
  return kPluginOk;
}

std::int32_t Finalize() {
  Controller().reset();
  return kPluginOk;
}

plat::HWND GetActiveView() {
  CCommonFormView* view = View();
  return view != nullptr && view->isVisible() ? plat::WindowHandle(view) : nullptr;
}

std::int32_t ChangeMenuState(std::int32_t state) {
  CCommonFormView* view = View();
  if (view == nullptr) return kPluginOk;
  switch (state) {
    case kMenuStateLeave: {
      const std::int32_t answer = Controller()->QueryLeave();
      if (answer == kPluginOk) view->hide();
      return answer;
    }
    case kMenuStateEnter:
      Controller()->OnEnter();
      view->show();
      view->raise();
      view->ApplySizingRule();
      return kPluginOk;
    default: return kPluginOk;
  }
}

std::int32_t GetPluginInfo(ControllerFactory create, DataBlockDesc* desc) {
  if (desc == nullptr) return kPluginOk;
  // Before Initialize (or after it failed) a controller made for the question answers.
  *desc = Controller() ? Controller()->OwnBlock() : create()->OwnBlock();
  return kPluginOk;
}

std::int32_t ReadPrinterSettings() {
  CPluginPageCtrl* controller = Controller().get();
  if (controller == nullptr) return kPluginPrinterNotAnswering;
  return controller->ReadPrinterSettings();
}

std::int32_t SetDefaultData(std::uint32_t id) {
  return Controller() ? Controller()->SetDefaultData(id) : kSettingNotFound;
}

std::int32_t GetDependPluginData(DataBlockDesc* records, std::int32_t* count) {
  if (count == nullptr) return kPluginOk;
  if (!Controller()) {
    if (records == nullptr) *count = 0;
    return kPluginOk;
  }
  Controller()->GetDependData(records, *count);
  return kPluginOk;
}

std::int32_t GetMenuName(ControllerFactory create, const char16_t*, std::int32_t, char16_t* buffer,
                         std::int32_t bufferLength, std::int32_t* needed) {
  const std::u16string title = Controller() ? Controller()->MenuTitle() : create()->MenuTitle();
  const auto length = static_cast<std::int32_t>(title.size()) + 1;
  if (buffer == nullptr || bufferLength < length) {
    if (needed != nullptr) *needed = length;
    return kPluginBufferTooSmall;
  }
  std::memcpy(buffer, title.c_str(), static_cast<std::size_t>(length) * sizeof(char16_t));
  return kPluginOk;
}

}  // namespace pageplugin
