#pragma once
// Texts of the Printer Control page: entries of its language key "PRINTER_CONTROL_PAGE"
// and their English defaults. The meanings of the status bits are entries 40 (a fixed
// bit) and 100 + 10 × group + bit (see PrinterControl.cpp).
#include <string_view>

inline constexpr std::u16string_view kPrinterControlResourceKey = u"PRINTER_CONTROL_PAGE";
inline constexpr std::u16string_view kPrinterControlPageTitle = u"Printer Control";

namespace prnctrl_str {
inline constexpr int kTitle = 0;
inline constexpr int kDescription = 1;
inline constexpr int kTestPrintButton = 2;
inline constexpr int kFeedButton = 3;
inline constexpr int kLines = 4;
inline constexpr int kCutButton = 5;
inline constexpr int kRestoreButton = 6;
inline constexpr int kStatusHeading = 7;
inline constexpr int kFirstGroupName = 8;  // 8..11: printer, offline cause, error cause, roll paper
inline constexpr int kBitLabel = 12;       // "Bit %s"
inline constexpr int kPowerSource = 13;
inline constexpr int kAcAdapter = 14;
inline constexpr int kBattery = 15;
inline constexpr int kBatteryLevel = 16;
inline constexpr int kLevelOfSix = 17;     // "%s of 6"
inline constexpr int kNotReadYet = 18;
inline constexpr int kNoAnswer = 19;
inline constexpr int kNoStatus = 20;
inline constexpr int kUnknown = 21;
}  // namespace prnctrl_str

namespace prnctrl_msg {
inline constexpr int kRestoreQuestion = 0;
inline constexpr int kNoAnswer = 1;
}  // namespace prnctrl_msg
