// What the print server hands the print driver's filter: a raster stream, from the
// print server or from whoever submitted a job of that type. The first byte picks the
// job options; the rest is the stream. Whatever it holds, the commands that come out are
// whole commands of the receipt (images, feeds, cuts) and no image is wider than the
// print head.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "printdriver/ReceiptRaster.h"
#include "tests/support/RasterPages.h"

namespace {

using fuzzsupport::Require;

// A page of the fuzzer's may declare billions of rows; a few thousand reach every path.
constexpr std::uint32_t kMaxRows = 4096;

// The raster library allocates the line buffer of every page header it reads, as wide as
// the header says (up to 4 GB) and before the driver sees the header; the memory is
// mapped lazily and never touched for a page the driver refuses. Single allocations of
// that size are allowed, so that only memory really used counts against the run's limit.
char g_mallocLimit[] = "-malloc_limit_mb=4352";
std::vector<char*> g_arguments;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  fuzzsupport::Init();
  g_arguments.assign(*argv, *argv + *argc);
  g_arguments.push_back(g_mallocLimit);
  g_arguments.push_back(nullptr);
  *argc = static_cast<int>(g_arguments.size() - 1);
  *argv = g_arguments.data();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  receipt::JobOptions options;
  options.cut = static_cast<receipt::CutMode>(data[0] % 3);
  options.partialCut = (data[0] & 4) != 0;
  options.threshold = (data[0] & 8) != 0 ? receipt::kThresholdDark : receipt::kThresholdLight;
  options.maxPageRows = kMaxRows;
  std::string out;
  const receipt::JobReport report = receipt::ConvertRasterBytes(
      data + 1, size - 1, options, [&](const std::uint8_t* bytes, std::size_t n) {
        out.append(reinterpret_cast<const char*>(bytes), n);
        return true;
      });
  Require(!report.failed || !report.error.empty(), "a failed job says why");
  Require(report.blankPages <= report.pages, "blank pages are pages");
  for (const std::string& command : ReadReceiptCommands(out)) {
    Require(command.rfind("unknown", 0) != 0, "only whole commands of the receipt are sent");
    if (command.rfind("image ", 0) == 0) {
      const unsigned width = static_cast<unsigned>(std::stoul(command.substr(6)));
      Require(width > 0 && width <= receipt::kDots80mm, "no image is wider than the print head");
    }
  }
  return 0;
}
