#pragma once
// PrinterConnection: one open port to one printer. It owns the transport, the port lock
// and the reply filter, and serialises all traffic with one mutex, so the status monitor
// and the callers of Read/Write never interleave a request and its reply.
//
// Replies are told apart from automatic status blocks by the reply filter. A question
// of the library's own (status, model name, battery) waits for the first complete reply
// that arrives after it was sent; replies that were already waiting stay queued for
// XJC_Read. While a caller of Write may still be waiting for the reply to its own
// request (from the write until the next Purge), a question takes only a reply of the
// form it asks for and leaves every other one queued, so the status monitor asking
// between a caller's Write and Read never takes the caller's reply for its own. After a
// question timed out, whatever has arrived late is thrown away before the next question
// or write, so a slow printer's late answer neither passes for the answer to the next
// question nor reaches a caller of Read. A write that holds nothing but requests the
// library also asks itself (real-time status, battery) owes the caller their replies:
// the next replies of those forms, in order, are the caller's and no question takes
// them, even when they arrive after the question was sent (until the next Purge, or once
// a reply's time has passed).
//
// When the connection is lost (the printer restarted, the cable was pulled), the next
// question or write opens the transport again once before it reports a failure, and
// switches automatic status back on again if it was on.
//
// Every public function may be called from any thread.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "libs/xjcomm/CommandLanguage.h"
#include "libs/xjcomm/DeviceSearch.h"
#include "libs/xjcomm/PortAddress.h"
#include "libs/xjcomm/PortLock.h"
#include "libs/xjcomm/ReplyFilter.h"
#include "libs/xjcomm/Transport.h"

namespace xjcomm {

// The form of the reply a question of the library's own waits for.
enum class ReplyForm {
  RealTimeStatus,  // one DLE EOT byte
  PrinterId,       // one GS I 1-3 byte
  InfoBlock,       // 5F text 00
  BatteryBlock,    // 37 45 source level 00
};

struct ConnectionTimeouts {
  std::uint32_t connectMs = 3000;  // opening a TCP connection
  std::uint32_t replyMs = 1500;    // waiting for the reply to one question
  std::uint32_t writeMs = 3000;    // writing one request
};

class PrinterConnection {
 public:
  PrinterConnection(PortAddress address, ConnectionTimeouts timeouts = {},
                    DeviceSearch devices = DeviceSearch());
  ~PrinterConnection();  // closes
  PrinterConnection(const PrinterConnection&) = delete;
  PrinterConnection& operator=(const PrinterConnection&) = delete;

  // Takes the port's lock and opens the transport. XJC_OK; XJC_E_IN_USE when another
  // process holds the port; XJC_E_OPEN_FAILED or XJC_E_TIMEOUT when it cannot be opened.
  XJC_RESULT Open();
  // Switches automatic status back off (when it was on), closes and releases the lock.
  void Close();
  bool IsOpen() const;
  const PortAddress& Address() const { return address_; }
  std::string Describe() const;

  // ---- raw traffic (outside components) ----
  // Reads reply bytes, waiting at most timeoutMs for the first one (status blocks and
  // XON/XOFF never appear). XJC_OK (*done > 0), XJC_E_TIMEOUT, XJC_E_IO, XJC_E_NOT_OPEN.
  XJC_RESULT Read(std::uint8_t* buffer, std::size_t size, std::size_t* done,
                  std::uint32_t timeoutMs);
  // Writes all bytes within timeoutMs (after XOFF, waits for XON while flow control is
  // forced). XJC_OK, XJC_E_TIMEOUT (*done tells how far), XJC_E_IO, XJC_E_NOT_OPEN.
  XJC_RESULT Write(const std::uint8_t* data, std::size_t size, std::size_t* done,
                   std::uint32_t timeoutMs);
  // Throws away everything received and not yet read.
  XJC_RESULT Purge();
  void SetFlowControlForced(bool forced);
  // Opens the transport again (after a lost connection), then purges.
  XJC_RESULT Reconnect();

