// The read of the printer: identity with its retries, the model check, the printer
// information block, the plug-ins and the progress of the whole read, against a
// stand-in printer information manager and stand-in plug-in readers.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "app/settings/PluginDataMgr.h"
#include "status/PrinterSettingsReader.h"
#include "tests/support/FakePrinterInfo.h"

namespace {

// Three plug-in readers answering from gPluginResults and noting their calls.
std::array<std::int32_t, 3> gPluginResults{};
std::vector<int> gPluginCalls;
template <int N>
std::int32_t PluginRead() {
  gPluginCalls.push_back(N);
  return gPluginResults[N];
}

class PrinterSettingsReaderTest : public testing::Test {
 protected:
  void SetUp() override {
    fakeinfo::Reset();
    entries_ = fakeinfo::Entries();
    gPluginResults = {kPluginReadOk, kPluginReadOk, kPluginReadOk};
    gPluginCalls.clear();
    input_.entries = &entries_;
    input_.handle = fakeinfo::State().handle;
    input_.plugins = {&PluginRead<0>, &PluginRead<1>, &PluginRead<2>};
    input_.dataMgr = &manager_;
    host_.reportProgress = [this](int percent) { progress_.push_back(percent); };
    host_.warn = [this](int entry) { warnings_.push_back(entry); };
    host_.readInformation = [this] {
      ++informationReads_;
      return informationResult_;
    };
    host_.sleep = [this](std::int32_t ms) {
      sleeps_.push_back(ms);
      clock_ += ms / 1000;
    };
    host_.nowSeconds = [this] { return clock_; };
  }

