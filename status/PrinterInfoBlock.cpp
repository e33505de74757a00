#include "status/PrinterInfoBlock.h"

#include <algorithm>

namespace {

void WriteChar(std::uint8_t* p, char16_t c) {
  p[0] = static_cast<std::uint8_t>(c & 0xFF);
  p[1] = static_cast<std::uint8_t>(c >> 8);
}

}  // namespace

PrinterInfoBlock DefaultPrinterInfoBlock() {
  PrinterInfoBlock block{};
  std::copy(std::begin(kBlockMagic), std::end(kBlockMagic), block.begin());
  WriteLE32(block.data() + kBlockIdOffset, kPrinterInfoBlockId);
  WriteLE32(block.data() + kBlockVersionOffset, static_cast<std::uint32_t>(kPrinterInfoBlockVersion));
  WriteLE32(block.data() + kBlockSizeOffset, static_cast<std::uint32_t>(kPrinterInfoBlockSize));
  WriteLE32(block.data() + kInfoValue984Offset, static_cast<std::uint32_t>(kInfoValue984Default));
  WriteLE32(block.data() + kInfoValue988Offset, static_cast<std::uint32_t>(kInfoValue988Default));
  return block;
}

void SetInfoText(PrinterInfoBlock& block, std::size_t offset, std::u16string_view text) {
  const std::size_t n = std::min(text.size(), kInfoTextChars - 1);
  std::uint8_t* slot = block.data() + offset;
  std::fill(slot, slot + kInfoTextChars * 2, std::uint8_t{0});
  for (std::size_t i = 0; i < n; ++i) WriteChar(slot + 2 * i, text[i]);
}

std::u16string InfoText(const std::uint8_t* block, std::size_t offset) {
  std::u16string text;
  for (std::size_t i = 0; i < kInfoTextChars; ++i) {
    const auto c = static_cast<char16_t>(block[offset + 2 * i] | (block[offset + 2 * i + 1] << 8));
    if (c == 0) break;
    text += c;
  }
  return text;
}
