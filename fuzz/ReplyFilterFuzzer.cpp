// What a printer sends, in pieces of any size, through the reply filter and on to the
// parser that takes each kind of reply, the way a printer connection uses them: status
// blocks become printer states, real-time status bytes and blocks are decoded, and the
// queue is read byte-wise or unit-wise in between.
//
// Input: steps of one operation byte and its operands:
//   0 feed:       length byte, that many bytes as received from the printer
//   1 take bytes: count byte (at most kMaxChunk)
//   2 take unit:  index byte (modulo the number of units)
//   3 clear
#include <cstdint>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "libs/xjcomm/CommandLanguage.h"
#include "libs/xjcomm/ReplyFilter.h"

namespace {

using fuzzsupport::Require;
using namespace xjcomm;

// A connection drops the oldest replies beyond this many bytes; kept small here so the
// dropping is reached.
constexpr std::size_t kPendingLimit = 256;
constexpr std::size_t kMaxChunk = 64;

enum Operation : std::uint8_t { kFeed, kTakeBytes, kTakeUnit, kClear, kOperationCount };

void CheckQueue(const ReplyFilter& filter) {
  std::size_t total = 0;
  const auto& units = filter.Units();
  for (std::size_t i = 0; i < units.size(); ++i) {
    const ReplyUnit& unit = units[i];
    total += unit.bytes.size();
    Require(unit.complete || i + 1 == units.size(), "only the newest unit may be incomplete");
    if (unit.kind == UnitKind::Block) {
      Require(unit.bytes.size() <= ReplyFilter::kMaxBlockLength, "a block is bounded");
      Require(!unit.complete || unit.bytes.back() == kBlockEnd ||
                  unit.bytes.size() == ReplyFilter::kMaxBlockLength,
              "a complete block ends with its terminator or at the bound");
    } else {
      Require(unit.bytes.size() == 1, "a status byte or an ID is one byte");
    }
  }
  Require(filter.PendingBytes() <= total, "pending bytes are queued bytes");
}

// Decodes a unit as the question it answers would.
void Decode(const ReplyUnit& unit, PrinterState& state) {
  if (unit.bytes.empty()) return;
  switch (unit.kind) {
    case UnitKind::RealTimeStatus:
      for (std::uint8_t n : {kRtPrinter, kRtOffline, kRtError, kRtPaper}) {
        Require(ApplyRealTimeStatus(n, unit.bytes[0], state), "a real-time status unit decodes");
      }
      Require(!ApplyRealTimeStatus(0, unit.bytes[0], state), "DLE EOT 0 is no request");
      break;
    case UnitKind::PrinterId:
      ModelNameForDeviceId(unit.bytes[0]);
      FindModel({}, unit.bytes[0]);
      break;
    case UnitKind::Block:
      if (const auto battery = ParseBatteryReply(unit.bytes)) IsBatteryTooLow(*battery);
      if (const auto text = ParseInfoBlock(unit.bytes)) {
        for (char c : *text) Require(c >= 0x20 && c < 0x7F, "an information text is printable");
        const ModelTraits* model = FindModel(*text, std::nullopt);
        ModelSupportsFeature(model, kFeatureBatteryStatus);
        ModelEnablesCommand(model, kCommandGroupUserSetting, kCommandExtended, kCommandPaperSavingValues);
      }
      break;
  }
  DeriveStatusCode(state, false);
  DeriveStatusCode(state, true);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzsupport::ScriptReader input(data, size);
  ReplyFilter filter;
  PrinterState state;
  while (!input.AtEnd()) {
    switch (input.Byte() % kOperationCount) {
      case kFeed: {
        const std::string chunk = input.Bytes(input.Byte());
        const ReplyFilter::FeedResult fed =
            filter.Feed(reinterpret_cast<const std::uint8_t*>(chunk.data()), chunk.size());
        for (const auto& block : fed.statusBlocks) {
          Require(StateFromAsb(block, state), "a status block the filter passes decodes");
        }
        while (filter.PendingBytes() > kPendingLimit && filter.UnitCount() > 1) filter.TakeUnit(0);
        break;
      }
      case kTakeBytes: {
        std::uint8_t buffer[kMaxChunk];
        const std::size_t wanted = input.Byte() % (sizeof buffer + 1);
        const std::size_t before = filter.PendingBytes();
        const std::size_t copied = filter.TakeBytes(buffer, wanted);
        Require(copied <= wanted && filter.PendingBytes() == before - copied, "bytes taken leave the queue");
        break;
      }
      case kTakeUnit: {
        const std::uint8_t choice = input.Byte();
        if (filter.UnitCount() == 0) break;
        const std::size_t index = choice % filter.UnitCount();
        if (!filter.Units()[index].complete) break;
        Decode(filter.TakeUnit(index), state);
        break;
      }
      default:
        filter.Clear();
        Require(filter.UnitCount() == 0 && filter.PendingBytes() == 0, "a cleared filter is empty");
        break;
    }
    CheckQueue(filter);
  }
  // Whatever is left, oldest first, as the replies to the program's questions.
  while (filter.UnitCount() > 0 && filter.Units().front().complete) Decode(filter.TakeUnit(0), state);
  return 0;
}
