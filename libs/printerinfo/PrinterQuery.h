#pragma once
// PrinterQuery: one request and its reply at a time, through the communication object
// (sdk/IXJComm.h). Every exchange purges what the printer sent before, writes the
// command, then reads the reply with a time limit and checks its form byte by byte, so
// a silent printer gives kNoAnswer within the limit and a malformed reply gives
// kBadReply, never a hang or a read past the reply. The printer information manager and
// the device information engine share it.
//
// Threads: an object is used by one thread at a time (its owner serialises the calls);
// distinct objects over the same communication object may be used from different
// threads when the communication object allows it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class IXJComm;

class PrinterQuery {
 public:
  enum class Status {
    kOk,         // reply received and well formed
    kNoAnswer,   // nothing (or only part of a reply) arrived within the time limit
    kBadReply,   // the printer answered something that is not the expected reply
    kIoError,    // the communication object reported a failure (port closed, lost)
  };

  struct Timeouts {
    std::uint32_t writeMs = 3000;      // limit for sending one command
    std::uint32_t firstByteMs = 3000;  // limit for the first byte of a reply
    std::uint32_t restMs = 2000;       // limit for the rest of a reply after its first byte
  };

  // Numbers of GS I n.
  static constexpr std::uint8_t kIdModel = 1;
  static constexpr std::uint8_t kIdType = 2;
  static constexpr std::uint8_t kIdVersion = 3;
  static constexpr std::uint8_t kInfoFirmware = 65;
  static constexpr std::uint8_t kInfoMaker = 66;
  static constexpr std::uint8_t kInfoModel = 67;
  static constexpr std::uint8_t kInfoSerial = 68;
  static constexpr std::uint8_t kInfoFonts = 69;

  // Longest text or number a block reply may carry; anything longer is not a reply.
  static constexpr std::size_t kMaxBlockBody = 512;

  // comm may be null: every request then reports kIoError.
  explicit PrinterQuery(IXJComm* comm);
  PrinterQuery(IXJComm* comm, Timeouts timeouts);

  // GS I n for n = 1, 2, 3: one byte. *id receives it on kOk.
  Status ReadIdByte(std::uint8_t n, std::uint8_t* id);

  // GS I n for n = 65..69: "5F text 00". *text receives the bytes between header and
  // terminator on kOk (empty when the printer has no value ready). Control characters
  // inside the text make the reply kBadReply.
  Status ReadInfoText(std::uint8_t n, std::string* text);

  // GS ( E fn 6 a: "37 27 a 1F value 00", a and value in ASCII decimal. On kOk *value
  // holds the value, or is empty when the printer answered without one (no such setting).
  // A reply for another number than a is kBadReply.
  Status ReadCustomizedValue(std::uint8_t a, std::optional<std::uint32_t>* value);

  // GS ( E fn 6 for every number of `numbers`, all in one write, then the replies in
  // order: the printer answers the requests one after another as it would each alone,
  // but the host does not wait a round trip for each of them. The result has one status
  // per number, and values one value per number, each what ReadCustomizedValue would
  // give. A reply for another number than the one due is kBadReply; after a malformed
  // reply the ones behind it may be kBadReply too (where one reply ends is then no
  // longer known), but a value is only ever taken from a well-formed reply for its own
  // number. A request that gets no answer within the time limit (for one reply) is
  // kNoAnswer, and so is every request after it, whose replies are not waited for.
  std::vector<Status> ReadCustomizedValues(const std::vector<std::uint8_t>& numbers,
                                           std::vector<std::optional<std::uint32_t>>* values);

  // GS ( E fn 4 a: "37 21" + eight characters '0'/'1', bit 8 first, + "00". *bits
  // receives the eight characters on kOk.
  Status ReadMemorySwitch(std::uint8_t a, std::array<char, 8>* bits);

  // GS ( E fn 1: enters user setting mode and waits for the printer's "37 20 00". When
  // the confirmation does not come, the mode is ended again (GS ( E fn 2, which a printer
  // not in the mode ignores): the request may have arrived although its answer did not,
  // and a printer left in user setting mode does not print.
  Status EnterUserSettingMode();

  // Sends a command the printer does not answer (setting values or memory switches,
  // leaving user setting mode).
  Status SendCommand(const std::vector<std::uint8_t>& bytes);

  // GS ( L fn 51: "37 31 digits 00", the remaining NV graphics capacity in bytes.
  Status ReadNvGraphicsCapacity(std::uint32_t* bytes);

  // GS ( L fn 64: the key codes of the stored NV graphics, (kc1 << 8) | kc2 each, in
  // the order the printer lists them. The printer answers "37 72 40 pairs 00" for its
  // last block, or "37 72 41 pairs 00" when more follow, and then waits for the host's
  // ACK (06) before the next. A key byte outside 32-126, a block that announces more
  // without carrying a key, or more keys than there are key codes is kBadReply; an
  // unfinished listing is closed by the next command the printer reads.
  Status ReadNvKeyCodes(std::vector<std::uint16_t>* keys);

  // DLE DC4 7 5: "37 45 source level 00". On kOk *source is 0 (AC adapter) or 1 (battery)
  // and *level is 0 (empty) .. 6 (full).
  Status ReadBattery(std::uint8_t* source, std::uint8_t* level);

 private:
  using Clock = std::uint64_t;  // milliseconds of the steady clock

  Status Send(const std::uint8_t* bytes, std::size_t size);
  // Next byte of the reply, waiting until deadlineMs at most; XON/XOFF are not dropped here.
  Status NextByte(Clock deadlineMs, std::uint8_t* byte);
  // Skips XON/XOFF and returns the first byte of a reply.
  Status FirstByte(Clock* restDeadlineMs, std::uint8_t* byte);
  // Reads "header [ident] body 00" and returns the body. With `last`, bytes that follow
  // at once make it kBadReply (see TrailingBytesPresent); a reply with more replies of
  // the same write behind it passes false.
  Status ReadBlock(std::uint8_t header, int ident, std::string* body, bool last = true);
  // The body of a GS ( E fn 6 reply ("a 1F value") for setting a, into *value.
  static Status ParseCustomizedValue(const std::string& body, std::uint8_t a, std::optional<std::uint32_t>* value);
  // Bytes that follow a complete reply at once (other than XON/XOFF) mean the reply
  // was not the printer's answer to this request.
  bool TrailingBytesPresent();
  Status Exchange(const std::uint8_t* command, std::size_t size);

  IXJComm* comm_;
  Timeouts timeouts_;
  std::string pending_;  // bytes read from the communication object and not parsed yet
  std::size_t pendingPos_ = 0;
};
