// The application settings block is handed to plug-ins by address, so every field must
// sit at its agreed offset. Both tables are spelt out: the 32-bit one is the designed
// layout; on a 64-bit build the four address fields are 8 bytes wide and every field
// after one of them moves by 4.
#include "sdk/AppSettingsBlock.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <memory>

namespace {

struct FieldOffset {
  const char* name;
  std::size_t actual;
  std::size_t at32;
  std::size_t at64;
};

#define FIELD(f, o32, o64) FieldOffset{#f, offsetof(AppSettingsBlock, f), o32, o64}

const FieldOffset kFields[] = {
    FIELD(langId, 0, 0),
    FIELD(langCode, 4, 4),
    FIELD(chosenIfType, 524, 524),
    FIELD(chosenPort, 528, 528),
    FIELD(mode, 6292, 6292),
    FIELD(portText, 6296, 6296),
    FIELD(printerName, 6816, 6816),
    FIELD(connectionPath, 7336, 7336),
    FIELD(callerCode, 7856, 7856),
    FIELD(value203, 7860, 7860),
    FIELD(unused7864, 7864, 7864),
    FIELD(xjc, 8440, 8440),
    FIELD(dataMgr, 8444, 8448),
    FIELD(exeFolder, 8448, 8456),
    FIELD(tempFolder, 8968, 8976),
    FIELD(dataFolder, 9488, 9496),
    FIELD(langFolder, 10008, 10016),
    FIELD(settingsFilePath, 10528, 10536),
    FIELD(logoPath, 11048, 11056),
    FIELD(commLock, 11568, 11576),
    FIELD(enableFlexibleFont, 11572, 11584),
    FIELD(enableFontA, 11576, 11588),
    FIELD(enableFontB, 11580, 11592),
    FIELD(enableIFSelect, 11584, 11596),
    FIELD(autoKeycodeNumbering, 11588, 11600),
    FIELD(wmSwitch, 11592, 11604),
    FIELD(arpSwitch, 11596, 11608),
    FIELD(enableBTSearch, 11600, 11612),
    FIELD(unused11604, 11604, 11616),
    FIELD(value11608, 11608, 11620),
    FIELD(unused11612, 11612, 11624),
    FIELD(supportsFunction6, 11616, 11628),
    FIELD(cap11620, 11620, 11632),
    FIELD(command0E30Enabled, 11624, 11636),
    FIELD(cap11628, 11628, 11640),
    FIELD(ifOrder, 11632, 11644),
    FIELD(defaultIfType, 11652, 11664),
    FIELD(cap11656, 11656, 11668),
    FIELD(cap11660, 11660, 11672),
    FIELD(command0E52Enabled, 11664, 11676),
    FIELD(cap11668, 11668, 11680),
    FIELD(cap11672, 11672, 11684),
    FIELD(batteryScaleFlag, 11676, 11688),
    FIELD(pad11677, 11677, 11689),
    FIELD(deviceId, 11680, 11692),
    FIELD(engineManager, 11684, 11696),
};
#undef FIELD

constexpr bool k64Bit = sizeof(void*) == 8;

TEST(AppSettingsBlockLayout, EveryFieldAtItsOffsetForThisPointerWidth) {
  ASSERT_TRUE(sizeof(void*) == 4 || sizeof(void*) == 8);
  for (const FieldOffset& f : kFields)
    EXPECT_EQ(f.actual, k64Bit ? f.at64 : f.at32) << f.name;
  EXPECT_EQ(sizeof(AppSettingsBlock), k64Bit ? 11704u : 11688u);
}

TEST(AppSettingsBlockLayout, EmbeddedPortRecordFieldsAtBlockOffsets) {
  EXPECT_EQ(offsetof(AppSettingsBlock, chosenPort) + offsetof(PortRecord, portName), 1048u);
  EXPECT_EQ(offsetof(AppSettingsBlock, chosenPort) + offsetof(PortRecord, deviceName), 2620u);
  EXPECT_EQ(sizeof(PortRecord), 5764u);
}

TEST(AppSettingsBlockLayout, ValueInitialisedBlockIsAllZero) {
  // Start from dirty memory, so a zero result means the initialisation wrote it.
  auto storage = std::make_unique<unsigned char[]>(sizeof(AppSettingsBlock));
  std::memset(storage.get(), 0xA5, sizeof(AppSettingsBlock));
  auto* block = new (storage.get()) AppSettingsBlock();
  const auto* bytes = reinterpret_cast<const unsigned char*>(block);
  std::size_t nonZero = 0;
  for (std::size_t i = 0; i < sizeof(AppSettingsBlock); ++i)
    if (bytes[i] != 0) ++nonZero;
  EXPECT_EQ(nonZero, 0u);
  block->~AppSettingsBlock();
}

}  // namespace
