#include "libs/xjcomm/PrinterConnection.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "libs/xjcomm/FdIo.h"
#include "libs/xjcomm/LptTransport.h"
#include "libs/xjcomm/SerialTransport.h"
#include "libs/xjcomm/TcpTransport.h"
#include "libs/xjcomm/UsbTransport.h"

namespace xjcomm {
namespace {

// Replies that nobody reads are kept up to this many bytes; older ones are dropped.
constexpr std::size_t kMaxPendingBytes = 64 * 1024;
// Time to wait for XON after XOFF, per wait, while flow control is forced.
constexpr std::uint32_t kFlowWaitSliceMs = 100;
// Writing GS a 0 on close must not hold anyone up for long.
constexpr std::uint32_t kCloseWriteTimeoutMs = 300;

// Whether a complete reply has the form a question waits for.
bool HasForm(const ReplyUnit& unit, ReplyForm form) {
  switch (form) {
    case ReplyForm::RealTimeStatus: return unit.kind == UnitKind::RealTimeStatus;
    case ReplyForm::PrinterId: return unit.kind == UnitKind::PrinterId;
    case ReplyForm::InfoBlock:
      return unit.kind == UnitKind::Block && !unit.bytes.empty() &&
             unit.bytes[0] == kHeaderPrinterInfo;
    case ReplyForm::BatteryBlock:
      return unit.kind == UnitKind::Block && unit.bytes.size() >= 2 &&
             unit.bytes[0] == kHeaderSetting && unit.bytes[1] == kBatteryIdentifier;
  }
  return false;
}

std::string RealPathOr(const std::string& path) {
  char buffer[PATH_MAX];
  return ::realpath(path.c_str(), buffer) ? std::string(buffer) : path;
}

}  // namespace

PrinterConnection::PrinterConnection(PortAddress address, ConnectionTimeouts timeouts,
                                     DeviceSearch devices)
    : address_(std::move(address)), timeouts_(timeouts), devices_(std::move(devices)) {}

PrinterConnection::~PrinterConnection() { Close(); }

XJC_RESULT PrinterConnection::Open() {
  std::lock_guard<std::mutex> guard(mutex_);
  if (open_) return XJC_OK;

  // Work out the device node and the name the lock goes by.
  std::string device = address_.device;
  if (address_.kind == PortKind::Usb && !address_.usbIdentity.empty()) {
    const std::string node = devices_.FindUsbNode(address_.usbIdentity);
    if (!node.empty()) device = node;
  }
  if (address_.kind != PortKind::Net && device.empty()) return XJC_E_OPEN_FAILED;
  PortAddress resolved = address_;
  if (address_.kind != PortKind::Net) resolved.device = RealPathOr(device);

  switch (address_.kind) {
    case PortKind::Net:
      transport_ = std::make_unique<TcpTransport>(address_.ipv4, address_.tcpPort);
      break;
    case PortKind::Serial:
    case PortKind::Bluetooth:
      transport_ = std::make_unique<SerialTransport>(device, address_.serial);
      break;
    case PortKind::Usb:
      transport_ = std::make_unique<UsbTransport>(device);
      break;
    case PortKind::Parallel:
      transport_ = std::make_unique<LptTransport>(device);
      break;
  }

  if (const XJC_RESULT rc = lock_.Acquire(resolved.Identity()); rc != XJC_OK) {
    transport_.reset();
    return rc;
  }
  if (const XJC_RESULT rc = OpenTransportLocked(); rc != XJC_OK) {
    transport_.reset();
    lock_.Release();
    return rc;
  }
  open_ = true;
  return XJC_OK;
}

XJC_RESULT PrinterConnection::OpenTransportLocked() {
  transport_->Close();
  filter_.Clear();
  broken_ = false;
  stale_ = false;
  rawReplyPending_ = false;
  owed_.clear();
  xoff_ = false;
  return transport_->Open(timeouts_.connectMs);
}

void PrinterConnection::Close() {
  std::lock_guard<std::mutex> guard(mutex_);
  if (!open_) return;
  if (asbItems_ != 0 && !broken_) {
    // Leave the printer quiet for the next program that talks to it.
    const Bytes off = AutoStatusBack(0);
    std::size_t done = 0;
    transport_->Write(off.data(), off.size(), &done, kCloseWriteTimeoutMs);
  }
  transport_->Close();
  transport_.reset();
  lock_.Release();
  filter_.Clear();
  open_ = false;
  broken_ = false;
  rawReplyPending_ = false;
  owed_.clear();
  asbItems_ = 0;
}

bool PrinterConnection::IsOpen() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return open_;
}