  PrinterInfoEntryPoints entries_;
  ReadWorkerInput input_;
  ReadWorkerHost host_;
  PluginDataMgr manager_;
  std::vector<int> progress_;
  std::vector<int> warnings_;
  std::vector<std::int32_t> sleeps_;
  std::int64_t clock_ = 1000;
  int informationReads_ = 0;
  std::int32_t informationResult_ = kReadOk;
};

TEST_F(PrinterSettingsReaderTest, ACompleteReadCallsEveryPluginInOrderAndSetsTheFlag) {
  EXPECT_EQ(RunPrinterReadWorker(input_, host_), kReadOk);
  EXPECT_EQ(progress_, (std::vector<int>{0, 20, 40, 60, 80, 100, 100}));
  EXPECT_EQ(gPluginCalls, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(informationReads_, 1);
  EXPECT_TRUE(warnings_.empty());
  EXPECT_TRUE(sleeps_.empty());
  EXPECT_EQ(manager_.GetSettingsReadFlag(), kSettingsRead);

  // Without plug-ins: two steps.
  progress_.clear();
  input_.plugins.clear();
  EXPECT_EQ(RunPrinterReadWorker(input_, host_), kReadOk);
  EXPECT_EQ(progress_, (std::vector<int>{0, 50, 100, 100}));
}

TEST_F(PrinterSettingsReaderTest, AnIncompleteReadIsToldAndLeavesTheFlagUnset) {
  // A plug-in whose printer does not answer ends the loop.
  gPluginResults = {kPluginReadOk, kPluginPrinterNotAnswering, kPluginReadOk};
  EXPECT_EQ(RunPrinterReadWorker(input_, host_), kPluginPrinterNotAnswering);
  EXPECT_EQ(gPluginCalls, (std::vector<int>{0, 1}));
  EXPECT_EQ(progress_, (std::vector<int>{0, 20, 40, 60, 80, 100}));
  EXPECT_EQ(warnings_, (std::vector<int>{kReadMsgSettingsIncomplete}));
  EXPECT_EQ(manager_.GetSettingsReadFlag(), kSettingsNotRead);

  // Any other failure goes on with the next plug-in; the result is the last one.
  gPluginCalls.clear();
  warnings_.clear();
  gPluginResults = {-3, kPluginReadOk, kPluginReadOk};
  EXPECT_EQ(RunPrinterReadWorker(input_, host_), kPluginReadOk);
  EXPECT_EQ(gPluginCalls, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(warnings_, (std::vector<int>{kReadMsgSettingsIncomplete}));
  EXPECT_EQ(manager_.GetSettingsReadFlag(), kSettingsNotRead);

  // A failed information read makes the read incomplete too.
  gPluginCalls.clear();
  warnings_.clear();
  gPluginResults = {kPluginReadOk, kPluginReadOk, kPluginReadOk};
  informationResult_ = VOD_E_NO_ANSWER;
  input_.plugins.clear();
  EXPECT_EQ(RunPrinterReadWorker(input_, host_), VOD_E_NO_ANSWER);
  EXPECT_EQ(warnings_, (std::vector<int>{kReadMsgSettingsIncomplete}));
  EXPECT_EQ(manager_.GetSettingsReadFlag(), kSettingsNotRead);
}

TEST_F(PrinterSettingsReaderTest, TheIdentityIsAskedForAgainUntilItComesOrTheTriesRunOut) {
  fakeinfo::State().nameResults = {VOD_E_NO_ANSWER, VOD_E_NOT_READY, VOD_E_NO_ANSWER, VOD_OK};
  fakeinfo::State().idResults = {VOD_E_NO_ANSWER, VOD_OK};
  std::string name;
  std::int32_t id = 0;
  EXPECT_EQ(ReadPrinterIdentity(input_, host_, name, id), kReadOk);
  EXPECT_EQ(name, "XJ-K52II");
  EXPECT_EQ(id, 144);
  EXPECT_EQ(sleeps_, (std::vector<std::int32_t>{1000, 1000, 1000, 1000}));

  // A silent printer: 20 tries with pauses between them, then the communication error.
  fakeinfo::Reset().nameResults = {VOD_E_NO_ANSWER};
  sleeps_.clear();
  EXPECT_EQ(RunPrinterReadWorker(input_, host_), kReadWrongPrinter);
  EXPECT_EQ(fakeinfo::State().nameCalls, 20);
  EXPECT_EQ(sleeps_.size(), 19u);
  EXPECT_EQ(warnings_, (std::vector<int>{kReadMsgCommunicationError}));
  EXPECT_EQ(progress_, (std::vector<int>{0, 20, 100}));
  EXPECT_EQ(informationReads_, 0);
  EXPECT_TRUE(gPluginCalls.empty());

  // The time limit ends the tries when each one takes long.
  fakeinfo::Reset().nameResults = {VOD_E_NO_ANSWER};
  input_.retry.count = 100;
  host_.sleep = [this](std::int32_t) { clock_ += 4; };
  EXPECT_EQ(ReadPrinterIdentity(input_, host_, name, id), kReadNoAnswer);
  EXPECT_EQ(fakeinfo::State().nameCalls, 13);  // 12 pauses of 4 s, then more than 45 s

  // A name without a device ID is the wrong device.
  fakeinfo::Reset().idResults = {VOD_E_BAD_REPLY};
  input_.retry = IdentityRetry{};
  host_.sleep = [this](std::int32_t ms) { clock_ += ms / 1000; };
  warnings_.clear();
  EXPECT_EQ(RunPrinterReadWorker(input_, host_), kReadWrongPrinter);
  EXPECT_EQ(fakeinfo::State().idCalls, 20);
  EXPECT_EQ(warnings_, (std::vector<int>{kReadMsgDeviceIdMismatch}));

  // No session with the information manager.
  warnings_.clear();
  input_.handle = 0;
  EXPECT_EQ(ReadPrinterIdentity(input_, host_, name, id), kPrinterInfoNoSession);
  EXPECT_EQ(RunPrinterReadWorker(input_, host_), kReadWrongPrinter);
  EXPECT_EQ(warnings_, (std::vector<int>{kReadMsgCommunicationError}));
}

TEST_F(PrinterSettingsReaderTest, TheModelMustMatchExactlyUnlessTheDriverStartedTheProgram) {
  struct Row {
    const char* name;
    std::int32_t mode;
    bool served;
  };
  const Row rows[] = {
      {"XJ-K52II", kModeNormal, true},   {"XJ-K52II ", kModeNormal, false}, {"XJ-K52III", kModeRemote, false},
      {"XJ-K52III", kModeDriver, true},  {"XJ-K52II Series", kModeDriverLogo, true},
      {"XJ-K53II", kModeDriver, false},
  };
  for (const Row& row : rows) {
    fakeinfo::Reset().name = row.name;
    warnings_.clear();
    informationReads_ = 0;
    input_.mode = row.mode;
    const std::int32_t result = RunPrinterReadWorker(input_, host_);
    EXPECT_EQ(result, row.served ? kReadOk : kReadWrongPrinter) << row.name << " mode " << row.mode;
    EXPECT_EQ(informationReads_, row.served ? 1 : 0) << row.name;
    EXPECT_EQ(warnings_, row.served ? std::vector<int>{} : std::vector<int>{kReadMsgDeviceIdMismatch}) << row.name;
  }
}

TEST_F(PrinterSettingsReaderTest, InformationFillsTheBlockWithTextsModelFlagAndPaperWidth) {
  fakeinfo::Script& script = fakeinfo::State();
  script.texts = {"1.02", "XJ-K52II", std::string(120, 'S'), "NORVE", "\xB5"};
  script.fixedPaperWidth = 1;
  PrinterInfoBlock block = DefaultPrinterInfoBlock();
  EXPECT_EQ(ReadPrinterInformation(entries_, script.handle, 0, block), VOD_OK);
  EXPECT_EQ(script.lastRequest, 0x0040001Fu);
  EXPECT_EQ(InfoText(block.data(), kInfoFirmwareOffset), u"1.02");
  EXPECT_EQ(InfoText(block.data(), kInfoNameOffset), u"XJ-K52II");
  EXPECT_EQ(InfoText(block.data(), kInfoSerialOffset), std::u16string(89, u'S'));
  EXPECT_EQ(InfoText(block.data(), kInfoMakerOffset), u"NORVE");
  EXPECT_EQ(InfoText(block.data(), kInfoFontsOffset), u"\u00B5");
  EXPECT_EQ(ReadLE32(block.data() + kInfoModelFlagOffset), kModelWithCutter);
  EXPECT_EQ(ReadLE32(block.data() + kInfoPaperWidthOffset), 1u);
  EXPECT_EQ(ReadLE32(block.data() + kInfoValue984Offset), 80u);
  EXPECT_EQ(ReadLE32(block.data() + kInfoValue988Offset), 180u);
  EXPECT_EQ(ReadLE32(block.data() + kBlockIdOffset), kPrinterInfoBlockId);
  EXPECT_EQ(script.idCalls, 1);  // no device ID from start-up: the printer is asked

  // The variant without autocutter, known from start-up.
  EXPECT_EQ(ReadPrinterInformation(entries_, script.handle, kDeviceIdWithoutCutter, block), VOD_OK);
  EXPECT_EQ(ReadLE32(block.data() + kInfoModelFlagOffset), kModelWithoutCutter);
  EXPECT_EQ(script.idCalls, 1);

  // A failure leaves the block as it was.
  const PrinterInfoBlock before = block;
  script.informationResult = VOD_E_NO_ANSWER;
  EXPECT_EQ(ReadPrinterInformation(entries_, script.handle, 0, block), VOD_E_NO_ANSWER);
  EXPECT_EQ(block, before);
  EXPECT_EQ(ReadPrinterInformation(entries_, 0, 0, block), kPrinterInfoNoSession);
}

TEST(PrinterInfoLibraryTest, AnIncompleteLibraryGivesNoSession) {
  fakeinfo::Reset();
  PrinterInfoLibrary library;
  library.Adopt(fakeinfo::Entries(false));
  EXPECT_FALSE(library.IsLoaded());
  EXPECT_EQ(library.Open(nullptr), 0u);
  EXPECT_EQ(fakeinfo::State().initializeCalls, 0);

  library.Adopt(fakeinfo::Entries(true));
  int marker = 0;
  auto* comm = reinterpret_cast<IXJComm*>(&marker);
  EXPECT_EQ(library.Open(comm), fakeinfo::State().handle);
  EXPECT_EQ(fakeinfo::State().initializedWith, comm);
  library.Release();
  EXPECT_EQ(fakeinfo::State().finalizeCalls, 1);
  EXPECT_EQ(library.Handle(), 0u);

  EXPECT_FALSE(library.Load(u"NoSuchPrinterInfo.dll"));
  EXPECT_FALSE(library.IsLoaded());
}

}  // namespace
