#include "plugins/prnctrl/PrinterControl.h"

#include <algorithm>
#include <chrono>

#include "libs/printerinfo/PrinterQuery.h"
#include "sdk/IXJComm.h"
#include "sdk/SettingBlocks.h"
#include "sdk/XJComm.h"

namespace prnctrl {
namespace {

constexpr std::uint8_t kEsc = 0x1B;
constexpr std::uint8_t kGs = 0x1D;
constexpr std::uint8_t kLf = 0x0A;

// Bits every real-time status byte has: bits 1 and 4 set, bits 0 and 7 clear.
constexpr std::uint8_t kFixedMask = 0x93;
constexpr std::uint8_t kFixedBits = 0x12;

// Entries of the page's language key naming the bits: 100 + 10 × group + bit; a fixed
// bit is entry kFixedText.
constexpr int kFixedText = 40;
constexpr StatusBitMeaning Fixed(int value) { return {true, value, kFixedText, u"Fixed"}; }
constexpr StatusBitMeaning Bit(int group, int bit, std::u16string_view text) {
  return {false, 0, 100 + 10 * group + bit, text};
}

constexpr StatusBitMeaning kMeanings[kStatusGroups][kStatusBits] = {
    {Fixed(0), Fixed(1), Bit(0, 2, u"Drawer connector pin 3 is high"), Bit(0, 3, u"Offline"), Fixed(1),
     Bit(0, 5, u"Waiting for online recovery"), Bit(0, 6, u"FEED button pressed"), Fixed(0)},
    {Fixed(0), Fixed(1), Bit(1, 2, u"Cover is open"), Bit(1, 3, u"Paper fed by the FEED button"), Fixed(1),
     Bit(1, 5, u"Printing stopped by paper end"), Bit(1, 6, u"An error occurred"), Fixed(0)},
    {Fixed(0), Fixed(1), Bit(2, 2, u"Recoverable error"), Bit(2, 3, u"Auto cutter error"), Fixed(1),
     Bit(2, 5, u"Unrecoverable error"), Bit(2, 6, u"Auto-recoverable error"), Fixed(0)},
    {Fixed(0), Fixed(1), Bit(3, 2, u"Paper near-end"), Bit(3, 3, u"Paper near-end"), Fixed(1),
     Bit(3, 5, u"Paper end"), Bit(3, 6, u"Paper end"), Fixed(0)},
};

// Limits of one print data write and of the status check after it.
constexpr std::size_t kWriteChunk = 4096;
constexpr std::uint32_t kWriteTimeoutMs = 5000;
constexpr std::uint32_t kConfirmReplyMs = 3000;

constexpr std::int32_t kPaperWidth58 = 1;
constexpr int kDots58 = 384;
constexpr int kDots80 = 576;

std::uint64_t NowMs() {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

bool Unanswered(PrinterQuery::Status status) {
  return status == PrinterQuery::Status::kNoAnswer || status == PrinterQuery::Status::kIoError;
}

char PrintableOrQuestion(char32_t c) { return c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?'; }

std::string Ascii(std::u16string_view text) {
  std::string out;
  for (const char16_t c : text) out.push_back(PrintableOrQuestion(c));
  return out;
}

std::string Ascii(std::string_view text) {
  std::string out;
  for (const char c : text) out.push_back(PrintableOrQuestion(static_cast<unsigned char>(c)));
  return out;
}

std::string ValueText(const SettingDef& setting, std::int32_t value) {
  if (setting.choices.empty()) return value != 0 ? "On" : "Off";
  for (const SettingChoice& choice : setting.choices) {
    if (choice.value == value) return Ascii(choice.text);
  }
  return std::to_string(value);
}

// The four status bytes: one write of the four requests, then their answers.
PrinterOutcome ReadStatusBytes(IXJComm* comm, StatusBytes& bytes, std::uint32_t replyMs) {
  if (comm == nullptr) return PrinterOutcome::kNoAnswer;
  // Whatever came before is not the answer to these requests.
  if (comm->Purge() != XJC_OK) return PrinterOutcome::kNoAnswer;
  std::uint8_t requests[3 * kStatusGroups];
  for (std::size_t n = 0; n < kStatusGroups; ++n) {
    requests[3 * n] = 0x10;
    requests[3 * n + 1] = 0x04;
    requests[3 * n + 2] = static_cast<std::uint8_t>(n + 1);
  }
  std::uint32_t written = 0;
  if (comm->Write(requests, sizeof requests, &written, replyMs) != XJC_OK || written != sizeof requests) {
    return PrinterOutcome::kNoAnswer;
  }
  const std::uint64_t deadline = NowMs() + replyMs;
  std::size_t got = 0;
  while (got < bytes.size()) {
    const std::uint64_t now = NowMs();
    if (now >= deadline) return PrinterOutcome::kNoAnswer;
    std::uint32_t done = 0;
    const auto wanted = static_cast<std::uint32_t>(bytes.size() - got);
    if (comm->Read(bytes.data() + got, wanted, &done, static_cast<std::uint32_t>(deadline - now)) != XJC_OK) {
      return PrinterOutcome::kNoAnswer;
    }
    got += std::min(done, wanted);
  }
  for (const std::uint8_t byte : bytes) {
    if (!IsStatusByte(byte)) return PrinterOutcome::kIncomplete;
  }
  return PrinterOutcome::kOk;
}

void AppendText(std::vector<std::uint8_t>& out, std::string_view text) {
  for (const char c : text) out.push_back(static_cast<std::uint8_t>(PrintableOrQuestion(static_cast<unsigned char>(c))));
  out.push_back(kLf);
}

void AppendAlign(std::vector<std::uint8_t>& out, std::uint8_t alignment) {
  out.insert(out.end(), {kEsc, 'a', alignment});
}

void AppendBold(std::vector<std::uint8_t>& out, bool on) { out.insert(out.end(), {kEsc, 'E', on ? std::uint8_t{1} : std::uint8_t{0}}); }

// GS v 0: a raster image of widthBytes × 8 dots across and height dots down.
void AppendBand(std::vector<std::uint8_t>& out, const DensityBand& band, int widthBytes) {
  out.insert(out.end(), {kGs, 'v', '0', 0, static_cast<std::uint8_t>(widthBytes & 0xFF),
                         static_cast<std::uint8_t>(widthBytes >> 8), static_cast<std::uint8_t>(kBandHeight & 0xFF),
                         static_cast<std::uint8_t>(kBandHeight >> 8)});
  for (int row = 0; row < kBandHeight; ++row) out.insert(out.end(), static_cast<std::size_t>(widthBytes), band.rows[row % 2]);
}

}  // namespace

const StatusBitMeaning& MeaningOf(std::size_t group, int bit) {
  return kMeanings[std::min(group, kStatusGroups - 1)][std::clamp(bit, 0, kStatusBits - 1)];
}

bool IsStatusByte(std::uint8_t byte) { return (byte & kFixedMask) == kFixedBits; }

PrinterSnapshot ReadPrinterSnapshot(IXJComm* comm, std::uint32_t replyMs) {
  PrinterSnapshot snapshot;
  snapshot.outcome = ReadStatusBytes(comm, snapshot.status, replyMs);
  if (snapshot.outcome != PrinterOutcome::kOk) return snapshot;
  PrinterQuery query(comm, PrinterQuery::Timeouts{replyMs, replyMs, replyMs});
  std::uint8_t source = 0;
  std::uint8_t level = 0;
  if (query.ReadBattery(&source, &level) == PrinterQuery::Status::kOk) {
    snapshot.power = PowerState{source != 0, level};
  }
  return snapshot;
}

int PrintableDots(std::int32_t paperWidthValue) { return paperWidthValue == kPaperWidth58 ? kDots58 : kDots80; }

const std::vector<DensityBand>& DensityBands() {
  static const std::vector<DensityBand> bands = {
      {"100 %", {0xFF, 0xFF}},
      {"50 %", {0xAA, 0x55}},
      {"25 %", {0x88, 0x22}},
      {"12.5 %", {0x80, 0x08}},
  };
  return bands;
}

PrinterOutcome ReadTestPageContent(IXJComm* comm, const std::vector<PageDef>& pages, TestPageContent& content) {
  PrinterQuery query(comm);
  const std::pair<std::uint8_t, std::string*> texts[] = {{PrinterQuery::kInfoModel, &content.model},
                                                         {PrinterQuery::kInfoFirmware, &content.firmware},
                                                         {PrinterQuery::kInfoSerial, &content.serial}};
  for (const auto& [request, out] : texts) {
    std::string text;
    const PrinterQuery::Status status = query.ReadInfoText(request, &text);
    if (Unanswered(status)) return PrinterOutcome::kNoAnswer;
    *out = status != PrinterQuery::Status::kOk ? "(not read)" : text.empty() ? "(not ready)" : Ascii(text);
  }
  std::uint8_t typeId = 0;
  const PrinterQuery::Status type = query.ReadIdByte(PrinterQuery::kIdType, &typeId);
  if (Unanswered(type)) return PrinterOutcome::kNoAnswer;
  // A printer that does not tell gets the cut; one without a cutter ignores it.
  content.cut = type != PrinterQuery::Status::kOk || (typeId & kTypeIdAutocutterBit) != 0;

  content.sections.clear();
  for (const PageDef& page : pages) {
    Block block = DefaultBlock(page);
    const PrinterResult read = ReadPageSettings(comm, page, block);
    if (read.outcome == PrinterOutcome::kNoAnswer) return PrinterOutcome::kNoAnswer;
    TestPageContent::Section section{Ascii(page.title), {}};
    for (const SettingDef& setting : page.settings) {
      const bool failed = std::find(read.failed.begin(), read.failed.end(), &setting) != read.failed.end();
      const std::int32_t value = FieldValue(block, setting);
      section.lines.push_back({Ascii(setting.label), failed ? "(not read)" : ValueText(setting, value)});
      if (!failed && setting.source == SettingDef::Source::kCustomValue && setting.number == kPaperWidthSetting) {
        content.dots = PrintableDots(value);
      }
    }
    content.sections.push_back(std::move(section));
  }

  TestPageContent::Section switches{"Memory switches (bit 8 to bit 1)", {}};
  for (const MemorySwitchField& field : kMemorySwitchFields) {
    std::array<char, 8> bits{};
    const PrinterQuery::Status status = query.ReadMemorySwitch(field.number, &bits);
    if (Unanswered(status)) return PrinterOutcome::kNoAnswer;
    switches.lines.push_back({"Memory switch " + std::to_string(field.number),
                              status == PrinterQuery::Status::kOk ? std::string(bits.begin(), bits.end())
                                                                  : std::string("(not read)")});
  }
  content.sections.push_back(std::move(switches));
  return PrinterOutcome::kOk;
}

std::vector<std::uint8_t> BuildTestPage(const TestPageContent& content) {
  std::vector<std::uint8_t> out = {kEsc, '@'};
  AppendAlign(out, 1);
  AppendBold(out, true);
  AppendText(out, content.model + " Test Print");
  AppendBold(out, false);
  AppendAlign(out, 0);
  AppendText(out, "");
  AppendText(out, "Model: " + content.model);
  AppendText(out, "Firmware: " + content.firmware);
  AppendText(out, "Serial number: " + content.serial);
  for (const TestPageContent::Section& section : content.sections) {
    AppendText(out, "");
    AppendBold(out, true);
    AppendText(out, section.title);
    AppendBold(out, false);
    for (const TestPageContent::Line& line : section.lines) AppendText(out, line.label + ": " + line.value);
  }
  AppendText(out, "");
  AppendBold(out, true);
  AppendText(out, "Print density");
  AppendBold(out, false);
  const int widthBytes = std::max(content.dots, 8) / 8;
  for (const DensityBand& band : DensityBands()) {
    AppendText(out, band.label);
    AppendBand(out, band, widthBytes);
  }
  const std::vector<std::uint8_t> feed = FeedCommand(kTestPageFeedLines);
  out.insert(out.end(), feed.begin(), feed.end());
  if (content.cut) {
    const std::vector<std::uint8_t> cut = CutCommand();
    out.insert(out.end(), cut.begin(), cut.end());
  }
  return out;
}

std::vector<std::uint8_t> FeedCommand(int lines) {
  return {kEsc, 'd', static_cast<std::uint8_t>(std::clamp(lines, 1, 255))};
}

std::vector<std::uint8_t> CutCommand() { return {kGs, 'V', 0}; }

PrinterOutcome SendPrintData(IXJComm* comm, const std::vector<std::uint8_t>& data) {
  if (comm == nullptr || comm->Purge() != XJC_OK) return PrinterOutcome::kNoAnswer;
  for (std::size_t sent = 0; sent < data.size();) {
    const auto chunk = static_cast<std::uint32_t>(std::min(kWriteChunk, data.size() - sent));
    std::uint32_t written = 0;
    if (comm->Write(data.data() + sent, chunk, &written, kWriteTimeoutMs) != XJC_OK || written != chunk) {
      return PrinterOutcome::kNoAnswer;
    }
    sent += chunk;
  }
  // The data left; whether the printer took it shows in its answer.
  StatusBytes status{};
  return ReadStatusBytes(comm, status, kConfirmReplyMs) == PrinterOutcome::kNoAnswer ? PrinterOutcome::kNoAnswer
                                                                                      : PrinterOutcome::kOk;
}

}  // namespace prnctrl
