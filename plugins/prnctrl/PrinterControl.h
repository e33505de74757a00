#pragma once
// What the Printer Control page does with the printer: the test page (the printer's
// identity, every setting of the setting pages, a density pattern), paper feed and cut,
// the real-time status of its four groups bit by bit with the battery, and the factory
// settings (plugins/common RestorePageDefaults).
//
// No Qt here. The printer operations run on a communication job's worker or on the
// page's status poller; the rest on any thread.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plugins/common/SettingPage.h"

class IXJComm;

namespace prnctrl {

// ---- real-time status -----------------------------------------------------------------

// The four groups of the real-time status request (DLE EOT n, n = 1..4): printer,
// offline cause, error cause, roll paper. One byte each.
inline constexpr std::size_t kStatusGroups = 4;
inline constexpr int kStatusBits = 8;
using StatusBytes = std::array<std::uint8_t, kStatusGroups>;

// What one bit of a group means: a fixed bit (always fixedValue) or a condition, named
// by entry textId of the page's language key with its English default.
struct StatusBitMeaning {
  bool fixed = false;
  int fixedValue = 0;
  int textId = -1;
  std::u16string_view text;
};
const StatusBitMeaning& MeaningOf(std::size_t group, int bit);
// Whether a byte has the fixed bits of a real-time status byte.
bool IsStatusByte(std::uint8_t byte);

// The battery as the printer reports it (DLE DC4 7 5).
struct PowerState {
  bool onBattery = false;  // false: AC adapter
  int level = 0;           // 0 empty .. 6 full
};
inline constexpr int kBatteryLevels = 6;

struct PrinterSnapshot {
  PrinterOutcome outcome = PrinterOutcome::kNoAnswer;  // of the status bytes
  StatusBytes status{};                                // valid on kOk
  std::optional<PowerState> power;                     // when the printer told it
};

// How long one poll waits for the printer's answers.
inline constexpr std::uint32_t kPollReplyMs = 1000;

// Asks the printer for the four status bytes (one write holding the four requests,
// then their four answers) and, when they came, for its battery. kNoAnswer when the
// printer does not answer them in replyMs; kIncomplete when an answer is no status byte.
PrinterSnapshot ReadPrinterSnapshot(IXJComm* comm, std::uint32_t replyMs = kPollReplyMs);

// ---- printing ---------------------------------------------------------------------------

// Dots across the paper for a paper width value (customized value 3): 384 at 58 mm,
// otherwise 576 (80 mm).
int PrintableDots(std::int32_t paperWidthValue);

// What the test page prints.
struct TestPageContent {
  std::string model;
  std::string firmware;
  std::string serial;
  struct Line {
    std::string label;
    std::string value;
  };
  struct Section {
    std::string title;
    std::vector<Line> lines;
  };
  std::vector<Section> sections;
  int dots = 576;      // paper width in dots
  bool cut = true;     // the printer has a cutter
};

// The density pattern of the test page: bands of dots, each a raster image.
struct DensityBand {
  std::string label;
  std::array<std::uint8_t, 2> rows;  // the byte repeated across even and odd rows
};
const std::vector<DensityBand>& DensityBands();
inline constexpr int kBandHeight = 24;  // dots
inline constexpr int kTestPageFeedLines = 4;

// Reads what the test page shows: the model, firmware and serial number, the type ID
// (whether a cutter is installed), every setting of the pages with its value as the
// page names it, and the raw memory switches. kNoAnswer when the printer does not
// answer; a value it does not report is printed as not read.
PrinterOutcome ReadTestPageContent(IXJComm* comm, const std::vector<PageDef>& pages, TestPageContent& content);

// The printer commands of the test page: initialise, the texts, the density bands as
// raster images, then feed and (with a cutter) cut. Texts outside printable ASCII are
// printed as '?'.
std::vector<std::uint8_t> BuildTestPage(const TestPageContent& content);
// Feed n lines (1..255).
std::vector<std::uint8_t> FeedCommand(int lines);
// Full cut.
std::vector<std::uint8_t> CutCommand();

// Sends print data and checks that the printer is still there (it answers a status
// request): kOk, or kNoAnswer when a write failed or the printer did not answer.
PrinterOutcome SendPrintData(IXJComm* comm, const std::vector<std::uint8_t>& data);

}  // namespace prnctrl
