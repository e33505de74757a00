// A plug-in for the tests of reading the printer and of the files written at exit: it
// owns the print settings block (0x00010005) and uses the paper saving, auto cutter and
// model options blocks (0x00010006, 0x00010007, 0x0001000B) besides, fills them with
// their defaults, and on FORMVIEWDLL_ReadPrinterSettings asks the printer for its print
// density (customized value 5) through the application's communication object and keeps
// it in its block. It shows no page.
//
// Results of FORMVIEWDLL_ReadPrinterSettings: kPluginReadOk after an answer,
// kPluginPrinterNotAnswering when the printer does not answer.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "sdk/FormViewDll.h"
#include "sdk/IPluginDataMgr.h"
#include "sdk/IXJComm.h"
#include "sdk/SettingBlocks.h"

namespace {

AppSettingsBlock* g_block = nullptr;

constexpr std::uint8_t kDensitySetting = 5;
constexpr std::size_t kPaperWidthOffset = 32;
constexpr std::size_t kDensityOffset = 40;
constexpr std::size_t kSpeedOffset = 44;
constexpr std::uint32_t kDefaultPaperWidth = 6;  // 80 mm
constexpr std::uint32_t kDefaultSpeed = 9;
constexpr std::uint32_t kReplyTimeoutMs = 1500;
constexpr std::uint8_t kReplyHeader[] = {0x37, 0x27};
constexpr std::uint8_t kFieldSeparator = 0x1F;
constexpr std::uint32_t kXjcOk = 0;

struct OwnedBlock {
  std::uint32_t id;
  std::int32_t size;
};
constexpr OwnedBlock kOwnBlock{kPrintSettingsBlockId, kPrintSettingsBlockSize};
constexpr OwnedBlock kFurtherBlocks[] = {
    {kPaperSavingBlockId, kPaperSavingBlockSize},
    {kAutoCutterBlockId, kAutoCutterBlockSize},
    {kModelOptionsBlockId, kModelOptionsBlockSize},
};

std::vector<std::uint8_t> EmptyBlock(std::uint32_t id, std::int32_t size) {
  std::vector<std::uint8_t> block(static_cast<std::size_t>(size), 0);
  std::memcpy(block.data(), kBlockMagic, sizeof kBlockMagic);
  WriteLE32(block.data() + kBlockIdOffset, id);
  WriteLE32(block.data() + kBlockVersionOffset, kSettingBlockVersion);
  return block;
}

// Decimal digits only, at most nine of them.
bool ParseDecimal(const std::string& text, std::uint32_t& value) {
  constexpr std::size_t kMaxDigits = 9;
  if (text.empty() || text.size() > kMaxDigits) return false;
  value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::uint32_t>(c - '0');
  }
  return true;
}

// Asks for one customized value (GS ( E function 6); false when no proper answer came.
bool ReadCustomValue(IXJComm* comm, std::uint8_t number, std::uint32_t& value) {
  if (comm == nullptr) return false;
  const std::uint8_t request[] = {0x1D, 0x28, 0x45, 0x02, 0x00, 0x06, number};
  std::uint32_t done = 0;
  comm->Purge();
  if (comm->Write(request, sizeof request, &done, 0) != kXjcOk || done != sizeof request) return false;
  std::vector<std::uint8_t> reply;
  for (;;) {
    std::uint8_t byte = 0;
    if (comm->Read(&byte, 1, &done, kReplyTimeoutMs) != kXjcOk || done != 1) return false;
    if (byte == 0x00) break;
    reply.push_back(byte);
  }
  // 37 27 <number in decimal> 1F <value in decimal>
  if (reply.size() < 4 || reply[0] != kReplyHeader[0] || reply[1] != kReplyHeader[1]) return false;
  const std::string text(reply.begin() + 2, reply.end());
  const std::size_t separator = text.find(static_cast<char>(kFieldSeparator));
  if (separator == std::string::npos) return false;
  std::uint32_t answered = 0;
  return ParseDecimal(text.substr(0, separator), answered) && answered == number &&
         ParseDecimal(text.substr(separator + 1), value);
}

}  // namespace

extern "C" {

XJ_PLUGIN_EXPORT std::int32_t FORMVIEWDLL_Initialize(plat::HWND, plat::HWND, AppSettingsBlock* block) {
  g_block = block;
  return kPluginOk;
}

XJ_PLUGIN_EXPORT std::int32_t FORMVIEWDLL_Finalize(void) {
  g_block = nullptr;
  return kPluginOk;
}

XJ_PLUGIN_EXPORT plat::HWND FORMVIEWDLL_GetActiveView(void) { return nullptr; }

XJ_PLUGIN_EXPORT std::int32_t FORMVIEWDLL_ChangeMenuState(std::int32_t) { return kPluginOk; }

XJ_PLUGIN_EXPORT std::int32_t FORMVIEWDLL_GetPluginInfo(DataBlockDesc* desc) {
  if (desc != nullptr) *desc = DataBlockDesc{kOwnBlock.id, kSettingBlockVersion, kOwnBlock.size};
  return kPluginOk;
}

XJ_PLUGIN_EXPORT std::int32_t FORMVIEWDLL_ReadPrinterSettings(void) {
  if (g_block == nullptr || g_block->dataMgr == nullptr) return kPluginPrinterNotAnswering;
  std::uint32_t density = 0;
  if (!ReadCustomValue(g_block->xjc, kDensitySetting, density)) return kPluginPrinterNotAnswering;
  std::vector<std::uint8_t> block = EmptyBlock(kOwnBlock.id, kOwnBlock.size);
  g_block->dataMgr->GetData(kOwnBlock.id, block.data(), kOwnBlock.size);
  WriteLE32(block.data() + kDensityOffset, density);
  g_block->dataMgr->SetData(kOwnBlock.id, kOwnBlock.size, block.data());
  return kPluginReadOk;
}

XJ_PLUGIN_EXPORT std::int32_t FORMVIEWDLL_SetDefaltDataToPluginDataMgr(std::uint32_t id) {
  if (g_block == nullptr || g_block->dataMgr == nullptr) return 0;
  std::int32_t size = id == kOwnBlock.id ? kOwnBlock.size : 0;
  for (const OwnedBlock& further : kFurtherBlocks)
    if (further.id == id) size = further.size;
  if (size == 0) return 0;
  std::vector<std::uint8_t> block = EmptyBlock(id, size);
  if (id == kPrintSettingsBlockId) {
    WriteLE32(block.data() + kPaperWidthOffset, kDefaultPaperWidth);
    WriteLE32(block.data() + kSpeedOffset, kDefaultSpeed);
  }
  g_block->dataMgr->SetData(id, size, block.data());
  return 0;
}

XJ_PLUGIN_EXPORT std::int32_t FORMVIEWDLL_GetDependPluginData(DataBlockDesc* records, std::int32_t* count) {
  constexpr auto kCount = static_cast<std::int32_t>(std::size(kFurtherBlocks));
  if (count == nullptr) return kPluginOk;
  if (records == nullptr) {
    *count = kCount;
    return kPluginOk;
  }
  for (std::int32_t i = 0; i < *count && i < kCount; ++i)
    records[i] = DataBlockDesc{kFurtherBlocks[i].id, kSettingBlockVersion, kFurtherBlocks[i].size};
  return kPluginOk;
}

}  // extern "C"
