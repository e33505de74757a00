#include "views/CommonMessages.h"

#include "platform/ui/MessageBox.h"

namespace {
std::u16string_view OrDefault(const char16_t* text, std::u16string_view def) {
  return text ? std::u16string_view(text) : def;
}
}  // namespace

int ShowInfoMessage(QWidget* owner, const char16_t* text) {
  return plat::ShowMessageBox(owner, OrDefault(text, kDefaultInfoText), kUtilityCaption,
                              plat::MB_OK | plat::MB_ICONINFORMATION);
}

int ShowWarningMessage(QWidget* owner, const char16_t* text) {
  return plat::ShowMessageBox(owner, OrDefault(text, kDefaultWarningText), kUtilityCaption,
                              plat::MB_OK | plat::MB_ICONWARNING);
}

int AskSaveToPrinter(const char16_t* caption, QWidget* owner, const char16_t* text) {
  return plat::ShowMessageBox(owner, OrDefault(text, kDefaultSaveQuestionText),
                              OrDefault(caption, kUtilityCaption), plat::MB_YESNO | plat::MB_ICONQUESTION);
}
