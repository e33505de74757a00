// Replies to every request of the information libraries, as a printer that misbehaves
// may send them: cut into pieces of any size, late bytes of an earlier reply, flow
// control between the bytes, failures of the communication object. The communication
// object plays the script in the input; each answer must keep the rules of its request.
//
// Input: steps of
//   request byte (modulo kRequestCount), argument byte (n or a of the request),
//   read piece size byte (0: all that is queued), failure byte (modulo kFailureCount),
//   reply length (two bytes, low first; at most kMaxReply) and the reply bytes,
//   which the printer sends once the request is written.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "libs/printerinfo/PrinterQuery.h"
#include "sdk/IXJComm.h"
#include "sdk/XJComm.h"

namespace {

using fuzzsupport::Require;

constexpr std::size_t kMaxReply = 1024;

enum Request : std::uint8_t {
  kId, kInfo, kCustomValue, kMemorySwitch, kUserMode, kSend, kNvCapacity, kBattery, kRequestCount
};

enum Failure : std::uint8_t {
  kNone,
  kPurgeFails,      // the object cannot purge (port closed)
  kWriteTimesOut,   // the command cannot be written in time
  kWriteShort,      // only part of the command is written
  kReadFails,       // the connection is lost after the reply's first piece
  kLateBytes,       // the reply arrives before the purge (a late answer to an earlier question)
  kFailureCount,
};

// A communication object that plays one step of the script at a time: the written
// command queues the step's reply; Purge throws away what is queued, as the real object
// does with what arrived and was not read.
class ScriptedPrinter : public IXJComm {
 public:
  void Next(std::string reply, std::size_t piece, Failure failure) {
    reply_ = std::move(reply);
    piece_ = piece;
    failure_ = failure;
    reads_ = 0;
    if (failure_ == kLateBytes) queue_ += reply_;
  }

  std::uint32_t Read(void* buffer, std::uint32_t size, std::uint32_t* done, std::uint32_t) override {
    *done = 0;
    if (failure_ == kReadFails && reads_ > 0) return XJC_E_IO;
    if (queue_.empty() || size == 0) return XJC_E_TIMEOUT;
    ++reads_;
    const std::size_t n = std::min<std::size_t>({queue_.size(), size, piece_ == 0 ? queue_.size() : piece_});
    std::memcpy(buffer, queue_.data(), n);
    queue_.erase(0, n);
    *done = static_cast<std::uint32_t>(n);
    return XJC_OK;
  }

  std::uint32_t Write(const void*, std::uint32_t size, std::uint32_t* done, std::uint32_t) override {
    *done = 0;
    if (failure_ == kWriteTimesOut) return XJC_E_TIMEOUT;
    *done = failure_ == kWriteShort ? size / 2 : size;
    if (failure_ != kLateBytes) queue_ += reply_;
    return XJC_OK;
  }

  std::uint32_t Purge() override {
    if (failure_ == kPurgeFails) return XJC_E_NOT_OPEN;
    queue_.clear();
    return XJC_OK;
  }

  std::uint32_t SetFlowCtrlForced(std::int32_t) override { return XJC_OK; }
  std::uint32_t RecoverySending() override { return XJC_OK; }

 private:
  std::string reply_;
  std::string queue_;
  std::size_t piece_ = 0;
  Failure failure_ = kNone;
  int reads_ = 0;
};

using Status = PrinterQuery::Status;

void CheckText(const std::string& text) {
  Require(text.size() <= PrinterQuery::kMaxBlockBody, "a text is bounded");
  for (char c : text) {
    const auto u = static_cast<std::uint8_t>(c);
    Require(u >= 0x20 && u != 0x7F, "a text holds no control characters");
  }
}

void Ask(PrinterQuery& query, Request request, std::uint8_t argument) {
  switch (request) {
    case kId: {
      std::uint8_t id = 0;
      query.ReadIdByte(argument, &id);
      break;
    }
    case kInfo: {
      std::string text;
      if (query.ReadInfoText(argument, &text) == Status::kOk) CheckText(text);
      break;
    }
    case kCustomValue: {
      std::optional<std::uint32_t> value;
      query.ReadCustomizedValue(argument, &value);
      break;
    }
    case kMemorySwitch: {
      std::array<char, 8> bits{};
      if (query.ReadMemorySwitch(argument, &bits) == Status::kOk) {
        for (char c : bits) Require(c == '0' || c == '1', "a memory switch is eight bits");
      }
      break;
    }
    case kUserMode:
      query.EnterUserSettingMode();
      break;
    case kSend:
      query.SendCommand(std::vector<std::uint8_t>(argument % 8, argument));
      break;
    case kNvCapacity: {
      std::uint32_t bytes = 0;
      query.ReadNvGraphicsCapacity(&bytes);
      break;
    }
    default: {
      std::uint8_t source = 0xFF;
      std::uint8_t level = 0xFF;
      if (query.ReadBattery(&source, &level) == Status::kOk) {
        Require(source <= 1 && level <= 6, "a battery reply gives a source and a level");
      }
      break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzsupport::ScriptReader input(data, size);
  ScriptedPrinter printer;
  PrinterQuery query(&printer);
  while (!input.AtEnd()) {
    const auto request = static_cast<Request>(input.Byte() % kRequestCount);
    const std::uint8_t argument = input.Byte();
    const std::size_t piece = input.Byte();
    const auto failure = static_cast<Failure>(input.Byte() % kFailureCount);
    const std::size_t length = std::min<std::size_t>(input.Word(), kMaxReply);
    printer.Next(input.Bytes(length), piece, failure);
    Ask(query, request, argument);
  }
  return 0;
}