std::string PrinterConnection::Describe() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return transport_ ? transport_->Describe() : address_.Endpoint();
}

XJC_RESULT PrinterConnection::EnsureConnectedLocked() {
  if (!open_) return XJC_E_NOT_OPEN;
  if (!broken_) return XJC_OK;
  if (OpenTransportLocked() != XJC_OK) {
    broken_ = true;
    return XJC_E_IO;
  }
  if (asbItems_ != 0) {
    const Bytes on = AutoStatusBack(asbItems_);
    std::size_t done = 0;
    if (transport_->Write(on.data(), on.size(), &done, timeouts_.writeMs) != XJC_OK) {
      broken_ = true;
      return XJC_E_IO;
    }
  }
  return XJC_OK;
}

XJC_RESULT PrinterConnection::PumpLocked(std::uint32_t timeoutMs) {
  std::uint8_t buffer[1024];
  std::size_t n = 0;
  const XJC_RESULT rc = transport_->Read(buffer, sizeof(buffer), &n, timeoutMs);
  if (rc == XJC_E_IO) broken_ = true;
  if (rc != XJC_OK) return rc;
  const ReplyFilter::FeedResult fed = filter_.Feed(buffer, n);
  for (const auto& block : fed.statusBlocks) {
    PrinterState state;
    if (StateFromAsb(block, state)) {
      asbState_ = state;
      ++asbCount_;
      if (asbHook_) asbHook_();
    }
  }
  if (fed.lastFlow != ReplyFilter::Flow::None) xoff_ = fed.lastFlow == ReplyFilter::Flow::Xoff;
  ClaimOwedRepliesLocked();
  // Nobody is reading the oldest replies: keep memory bounded.
  while (filter_.PendingBytes() > kMaxPendingBytes && filter_.UnitCount() > 1) {
    filter_.TakeUnit(0);
  }
  return XJC_OK;
}

void PrinterConnection::DrainLocked() {
  // A bounded number of rounds: a printer that never stops talking cannot hold us here.
  for (int round = 0; round < 16; ++round) {
    if (PumpLocked(0) != XJC_OK) return;
  }
}

bool PrinterConnection::Drain() {
  std::lock_guard<std::mutex> guard(mutex_);
  if (!open_ || broken_) return false;
  DrainLocked();
  return !broken_;
}

int PrinterConnection::ReadinessDescriptor() const {
  std::lock_guard<std::mutex> guard(mutex_);
  if (!open_ || broken_ || !transport_) return -1;
  return transport_->ReadinessDescriptor();
}

XJC_RESULT PrinterConnection::WriteAllLocked(const std::uint8_t* data, std::size_t size,
                                             std::size_t* done, std::uint32_t timeoutMs) {
  *done = 0;
  const std::uint64_t deadline = NowMs() + timeoutMs;
  while (flowForced_ && xoff_) {
    const std::uint64_t now = NowMs();
    if (now >= deadline) return XJC_E_TIMEOUT;
    const XJC_RESULT rc = PumpLocked(static_cast<std::uint32_t>(
        std::min<std::uint64_t>(deadline - now, kFlowWaitSliceMs)));
    if (rc == XJC_E_IO) return rc;
  }
  const std::uint64_t now = NowMs();
  const auto remaining = static_cast<std::uint32_t>(deadline > now ? deadline - now : 0);
  const XJC_RESULT rc = transport_->Write(data, size, done, remaining);
  if (rc == XJC_E_IO) broken_ = true;
  return rc;
}

