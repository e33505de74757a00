#include "libs/xjcomm/ReplyFilter.h"

#include <algorithm>
#include <cstring>

namespace xjcomm {

ReplyFilter::FeedResult ReplyFilter::Feed(const std::uint8_t* data, std::size_t size) {
  FeedResult result;
  for (std::size_t i = 0; i < size; ++i) FeedByte(data[i], result);
  return result;
}

void ReplyFilter::FeedByte(std::uint8_t b, FeedResult& result) {
  // Flow control may interrupt anything and never belongs to a reply.
  if (b == kXon || b == kXoff) {
    result.lastFlow = b == kXon ? Flow::Xon : Flow::Xoff;
    return;
  }
  switch (state_) {
    case State::Boundary:
      StartAtBoundary(b, result);
      return;
    case State::InStatusBlock:
      if (!IsAsbContinuation(b)) {
        // Not a status block after all: drop the broken start and read this byte afresh.
        state_ = State::Boundary;
        asbLength_ = 0;
        StartAtBoundary(b, result);
        return;
      }
      asb_[asbLength_++] = b;
      if (asbLength_ == asb_.size()) {
        result.statusBlocks.push_back(asb_);
        state_ = State::Boundary;
        asbLength_ = 0;
      }
      return;
    case State::InBlock: {
      ReplyUnit& unit = units_.back();
      unit.bytes.push_back(b);
      if (b == kBlockEnd || unit.bytes.size() >= kMaxBlockLength) {
        unit.complete = true;
        state_ = State::Boundary;
      }
      return;
    }
  }
}

void ReplyFilter::StartAtBoundary(std::uint8_t b, FeedResult& result) {
  switch (ClassifyFirstByte(b)) {
    case ByteClass::AsbStart:
      asb_[0] = b;
      asbLength_ = 1;
      state_ = State::InStatusBlock;
      return;
    case ByteClass::RealTimeStatus:
      units_.push_back({UnitKind::RealTimeStatus, {b}, true});
      return;
    case ByteClass::BlockStart:
      units_.push_back({UnitKind::Block, {b}, false});
      state_ = State::InBlock;
      return;
    case ByteClass::PrinterId:
      units_.push_back({UnitKind::PrinterId, {b}, true});
      return;
    case ByteClass::Xon:
    case ByteClass::Xoff:
      result.lastFlow = b == kXon ? Flow::Xon : Flow::Xoff;
      return;
  }
}

ReplyUnit ReplyFilter::TakeUnit(std::size_t index) {
  ReplyUnit unit = std::move(units_.at(index));
  if (index == 0 && frontConsumed_ > 0) {
    unit.bytes.erase(unit.bytes.begin(),
                     unit.bytes.begin() + static_cast<std::ptrdiff_t>(frontConsumed_));
    frontConsumed_ = 0;
  }
  units_.erase(units_.begin() + static_cast<std::ptrdiff_t>(index));
  return unit;
}

std::size_t ReplyFilter::TakeBytes(std::uint8_t* buffer, std::size_t size) {
  std::size_t copied = 0;
  while (copied < size && !units_.empty()) {
    ReplyUnit& front = units_.front();
    const std::size_t available = front.bytes.size() - frontConsumed_;
    const std::size_t n = std::min(available, size - copied);
    if (n > 0) std::memcpy(buffer + copied, front.bytes.data() + frontConsumed_, n);
    copied += n;
    frontConsumed_ += n;
    if (frontConsumed_ < front.bytes.size()) break;  // caller's buffer is full
    if (!front.complete) break;                     // rest of the block not here yet
    units_.pop_front();
    frontConsumed_ = 0;
  }
  return copied;
}

std::size_t ReplyFilter::PendingBytes() const {
  std::size_t total = 0;
  for (const ReplyUnit& u : units_) total += u.bytes.size();
  return total - frontConsumed_;
}

void ReplyFilter::Clear() {
  units_.clear();
  frontConsumed_ = 0;
  state_ = State::Boundary;
  asbLength_ = 0;
}

}  // namespace xjcomm
