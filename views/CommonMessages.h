#pragma once
// The program's three standard message boxes. Each is captioned "XJ-K52II Utility"
// unless a caption is given, and has an English default text for a null text. A null
// owner gives an owner-less box. UI thread only; they return after the user answered.
#include <string_view>

class QWidget;

inline constexpr std::u16string_view kUtilityCaption = u"XJ-K52II Utility";
inline constexpr std::u16string_view kDefaultInfoText = u"Settings were changed successfully.";
inline constexpr std::u16string_view kDefaultWarningText = u"Failed to change settings.";
inline constexpr std::u16string_view kDefaultSaveQuestionText =
    u"Do you want to save your changes to the settings to the printer?";

// Information icon, OK button. Returns plat::IDOK.
int ShowInfoMessage(QWidget* owner, const char16_t* text);
// Warning icon, OK button. Returns plat::IDOK.
int ShowWarningMessage(QWidget* owner, const char16_t* text);
// Question icon, Yes and No buttons; caption null for the default. Returns plat::IDYES
// or plat::IDNO.
int AskSaveToPrinter(const char16_t* caption, QWidget* owner, const char16_t* text);