  // ---- questions ----
  // The printer's state from DLE EOT 1-4.
  XJC_RESULT QueryState(PrinterState& state);
  // The status code (XJC_STATUS_*); on failure code = XJC_STATUS_NO_REPLY and the failure is
  // returned. A parallel port that cannot answer is judged by its status lines.
  XJC_RESULT QueryStatusCode(std::uint32_t& code);
  // The battery code (level << 8) | source.
  XJC_RESULT QueryBattery(std::uint16_t& code);
  // A printer information text (GS I 65-69).
  XJC_RESULT QueryInfoText(std::uint8_t function, std::string& text);
  // A one-byte printer ID (GS I 1-3).
  XJC_RESULT QueryPrinterId(std::uint8_t function, std::uint8_t& value);
  // The model name: the printer's own, or the one its model ID stands for when the name
  // is not ready. Learnt once per connection; fresh asks the printer even so.
  XJC_RESULT QueryModel(std::string& name, bool fresh = false);
  // The model's traits (null when the model is unknown or could not be learnt).
  XJC_RESULT QueryModelTraits(const ModelTraits*& traits);
  // Sends GS a items (0 switches automatic status back off).
  XJC_RESULT EnableAutoStatus(std::uint8_t items);

  // ---- automatic status ----
  // Reads whatever has arrived, without waiting. False when the connection is lost.
  bool Drain();
  // The descriptor to wait on for arriving bytes (poll() for reading), -1 while the
  // connection is closed or lost or its transport has none. The descriptor belongs to
  // the connection: it may be closed (and its number reused) by a Close or a reconnect
  // at any time, so a wait on it must be bounded and followed by a fresh look.
  int ReadinessDescriptor() const;
  // Calls hook (under the connection's lock: it must only signal, never call back) each
  // time a status block arrives, whichever thread's read brought it. One hook at a time,
  // set by its owner; ClearStatusBlockHook removes it only while owner's is the one set,
  // and no call of it is running once it returns.
  void SetStatusBlockHook(const void* owner, std::function<void()> hook);
  void ClearStatusBlockHook(const void* owner);
  // The number of well-formed status blocks received so far, and the state of the last.
  std::uint64_t StatusBlockCount() const;
  PrinterState LastStatusBlockState() const;
  // The last battery code learnt, if any.
  std::optional<std::uint16_t> LastBattery() const;
  // Reply bytes received and not yet taken by anyone.
  std::size_t QueuedReplyBytes() const;

 private:
  XJC_RESULT OpenTransportLocked();
  XJC_RESULT EnsureConnectedLocked();
  XJC_RESULT PumpLocked(std::uint32_t timeoutMs);
  void DrainLocked();
  XJC_RESULT TransactLocked(const Bytes& request, std::uint32_t timeoutMs, ReplyForm form,
                            ReplyUnit& reply);
  XJC_RESULT BadReplyLocked();
  XJC_RESULT WriteAllLocked(const std::uint8_t* data, std::size_t size, std::size_t* done,
                            std::uint32_t timeoutMs);
  XJC_RESULT QueryStateLocked(PrinterState& state);
  XJC_RESULT QueryBatteryLocked(std::uint16_t& code);
  XJC_RESULT QueryInfoTextLocked(std::uint8_t function, std::string& text);
  XJC_RESULT QueryPrinterIdLocked(std::uint8_t function, std::uint8_t& value);
  XJC_RESULT QueryModelLocked(std::string& name, bool fresh);
  // Notes the replies a caller's write asked for (see the class comment).
  void NoteOwedRepliesLocked(const std::uint8_t* data, std::size_t size);
  // Marks each newly complete reply that answers an owed request as the caller's.
  void ClaimOwedRepliesLocked();

  // A reply a caller's request asked for and that has not arrived yet.
  struct OwedReply {
    ReplyForm form;
    std::uint64_t untilMs;  // after this it is no longer waited for
  };

  const PortAddress address_;
  const ConnectionTimeouts timeouts_;
  const DeviceSearch devices_;

  mutable std::mutex mutex_;  // all members below
  std::unique_ptr<Transport> transport_;
  PortLock lock_;
  ReplyFilter filter_;
  bool open_ = false;
  bool broken_ = false;          // the transport reported a lost connection
  bool stale_ = false;           // a question timed out: a late reply may still come
  bool rawReplyPending_ = false;  // a caller wrote a request; its reply may still come
  bool xoff_ = false;
  bool flowForced_ = false;
  std::uint8_t asbItems_ = 0;
  std::uint64_t asbCount_ = 0;
  const void* asbHookOwner_ = nullptr;
  std::function<void()> asbHook_;
  PrinterState asbState_;
  std::optional<std::uint16_t> battery_;
  std::optional<bool> batterySupported_;
  std::optional<std::string> model_;
  std::deque<OwedReply> owed_;
};

}  // namespace xjcomm
