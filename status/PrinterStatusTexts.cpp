#include "status/PrinterStatusTexts.h"

#include <iterator>

#include "sdk/XJComm.h"

namespace {

// Indexed by status code.
constexpr StatusWord kStatusWords[] = {
    {u"Online", 0},
    {u"Offline", 1},
    {u"Cannot Get Status", 2},
    {u"Fatal Error", 3},
    {u"Recoverable error", 4},
    {u"Auto recoverable error", 5},
    {u"Cover is open", 6},
    {u"Out of paper", 7},
    {u"Out of journal", 8},
    {u"Auto cutter error", 9},
    {u"No Ink Cartridge 1", 10},
    {u"No Ink Cartridge 2", 11},
    {u"Out of ink 1", 12},
    {u"Out of ink 2", 13},
    {u"Feeding paper", 14},
    {u"Cleaning", 27},
    {u"Offline", 15},
    {u"Awaiting paper removal", 16},
    {u"Paper near-end", 17},
    {u"Journal near-end", 18},
    {u"Ink 1 near-end", 19},
    {u"Ink 2 near-end", 20},
    {u"Paper layout error", 29},
};
static_assert(std::size(kStatusWords) == XJC_STATUS_LAST + 1);

}  // namespace

bool IsKnownStatusCode(std::int32_t code) { return code >= XJC_STATUS_ONLINE && code <= XJC_STATUS_LAST; }

StatusWord StatusWordOf(std::int32_t code) {
  if (!IsKnownStatusCode(code)) return {kTextUnknown, kStatusEntryUnknown};
  return kStatusWords[code];
}

bool IsInkStatusCode(std::int32_t code) {
  switch (code) {
    case XJC_STATUS_NO_INK_CARTRIDGE_1:
    case XJC_STATUS_NO_INK_CARTRIDGE_2:
    case XJC_STATUS_OUT_OF_INK_1:
    case XJC_STATUS_OUT_OF_INK_2:
    case XJC_STATUS_CLEANING:
    case XJC_STATUS_INK_1_NEAR_END:
    case XJC_STATUS_INK_2_NEAR_END:
    case XJC_STATUS_INK_CLEARED:
      return true;
    default:
      return false;
  }
}