XJC_RESULT PrinterConnection::TransactLocked(const Bytes& request, std::uint32_t timeoutMs,
                                             ReplyForm form, ReplyUnit& reply) {
  if (const XJC_RESULT rc = EnsureConnectedLocked(); rc != XJC_OK) return rc;
  DrainLocked();
  if (broken_) return XJC_E_IO;
  if (stale_) {
    // What is queued now may be the late answer to the question that timed out.
    filter_.Clear();
    stale_ = false;
  }
  const std::size_t skip = filter_.UnitCount();
  std::size_t written = 0;
  if (const XJC_RESULT rc = WriteAllLocked(request.data(), request.size(), &written,
                                           timeouts_.writeMs);
      rc != XJC_OK) {
    return rc;
  }
  const std::uint64_t deadline = NowMs() + timeoutMs;
  for (;;) {
    // The answer is the first complete reply after those that were already waiting;
    // while a caller's own reply may be among them, the first of the form asked for.
    for (std::size_t i = skip; i < filter_.UnitCount(); ++i) {
      const ReplyUnit& unit = filter_.Units()[i];
      if (!unit.complete) break;
      if (unit.forCaller) continue;
      if (!rawReplyPending_ || HasForm(unit, form)) {
        reply = filter_.TakeUnit(i);
        return XJC_OK;
      }
    }
    const std::uint64_t now = NowMs();
    if (now >= deadline) {
      stale_ = true;
      return XJC_E_TIMEOUT;
    }
    const XJC_RESULT rc = PumpLocked(static_cast<std::uint32_t>(deadline - now));
    if (rc == XJC_E_IO) return rc;
    if (rc == XJC_E_TIMEOUT && NowMs() >= deadline) {
      stale_ = true;
      return XJC_E_TIMEOUT;
    }
  }
}

XJC_RESULT PrinterConnection::BadReplyLocked() {
  // What follows a wrong answer is most likely more of it: thrown away before the next
  // question or write, like a late answer.
  stale_ = true;
  return XJC_E_BAD_REPLY;
}

XJC_RESULT PrinterConnection::Read(std::uint8_t* buffer, std::size_t size, std::size_t* done,
                                   std::uint32_t timeoutMs) {
  std::lock_guard<std::mutex> guard(mutex_);
  *done = 0;
  if (!open_) return XJC_E_NOT_OPEN;
  if (size == 0) return XJC_OK;
  const std::uint64_t deadline = NowMs() + timeoutMs;
  while (filter_.PendingBytes() == 0) {
    if (broken_) return XJC_E_IO;
    const std::uint64_t now = NowMs();
    // Status blocks alone do not end the wait; the loop ends with data, the deadline or
    // a lost connection.
    const XJC_RESULT rc =
        PumpLocked(now >= deadline ? 0 : static_cast<std::uint32_t>(deadline - now));
    if (rc != XJC_OK) return rc;
  }
  DrainLocked();
  *done = filter_.TakeBytes(buffer, size);
  return XJC_OK;
}

XJC_RESULT PrinterConnection::Write(const std::uint8_t* data, std::size_t size, std::size_t* done,
                                    std::uint32_t timeoutMs) {
  std::lock_guard<std::mutex> guard(mutex_);
  *done = 0;
  if (const XJC_RESULT rc = EnsureConnectedLocked(); rc != XJC_OK) return rc;
  if (size == 0) return XJC_OK;
  if (stale_) {
    // A late answer to our own question must not reach the caller's next Read.
    DrainLocked();
    filter_.Clear();
    stale_ = false;
  }
  const XJC_RESULT rc = WriteAllLocked(data, size, done, timeoutMs);
  if (*done > 0) rawReplyPending_ = true;
  if (rc == XJC_OK && *done == size) NoteOwedRepliesLocked(data, size);
  return rc;
}

void PrinterConnection::NoteOwedRepliesLocked(const std::uint8_t* data, std::size_t size) {
  // Only a write made of such requests alone: in print data the same bytes may be part
  // of an image and get no answer.
  const Bytes battery = BatteryStatusRequest();
  std::vector<ReplyForm> forms;
  for (std::size_t i = 0; i < size;) {
    const std::size_t left = size - i;
    if (left >= 3 && data[i] == 0x10 && data[i + 1] == 0x04 && data[i + 2] >= kRtPrinter &&
        data[i + 2] <= kRtPaper) {
      forms.push_back(ReplyForm::RealTimeStatus);
      i += 3;
    } else if (left >= battery.size() && std::equal(battery.begin(), battery.end(), data + i)) {
      forms.push_back(ReplyForm::BatteryBlock);
      i += battery.size();
    } else {
      return;
    }
  }
  const std::uint64_t until = NowMs() + timeouts_.replyMs;
  for (const ReplyForm form : forms) owed_.push_back({form, until});
}

