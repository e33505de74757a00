// Settings command files as they come from other machines, through the reader that
// checks them before anything in them is sent to a printer. Each input is read twice:
// as it is, and with the checksum in its header made right, so that mutations reach the
// checks of the logo and command blocks behind it. What the reader accepts must be
// consistent with the file's header.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "platform/Text.h"
#include "sdk/IPluginDataMgr.h"
#include "sdk/SettingBlocks.h"
#include "status/PrinterSettingsFile.h"
#include "status/SettingsFileReader.h"

namespace {

using fuzzsupport::Require;

// Where the header keeps the checksum of the data part and the two block lengths.
constexpr std::size_t kChecksumOffset = 136;
constexpr std::size_t kLogoLengthOffset = 124;
constexpr std::size_t kCommandLengthOffset = 128;

void Check(const std::uint8_t* data, std::size_t size) {
  SettingsFileContents contents;
  if (ParseSettingsFile(data, size, contents) != SettingsFileCheck::kOk) {
    Require(contents.commandBlock.empty() && contents.logoBlock.empty() && contents.values.empty(),
            "a refused file gives no contents");
    return;
  }
  Require(kSettingsFileHeaderSize + contents.logoBlock.size() + contents.commandBlock.size() == size,
          "the blocks make up the file");
  Require(contents.logoBlock.size() == ReadLE32(data + kLogoLengthOffset) &&
              contents.commandBlock.size() == ReadLE32(data + kCommandLengthOffset),
          "the blocks have the lengths of the header");
  Require(!contents.logoBlock.empty() || !contents.commandBlock.empty(), "an accepted file sends something");
  for (std::size_t i = 0; i < contents.values.size(); ++i) {
    for (std::size_t j = 0; j < i; ++j) Require(contents.values[i].number != contents.values[j].number, "a value is listed once");
  }
  for (const FileMemorySwitch& s : contents.switches) {
    for (char c : s.bits) Require(c == kSwitchOff || c == kSwitchOn || c == kSwitchUnchanged, "a switch bit is 0, 1 or 2");
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzsupport::Init();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Check(data, size);

  // The same file from the disk, as the program reads it.
  const std::string path = fuzzsupport::Folder("commands") + "/settings.bin";
  fuzzsupport::WriteInput(path, data, size);
  SettingsFileContents fromFile;
  SettingsFileContents fromBytes;
  Require(ReadSettingsFile(plat::FromUtf8(path), fromFile) == ParseSettingsFile(data, size, fromBytes),
          "a file reads as its bytes parse");

  if (size < kSettingsFileHeaderSize) return 0;
  std::vector<std::uint8_t> fixed(data, data + size);
  WriteLE32(fixed.data() + kChecksumOffset,
            SettingsFileCrc32(fixed.data() + kSettingsFileHeaderSize, fixed.size() - kSettingsFileHeaderSize));
  Check(fixed.data(), fixed.size());
  return 0;
}
