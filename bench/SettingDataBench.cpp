// Setting data files: a printer's data file holds the blocks of every setting page. The
// manager here has 12 blocks of 184 to 992 bytes, as the printer information and the
// pages of an XJ-K52II give. Writing goes to a temporary file that is flushed and then
// renamed over the old one, so its figure includes the flush to the disk.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "app/settings/PluginDataMgr.h"
#include "app/settings/SettingDataFile.h"
#include "bench/BenchEnv.h"

namespace {

constexpr std::int32_t kBlockSizes[] = {kPrinterInfoBlockSize, kCommRunnerBlockSize, 256, 312,
                                        376, 440, 512, 584, 648, 736, 824, 904};
constexpr std::uint32_t kFirstPageBlockId = 0x00020001u;
constexpr std::int32_t kBlockVersion = 1;
constexpr char16_t kModel[] = u"XJ-K52II";

std::u16string Utf16(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

std::uint32_t BlockId(std::size_t index) {
  if (index == 0) return kPrinterInfoBlockId;
  if (index == 1) return kCommRunnerBlockId;
  return kFirstPageBlockId + static_cast<std::uint32_t>(index);
}

// A manager whose blocks hold varied data, ready to be written.
bool Fill(PluginDataMgr& manager) {
  std::mt19937 random(52);
  std::size_t index = 0;
  for (const std::int32_t size : kBlockSizes) {
    const std::uint32_t id = BlockId(index++);
    if (manager.AddBlock(id, kBlockVersion, size) != kSettingOk) return false;
    std::vector<std::uint8_t> block(static_cast<std::size_t>(size));
    if (manager.GetData(id, block.data(), size) != kSettingOk) return false;
    for (std::size_t i = kBlockHeaderSize; i < block.size(); ++i) {
      block[i] = static_cast<std::uint8_t>(random());
    }
    if (manager.SetData(id, size, block.data()) != kSettingOk) return false;
  }
  manager.SetSettingsReadFlag(kSettingsRead);
  return true;
}

struct Fixture {
  PluginDataMgr manager;
  std::u16string path;
  bool ok = false;
  std::int64_t fileBytes = 0;
};

void Prepare(Fixture& fixture) {
  const std::string dir = benchenv::MakeTempDir("settings");
  fixture.path = Utf16(dir + "/PORT_0/XJ-K52II_Setting.DAT");
  fixture.ok = Fill(fixture.manager) &&
               WriteSettingData(fixture.manager, kModel, fixture.path, kDataFileHeaderValue,
                                kDataFileHeaderValue) == kSettingDataWritten;
  fixture.fileBytes = static_cast<std::int64_t>(kDataFileHeaderSize);
  for (const std::int32_t size : kBlockSizes) fixture.fileBytes += size;
}

Fixture& Shared() {
  static Fixture fixture;
  static const bool prepared = (Prepare(fixture), true);
  (void)prepared;
  return fixture;
}

void BM_SettingData_Write(benchmark::State& state) {
  Fixture& f = Shared();
  if (!f.ok) {
    state.SkipWithError("the data file could not be prepared");
    return;
  }
  for (auto _ : state) {
    if (WriteSettingData(f.manager, kModel, f.path, kDataFileHeaderValue, kDataFileHeaderValue) != kSettingDataWritten) {
      state.SkipWithError("WriteSettingData failed");
      break;
    }
  }
  state.SetBytesProcessed(state.iterations() * f.fileBytes);
}

void BM_SettingData_Read(benchmark::State& state) {
  Fixture& f = Shared();
  if (!f.ok) {
    state.SkipWithError("the data file could not be prepared");
    return;
  }
  for (auto _ : state) {
    PluginDataMgr manager;
    if (ReadSettingData(manager, f.path) != kSettingOk ||
        manager.BlockCount() != std::size(kBlockSizes)) {
      state.SkipWithError("ReadSettingData failed");
      break;
    }
    benchmark::DoNotOptimize(manager.BlockCount());
  }
  state.SetBytesProcessed(state.iterations() * f.fileBytes);
}

// The page-change cycle: the file is written and read back into a fresh manager.
void BM_SettingData_WriteRead(benchmark::State& state) {
  Fixture& f = Shared();
  if (!f.ok) {
    state.SkipWithError("the data file could not be prepared");
    return;
  }
  for (auto _ : state) {
    PluginDataMgr manager;
    if (WriteSettingData(f.manager, kModel, f.path, kDataFileHeaderValue, kDataFileHeaderValue) != kSettingDataWritten ||
        ReadSettingData(manager, f.path) != kSettingOk) {
      state.SkipWithError("writing or reading the data file failed");
      break;
    }
  }
  state.counters["blocks"] = static_cast<double>(std::size(kBlockSizes));
  state.counters["file_bytes"] = static_cast<double>(f.fileBytes);
}

}  // namespace

BENCHMARK(BM_SettingData_Write)->Unit(benchmark::kMicrosecond)->MinTime(0.5)->UseRealTime();
BENCHMARK(BM_SettingData_Read)->Unit(benchmark::kMicrosecond)->MinTime(0.5);
BENCHMARK(BM_SettingData_WriteRead)->Unit(benchmark::kMicrosecond)->MinTime(0.5)->UseRealTime();

int main(int argc, char** argv) { return benchenv::RunBenchmarks(argc, argv); }