void PrinterConnection::ClaimOwedRepliesLocked() {
  const std::uint64_t now = NowMs();
  while (!owed_.empty() && owed_.front().untilMs < now) owed_.pop_front();
  for (std::size_t i = 0; i < filter_.UnitCount(); ++i) {
    ReplyUnit& unit = filter_.UnitAt(i);
    if (!unit.complete) break;
    if (unit.examined) continue;
    unit.examined = true;
    // The printer answers in order, and the caller's requests went out first.
    if (!owed_.empty() && HasForm(unit, owed_.front().form)) {
      unit.forCaller = true;
      owed_.pop_front();
    }
  }
}

XJC_RESULT PrinterConnection::Purge() {
  std::lock_guard<std::mutex> guard(mutex_);
  if (!open_) return XJC_E_NOT_OPEN;
  if (!broken_) DrainLocked();
  filter_.Clear();
  stale_ = false;
  rawReplyPending_ = false;
  owed_.clear();
  return XJC_OK;
}

void PrinterConnection::SetFlowControlForced(bool forced) {
  std::lock_guard<std::mutex> guard(mutex_);
  flowForced_ = forced;
}

XJC_RESULT PrinterConnection::Reconnect() {
  std::lock_guard<std::mutex> guard(mutex_);
  if (!open_) return XJC_E_NOT_OPEN;
  broken_ = true;  // makes EnsureConnectedLocked open the transport anew
  return EnsureConnectedLocked();
}

XJC_RESULT PrinterConnection::QueryStateLocked(PrinterState& state) {
  PrinterState s;
  for (std::uint8_t n : {kRtPrinter, kRtOffline, kRtError, kRtPaper}) {
    ReplyUnit reply;
    if (const XJC_RESULT rc = TransactLocked(RealTimeStatusRequest(n), timeouts_.replyMs,
                                               ReplyForm::RealTimeStatus, reply);
        rc != XJC_OK) {
      return rc;
    }
    if (reply.kind != UnitKind::RealTimeStatus || !ApplyRealTimeStatus(n, reply.bytes[0], s)) {
      return BadReplyLocked();
    }
  }
  state = s;
  return XJC_OK;
}

XJC_RESULT PrinterConnection::QueryState(PrinterState& state) {
  std::lock_guard<std::mutex> guard(mutex_);
  return QueryStateLocked(state);
}

XJC_RESULT PrinterConnection::QueryStatusCode(std::uint32_t& code) {
  std::lock_guard<std::mutex> guard(mutex_);
  code = XJC_STATUS_NO_REPLY;
  PrinterState state;
  const XJC_RESULT rc = QueryStateLocked(state);
  if (rc != XJC_OK) {
    LineStatus lines;
    if (rc == XJC_E_TIMEOUT && transport_ && transport_->ReadLineStatus(lines)) {
      // A parallel printer without a reverse channel still shows paper and online state.
      state = {};
      state.paperEnd = lines.paperOut;
      state.offline = !lines.selected;
      state.recoverableError = lines.error && !lines.paperOut;
      stale_ = false;
      code = DeriveStatusCode(state, false);
      return XJC_OK;
    }
    return rc;
  }
  bool batteryLow = false;
  if (state.offline && DeriveStatusCode(state, false) == XJC_STATUS_OFFLINE &&
      batterySupported_.value_or(true)) {
    // An offline printer without another cause may have run its battery flat.
    std::uint16_t battery = 0;
    const XJC_RESULT brc = QueryBatteryLocked(battery);
    if (brc == XJC_OK) batteryLow = IsBatteryTooLow(battery);
    if (brc == XJC_E_IO) return brc;
  }
  code = DeriveStatusCode(state, batteryLow);
  return XJC_OK;
}

XJC_RESULT PrinterConnection::QueryBatteryLocked(std::uint16_t& code) {
  ReplyUnit reply;
  const XJC_RESULT rc = TransactLocked(BatteryStatusRequest(), timeouts_.replyMs,
                                        ReplyForm::BatteryBlock, reply);
  if (rc == XJC_E_TIMEOUT && !batterySupported_) batterySupported_ = false;
  if (rc != XJC_OK) return rc;
  const std::optional<std::uint16_t> parsed =
      reply.kind == UnitKind::Block ? ParseBatteryReply(reply.bytes) : std::nullopt;
  if (!parsed) return BadReplyLocked();
  batterySupported_ = true;
  battery_ = *parsed;
  code = *parsed;
  return XJC_OK;
}

