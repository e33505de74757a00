#pragma once
// The logos of the Logo Registration and Coupon pages as the printer keeps them: NV
// graphics, one-colour raster images stored under a two-character key code. This file
// holds what needs no Qt: the packed bitmap, the printer's commands for defining,
// deleting, listing, printing, the key codes, the logo file of file mode (the define
// commands the settings command file carries), the copies of registered logos this
// program keeps (the printer cannot send an image back), and the printer operations.
//
// Threads: the printer operations run on a communication job's worker; the rest on any
// thread.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plugins/common/SettingPage.h"

class IXJComm;

namespace logo {

// The largest image the printer stores, in dots.
inline constexpr int kMaxWidthDots = 8192;
inline constexpr int kMaxHeightDots = 2304;
// The printable width of the paper, in dots, by the paper width setting.
inline constexpr int kPaper58Dots = 384;
inline constexpr int kPaper80Dots = 576;
inline constexpr std::int32_t kPaperWidth58Value = 1;

// The dots of a paper width setting (1: 58 mm; anything else is the factory 80 mm).
int PaperWidthDots(std::int32_t paperWidthSetting);

// A one-colour picture as the printer stores it: rows of ceil(width / 8) bytes, the
// most significant bit the leftmost dot, a set bit a black dot; bits beyond the width
// stay clear.
struct MonoBitmap {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> data;

  // A white bitmap; sizes below 1 give an empty one.
  static MonoBitmap White(int width, int height);
  std::size_t RowBytes() const { return static_cast<std::size_t>((width + 7) / 8); }
  bool Empty() const { return width <= 0 || height <= 0; }
  bool Dot(int x, int y) const;
  void SetDot(int x, int y, bool black);
  bool operator==(const MonoBitmap&) const = default;
};

// Bytes of image data the printer keeps for a picture of that size.
std::size_t RasterBytes(int width, int height);

// Key codes: two bytes 32..126, kept as (kc1 << 8) | kc2.
using KeyCode = std::uint16_t;
inline constexpr std::uint8_t kFirstKeyByte = 32;
inline constexpr std::uint8_t kLastKeyByte = 126;
bool IsValidKeyCode(KeyCode key);
// The key code a user typed: exactly two characters 32..126.
std::optional<KeyCode> ParseKeyCode(std::u16string_view text);
std::u16string KeyCodeText(KeyCode key);
// The key code automatic numbering gives: the first of "01" .. "99" not in use, then
// the first unused pair in ascending order; nothing when every key code is in use.
std::optional<KeyCode> NextFreeKeyCode(const std::vector<KeyCode>& used);

// Commands.
// GS ( L function 67 (GS 8 L when the command does not fit the 2-byte length): define
// the bitmap as a one-colour raster image under key.
std::vector<std::uint8_t> DefineCommand(KeyCode key, const MonoBitmap& bitmap);
std::vector<std::uint8_t> DeleteCommand(KeyCode key);  // function 66
std::vector<std::uint8_t> DeleteAllCommand();          // function 65
std::vector<std::uint8_t> PrintCommand(KeyCode key);   // function 69, normal size
// GS V 66 0: feed the paper to the cutting position and cut it.
std::vector<std::uint8_t> FeedAndCutCommand();

// Why a logo cannot be stored.
enum class LogoFit {
  kOk,
  kTooWide,         // wider than the paper (or than the printer's largest image)
  kTooTall,         // higher than the printer's largest image
  kTooLargeForMemory,  // more data than the free NV graphics memory
};
// Checks a logo against the paper's width and the free memory (unknown: not checked).
LogoFit CheckLogoFits(const MonoBitmap& bitmap, int paperDots, std::optional<std::uint64_t> freeBytes);

// A logo with its key code.
struct StoredLogo {
  KeyCode key = 0;
  MonoBitmap bitmap;
  bool operator==(const StoredLogo&) const = default;
};

// The logo file of file mode: the define commands of its logos, one after the other,
// as the settings command file takes it (after its "delete every graphic" command).
std::vector<std::uint8_t> BuildLogoFile(const std::vector<StoredLogo>& logos);
// The logos of such a file; false when it holds anything else or is cut off. A key
// defined twice is listed once, with the later image (as the printer keeps it).
bool ParseLogoFile(const std::uint8_t* data, std::size_t size, std::vector<StoredLogo>& logos);
// Reads the logo file at path: true with its logos (none when the file does not
// exist), false when it cannot be read or is damaged.
bool ReadLogoFile(std::u16string_view path, std::vector<StoredLogo>& logos);
// Writes the logos as the logo file at path, replacing it whole; no logos remove it.
bool WriteLogoFile(std::u16string_view path, const std::vector<StoredLogo>& logos);

// Copies of the logos this program registered, one file per key code, in a folder of
// the printer below the data folder. The printer cannot send an image back, so these
// are what the list shows as thumbnails.
class LogoCopies {
 public:
  // The folder for a printer: dataFolder/LOGO/<printer>, where the printer is named by
  // its serial number when known, else by its port and device name.
  LogoCopies(std::u16string_view dataFolder, std::u16string_view serial, std::u16string_view portName,
             std::u16string_view deviceName);

  const std::u16string& Folder() const { return folder_; }
  // Keeps a copy (creating the folder); false when it could not be written.
  bool Save(KeyCode key, const MonoBitmap& bitmap) const;
  // The copy of key, or nothing when there is none (or it is damaged).
  std::optional<MonoBitmap> Load(KeyCode key) const;
  void Remove(KeyCode key) const;
  // Removes the copies of every key code not in keys (the printer no longer has them).
  void KeepOnly(const std::vector<KeyCode>& keys) const;

 private:
  std::u16string PathOf(KeyCode key) const;
  std::u16string folder_;
};

// A bitmap as a binary PBM file (P4), and back; nothing for anything else.
std::string EncodePbm(const MonoBitmap& bitmap);
std::optional<MonoBitmap> DecodePbm(std::string_view bytes);

// What the printer holds.
struct PrinterLogos {
  std::vector<KeyCode> keys;               // in the printer's order
  std::optional<std::uint32_t> freeBytes;  // remaining NV graphics memory
  std::optional<std::int32_t> paperWidth;  // customized value 3
};

// Reads the key codes, the free memory and the paper width. kNoAnswer when the
// printer does not answer; kIncomplete when it answered something else (what was read
// is kept); kOk otherwise.
PrinterOutcome ReadPrinterLogos(IXJComm* comm, PrinterLogos& out);
// Defines the logo, then reads the list again into after: kIncomplete when the printer
// does not list the key afterwards (it refused the image).
PrinterOutcome RegisterLogo(IXJComm* comm, KeyCode key, const MonoBitmap& bitmap, PrinterLogos& after);
// Deletes one logo (or all with key empty), then reads the list again: kIncomplete
// when a deleted key is still listed.
PrinterOutcome DeleteLogos(IXJComm* comm, std::optional<KeyCode> key, PrinterLogos& after);
// Prints the logo copies times, each followed by a cut; kNoAnswer when the printer
// does not answer afterwards.
PrinterOutcome PrintLogo(IXJComm* comm, KeyCode key, int copies);

}  // namespace logo
