#pragma once
// The texts of the status pane: the status word of every printer status code with the
// number of its "PRT_STATUS" language entry, the labels, and the ink codes that the pane
// treats apart from the others.
//
// No Qt here. Pure functions, any thread.
#include <cstdint>
#include <string_view>

// Language key of the status pane's texts.
inline constexpr char16_t kStatusResourceKey[] = u"PRT_STATUS";

// "PRT_STATUS" entries besides the status words.
inline constexpr int kStatusEntryUnknown = 21;      // "Unknown" as status word
inline constexpr int kStatusEntryPortLabel = 22;    // "Port:"
inline constexpr int kStatusEntryStatusLabel = 24;  // "Status:"
inline constexpr int kStatusEntryUnknownPort = 28;  // "Unknown" as port text
inline constexpr int kStatusEntryNameLabel = 100;   // "Printer Name:"
inline constexpr int kStatusEntryBatteryLow = 101;  // desktop notification: battery low

inline constexpr char16_t kTextUnknown[] = u"Unknown";
inline constexpr char16_t kTextPortLabel[] = u"Port:";
inline constexpr char16_t kTextStatusLabel[] = u"Status:";
inline constexpr char16_t kTextNameLabel[] = u"Printer Name:";
inline constexpr char16_t kTextBatteryLow[] = u"The printer's battery is low.";

// The status word of a code: its English text and its language entry.
struct StatusWord {
  std::u16string_view english;
  int entry;
};

// The word of code; any code outside the table (negative ones included) gives
// "Unknown" (entry 21).
StatusWord StatusWordOf(std::int32_t code);

// True for the codes that report an ink or cleaning condition, or the end of one
// (XJC_STATUS_INK_CLEARED). A printer may report them beside its main condition.
bool IsInkStatusCode(std::int32_t code);

// True for codes inside the table (0..22).
bool IsKnownStatusCode(std::int32_t code);