XJC_RESULT PrinterConnection::QueryBattery(std::uint16_t& code) {
  std::lock_guard<std::mutex> guard(mutex_);
  return QueryBatteryLocked(code);
}

XJC_RESULT PrinterConnection::QueryInfoTextLocked(std::uint8_t function, std::string& text) {
  ReplyUnit reply;
  if (const XJC_RESULT rc = TransactLocked(PrinterIdRequest(function), timeouts_.replyMs,
                                           ReplyForm::InfoBlock, reply);
      rc != XJC_OK) {
    return rc;
  }
  const std::optional<std::string> parsed =
      reply.kind == UnitKind::Block ? ParseInfoBlock(reply.bytes) : std::nullopt;
  if (!parsed) return BadReplyLocked();
  text = *parsed;
  return XJC_OK;
}

XJC_RESULT PrinterConnection::QueryInfoText(std::uint8_t function, std::string& text) {
  std::lock_guard<std::mutex> guard(mutex_);
  return QueryInfoTextLocked(function, text);
}

XJC_RESULT PrinterConnection::QueryPrinterIdLocked(std::uint8_t function, std::uint8_t& value) {
  ReplyUnit reply;
  if (const XJC_RESULT rc = TransactLocked(PrinterIdRequest(function), timeouts_.replyMs,
                                           ReplyForm::PrinterId, reply);
      rc != XJC_OK) {
    return rc;
  }
  if (reply.kind == UnitKind::Block || reply.bytes.size() != 1) return BadReplyLocked();
  value = reply.bytes[0];
  return XJC_OK;
}

XJC_RESULT PrinterConnection::QueryPrinterId(std::uint8_t function, std::uint8_t& value) {
  std::lock_guard<std::mutex> guard(mutex_);
  return QueryPrinterIdLocked(function, value);
}

XJC_RESULT PrinterConnection::QueryModelLocked(std::string& name, bool fresh) {
  if (model_ && !fresh) {
    name = *model_;
    return XJC_OK;
  }
  std::string text;
  if (const XJC_RESULT rc = QueryInfoTextLocked(kIdModelName, text); rc != XJC_OK) return rc;
  if (text.empty()) {
    // The name is not ready yet: the model ID still says which printer this is.
    std::uint8_t id = 0;
    if (const XJC_RESULT rc = QueryPrinterIdLocked(kIdModel, id); rc != XJC_OK) return rc;
    text = ModelNameForDeviceId(id);
    if (text.empty()) return XJC_E_BAD_REPLY;
  }
  model_ = text;
  name = text;
  return XJC_OK;
}

XJC_RESULT PrinterConnection::QueryModel(std::string& name, bool fresh) {
  std::lock_guard<std::mutex> guard(mutex_);
  return QueryModelLocked(name, fresh);
}

XJC_RESULT PrinterConnection::QueryModelTraits(const ModelTraits*& traits) {
  std::lock_guard<std::mutex> guard(mutex_);
  traits = nullptr;
  std::string name;
  if (const XJC_RESULT rc = QueryModelLocked(name, false); rc != XJC_OK) return rc;
  traits = FindModel(name, std::nullopt);
  return XJC_OK;
}

XJC_RESULT PrinterConnection::EnableAutoStatus(std::uint8_t items) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (const XJC_RESULT rc = EnsureConnectedLocked(); rc != XJC_OK) return rc;
  const Bytes request = AutoStatusBack(items);
  std::size_t done = 0;
  const XJC_RESULT rc = WriteAllLocked(request.data(), request.size(), &done, timeouts_.writeMs);
  if (rc == XJC_OK) asbItems_ = items;
  return rc;
}

void PrinterConnection::SetStatusBlockHook(const void* owner, std::function<void()> hook) {
  std::lock_guard<std::mutex> guard(mutex_);
  asbHookOwner_ = owner;
  asbHook_ = std::move(hook);
}

void PrinterConnection::ClearStatusBlockHook(const void* owner) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (asbHookOwner_ != owner) return;
  asbHookOwner_ = nullptr;
  asbHook_ = nullptr;
}

std::uint64_t PrinterConnection::StatusBlockCount() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return asbCount_;
}

PrinterState PrinterConnection::LastStatusBlockState() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return asbState_;
}

std::size_t PrinterConnection::QueuedReplyBytes() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return filter_.PendingBytes();
}

std::optional<std::uint16_t> PrinterConnection::LastBattery() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return battery_;
}

}  // namespace xjcomm
