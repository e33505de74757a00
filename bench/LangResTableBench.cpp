// Language tables: every window builds its table by selecting the language file and
// loading its resource key. One iteration does that for every resource key of the shipped
// English file, which is what start-up and opening each dialog once cost together.
// "Installed" reads the shipped file as installed (unchanged for a while, so the reader
// may keep its parsed copy); "JustWritten" reads a copy touched before every iteration
// (as right after an installation or a language file update), parsed on every read.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "bench/BenchEnv.h"
#include "lang/CLangResTable.h"
#include "platform/Profile.h"

namespace {

constexpr std::int32_t kEnglish = 0x0409;

std::u16string Utf16(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

std::string ShippedFolder() { return std::string(XJ_DIST_DIR) + "/LANG"; }

// The resource keys of a language file: its section names without the record-kind
// suffix, the common sections left out (every table reads those anyway).
std::vector<std::u16string> ResourceKeys(const std::u16string& file) {
  static const std::u16string kSuffixes[] = {u"_CAP", u"_CMB", u"_LSTCTRL", u"_MSG", u"_STR"};
  std::set<std::u16string> keys;
  for (const std::u16string& section : plat::ProfileSectionNames(file)) {
    if (section.rfind(u"CMN_", 0) == 0) continue;
    for (const std::u16string& suffix : kSuffixes) {
      if (section.size() > suffix.size() &&
          section.compare(section.size() - suffix.size(), suffix.size(), suffix) == 0) {
        keys.insert(section.substr(0, section.size() - suffix.size()));
        break;
      }
    }
  }
  return {keys.begin(), keys.end()};
}

// Loads every key into its own table; returns the number of records read, or -1 when a
// step failed.
long LoadAll(const std::u16string& folder, const std::vector<std::u16string>& keys) {
  long records = 0;
  for (const std::u16string& key : keys) {
    CLangResTable table;
    if (table.SelectLanguageFile(folder, kEnglish, kEnglish) != kLangFileRequested) return -1;
    if (table.LoadResources(key) != kLangOk) return -1;
    records += static_cast<long>(table.Captions().size() + table.ComboItems().size() +
                                 table.ListColumns().size());
    for (const auto* list : {&table.Strings(), &table.Messages()}) {
      for (const auto& entry : *list) records += entry ? 1 : 0;
    }
  }
  return records;
}

void Run(benchmark::State& state, const std::string& folder, bool touch) {
  const std::u16string folder16 = Utf16(folder);
  const std::string file = folder + "/0409.DAT";
  const std::vector<std::u16string> keys = ResourceKeys(Utf16(file));
  if (keys.empty()) {
    state.SkipWithError("no resource keys: is the shipped 0409.DAT in the installation folder?");
    return;
  }
  long records = 0;
  for (auto _ : state) {
    if (touch) {
      state.PauseTiming();
      benchenv::TouchNow(file);
      state.ResumeTiming();
    }
    records = LoadAll(folder16, keys);
    if (records < 0) {
      state.SkipWithError("selecting or loading a table failed");
      break;
    }
  }
  state.counters["keys"] = static_cast<double>(keys.size());
  state.counters["records"] = static_cast<double>(records);
  // Time per resource key (one window's table), printed in seconds with an SI prefix.
  state.counters["per_key"] = benchmark::Counter(
      static_cast<double>(keys.size()),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_LangTables_Installed(benchmark::State& state) {
  const std::string folder = ShippedFolder();
  benchenv::WaitUntilUnchangedFor(folder + "/0409.DAT", 3.5);
  Run(state, folder, false);
}

void BM_LangTables_JustWritten(benchmark::State& state) {
  static const std::string folder = [] {
    const std::string dir = benchenv::MakeTempDir("lang");
    std::error_code ec;
    std::filesystem::copy_file(ShippedFolder() + "/0409.DAT", dir + "/0409.DAT", ec);
    return dir;
  }();
  Run(state, folder, true);
}

}  // namespace

BENCHMARK(BM_LangTables_Installed)->Unit(benchmark::kMicrosecond)->MinTime(0.5);
BENCHMARK(BM_LangTables_JustWritten)->Unit(benchmark::kMicrosecond)->MinTime(0.5);

int main(int argc, char** argv) { return benchenv::RunBenchmarks(argc, argv); }
