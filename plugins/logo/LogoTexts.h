#pragma once
// Texts of the Logo Registration and Coupon pages: entries of their language key
// "LOGO_PAGE" and their English defaults.
#include <string_view>

inline constexpr std::u16string_view kLogoResourceKey = u"LOGO_PAGE";
inline constexpr std::u16string_view kLogoPageTitle = u"Logo Registration";
inline constexpr std::u16string_view kCouponPageTitle = u"Coupon";

// String entries.
namespace logo_str {
inline constexpr int kTitle = 0;
inline constexpr int kDescription = 1;
inline constexpr int kStoredLogos = 2;
inline constexpr int kFreeMemory = 3;      // "%s": bytes
inline constexpr int kFreeMemoryUnknown = 4;
inline constexpr int kRefreshButton = 5;
inline constexpr int kDeleteButton = 6;
inline constexpr int kDeleteAllButton = 7;
inline constexpr int kTestPrintButton = 8;
inline constexpr int kNewLogo = 9;
inline constexpr int kChooseButton = 10;
inline constexpr int kNoPicture = 11;
inline constexpr int kConversion = 12;
inline constexpr int kThreshold = 13;
inline constexpr int kDithering = 14;
inline constexpr int kBrightness = 15;
inline constexpr int kFitToPaper = 16;     // "%s": dots
inline constexpr int kKeyCode = 17;
inline constexpr int kKeyCodeAutomatic = 18;
inline constexpr int kRegisterButton = 19;
inline constexpr int kPreviewSize = 20;    // "%s": width x height, "%s": bytes
inline constexpr int kOpenDialogTitle = 21;
inline constexpr int kFilterPictures = 22;
inline constexpr int kFilterAll = 23;
inline constexpr int kFileModeNote = 24;
inline constexpr int kCouponTitle = 25;
inline constexpr int kCouponDescription = 26;
inline constexpr int kCopies = 27;
inline constexpr int kPrintButton = 28;
inline constexpr int kFileModeStored = 29;
inline constexpr int kFileLogosSize = 30;  // "%s": count, "%s": bytes
}  // namespace logo_str

// Message entries.
namespace logo_msg {
inline constexpr int kNotPicture = 0;
inline constexpr int kPictureTooLarge = 1;
inline constexpr int kTooWide = 2;          // "%s": the logo's width, "%s": the most allowed
inline constexpr int kTooTall = 3;          // "%s": the logo's height, "%s": the most allowed
inline constexpr int kTooLargeForMemory = 4;  // "%s": bytes needed, "%s": bytes free
inline constexpr int kNothingSent = 5;
inline constexpr int kBadKeyCode = 6;
inline constexpr int kNoFreeKeyCode = 7;
inline constexpr int kReplaceQuestion = 8;  // "%s": key code
inline constexpr int kRegistered = 9;       // "%s": key code
inline constexpr int kNotTaken = 10;
inline constexpr int kDeleteAllQuestion = 11;
inline constexpr int kNotDeleted = 12;
inline constexpr int kListNotRead = 13;
inline constexpr int kLogoFileFailed = 14;
inline constexpr int kStoredForFile = 15;   // "%s": key code
inline constexpr int kNoAnswer = 16;
}  // namespace logo_msg
