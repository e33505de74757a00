// A receipt queue of a real print server: a private cupsd with the shipped driver
// description and filter, and a queue XJK52_Counter whose device is the simulator.
// Started by the printer driver (/mWRD5), the utility lists the queue as a network
// printer at the simulator's address and opens it; jobs printed to the queue arrive at
// the simulator as raster images of the page.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/E2ESupport.h"
#include "tests/e2e/PrintServer.h"
#include "tests/support/PrintJournal.h"
#include "tests/support/RasterPages.h"
#include "tests/support/TestEnv.h"

namespace {

constexpr char kQueue[] = "XJK52_Counter";
constexpr char kOtherQueueUri[] = "lpd://127.0.0.1/receipt";

// The journal's lines that are not images, in order ("feed …", "cut …", "text …").
std::vector<std::string> NonImageLines(const std::string& dir) {
  std::vector<std::string> lines;
  for (const std::string& line : ReadJournalLines(dir))
    if (line.rfind("image ", 0) != 0) lines.push_back(line);
  return lines;
}

std::size_t ImageLines(const std::string& dir) {
  return ReadJournalLines(dir).size() - NonImageLines(dir).size();
}

// The simulator as the printer of a private print server's queue, and a second queue
// behind a print server protocol.
class PrintServerE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim_.Start());
    if (!server_.Start(XJ_PRINT_FILTER)) GTEST_SKIP() << "no print server (cupsd) can be started here: " << server_.Problem();
    ASSERT_TRUE(server_.AddQueue(kQueue, "socket://" + sim_.TcpEndpoint(), XJ_PRINT_PPD)) << server_.Problem();
    ASSERT_TRUE(server_.AddQueue("Office", kOtherQueueUri, XJ_PRINT_PPD)) << server_.Problem();
  }

  void StartUtility(AppProcess& app, const std::string& answer, const std::vector<std::string>& args) {
    app.SetEnv("CUPS_SERVER", server_.Socket());
    app.SetEnv("XJ_SELECT_DIALOG_ANSWER", answer);
    ASSERT_TRUE(app.Start(args));
  }

  // Prints and waits until the job is done; the job's end state.
  std::string PrintAndWait(const std::string& file, const std::vector<std::string>& options) {
    const int job = server_.Print(kQueue, file, options);
    EXPECT_GT(job, 0) << server_.Problem();
    return job > 0 ? server_.WaitForJob(job) : std::string();
  }

  std::string printDir_ = testenv::MakeTempDir("printed");
  SimProcess sim_{SimProcess::Options{.printDir = printDir_}};
  PrintServer server_;
};

// A page whose every row differs: a diagonal between two frame lines.
RasterPage ReceiptPage() {
  RasterPage page = RasterPage::Bits(384, 100, 136);
  for (unsigned y = 0; y < 100; ++y) {
    page.Set(0, y);
    page.Set(383, y);
    page.Set(y * 3, y);
  }
  return page;
}

TEST_F(PrintServerE2E, DriverModeOpensTheQueuesPrinterAndAJobWaitsUntilTheUtilityLetsItGo) {
  const std::string simAddress = sim_.TcpEndpoint();
  // Every receipt queue of the driver is listed: the network queue at the simulator's
  // address, the print server queue with why it cannot be set up.
  AppProcess lister;
  StartUtility(lister, "cancel", {"/mWRD5"});
  EXPECT_EQ(lister.WaitForExit(), 0) << lister.Output();
  EXPECT_EQ(e2e::EventFields(lister, "printer-list"),
            (std::vector<std::string>{std::string("Office | LPD | Cannot be set up: ") + kOtherQueueUri,
                                      std::string(kQueue) + " | NET | " + simAddress}))
      << server_.ErrorLog();

  // The queue named on the command line is opened with OK.
  AppProcess app;
  StartUtility(app, "ok", {"/mWRD5", std::string("/q") + kQueue});
  ASSERT_TRUE(app.WaitForEvent("main-window-shown")) << app.Output();
  EXPECT_EQ(e2e::EventFields(app, "printer-list"), (std::vector<std::string>{std::string(kQueue) + " | NET | " + simAddress}));
  EXPECT_TRUE(app.MessageBoxTexts().empty());

  // A job for the printer the utility has open waits for it and prints when it closes.
  const std::string file = testenv::MakeTempDir("job") + "/receipt.ras";
  const RasterPage page = ReceiptPage();
  ASSERT_TRUE(testenv::WriteFile(file, RasterStream({page})));
  const int job = server_.Print(kQueue, file, {"XJAutoCut=Page", "XJCutKind=Full"});
  ASSERT_GT(job, 0) << server_.Problem();
  EXPECT_EQ(server_.WaitForJob(job, 3000), "");
  EXPECT_EQ(ImageLines(printDir_), 0u);
  EXPECT_EQ(e2e::TerminateAndWait(app), 0) << app.Output();
  ASSERT_EQ(server_.WaitForJob(job), "completed") << server_.ErrorLog();

  // The receipt is the page, dot for dot, fed past the cutter and cut.
  EXPECT_EQ(NonImageLines(printDir_), (std::vector<std::string>{"feed lines 4", "cut full"}));
  const std::vector<PrintedImage> receipts = ReceiptsBetweenCuts(printDir_);
  ASSERT_EQ(receipts.size(), 1u);
  const PrintedImage& receipt = receipts[0];
  ASSERT_EQ(receipt.width, 384);
  ASSERT_EQ(receipt.height, 100 + 4 * kJournalDotsPerLine);
  for (int y = 0; y < receipt.height; ++y) {
    for (int x = 0; x < receipt.width; ++x) {
      const bool black = y < 100 && (page.data[static_cast<std::size_t>(y) * 48 + x / 8] & (0x80 >> (x % 8))) != 0;
      ASSERT_EQ(receipt.Dot(x, y), black) << "dot " << x << "," << y << "\n" << receipt;
    }
  }
}

TEST_F(PrintServerE2E, TextJobArrivesAsRasterImagesOfThePage) {
  const std::string file = testenv::MakeTempDir("job") + "/receipt.txt";
  ASSERT_TRUE(testenv::WriteFile(file, "XJK52 Counter\nCoffee        3.50\nTotal         3.50\n"));
  ASSERT_EQ(PrintAndWait(file, {"media=X80MMY100MM"}), "completed") << server_.ErrorLog();

  // Only images, then the feed and the cut after the job: no byte was taken for text.
  EXPECT_EQ(NonImageLines(printDir_), (std::vector<std::string>{"feed lines 4", "cut partial"}));
  EXPECT_GT(ImageLines(printDir_), 0u);
  for (const std::string& line : ReadJournalLines(printDir_)) {
    if (line.rfind("image ", 0) == 0) EXPECT_NE(line.find(" 576x"), std::string::npos) << line;
  }
  const std::vector<PrintedImage> receipts = ReceiptsBetweenCuts(printDir_);
  ASSERT_EQ(receipts.size(), 1u);
  // Three lines of text: dark rows in three groups, well inside the page.
  int groups = 0;
  bool inText = false;
  for (int y = 0; y < receipts[0].height; ++y) {
    bool dark = false;
    for (int x = 0; x < receipts[0].width && !dark; ++x) dark = receipts[0].Dot(x, y);
    if (dark && !inText) ++groups;
    inText = dark;
  }
  EXPECT_EQ(groups, 3) << receipts[0];
}

}  // namespace
