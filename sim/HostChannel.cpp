#include "sim/HostChannel.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace sim {
namespace {

constexpr std::size_t kReadChunk = 4096;
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

HostChannel::ReadResult HostChannel::ReadAvailable(bool discard) {
  std::uint8_t buffer[kReadChunk];
  const ssize_t n = read(fd_, buffer, sizeof buffer);
  if (n < 0) {
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return ReadResult::kOk;
    return ReadResult::kClosed;
  }
  if (n == 0) return ReadResult::kClosed;
  model_.counters.bytesIn += static_cast<std::uint64_t>(n);
  if (!discard) interpreter_.Feed(buffer, static_cast<std::size_t>(n));
  return ReadResult::kOk;
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
    // Sockets get MSG_NOSIGNAL so a vanished peer is an error result, not a signal.
    ssize_t n = send(fd_, front.bytes.data() + front.sent, left, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && errno == ENOTSOCK) n = write(fd_, front.bytes.data() + front.sent, left);
    if (n < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return true;
      return false;
    }
    model_.counters.bytesOut += static_cast<std::uint64_t>(n);
    if (link_.replyBudget) *link_.replyBudget -= static_cast<std::uint64_t>(n);
    front.sent += static_cast<std::size_t>(n);
    queuedBytes_ -= static_cast<std::size_t>(n);
    if (front.sent < front.bytes.size()) return true;
    queue_.pop_front();
  }
  return true;
}

bool HostChannel::HasDueOutput(Clock::time_point now) const {
  return !queue_.empty() && queue_.front().due <= now && !Held();
}

std::optional<Clock::time_point> HostChannel::NextDue() const {
  if (queue_.empty() || Held()) return std::nullopt;
  return queue_.front().due;
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
