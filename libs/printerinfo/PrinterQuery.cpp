#include "libs/printerinfo/PrinterQuery.h"

#include <algorithm>
#include <chrono>
#include <limits>

#include "sdk/IXJComm.h"
#include "sdk/XJComm.h"

namespace {

constexpr std::uint8_t kXon = 0x11;
constexpr std::uint8_t kXoff = 0x13;
constexpr std::uint8_t kBlockText = 0x5F;     // header of GS I 65..69 replies
constexpr std::uint8_t kBlockData = 0x37;     // header of GS ( E, GS ( L and battery replies
constexpr std::uint8_t kIdentCustomValue = 0x27;
constexpr std::uint8_t kIdentNvCapacity = 0x31;
constexpr std::uint8_t kIdentUserSettingMode = 0x20;
constexpr std::uint8_t kIdentMemorySwitch = 0x21;
constexpr std::uint8_t kIdentBattery = 0x45;
constexpr std::uint8_t kIdentKeyList = 0x72;
constexpr std::uint8_t kKeyListLast = 0x40;
constexpr std::uint8_t kKeyListMore = 0x41;
constexpr std::uint8_t kAck = 0x06;
constexpr std::uint8_t kFirstKeyByte = 32;
constexpr std::uint8_t kLastKeyByte = 126;
constexpr std::size_t kKeyCodeCount = 95 * 95;
constexpr std::uint8_t kSeparator = 0x1F;     // between setting number and value
constexpr std::uint8_t kTerminator = 0x00;
constexpr int kNoIdent = -1;

constexpr std::uint8_t kPowerAc = 0x30;
constexpr std::uint8_t kPowerBattery = 0x31;
constexpr std::uint8_t kLevelEmpty = 0x30;
constexpr std::uint8_t kLevelFull = 0x36;

constexpr std::size_t kReadChunk = 256;
// Long commands (an image for the NV graphics memory) go out in pieces, each with the
// whole write time limit, so a slow serial line gets the time the size needs.
constexpr std::size_t kWriteChunk = 4096;

std::uint64_t NowMs() {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// ASCII decimal digits only, at least one, within 32 bits.
std::optional<std::uint32_t> ParseDecimal(const std::string& text) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (value > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

}  // namespace

PrinterQuery::PrinterQuery(IXJComm* comm) : PrinterQuery(comm, Timeouts{}) {}

PrinterQuery::PrinterQuery(IXJComm* comm, Timeouts timeouts)
    : comm_(comm), timeouts_(timeouts) {}

PrinterQuery::Status PrinterQuery::Send(const std::uint8_t* bytes, std::size_t size) {
  std::size_t sent = 0;
  while (sent < size) {
    const std::size_t chunk = std::min(kWriteChunk, size - sent);
    std::uint32_t done = 0;
    const std::uint32_t rc =
        comm_->Write(bytes + sent, static_cast<std::uint32_t>(chunk), &done, timeouts_.writeMs);
    if (rc == XJC_E_TIMEOUT) return Status::kNoAnswer;
    if (rc != XJC_OK || done != chunk) return Status::kIoError;
    sent += chunk;
  }
  return Status::kOk;
}

PrinterQuery::Status PrinterQuery::Exchange(const std::uint8_t* command, std::size_t size) {
  if (comm_ == nullptr) return Status::kIoError;
  // Whatever arrived before this request (a late reply to an earlier one) is not ours.
  pending_.clear();
  pendingPos_ = 0;
  if (comm_->Purge() != XJC_OK) return Status::kIoError;
  return Send(command, size);
}

PrinterQuery::Status PrinterQuery::NextByte(Clock deadlineMs, std::uint8_t* byte) {
  if (pendingPos_ < pending_.size()) {
    *byte = static_cast<std::uint8_t>(pending_[pendingPos_++]);
    return Status::kOk;
  }
  pending_.clear();
  pendingPos_ = 0;
  for (;;) {
    const Clock now = NowMs();
    if (now >= deadlineMs) return Status::kNoAnswer;
    char chunk[kReadChunk];
    std::uint32_t done = 0;
    const std::uint32_t rc =
        comm_->Read(chunk, sizeof chunk, &done, static_cast<std::uint32_t>(deadlineMs - now));
    if (rc == XJC_E_TIMEOUT) return Status::kNoAnswer;
    if (rc != XJC_OK) return Status::kIoError;
    if (done > sizeof chunk) return Status::kIoError;
    if (done == 0) continue;  // nothing yet: wait again until the deadline
    pending_.assign(chunk, done);
    *byte = static_cast<std::uint8_t>(pending_[0]);
    pendingPos_ = 1;
    return Status::kOk;
  }
}

PrinterQuery::Status PrinterQuery::FirstByte(Clock* restDeadlineMs, std::uint8_t* byte) {
  const Clock firstDeadline = NowMs() + timeouts_.firstByteMs;
  for (;;) {
    const Status st = NextByte(firstDeadline, byte);
    if (st != Status::kOk) return st;
    // Flow control bytes may precede a reply; they are no part of it.
    if (*byte == kXon || *byte == kXoff) continue;
    *restDeadlineMs = NowMs() + timeouts_.restMs;
    return Status::kOk;
  }
}

bool PrinterQuery::TrailingBytesPresent() {
  for (;;) {
    while (pendingPos_ < pending_.size()) {
      const auto b = static_cast<std::uint8_t>(pending_[pendingPos_++]);
      if (b != kXon && b != kXoff) return true;
    }
    pending_.clear();
    pendingPos_ = 0;
    char chunk[kReadChunk];
    std::uint32_t done = 0;
    // Only what is there already counts: a zero limit does not wait.
    const std::uint32_t rc = comm_->Read(chunk, sizeof chunk, &done, 0);
    if (rc != XJC_OK || done == 0 || done > sizeof chunk) return false;
    pending_.assign(chunk, done);
  }
}

PrinterQuery::Status PrinterQuery::ReadBlock(std::uint8_t header, int ident,
                                             std::string* body, bool last) {
  Clock deadline = 0;
  std::uint8_t b = 0;
  Status st = FirstByte(&deadline, &b);
  if (st != Status::kOk) return st;
  if (b != header) return Status::kBadReply;
  if (ident != kNoIdent) {
    st = NextByte(deadline, &b);
    if (st != Status::kOk) return st;
    if (b != static_cast<std::uint8_t>(ident)) return Status::kBadReply;
  }
  std::string text;
  for (;;) {
    st = NextByte(deadline, &b);
    if (st != Status::kOk) return st;
    if (b == kTerminator) break;
    if (text.size() >= kMaxBlockBody) return Status::kBadReply;
    text.push_back(static_cast<char>(b));
  }
  if (last && TrailingBytesPresent()) return Status::kBadReply;
  *body = std::move(text);
  return Status::kOk;
}

PrinterQuery::Status PrinterQuery::ReadIdByte(std::uint8_t n, std::uint8_t* id) {
  if (n != kIdModel && n != kIdType && n != kIdVersion) return Status::kBadReply;
  const std::uint8_t cmd[] = {0x1D, 0x49, n};
  Status st = Exchange(cmd, sizeof cmd);
  if (st != Status::kOk) return st;
  Clock unused = 0;
  std::uint8_t b = 0;
  st = FirstByte(&unused, &b);
  if (st != Status::kOk) return st;
  // A block header is never a one-byte ID; a printer that answers with one did not
  // understand the request.
  if (b == kBlockText || b == kBlockData) return Status::kBadReply;
  if (TrailingBytesPresent()) return Status::kBadReply;
  *id = b;
  return Status::kOk;
}

PrinterQuery::Status PrinterQuery::ReadInfoText(std::uint8_t n, std::string* text) {
  if (n < kInfoFirmware || n > kInfoFonts) return Status::kBadReply;
  const std::uint8_t cmd[] = {0x1D, 0x49, n};
  Status st = Exchange(cmd, sizeof cmd);
  if (st != Status::kOk) return st;
  std::string body;
  st = ReadBlock(kBlockText, kNoIdent, &body);
  if (st != Status::kOk) return st;
  for (char c : body) {
    const auto u = static_cast<std::uint8_t>(c);
    if (u < 0x20 || u == 0x7F) return Status::kBadReply;
  }
  *text = std::move(body);
  return Status::kOk;
}

PrinterQuery::Status PrinterQuery::ReadCustomizedValue(std::uint8_t a,
                                                       std::optional<std::uint32_t>* value) {
  const std::uint8_t cmd[] = {0x1D, 0x28, 0x45, 0x02, 0x00, 0x06, a};
  Status st = Exchange(cmd, sizeof cmd);
  if (st != Status::kOk) return st;
  std::string body;
  st = ReadBlock(kBlockData, kIdentCustomValue, &body);
  if (st != Status::kOk) return st;
  return ParseCustomizedValue(body, a, value);
}

std::vector<PrinterQuery::Status> PrinterQuery::ReadCustomizedValues(
    const std::vector<std::uint8_t>& numbers, std::vector<std::optional<std::uint32_t>>* values) {
  std::vector<Status> statuses(numbers.size(), Status::kNoAnswer);
  values->assign(numbers.size(), std::nullopt);
  if (numbers.empty()) return statuses;
  std::vector<std::uint8_t> commands;
  for (const std::uint8_t a : numbers) commands.insert(commands.end(), {0x1D, 0x28, 0x45, 0x02, 0x00, 0x06, a});
  const Status sent = Exchange(commands.data(), commands.size());
  if (sent != Status::kOk) {
    statuses.assign(numbers.size(), sent);
    return statuses;
  }
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    std::string body;
    statuses[i] = ReadBlock(kBlockData, kIdentCustomValue, &body, i + 1 == numbers.size());
    if (statuses[i] == Status::kOk) statuses[i] = ParseCustomizedValue(body, numbers[i], &(*values)[i]);
    // Nothing came: the replies still due are not waited for one after another.
    if (statuses[i] == Status::kNoAnswer || statuses[i] == Status::kIoError) {
      for (std::size_t j = i + 1; j < numbers.size(); ++j) statuses[j] = statuses[i];
      break;
    }
  }
  return statuses;
}

PrinterQuery::Status PrinterQuery::ParseCustomizedValue(const std::string& body, std::uint8_t a,
                                                        std::optional<std::uint32_t>* value) {
  const std::size_t sep = body.find(static_cast<char>(kSeparator));
  if (sep == std::string::npos) return Status::kBadReply;
  const std::optional<std::uint32_t> number = ParseDecimal(body.substr(0, sep));
  if (!number || *number != a) return Status::kBadReply;
  const std::string digits = body.substr(sep + 1);
  if (digits.empty()) {
    value->reset();
    return Status::kOk;
  }
  const std::optional<std::uint32_t> parsed = ParseDecimal(digits);
  if (!parsed) return Status::kBadReply;
  *value = parsed;
  return Status::kOk;
}

PrinterQuery::Status PrinterQuery::ReadMemorySwitch(std::uint8_t a, std::array<char, 8>* bits) {
  const std::uint8_t cmd[] = {0x1D, 0x28, 0x45, 0x02, 0x00, 0x04, a};
  Status st = Exchange(cmd, sizeof cmd);
  if (st != Status::kOk) return st;
  std::string body;
  st = ReadBlock(kBlockData, kIdentMemorySwitch, &body);
  if (st != Status::kOk) return st;
  if (body.size() != bits->size()) return Status::kBadReply;
  for (std::size_t i = 0; i < bits->size(); ++i) {
    if (body[i] != '0' && body[i] != '1') return Status::kBadReply;
    (*bits)[i] = body[i];
  }
  return Status::kOk;
}

PrinterQuery::Status PrinterQuery::EnterUserSettingMode() {
  const std::uint8_t cmd[] = {0x1D, 0x28, 0x45, 0x03, 0x00, 0x01, 'I', 'N'};
  Status st = Exchange(cmd, sizeof cmd);
  if (st != Status::kOk) return st;
  std::string body;
  st = ReadBlock(kBlockData, kIdentUserSettingMode, &body);
  if (st == Status::kOk && body.empty()) return Status::kOk;
  const std::uint8_t leave[] = {0x1D, 0x28, 0x45, 0x04, 0x00, 0x02, 'O', 'U', 'T'};
  Send(leave, sizeof leave);
  return st == Status::kOk ? Status::kBadReply : st;
}

PrinterQuery::Status PrinterQuery::SendCommand(const std::vector<std::uint8_t>& bytes) {
  if (bytes.empty()) return Status::kOk;
  return Exchange(bytes.data(), bytes.size());
}

PrinterQuery::Status PrinterQuery::ReadNvGraphicsCapacity(std::uint32_t* bytes) {
  const std::uint8_t cmd[] = {0x1D, 0x28, 0x4C, 0x02, 0x00, 0x30, 0x33};
  Status st = Exchange(cmd, sizeof cmd);
  if (st != Status::kOk) return st;
  std::string body;
  st = ReadBlock(kBlockData, kIdentNvCapacity, &body);
  if (st != Status::kOk) return st;
  const std::optional<std::uint32_t> parsed = ParseDecimal(body);
  if (!parsed) return Status::kBadReply;
  *bytes = *parsed;
  return Status::kOk;
}

PrinterQuery::Status PrinterQuery::ReadNvKeyCodes(std::vector<std::uint16_t>* keys) {
  const std::uint8_t cmd[] = {0x1D, 0x28, 0x4C, 0x04, 0x00, 0x30, 0x40, 'K', 'C'};
  Status st = Exchange(cmd, sizeof cmd);
  if (st != Status::kOk) return st;
  std::vector<std::uint16_t> listed;
  for (;;) {
    std::string body;
    st = ReadBlock(kBlockData, kIdentKeyList, &body);
    if (st != Status::kOk) return st;
    if (body.empty() || (body.size() - 1) % 2 != 0) return Status::kBadReply;
    const auto mark = static_cast<std::uint8_t>(body[0]);
    if (mark != kKeyListLast && mark != kKeyListMore) return Status::kBadReply;
    for (std::size_t i = 1; i < body.size(); i += 2) {
      const auto kc1 = static_cast<std::uint8_t>(body[i]);
      const auto kc2 = static_cast<std::uint8_t>(body[i + 1]);
      if (kc1 < kFirstKeyByte || kc1 > kLastKeyByte || kc2 < kFirstKeyByte || kc2 > kLastKeyByte) {
        return Status::kBadReply;
      }
      listed.push_back(static_cast<std::uint16_t>((kc1 << 8) | kc2));
    }
    if (listed.size() > kKeyCodeCount) return Status::kBadReply;
    if (mark == kKeyListLast) break;
    // A block that announces more must carry keys, or the listing would never end.
    if (body.size() == 1) return Status::kBadReply;
    st = Send(&kAck, 1);
    if (st != Status::kOk) return st;
  }
  *keys = std::move(listed);
  return Status::kOk;
}

PrinterQuery::Status PrinterQuery::ReadBattery(std::uint8_t* source, std::uint8_t* level) {
  const std::uint8_t cmd[] = {0x10, 0x14, 0x07, 0x05};
  Status st = Exchange(cmd, sizeof cmd);
  if (st != Status::kOk) return st;
  std::string body;
  st = ReadBlock(kBlockData, kIdentBattery, &body);
  if (st != Status::kOk) return st;
  if (body.size() != 2) return Status::kBadReply;
  const auto src = static_cast<std::uint8_t>(body[0]);
  const auto lvl = static_cast<std::uint8_t>(body[1]);
  if (src != kPowerAc && src != kPowerBattery) return Status::kBadReply;
  if (lvl < kLevelEmpty || lvl > kLevelFull) return Status::kBadReply;
  *source = static_cast<std::uint8_t>(src - kPowerAc);
  *level = static_cast<std::uint8_t>(lvl - kLevelEmpty);
  return Status::kOk;
}
