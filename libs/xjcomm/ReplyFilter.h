#pragma once
// ReplyFilter: splits what the printer sends into replies, automatic status blocks and
// flow-control bytes. Replies are kept in arrival order as units (a real-time status
// byte, a one-byte printer ID, or a block ended by 00); status blocks and XON/XOFF are
// handed back to the caller and never appear among the replies.
//
// Not thread-safe: the owner (one printer connection) serialises every use.
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "libs/xjcomm/CommandLanguage.h"

namespace xjcomm {

enum class UnitKind { RealTimeStatus, PrinterId, Block };

struct ReplyUnit {
  UnitKind kind = UnitKind::PrinterId;
  Bytes bytes;
  bool complete = false;
  // Set by the owner once it has looked at the complete unit (see PrinterConnection):
  // whether the reply answers a request of the caller of Write.
  bool examined = false;
  bool forCaller = false;
};

class ReplyFilter {
 public:
  // A block that runs this long without its terminator is cut off here, so a printer
  // that sends garbage cannot make the queue grow without bound.
  static constexpr std::size_t kMaxBlockLength = 4096;

  enum class Flow { None, Xon, Xoff };

  struct FeedResult {
    std::vector<std::array<std::uint8_t, 4>> statusBlocks;  // well-formed ASB blocks
    Flow lastFlow = Flow::None;                             // last XON/XOFF seen
  };

  // Classifies size bytes and appends the replies among them to the queue.
  FeedResult Feed(const std::uint8_t* data, std::size_t size);

  // The queue of replies, oldest first; the last one may still be incomplete.
  const std::deque<ReplyUnit>& Units() const { return units_; }
  std::size_t UnitCount() const { return units_.size(); }

  // Unit index, for the owner to mark (index < UnitCount()).
  ReplyUnit& UnitAt(std::size_t index) { return units_[index]; }

  // Removes and returns unit index (which must be complete).
  ReplyUnit TakeUnit(std::size_t index);

  // Copies up to size reply bytes, oldest first, into buffer and removes them; bytes of
  // an incomplete block are handed out as well. Returns the number copied.
  std::size_t TakeBytes(std::uint8_t* buffer, std::size_t size);
  std::size_t PendingBytes() const;

  // Forgets every reply and any half-received status block or reply.
  void Clear();

 private:
  enum class State { Boundary, InStatusBlock, InBlock };

  void FeedByte(std::uint8_t b, FeedResult& result);
  void StartAtBoundary(std::uint8_t b, FeedResult& result);

  State state_ = State::Boundary;
  std::array<std::uint8_t, 4> asb_{};
  std::size_t asbLength_ = 0;
  std::deque<ReplyUnit> units_;
  std::size_t frontConsumed_ = 0;  // bytes of units_.front() already handed out
};

}  // namespace xjcomm
