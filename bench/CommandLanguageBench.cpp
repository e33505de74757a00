// The printer's command language on the receiving side: turning status replies into the
// status code the library reports, and splitting a long stream of received bytes into
// replies, automatic status blocks and flow-control bytes. The streams are generated with
// a fixed seed, so every run measures the same bytes.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "bench/BenchEnv.h"
#include "libs/xjcomm/CommandLanguage.h"
#include "libs/xjcomm/ReplyFilter.h"

namespace {

using xjcomm::Bytes;

constexpr std::size_t kStatusPolls = 16384;        // four real-time replies each
constexpr std::size_t kStatusBlocks = 16384;
constexpr std::size_t kStreamBytes = 256 * 1024;
constexpr std::size_t kReadChunk = 64;             // bytes one read of the port brings
constexpr std::uint8_t kRealTimeFixed = 0x12;      // 0xx1xx10
constexpr std::uint8_t kAsbFirstFixed = 0x10;      // 0xx1xx00
constexpr std::uint8_t kConditionBits = 0x6C;      // bits 2, 3, 5, 6
constexpr std::uint8_t kAsbContinuationBits = 0x6F;
constexpr std::uint8_t kModelIdByte = 0x90;
constexpr std::uint8_t kVersionIdByte = 0x01;
constexpr unsigned kSeed = 52;

// Mostly a quiet printer, now and then a condition bit: as a polled printer answers.
std::uint8_t Condition(std::mt19937& random, std::uint8_t fixed, std::uint8_t bits) {
  const bool quiet = random() % 8 != 0;
  return static_cast<std::uint8_t>(fixed | (quiet ? 0 : (random() & bits)));
}

std::vector<std::array<std::uint8_t, 4>> RealTimeReplies() {
  std::mt19937 random(kSeed);
  std::vector<std::array<std::uint8_t, 4>> polls(kStatusPolls);
  for (auto& poll : polls) {
    for (auto& b : poll) b = Condition(random, kRealTimeFixed, kConditionBits);
  }
  return polls;
}

std::vector<std::array<std::uint8_t, 4>> StatusBlocks() {
  std::mt19937 random(kSeed + 1);
  std::vector<std::array<std::uint8_t, 4>> blocks(kStatusBlocks);
  for (auto& block : blocks) {
    block[0] = Condition(random, kAsbFirstFixed, kConditionBits);
    for (int i = 1; i < 4; ++i) block[i] = Condition(random, 0, kAsbContinuationBits);
  }
  return blocks;
}

// What a printer sends over a long session: real-time replies, automatic status blocks,
// printer IDs, information and setting blocks, and flow control.
Bytes ReceivedStream() {
  std::mt19937 random(kSeed + 2);
  static const std::string kInfoText = "XJ-K52II";
  Bytes stream;
  stream.reserve(kStreamBytes + 64);
  while (stream.size() < kStreamBytes) {
    switch (random() % 6) {
      case 0:
        for (int i = 0; i < 4; ++i) stream.push_back(Condition(random, kRealTimeFixed, kConditionBits));
        break;
      case 1:
        stream.push_back(Condition(random, kAsbFirstFixed, kConditionBits));
        for (int i = 1; i < 4; ++i) stream.push_back(Condition(random, 0, kAsbContinuationBits));
        break;
      case 2:
        stream.push_back(random() % 2 ? kModelIdByte : kVersionIdByte);
        break;
      case 3:
        stream.push_back(xjcomm::kHeaderPrinterInfo);
        stream.insert(stream.end(), kInfoText.begin(), kInfoText.end());
        stream.push_back(xjcomm::kBlockEnd);
        break;
      case 4:
        stream.push_back(xjcomm::kHeaderSetting);
        stream.push_back(0x20);
        stream.push_back(xjcomm::kBlockEnd);
        break;
      default:
        stream.push_back(random() % 2 ? xjcomm::kXoff : xjcomm::kXon);
        break;
    }
  }
  return stream;
}

void BM_StatusCode_FromRealTimeReplies(benchmark::State& state) {
  const auto polls = RealTimeReplies();
  std::uint64_t sum = 0;
  for (auto _ : state) {
    for (const auto& poll : polls) {
      xjcomm::PrinterState printer;
      bool ok = true;
      for (std::uint8_t n = xjcomm::kRtPrinter; n <= xjcomm::kRtPaper; ++n) {
        ok = xjcomm::ApplyRealTimeStatus(n, poll[n - 1], printer) && ok;
      }
      sum += ok ? xjcomm::DeriveStatusCode(printer, false) : XJC_STATUS_NO_REPLY;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(polls.size()));
}

void BM_StatusCode_FromStatusBlocks(benchmark::State& state) {
  const auto blocks = StatusBlocks();
  std::uint64_t sum = 0;
  for (auto _ : state) {
    for (const auto& block : blocks) {
      xjcomm::PrinterState printer;
      sum += xjcomm::StateFromAsb(block, printer) ? xjcomm::DeriveStatusCode(printer, false)
                                                  : XJC_STATUS_NO_REPLY;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(blocks.size()));
}

void BM_ReplyFilter_Stream(benchmark::State& state) {
  const Bytes stream = ReceivedStream();
  std::size_t replies = 0;
  std::size_t statusBlocks = 0;
  for (auto _ : state) {
    xjcomm::ReplyFilter filter;
    replies = 0;
    statusBlocks = 0;
    for (std::size_t pos = 0; pos < stream.size(); pos += kReadChunk) {
      const std::size_t size = std::min(kReadChunk, stream.size() - pos);
      const auto result = filter.Feed(stream.data() + pos, size);
      statusBlocks += result.statusBlocks.size();
      // The connection hands each complete reply to its caller as it arrives.
      while (filter.UnitCount() > 0 && filter.Units().front().complete) {
        benchmark::DoNotOptimize(filter.TakeUnit(0));
        ++replies;
      }
    }
  }
  if (replies == 0 || statusBlocks == 0) state.SkipWithError("the stream held no replies or status blocks");
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(stream.size()));
  state.counters["replies"] = static_cast<double>(replies);
  state.counters["status_blocks"] = static_cast<double>(statusBlocks);
}

}  // namespace

BENCHMARK(BM_StatusCode_FromRealTimeReplies)->Unit(benchmark::kMicrosecond)->MinTime(0.5);
BENCHMARK(BM_StatusCode_FromStatusBlocks)->Unit(benchmark::kMicrosecond)->MinTime(0.5);
BENCHMARK(BM_ReplyFilter_Stream)->Unit(benchmark::kMicrosecond)->MinTime(0.5);

int main(int argc, char** argv) { return benchenv::RunBenchmarks(argc, argv); }
