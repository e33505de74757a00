#include "libs/xjcomm/StatusMonitor.h"

#include <algorithm>
#include <chrono>

#include "libs/xjcomm/CommandLanguage.h"
#include "libs/xjcomm/FdIo.h"

namespace xjcomm {
namespace {

thread_local StatusMonitor* tlMonitor = nullptr;

}  // namespace

StatusMonitor::StatusMonitor(std::shared_ptr<PrinterConnection> connection,
                             StatusProcedures& procedures, MonitorTiming timing)
    : connection_(std::move(connection)), procedures_(procedures), timing_(timing) {}

StatusMonitor::~StatusMonitor() {
  RequestStop();
  Join();
}

void StatusMonitor::Start() {
  if (thread_.joinable()) return;
  stop_ = false;
  thread_ = std::thread([this] { Run(); });
}

void StatusMonitor::RequestStop() {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
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
  wake_.notify_all();
}

void StatusMonitor::PollNow() {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    woken_ = true;
    pollNow_ = true;
  }
  wake_.notify_all();
}

std::optional<std::uint32_t> StatusMonitor::CurrentStatus() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return status_;
}

StatusMonitor* StatusMonitor::OnMonitorThread() { return tlMonitor; }

void StatusMonitor::Run() {
  tlMonitor = this;
  std::uint64_t now = NowMs();
  std::uint64_t nextPoll = now;
  std::uint64_t nextBattery = now;
  std::uint64_t blocksSeen = connection_->StatusBlockCount();
  bool blocksArrive = false;
  std::optional<std::uint32_t> status;
  std::optional<std::uint16_t> battery;

  for (;;) {
    bool pollNow = false;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      std::uint64_t wakeAt = std::min(now + timing_.drainMs, nextPoll);
      const auto until = std::chrono::steady_clock::now() +
                         std::chrono::milliseconds(wakeAt > now ? wakeAt - now : 0);
      wake_.wait_until(lock, until, [this] { return stop_.load() || woken_; });
      if (stop_) break;
      woken_ = false;
      pollNow = pollNow_;
      pollNow_ = false;
    }
    now = NowMs();

    connection_->Drain();
    const std::uint64_t blocks = connection_->StatusBlockCount();
    if (blocks != blocksSeen) {
      blocksSeen = blocks;
      blocksArrive = true;
      const bool batteryLow = battery && IsBatteryTooLow(*battery);
      status = DeriveStatusCode(connection_->LastStatusBlockState(), batteryLow);
    }
    if (pollNow || now >= nextPoll) {
      std::uint32_t code = kStatusNoReply;
      connection_->QueryStatusCode(code);  // code stays "no reply" on failure
      status = code;
      now = NowMs();
      nextPoll = now + (blocksArrive && code != kStatusNoReply ? timing_.confirmPollMs
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
