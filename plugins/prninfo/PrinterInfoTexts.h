#pragma once
// Texts of the Printer Information page: entries of its language key
// "PRINTER_INFO_PAGE" and their English defaults.
#include <string_view>

inline constexpr std::u16string_view kPrinterInfoResourceKey = u"PRINTER_INFO_PAGE";
inline constexpr std::u16string_view kPrinterInfoPageTitle = u"Printer Information";

namespace prninfo_str {
inline constexpr int kTitle = 0;
inline constexpr int kDescription = 1;
// Labels of the rows: firmware, model, serial number, maker, fonts (the text slots in
// order), then device ID, auto cutter, NV graphics capacity.
inline constexpr int kFirstTextLabel = 2;
inline constexpr int kDeviceIdLabel = 7;
inline constexpr int kAutocutterLabel = 8;
inline constexpr int kNvCapacityLabel = 9;
inline constexpr int kInstalled = 10;
inline constexpr int kNotInstalled = 11;
inline constexpr int kNotRead = 12;
inline constexpr int kBytes = 13;  // "%s": the number of bytes
inline constexpr int kRefreshButton = 14;
}  // namespace prninfo_str

namespace prninfo_msg {
inline constexpr int kNoAnswer = 0;
inline constexpr int kIncomplete = 1;
}  // namespace prninfo_msg
