#pragma once
// StatusMonitor: the library's thread that follows an open printer and tells the
// registered procedures about its status and battery.
//
// It reads the automatic status blocks the printer sends on every change as soon as
// they arrive: the thread sleeps in poll() on the connection's descriptor and on a
// descriptor of its own that Wake, PollNow, RequestStop and the connection's status
// block hook (a block read by another thread) signal. A transport without a descriptor
// is looked at every drainMs instead; so is one whose descriptor woke the thread with
// another caller's reply bytes (a conversation, whose replies would otherwise wake the
// thread one by one), until the next look. It asks for the real-time status
// (DLE EOT 1-4) regularly: every pollMs while no status block has arrived, every
// confirmPollMs once they do (to notice a printer that went silent or a lost
// connection). The battery is asked for every batteryMs while a battery procedure is
// registered.
//
// The owner starts it, asks it to stop and joins it; the thread never outlives its owner's
// Join. Functions may be called from any thread unless stated otherwise.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "libs/xjcomm/PrinterConnection.h"
#include "libs/xjcomm/StatusProcedures.h"

namespace xjcomm {

struct MonitorTiming {
  std::uint32_t drainMs = 100;          // how often arrived bytes are read without a descriptor
  std::uint32_t pollMs = 500;           // real-time status while no status blocks come
  std::uint32_t confirmPollMs = 2000;   // real-time status while they do
  std::uint32_t batteryMs = 1000;       // battery while a battery procedure is registered
};

class StatusMonitor {
 public:
  StatusMonitor(std::shared_ptr<PrinterConnection> connection, StatusProcedures& procedures,
                MonitorTiming timing = {});
  // Stops and joins (must not run on the monitor's own thread).
  ~StatusMonitor();
  StatusMonitor(const StatusMonitor&) = delete;
  StatusMonitor& operator=(const StatusMonitor&) = delete;

  void Start();
  // Asks the thread to end; returns at once.
  void RequestStop();
  // Waits for the thread to end (after RequestStop). Not from the monitor's own thread.
  void Join();
  bool StopRequested() const { return stop_.load(); }
  // Makes the thread look at the procedures now (a new registration).
  void Wake();
  // Makes the thread ask the printer for its status now.
  void PollNow();

  // The last status code learnt, if any.
  std::optional<std::uint32_t> CurrentStatus() const;
  const std::shared_ptr<PrinterConnection>& Connection() const { return connection_; }

  // The monitor whose thread is running the calling code, or null on any other thread.
  static StatusMonitor* OnMonitorThread();

 private:
  void Run();
  // Makes a wait of the thread end now.
  void Signal();
  // Sleeps until untilMs (NowMs clock), a signal, or (when input >= 0) bytes on input;
  // true when input ended it.
  bool Sleep(std::uint64_t untilMs, int input);

  std::shared_ptr<PrinterConnection> connection_;
  StatusProcedures& procedures_;
  const MonitorTiming timing_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  int wakeFd_ = -1;  // eventfd, -1 when none could be made (waits then end by time)
  bool woken_ = false;
  bool pollNow_ = false;
  std::optional<std::uint32_t> status_;
};

}  // namespace xjcomm
