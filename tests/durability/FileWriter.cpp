// A writer process for the durability tests: writes one of the program's files through
// the program's own code, again and again, alternating between two versions of its
// content, so that a test can kill it at any point of a write.
//
//   xj-file-writer KIND PATH FIRST ROUNDS [SIZE_LIMIT]
//
//   KIND        data:     a setting data file at PATH (WriteSettingData)
//               index:    PrinterSetting.INI in the folder PATH (SavePrinterSettingIni)
//               commands: a settings command file at PATH (WriteSettingsFile); version 1
//                         carries a logo, kept in PATH.logo
//   FIRST       the version of the first write, 0 or 1; the writes alternate from it
//   ROUNDS      the number of writes; 0: until the process is killed
//   SIZE_LIMIT  the largest file the process may write, in bytes (RLIMIT_FSIZE), as
//               on a disk that is full; a write beyond it fails rather than killing
//               the process (SIGXFSZ is ignored)
//
// After its first successful write it prints "written" on a line of its own, so a test
// can kill it while it writes rather than while it starts.
// Exit status: 0 when every write reported success, 1 when one reported failure (the
// process stops there), 2 for bad arguments or a failed set-up.
#include <sys/resource.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/settings/PluginDataMgr.h"
#include "app/settings/PrinterSettingIni.h"
#include "app/settings/SettingDataFile.h"
#include "platform/AtomicFile.h"
#include "platform/Text.h"
#include "sdk/SettingBlocks.h"
#include "status/PrinterSettingsFile.h"
#include "tests/durability/FileWriterVersions.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitWriteFailed = 1;
constexpr int kExitUsage = 2;

// Fills a block of the manager: the header, then bytes that depend on the version.
void PutBlock(PluginDataMgr& manager, std::uint32_t id, std::int32_t size, int version) {
  std::vector<std::uint8_t> block(static_cast<std::size_t>(size), 0);
  std::memcpy(block.data(), kBlockMagic, sizeof kBlockMagic);
  WriteLE32(block.data() + kBlockIdOffset, id);
  WriteLE32(block.data() + kBlockVersionOffset, static_cast<std::uint32_t>(kSettingBlockVersion));
  for (std::size_t i = kBlockHeaderSize; i < block.size(); ++i) {
    block[i] = static_cast<std::uint8_t>((i * 31 + id + static_cast<std::size_t>(version) * 7) & 0x7F);
  }
  manager.AddBlock(id, kSettingBlockVersion, size);
  manager.SetData(id, size, block.data());
}

// The data blocks of a version: more and larger ones in version 1.
void FillDataBlocks(PluginDataMgr& manager, int version) {
  const int count = durability::kDataBlocks + version * 2;
  for (int i = 0; i < count; ++i) {
    PutBlock(manager, durability::kFirstDataBlockId + static_cast<std::uint32_t>(i),
             durability::kDataBlockSize + version * durability::kDataBlockGrowth, version);
  }
  manager.SetSettingsReadFlag(kSettingsRead);
}

// The printers of a version: the same number, with longer names in version 1.
void FillPrinters(PluginDataMgr& manager, const std::u16string& folder, int version) {
  for (int i = 0; i < durability::kPrinters; ++i) {
    const std::u16string name(durability::kPrinterNameChars[version], version == 0 ? u'A' : u'B');
    const std::u16string device = u"Printer " + name + u" " + plat::FormatInt(i);
    manager.AppendPrinterEntry(folder, device, u"NET 10.0.0." + plat::FormatInt(i), plat::NameIndex(u"PORT", i));
  }
}

// The setting blocks the command block is built from, with values of the version.
void FillSettingBlocks(PluginDataMgr& manager, int version) {
  PutBlock(manager, kAutoCutterBlockId, kAutoCutterBlockSize, version);
  PutBlock(manager, kPaperSavingBlockId, kPaperSavingBlockSize, version);
  PutBlock(manager, kPrintSettingsBlockId, kPrintSettingsBlockSize, version);
  PutBlock(manager, kModelOptionsBlockId, kModelOptionsBlockSize, version);
}

// The logo of version 1: NV graphics data (GS ( L ...) of a good size.
bool EnsureLogo(const std::string& path) {
  std::string logo(durability::kLogoBytes, '\0');
  const char prefix[] = {0x1D, 0x28, 0x4C};
  logo.replace(0, sizeof prefix, prefix, sizeof prefix);
  for (std::size_t i = sizeof prefix; i < logo.size(); ++i) logo[i] = static_cast<char>(i % 251);
  return plat::ReplaceFileAtomically(path, logo);
}

bool WriteVersion(const std::string& kind, const std::string& path, int version) {
  PluginDataMgr manager;
  if (kind == "data") {
    FillDataBlocks(manager, version);
    return WriteSettingData(manager, u"XJ-K52II", plat::FromUtf8(path), kDataFileHeaderValue,
                            kDataFileHeaderValue) == kSettingDataWritten;
  }
  if (kind == "index") {
    FillPrinters(manager, plat::FromUtf8(path), version);
    return SavePrinterSettingIni(manager, plat::FromUtf8(path)) == durability::kPrinters;
  }
  FillSettingBlocks(manager, version);
  const std::u16string logo = plat::FromUtf8(path + durability::kLogoSuffix);
  return WriteSettingsFile(manager, version == 1 ? logo.c_str() : nullptr, u"XJ-K52II", plat::FromUtf8(path)) ==
         kSettingsFileOk;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5 || argc > 6) {
    std::fprintf(stderr, "usage: %s data|index|commands PATH FIRST ROUNDS [SIZE_LIMIT]\n", argv[0]);
    return kExitUsage;
  }
  const std::string kind = argv[1];
  const std::string path = argv[2];
  const int first = std::atoi(argv[3]);
  const long rounds = std::atol(argv[4]);
  if ((kind != "data" && kind != "index" && kind != "commands") || (first != 0 && first != 1) || rounds < 0) {
    std::fprintf(stderr, "bad arguments\n");
    return kExitUsage;
  }
  if (kind == "commands" && !EnsureLogo(path + durability::kLogoSuffix)) {
    std::perror("cannot write the logo");
    return kExitUsage;
  }
  if (argc == 6) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = std::strtoul(argv[5], nullptr, 10);
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
      std::perror("setrlimit");
      return kExitUsage;
    }
  }
  for (long i = 0; rounds == 0 || i < rounds; ++i) {
    if (!WriteVersion(kind, path, static_cast<int>((first + i) % 2))) {
      std::fprintf(stderr, "write %ld of %s reported failure\n", i, path.c_str());
      return kExitWriteFailed;
    }
    if (i == 0) {
      std::printf("written\n");
      std::fflush(stdout);
    }
  }
  return kExitOk;
}
