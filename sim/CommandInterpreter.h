#pragma once
// Reads the byte stream one host sends to the printer and carries out the commands of
// the printer's command language that the XJ-K52II answers: real-time status, automatic
// status back, printer ID, user setting commands, NV graphics, the older logo command,
// battery status, error recovery, and the printing commands (text, feeds, cuts,
// barcodes, raster images, stored images). Commands may arrive split across any number
// of reads, or several in one read; bytes that start no known command are print data.
// What is printed goes to the PrintEngine; formatting commands (fonts, alignment, line
// spacing ...) are taken and have no effect on it.
//
// One interpreter per host channel (a TCP connection or the pseudo-terminal); all of
// them work on the same PrinterModel. Only the simulator's event-loop thread calls it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/PrintEngine.h"
#include "sim/PrinterModel.h"

namespace sim {

class CommandInterpreter {
 public:
  // What the interpreter needs from the channel that feeds it.
  class Host {
   public:
    virtual ~Host() = default;
    // Sends reply bytes (or an automatic status block) to this channel's host.
    virtual void SendToHost(std::vector<std::uint8_t> bytes) = 0;
    // The non-volatile settings changed and should be saved.
    virtual void SettingsChanged() = 0;
    // User setting mode ended: the printer restarts.
    virtual void RestartRequested() = 0;
    // The condition changed because of a command (error recovery).
    virtual void ConditionChanged() = 0;
  };

  // Largest payload of a graphics command kept in memory; longer ones cannot fit the NV
  // memory and are skipped without being stored.
  static constexpr std::size_t kMaxBufferedPayload = kNvCapacity + 64;
  // Key codes per block of the key code list; more follow after the host's ACK.
  static constexpr std::size_t kKeysPerListBlock = 40;

  // Longest barcode data of the NUL-terminated form; without a NUL by then the command
  // is refused and the bytes after its header are read as usual.
  static constexpr std::size_t kMaxBarcodeData = 255;

  CommandInterpreter(PrinterModel& model, PrintEngine& printer, Host& host);

  // Processes received bytes. Stops at a restart request; the rest is discarded.
  void Feed(const std::uint8_t* data, std::size_t size);
  // Forgets partial commands, a pending key list and the automatic status setting:
  // a new connection, or the printer after a restart.
  void Reset();
  // Forgets partial commands and a pending key list but keeps the automatic status
  // setting: the line was interrupted, the printer kept running.
  void ResetParser();

  // Automatic status back: the enabled items (GS a n bits), 0 when off.
  std::uint8_t AsbMask() const { return asbMask_; }
  // Called after the printer's condition changed: sends a block when an enabled item
  // differs from the last block sent.
  void OnConditionChanged();

 private:
  enum class Mode { kNormal, kSkip, kLogo, kAwaitAck };

  // Tries to take one command from the front of the pending bytes; returns the bytes
  // consumed, 0 when more bytes are needed.
  std::size_t ParseOne(const std::uint8_t* p, std::size_t n);
  std::size_t ParseDle(const std::uint8_t* p, std::size_t n);
  std::size_t ParseEsc(const std::uint8_t* p, std::size_t n);
  std::size_t ParseGs(const std::uint8_t* p, std::size_t n);
  std::size_t ParseFs(const std::uint8_t* p, std::size_t n);
  std::size_t ParseRasterImage(const std::uint8_t* p, std::size_t n);
  std::size_t ParseBarcode(const std::uint8_t* p, std::size_t n);
  void CutPaper(bool full);
  // A command with a length field: header bytes, then `length` payload bytes.
  std::size_t ParseWithLength(const std::uint8_t* p, std::size_t n, std::size_t header, std::uint64_t length,
                              char kind);

  void UserSetting(const std::uint8_t* payload, std::size_t length);
  void Graphics(const std::uint8_t* payload, std::size_t length);
  void DefineGraphics(const std::uint8_t* payload, std::size_t length);
  void SendKeyListBlock();
  void SendAsbBlock();
  void PrintData(const std::uint8_t* p, std::size_t count);
  void Done();
  void Refused();

  // The older logo command is taken byte by byte: its length is only known image by image.
  std::size_t FeedLogo(const std::uint8_t* p, std::size_t n);

  PrinterModel& model_;
  PrintEngine& printer_;
  Host& host_;
  std::vector<std::uint8_t> pending_;
  Mode mode_ = Mode::kNormal;
  bool stopped_ = false;
  std::uint64_t skipLeft_ = 0;

  std::uint8_t asbMask_ = 0;
  std::array<std::uint8_t, 4> lastAsb_{};

  std::vector<std::uint16_t> keysToList_;

  struct LogoState {
    int imagesLeft = 0;
    std::array<std::uint8_t, 4> header{};
    int headerHave = 0;
    std::size_t dataLeft = 0;
    std::size_t total = 0;
    bool tooLarge = false;
    std::vector<LogoImage> images;
  } logo_;
};

}  // namespace sim
