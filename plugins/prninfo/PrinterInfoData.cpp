#include "plugins/prninfo/PrinterInfoData.h"

#include <algorithm>
#include <cstring>

#include "libs/printerinfo/PrinterQuery.h"
#include "sdk/IPluginDataMgr.h"
#include "sdk/SettingBlocks.h"

namespace prninfo {
namespace {

// GS I n of each text, in slot order.
constexpr std::array<std::uint8_t, kTextCount> kTextRequests = {
    PrinterQuery::kInfoFirmware, PrinterQuery::kInfoModel, PrinterQuery::kInfoSerial, PrinterQuery::kInfoMaker,
    PrinterQuery::kInfoFonts};
// What a byte the printer sends outside ASCII becomes.
constexpr char16_t kReplacement = u'?';
constexpr std::uint8_t kAsciiEnd = 0x80;

Block MakeBlock(std::uint32_t id, std::int32_t size) {
  Block block(static_cast<std::size_t>(size), 0);
  std::memcpy(block.data(), kBlockMagic, sizeof kBlockMagic);
  WriteLE32(block.data() + kBlockIdOffset, id);
  WriteLE32(block.data() + kBlockVersionOffset, static_cast<std::uint32_t>(kSettingBlockVersion));
  WriteLE32(block.data() + kBlockSizeOffset, static_cast<std::uint32_t>(size));
  return block;
}

std::uint32_t Field(const Block& block, std::size_t offset) {
  return offset + 4 <= block.size() ? ReadLE32(block.data() + offset) : 0;
}

void SetField(Block& block, std::size_t offset, std::uint32_t value) {
  if (offset + 4 <= block.size()) WriteLE32(block.data() + offset, value);
}

bool Unanswered(PrinterQuery::Status status) {
  return status == PrinterQuery::Status::kNoAnswer || status == PrinterQuery::Status::kIoError;
}

}  // namespace

Block DefaultPrinterInfoBlock() {
  Block block = MakeBlock(kPrinterInfoBlockId, kPrinterInfoBlockSize);
  SetField(block, kValue984Offset, static_cast<std::uint32_t>(kValue984Default));
  SetField(block, kValue988Offset, static_cast<std::uint32_t>(kValue988Default));
  return block;
}

Block DefaultPageBlock() { return MakeBlock(kPrinterInfoPageBlockId, kPrinterInfoPageBlockSize); }

std::u16string InfoText(const Block& infoBlock, TextIndex index) {
  std::u16string text;
  const std::size_t offset = kTextOffsets[index];
  for (std::size_t i = 0; i < kTextChars && offset + 2 * i + 1 < infoBlock.size(); ++i) {
    const auto c = static_cast<char16_t>(infoBlock[offset + 2 * i] | (infoBlock[offset + 2 * i + 1] << 8));
    if (c == 0) break;
    text.push_back(c);
  }
  return text;
}

void SetInfoText(Block& infoBlock, TextIndex index, std::u16string_view text) {
  const std::size_t offset = kTextOffsets[index];
  if (offset + 2 * kTextChars > infoBlock.size()) return;
  std::fill_n(infoBlock.begin() + static_cast<std::ptrdiff_t>(offset), 2 * kTextChars, 0);
  const std::size_t length = std::min(text.size(), kTextChars - 1);
  for (std::size_t i = 0; i < length; ++i) {
    infoBlock[offset + 2 * i] = static_cast<std::uint8_t>(text[i] & 0xFF);
    infoBlock[offset + 2 * i + 1] = static_cast<std::uint8_t>(text[i] >> 8);
  }
}

PrinterInfo InfoFromBlocks(const Block& infoBlock, const Block& pageBlock, std::int32_t appDeviceId) {
  PrinterInfo info;
  for (std::size_t i = 0; i < kTextCount; ++i) info.texts[i] = InfoText(infoBlock, static_cast<TextIndex>(i));
  const std::uint32_t read = Field(pageBlock, kInfoPageReadFlagsOffset);
  if (appDeviceId != 0) {
    info.deviceId = appDeviceId;
  } else if ((read & kInfoPageHasModelId) != 0) {
    info.deviceId = static_cast<std::int32_t>(Field(pageBlock, kInfoPageModelIdOffset));
  }
  if ((read & kInfoPageHasTypeId) != 0) {
    info.autocutter = (Field(pageBlock, kInfoPageTypeIdOffset) & kTypeIdAutocutterBit) != 0;
  }
  if ((read & kInfoPageHasNvCapacity) != 0) info.nvCapacity = Field(pageBlock, kInfoPageNvCapacityOffset);
  return info;
}

PrinterOutcome ReadPrinterInformation(IXJComm* comm, bool withTexts, Block& infoBlock, Block& pageBlock) {
  PrinterQuery query(comm);
  bool complete = true;
  std::uint32_t read = Field(pageBlock, kInfoPageReadFlagsOffset);
  auto note = [&](PrinterQuery::Status status, std::uint32_t flag) {
    if (status == PrinterQuery::Status::kOk) {
      read |= flag;
    } else {
      complete = false;
    }
  };

  std::uint8_t id = 0;
  PrinterQuery::Status status = query.ReadIdByte(PrinterQuery::kIdModel, &id);
  if (Unanswered(status)) return PrinterOutcome::kNoAnswer;
  if (status == PrinterQuery::Status::kOk) SetField(pageBlock, kInfoPageModelIdOffset, id);
  note(status, kInfoPageHasModelId);

  status = query.ReadIdByte(PrinterQuery::kIdType, &id);
  if (Unanswered(status)) return PrinterOutcome::kNoAnswer;
  if (status == PrinterQuery::Status::kOk) SetField(pageBlock, kInfoPageTypeIdOffset, id);
  note(status, kInfoPageHasTypeId);

  std::uint32_t capacity = 0;
  status = query.ReadNvGraphicsCapacity(&capacity);
  if (Unanswered(status)) return PrinterOutcome::kNoAnswer;
  if (status == PrinterQuery::Status::kOk) SetField(pageBlock, kInfoPageNvCapacityOffset, capacity);
  note(status, kInfoPageHasNvCapacity);
  SetField(pageBlock, kInfoPageReadFlagsOffset, read);

  if (withTexts) {
    for (std::size_t i = 0; i < kTextCount; ++i) {
      std::string text;
      status = query.ReadInfoText(kTextRequests[i], &text);
      if (Unanswered(status)) return PrinterOutcome::kNoAnswer;
      if (status != PrinterQuery::Status::kOk) {
        complete = false;
        continue;
      }
      if (text.empty()) continue;  // not ready: the slot keeps what it had
      std::u16string wide;
      for (const char c : text) {
        const auto byte = static_cast<std::uint8_t>(c);
        wide.push_back(byte < kAsciiEnd ? static_cast<char16_t>(byte) : kReplacement);
      }
      SetInfoText(infoBlock, static_cast<TextIndex>(i), wide);
    }
  }
  return complete ? PrinterOutcome::kOk : PrinterOutcome::kIncomplete;
}

}  // namespace prninfo
