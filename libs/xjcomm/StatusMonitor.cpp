#include "libs/xjcomm/StatusMonitor.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>

#include "libs/xjcomm/CommandLanguage.h"
#include "libs/xjcomm/FdIo.h"

namespace xjcomm {
namespace {

thread_local StatusMonitor* tlMonitor = nullptr;

}  // namespace

StatusMonitor::StatusMonitor(std::shared_ptr<PrinterConnection> connection,
                             StatusProcedures& procedures, MonitorTiming timing)
    : connection_(std::move(connection)),
      procedures_(procedures),
      timing_(timing),
      wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  // A status block that another thread's read brings wakes the thread as well.
  connection_->SetStatusBlockHook(this, [this] { Wake(); });
}

StatusMonitor::~StatusMonitor() {
  connection_->ClearStatusBlockHook(this);
  RequestStop();
  Join();
  if (wakeFd_ >= 0) close(wakeFd_);
}

void StatusMonitor::Start() {
  if (thread_.joinable()) return;
  stop_ = false;
  thread_ = std::thread([this] { Run(); });
}

void StatusMonitor::Signal() {
  if (wakeFd_ < 0) return;
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = write(wakeFd_, &one, sizeof one);
}

void StatusMonitor::RequestStop() {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    stop_ = true;
  }
  Signal();
  // A delivery waiting for the procedures' table gives up.
  procedures_.WakeDeliveries();
}

void StatusMonitor::Join() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void StatusMonitor::Wake() {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    woken_ = true;
  }
  Signal();
}

void StatusMonitor::PollNow() {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    woken_ = true;
    pollNow_ = true;
  }
  Signal();
}

std::optional<std::uint32_t> StatusMonitor::CurrentStatus() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return status_;
}

StatusMonitor* StatusMonitor::OnMonitorThread() { return tlMonitor; }

bool StatusMonitor::Sleep(std::uint64_t untilMs, int input) {
  pollfd fds[2];
  nfds_t count = 0;
  if (wakeFd_ >= 0) fds[count++] = pollfd{wakeFd_, POLLIN, 0};
  const nfds_t inputIndex = count;
  if (input >= 0) fds[count++] = pollfd{input, POLLIN, 0};
  // Without the eventfd a signal cannot end the wait: it is kept short instead.
  std::uint64_t limit = untilMs;
  if (wakeFd_ < 0) limit = std::min(limit, NowMs() + timing_.drainMs);
  const std::uint64_t now = NowMs();
  const int timeoutMs = static_cast<int>(std::min<std::uint64_t>(limit > now ? limit - now : 0, INT_MAX));
  if (poll(fds, count, timeoutMs) <= 0) return false;
  if (wakeFd_ >= 0 && (fds[0].revents & POLLIN) != 0) {
    std::uint64_t signals = 0;
    [[maybe_unused]] const ssize_t got = read(wakeFd_, &signals, sizeof signals);
  }
  return input >= 0 && fds[inputIndex].revents != 0;
}

void StatusMonitor::Run() {
  tlMonitor = this;
  std::uint64_t now = NowMs();
  std::uint64_t nextPoll = now;
  std::uint64_t nextBattery = now;
  // Until then the descriptor is not watched: it woke the thread without bringing a byte.
  std::uint64_t ignoreInputUntil = 0;
  std::uint64_t blocksSeen = connection_->StatusBlockCount();
  bool blocksArrive = false;
  std::optional<std::uint32_t> status;
  std::optional<std::uint16_t> battery;

  for (;;) {
    bool pollNow = false;
    bool woken = false;
    bool byInput = false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stop_) break;
      woken = woken_;
    }
    if (!woken) {
      const int input = now >= ignoreInputUntil ? connection_->ReadinessDescriptor() : -1;
      std::uint64_t wakeAt = nextPoll;
      if (procedures_.WantsBattery()) wakeAt = std::min(wakeAt, nextBattery);
      // Without a descriptor to wait on, arrived bytes are looked at in a fixed rhythm.
      if (input < 0) wakeAt = std::min(wakeAt, now + timing_.drainMs);
      byInput = Sleep(wakeAt, input);
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stop_) break;
      woken_ = false;
      pollNow = pollNow_;
      pollNow_ = false;
    }
    now = NowMs();

    const std::size_t repliesBefore = connection_->QueuedReplyBytes();
    connection_->Drain();
    const std::uint64_t blocks = connection_->StatusBlockCount();
    // Reply bytes are another caller's: while that conversation goes on the descriptor
    // would wake the thread for every reply, so it is left alone until the next look (a
    // status block the conversation brings wakes the thread through the connection's
    // hook). The first bytes of a status block still coming keep it watched.
    if (byInput && blocks == blocksSeen && connection_->QueuedReplyBytes() > repliesBefore)
      ignoreInputUntil = now + timing_.drainMs;
    if (blocks != blocksSeen) {
      blocksSeen = blocks;
      blocksArrive = true;
      const bool batteryLow = battery && IsBatteryTooLow(*battery);
      status = DeriveStatusCode(connection_->LastStatusBlockState(), batteryLow);
    }
    if (pollNow || now >= nextPoll) {
      std::uint32_t code = XJC_STATUS_NO_REPLY;
      connection_->QueryStatusCode(code);  // code stays "no reply" on failure
      status = code;
      now = NowMs();
      nextPoll = now + (blocksArrive && code != XJC_STATUS_NO_REPLY ? timing_.confirmPollMs
                                                               : timing_.pollMs);
    }
    if (stop_) break;
    if (procedures_.WantsBattery() && now >= nextBattery) {
      std::uint16_t code = 0;
      if (connection_->QueryBattery(code) == XJC_OK) battery = code;
      now = NowMs();
      nextBattery = now + timing_.batteryMs;
    }
    {
      std::lock_guard<std::mutex> guard(mutex_);
      status_ = status;
    }
    procedures_.Deliver(status, battery, stop_);
  }
  tlMonitor = nullptr;
}

}  // namespace xjcomm
