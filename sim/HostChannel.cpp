#include "sim/HostChannel.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace sim {
namespace {

constexpr std::size_t kReadChunk = 4096;
// A byte on a serial line: start bit, eight data bits, stop bit.
constexpr long long kBitsPerByte = 10;
// Garbage bytes all have bit 7 set: no reply of the printer starts with such a byte, so
// garbage can never be taken for a valid answer.
constexpr std::uint8_t kGarbageBit = 0x80;

}  // namespace

HostChannel::HostChannel(int fd, bool ownsFd, std::string description, PrinterModel& model,
                         PrintEngine& printer, LinkBehaviour& link, Owner& owner)
    : fd_(fd),
      ownsFd_(ownsFd),
      description_(std::move(description)),
      model_(model),
      link_(link),
      owner_(owner),
      interpreter_(model, printer, *this),
      random_(std::random_device{}()) {}

HostChannel::~HostChannel() {
  model_.counters.repliesDropped += queue_.size();
  if (ownsFd_ && fd_ >= 0) close(fd_);
}

void HostChannel::SetLineRate(int baud) {
  byteTime_ = baud > 0 ? std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(
                             kBitsPerByte * std::chrono::nanoseconds(std::chrono::seconds(1)).count() / baud))
                       : Clock::duration{};
}

HostChannel::ReadResult HostChannel::ReadAvailable(bool discard) {
  std::uint8_t buffer[kReadChunk];
  const ssize_t n = read(fd_, buffer, sizeof buffer);
  if (n < 0) {
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return ReadResult::kOk;
    return ReadResult::kClosed;
  }
  if (n == 0) return ReadResult::kClosed;
  model_.counters.bytesIn += static_cast<std::uint64_t>(n);
  if (discard) return ReadResult::kOk;
  if (byteTime_ == Clock::duration{}) {
    interpreter_.Feed(buffer, static_cast<std::size_t>(n));
    return ReadResult::kOk;
  }
  // The bytes were written just now; on the line they follow each other one byte time
  // apart, behind whatever is still on its way.
  inLineFree_ = std::max(inLineFree_, Clock::now());
  for (ssize_t i = 0; i < n; ++i) {
    inLineFree_ += byteTime_;
    arriving_.push_back(Arriving{inLineFree_, buffer[i]});
  }
  return ReadResult::kOk;
}

void HostChannel::FeedDue(Clock::time_point now) {
  std::vector<std::uint8_t> due;
  while (!arriving_.empty() && arriving_.front().at <= now) {
    due.push_back(arriving_.front().byte);
    arriving_.pop_front();
  }
  if (!due.empty()) interpreter_.Feed(due.data(), due.size());
}

Clock::time_point HostChannel::NextOutputByteAt() const {
  return std::max(outLineFree_, queue_.front().due) + byteTime_;
}

void HostChannel::SendToHost(std::vector<std::uint8_t> bytes) {
  if (bytes.empty()) return;
  if (link_.silent || queuedBytes_ + bytes.size() > kMaxQueuedBytes) {
    ++model_.counters.repliesDropped;
    return;
  }
  if (link_.garbage) {
    for (auto& b : bytes) b = static_cast<std::uint8_t>(kGarbageBit | (random_() & 0x7F));
  }
  queuedBytes_ += bytes.size();
  queue_.push_back(Pending{Clock::now() + std::chrono::milliseconds(link_.slowMs), std::move(bytes), 0});
}

bool HostChannel::WriteDue(Clock::time_point now) {
  while (!queue_.empty() && queue_.front().due <= now) {
    if (link_.replyBudget && *link_.replyBudget == 0) return true;
    Pending& front = queue_.front();
    std::size_t left = front.bytes.size() - front.sent;
    if (link_.replyBudget) left = static_cast<std::size_t>(std::min<std::uint64_t>(left, *link_.replyBudget));
    Clock::time_point firstAt{};
    if (byteTime_ != Clock::duration{}) {
      // Only the bytes whose time on the line has ended by now reach the host.
      firstAt = NextOutputByteAt();
      if (firstAt > now) return true;
      left = std::min<std::size_t>(left, static_cast<std::size_t>((now - firstAt) / byteTime_) + 1);
    }
    // Sockets get MSG_NOSIGNAL so a vanished peer is an error result, not a signal.
    ssize_t n = send(fd_, front.bytes.data() + front.sent, left, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && errno == ENOTSOCK) n = write(fd_, front.bytes.data() + front.sent, left);
    if (n < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return true;
      return false;
    }
    model_.counters.bytesOut += static_cast<std::uint64_t>(n);
    if (link_.replyBudget) *link_.replyBudget -= static_cast<std::uint64_t>(n);
    if (byteTime_ != Clock::duration{} && n > 0) outLineFree_ = firstAt + (n - 1) * byteTime_;
    front.sent += static_cast<std::size_t>(n);
    queuedBytes_ -= static_cast<std::size_t>(n);
    if (front.sent < front.bytes.size()) return true;
    queue_.pop_front();
  }
  return true;
}

bool HostChannel::HasDueOutput(Clock::time_point now) const {
  if (queue_.empty() || queue_.front().due > now || Held()) return false;
  return byteTime_ == Clock::duration{} || NextOutputByteAt() <= now;
}

std::optional<Clock::time_point> HostChannel::NextDue() const {
  std::optional<Clock::time_point> next;
  if (!queue_.empty() && !Held()) next = byteTime_ == Clock::duration{} ? queue_.front().due : NextOutputByteAt();
  if (!arriving_.empty() && (!next || arriving_.front().at < *next)) next = arriving_.front().at;
  return next;
}

bool HostChannel::Held() const { return link_.replyBudget && *link_.replyBudget == 0; }

void HostChannel::Requeue() {
  std::deque<Pending> waiting;
  waiting.swap(queue_);
  queuedBytes_ = 0;
  for (Pending& pending : waiting) {
    SendToHost(std::vector<std::uint8_t>(pending.bytes.begin() + static_cast<std::ptrdiff_t>(pending.sent),
                                         pending.bytes.end()));
  }
}

void HostChannel::DiscardOutput() {
  model_.counters.repliesDropped += queue_.size();
  queue_.clear();
  queuedBytes_ = 0;
}

}  // namespace sim
