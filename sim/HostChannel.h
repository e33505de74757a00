#pragma once
// One way a host talks to the printer: an accepted TCP connection or the master side of
// the pseudo-terminal. It reads bytes into its CommandInterpreter and sends the replies
// back, shaped by the current link behaviour (slow, garbage, silent), through a queue
// that never blocks the event loop.
//
// A channel given a line rate behaves like a serial line of that many baud with 10 bits
// per byte (start, 8 data, stop), in each direction on its own: a byte the host wrote
// reaches the interpreter one byte time after the byte before it (or after it was read,
// when the line was idle), and a reply leaves one byte per byte time. Without one, bytes
// pass as fast as the kernel copies them.
//
// Only the simulator's event-loop thread uses a channel.
#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "sim/CommandInterpreter.h"
#include "sim/PrintEngine.h"
#include "sim/PrinterModel.h"

namespace sim {

using Clock = std::chrono::steady_clock;

// How the printer's side of the link misbehaves; set from the control channel.
struct LinkBehaviour {
  int slowMs = 0;        // every reply leaves this much later
  bool garbage = false;  // replies are replaced by random bytes
  bool silent = false;   // replies are not sent at all
  // `after N COMMAND`: only this many more bytes leave the printer; then sending stops
  // until the server has carried out afterCommand (and cleared the budget).
  std::optional<std::uint64_t> replyBudget;
  std::string afterCommand;
};

class HostChannel : public CommandInterpreter::Host {
 public:
  // Receives what the interpreter reports that concerns the whole printer.
  class Owner {
   public:
    virtual ~Owner() = default;
    virtual void OnSettingsChanged() = 0;
    virtual void OnRestartRequested() = 0;
    virtual void OnConditionChanged() = 0;
  };

  enum class ReadResult { kOk, kClosed };

  // Queued bytes above this are dropped: a host that never reads must not eat memory.
  static constexpr std::size_t kMaxQueuedBytes = 1 << 20;

  // `fd` is non-blocking; the channel closes it when `ownsFd`.
  HostChannel(int fd, bool ownsFd, std::string description, PrinterModel& model, PrintEngine& printer,
              LinkBehaviour& link, Owner& owner);
  ~HostChannel() override;
  HostChannel(const HostChannel&) = delete;
  HostChannel& operator=(const HostChannel&) = delete;

  int Fd() const { return fd_; }
  const std::string& Description() const { return description_; }
  CommandInterpreter& Interpreter() { return interpreter_; }
  const CommandInterpreter& Interpreter() const { return interpreter_; }

  // Paces the channel like a serial line of `baud` baud (see above); 0 switches pacing
  // off. Set before the first byte passes.
  void SetLineRate(int baud);

  // Reads what is available and interprets it (on a paced line: queues it to be
  // interpreted as its bytes arrive). kClosed when the peer has gone or the descriptor
  // failed. With `discard` the bytes are read and thrown away (a restarting printer
  // hears nothing).
  ReadResult ReadAvailable(bool discard);
  // A paced line: interprets the received bytes that have arrived by `now`.
  void FeedDue(Clock::time_point now);
  // Writes the queued bytes whose time has come (on a paced line: whose time on the line
  // has passed), no more than the reply budget allows. False when the descriptor failed.
  bool WriteDue(Clock::time_point now);
  // True when bytes are due now but could not be written yet (wait for writability).
  bool HasDueOutput(Clock::time_point now) const;
  // The time the next queued reply byte becomes due or the next received byte arrives,
  // if any.
  std::optional<Clock::time_point> NextDue() const;
  // Throws away everything queued (counted as dropped replies).
  void DiscardOutput();
  // Throws away received bytes that have not arrived yet (a paced line).
  void DiscardInput() { arriving_.clear(); }
  // Queues what has not left yet again, as the link behaves now (silent drops it,
  // garbage scrambles it): the rest of a reply held back by the reply budget.
  void Requeue();

  // CommandInterpreter::Host
  void SendToHost(std::vector<std::uint8_t> bytes) override;
  void SettingsChanged() override { owner_.OnSettingsChanged(); }
  void RestartRequested() override { owner_.OnRestartRequested(); }
  void ConditionChanged() override { owner_.OnConditionChanged(); }

 private:
  // The reply budget is spent: nothing leaves until the server lifts it.
  bool Held() const;

  struct Pending {
    Clock::time_point due;
    std::vector<std::uint8_t> bytes;
    std::size_t sent = 0;
  };
  struct Arriving {
    Clock::time_point at;
    std::uint8_t byte;
  };

  // When the next reply byte reaches the host on a paced line.
  Clock::time_point NextOutputByteAt() const;

  int fd_;
  bool ownsFd_;
  std::string description_;
  PrinterModel& model_;
  LinkBehaviour& link_;
  Owner& owner_;
  CommandInterpreter interpreter_;
  std::deque<Pending> queue_;
  std::size_t queuedBytes_ = 0;
  std::mt19937 random_;

  // Pacing: zero byte time when off.
  Clock::duration byteTime_{};
  Clock::time_point outLineFree_{};  // the host has every reply byte written so far by then
  Clock::time_point inLineFree_{};   // every received byte has arrived by then
  std::deque<Arriving> arriving_;
};

}  // namespace sim
