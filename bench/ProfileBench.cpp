// Profile reads: one key out of a file of 200 sections, and a 40 KB section read with
// the language reader's growing buffer. Each comes "cold" (the file was just rewritten,
// so every call parses it) and "warm" (the file has not changed for a while, so the
// reader may reuse its parsed copy).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <string>

#include "bench/BenchEnv.h"
#include "platform/Profile.h"

namespace {

constexpr int kSectionCount = 200;
constexpr int kKeysPerSection = 12;
constexpr std::size_t kBigSectionBytes = 40 * 1024;
// The language reader's buffer protocol: start with this many characters, grow by the
// other while the reader reports a cut list (size - 2).
constexpr std::uint32_t kInitialChars = 520;
constexpr std::uint32_t kGrowChars = 260;
constexpr std::uint32_t kValueChars = 260;
// A file younger than this is parsed again on every read.
constexpr double kSettleSeconds = 3.5;

std::u16string Utf16(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

std::string Pad(int value, int width) {
  std::string text = std::to_string(value);
  const int fill = width - static_cast<int>(text.size());
  return std::string(fill > 0 ? static_cast<std::size_t>(fill) : 0, '0') + text;
}

// 200 sections of 12 keys, like a settings file that grew with every printer.
std::string ManySectionsFile() {
  std::string text = "; settings of many printers\r\n";
  for (int s = 0; s < kSectionCount; ++s) {
    text += "[Printer" + Pad(s, 3) + "]\r\n";
    for (int k = 0; k < kKeysPerSection; ++k) {
      text += "Key" + Pad(k, 2) + " = value " + std::to_string(s * 100 + k) + " of printer " +
              std::to_string(s) + "\r\n";
    }
    text += "\r\n";
  }
  return text;
}

// A few small sections and one section of 40 KB of language-file lines.
std::string BigSectionFile() {
  std::string text = "[CMN_STR]\r\nSTR_0=OK\r\nSTR_1=Cancel\r\n\r\n[BIG_DLG_STR]\r\n";
  const std::size_t start = text.size();
  for (int id = 0; text.size() - start < kBigSectionBytes; ++id) {
    text += "STR_" + std::to_string(id) +
            "=The printer setting number " + std::to_string(id) + " was changed.\\nSave it now?\r\n";
  }
  text += "\r\n[BIG_DLG_CAP]\r\nCAP_1000=Language\r\n";
  return text;
}

struct Files {
  std::string many;
  std::string big;
  std::u16string many16;
  std::u16string big16;
};

// The files for the warm runs are made once and then left alone; the cold runs get
// files of their own that are touched before every read.
Files MakeFiles(const char* hint) {
  const std::string dir = benchenv::MakeTempDir(hint);
  Files f;
  f.many = dir + "/MANY.INI";
  f.big = dir + "/BIG.DAT";
  benchenv::WriteFile(f.many, ManySectionsFile());
  benchenv::WriteFile(f.big, BigSectionFile());
  f.many16 = Utf16(f.many);
  f.big16 = Utf16(f.big);
  return f;
}

const Files& WarmFiles() {
  static const Files files = [] {
    Files f = MakeFiles("warm");
    benchenv::WaitUntilUnchangedFor(f.many, kSettleSeconds);
    benchenv::WaitUntilUnchangedFor(f.big, kSettleSeconds);
    return f;
  }();
  return files;
}

const Files& ColdFiles() {
  static const Files files = MakeFiles("cold");
  return files;
}

// One key of the last section: the reader has to get through every section before it.
std::uint32_t ReadKey(const std::u16string& file) {
  char16_t value[kValueChars];
  return plat::GetPrivateProfileStringW(u"Printer199", u"Key11", u"", value, kValueChars, file.c_str());
}

// The whole section with the growing buffer; calls receives the number of reader calls.
std::uint32_t ReadBigSection(const std::u16string& file, std::uint32_t& calls) {
  std::uint32_t size = kInitialChars;
  calls = 0;
  for (;;) {
    std::unique_ptr<char16_t[]> buffer(new char16_t[size]());
    ++calls;
    const std::uint32_t read = plat::GetPrivateProfileSectionW(u"BIG_DLG_STR", buffer.get(), size, file.c_str());
    if (read != size - 2) return read;
    size += kGrowChars;
  }
}

void CheckKey(benchmark::State& state, std::uint32_t read) {
  if (read == 0) state.SkipWithError("the key was not found");
}

void BM_ProfileKey_Cold(benchmark::State& state) {
  const Files& f = ColdFiles();
  for (auto _ : state) {
    state.PauseTiming();
    benchenv::TouchNow(f.many);
    state.ResumeTiming();
    const std::uint32_t read = ReadKey(f.many16);
    benchmark::DoNotOptimize(read);
    CheckKey(state, read);
  }
}

void BM_ProfileKey_Warm(benchmark::State& state) {
  const Files& f = WarmFiles();
  for (auto _ : state) {
    const std::uint32_t read = ReadKey(f.many16);
    benchmark::DoNotOptimize(read);
    CheckKey(state, read);
  }
}

void BM_ProfileBigSection_Cold(benchmark::State& state) {
  const Files& f = ColdFiles();
  std::uint32_t calls = 0;
  std::uint32_t chars = 0;
  for (auto _ : state) {
    state.PauseTiming();
    benchenv::TouchNow(f.big);
    state.ResumeTiming();
    chars = ReadBigSection(f.big16, calls);
    benchmark::DoNotOptimize(chars);
  }
  if (chars == 0) state.SkipWithError("the section was not found");
  state.counters["reader_calls"] = calls;
  state.counters["chars"] = chars;
}

void BM_ProfileBigSection_Warm(benchmark::State& state) {
  const Files& f = WarmFiles();
  std::uint32_t calls = 0;
  std::uint32_t chars = 0;
  for (auto _ : state) {
    chars = ReadBigSection(f.big16, calls);
    benchmark::DoNotOptimize(chars);
  }
  if (chars == 0) state.SkipWithError("the section was not found");
  state.counters["reader_calls"] = calls;
  state.counters["chars"] = chars;
}

}  // namespace

BENCHMARK(BM_ProfileKey_Cold)->Unit(benchmark::kMicrosecond)->MinTime(0.5);
BENCHMARK(BM_ProfileKey_Warm)->Unit(benchmark::kMicrosecond)->MinTime(0.5);
BENCHMARK(BM_ProfileBigSection_Cold)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_ProfileBigSection_Warm)->Unit(benchmark::kMillisecond)->MinTime(0.5);

int main(int argc, char** argv) { return benchenv::RunBenchmarks(argc, argv); }
