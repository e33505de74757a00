// The printer information manager, loaded as the program loads it, over a scripted
// printer: handles, the information structure, names and IDs, and failures.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "sdk/XJComm.h"
#include "tests/libs/printerinfo/LibrarySessionTest.h"
#include "tests/libs/printerinfo/VodLibrary.h"

namespace {

class VodEroVerEDUTest : public ScriptedSessionTest<VodLibrary> {
 protected:
  // The structure as the program prepares it.
  static VOD_PRINTER_INFORMATION Request(std::uint32_t word) {
    VOD_PRINTER_INFORMATION info;
    std::memset(&info, 0xA5, sizeof info);
    info.request = word;
    return info;
  }
};

TEST_F(VodEroVerEDUTest, HandlesAreDistinctAndFinalizeForgetsThem) {
  EXPECT_EQ(lib.Initialize(nullptr), 0u);

  std::uint32_t second = lib.Initialize(&comm);
  ASSERT_NE(second, 0u);
  EXPECT_NE(second, handle);
  const std::uint32_t old = second;
  lib.Finalize(&second);
  EXPECT_EQ(second, 0u);

  std::int32_t id = -1;
  EXPECT_EQ(lib.GetDeviceID(old, &id), VOD_E_BAD_HANDLE);
  EXPECT_EQ(lib.GetDeviceID(0, &id), VOD_E_BAD_HANDLE);
  EXPECT_EQ(id, -1);

  // Finalizing again, or with nothing, is harmless.
  std::uint32_t stale = old;
  lib.Finalize(&stale);
  EXPECT_EQ(stale, 0u);
  lib.Finalize(nullptr);

  // The first handle still works.
  EXPECT_EQ(lib.GetDeviceID(handle, &id), VOD_OK);
  EXPECT_EQ(id, 144);
}

TEST_F(VodEroVerEDUTest, PrinterNameIsZeroTerminatedAndCutToFit) {
  char buffer[90];
  std::memset(buffer, 'x', sizeof buffer);
  ASSERT_EQ(lib.GetPrinterName(handle, buffer, sizeof buffer), VOD_OK);
  EXPECT_STREQ(buffer, "XJ-K52II");

  char small[4];
  std::memset(small, 'x', sizeof small);
  ASSERT_EQ(lib.GetPrinterName(handle, small, sizeof small), VOD_OK);
  EXPECT_EQ(std::string(small, 4), std::string("XJ-\0", 4));

  char one = 'x';
  ASSERT_EQ(lib.GetPrinterName(handle, &one, 1), VOD_OK);
  EXPECT_EQ(one, '\0');

  EXPECT_EQ(lib.GetPrinterName(handle, nullptr, 90), VOD_E_BAD_ARG);
  EXPECT_EQ(lib.GetPrinterName(handle, buffer, 0), VOD_E_BAD_ARG);
  EXPECT_EQ(lib.GetPrinterName(handle, buffer, -5), VOD_E_BAD_ARG);
}

TEST_F(VodEroVerEDUTest, NameNotReadyOrUnreadableLeavesTheBufferEmpty) {
  char buffer[90] = {};
  comm.OnCommand(CmdId(67), TextReply(""));
  EXPECT_EQ(lib.GetPrinterName(handle, buffer, sizeof buffer), VOD_E_NOT_READY);
  EXPECT_EQ(buffer[0], '\0');

  comm.OnCommand(CmdId(67), "garbage without form");
  EXPECT_EQ(lib.GetPrinterName(handle, buffer, sizeof buffer), VOD_E_BAD_REPLY);
  EXPECT_EQ(buffer[0], '\0');

  comm.OnCommand(CmdId(67), "");
  EXPECT_EQ(lib.GetPrinterName(handle, buffer, sizeof buffer), VOD_E_NO_ANSWER);
  EXPECT_EQ(buffer[0], '\0');

  comm.SetWriteResult(XJC_E_IO);
  EXPECT_EQ(lib.GetPrinterName(handle, buffer, sizeof buffer), VOD_E_IO);
  EXPECT_EQ(buffer[0], '\0');
}

TEST_F(VodEroVerEDUTest, DeviceIdOfBothVariants) {
  std::int32_t id = 0;
  ASSERT_EQ(lib.GetDeviceID(handle, &id), VOD_OK);
  EXPECT_EQ(id, 144);
  comm.OnCommand(CmdId(1), Bytes({0x91}));
  ASSERT_EQ(lib.GetDeviceID(handle, &id), VOD_OK);
  EXPECT_EQ(id, 145);
  EXPECT_EQ(lib.GetDeviceID(handle, nullptr), VOD_E_BAD_ARG);
  EXPECT_EQ(comm.Writes().back(), CmdId(1));
}

TEST_F(VodEroVerEDUTest, InformationTextsLandInTheirFields) {
  VOD_PRINTER_INFORMATION info = Request(VOD_REQ_ALL);
  ASSERT_EQ(lib.GetPrinterInformation(handle, &info, 0), VOD_OK);
  EXPECT_STREQ(info.firmwareVersion, "1.07");
  EXPECT_STREQ(info.modelName, "XJ-K52II");
  EXPECT_STREQ(info.serialNumber, "K52-000123");
  EXPECT_STREQ(info.maker, "NORVE");
  EXPECT_STREQ(info.fontsOfLanguage, "CHINESE");
  EXPECT_EQ(info.request, VOD_REQ_ALL);
  EXPECT_EQ(info.fixedPaperWidth, 0u);  // the XJ-K52II can change its paper width
  EXPECT_EQ(info.reserved20, 0u);
  for (std::uint32_t r : info.reserved28) EXPECT_EQ(r, 0u);

  // The raw layout the program reads: pointers first, the flag behind the request word.
  const auto* raw = reinterpret_cast<const unsigned char*>(&info);
  const char* second = nullptr;
  std::memcpy(&second, raw + sizeof(void*), sizeof second);
  EXPECT_STREQ(second, "XJ-K52II");
  std::uint32_t flag = 99;
  std::memcpy(&flag, raw + 56 + 5 * (sizeof(void*) - 4), sizeof flag);
  EXPECT_EQ(flag, 0u);
}

TEST_F(VodEroVerEDUTest, PaperWidthFlagFollowsThePrintersAnswer) {
  struct Case {
    const char* what;
    std::string reply;
    VOD_RESULT result;
    std::uint32_t flag;
  };
  const Case cases[] = {
      {"value 1 (58 mm)", ValueReply(3, "1"), VOD_OK, 0},
      {"no such setting: no answer", "", VOD_OK, 1},
      {"no such setting: empty value", ValueReply(3, ""), VOD_OK, 1},
      {"answer for another setting", ValueReply(4, "1"), VOD_E_BAD_REPLY, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    comm.OnCommand(CmdReadValue(3), c.reply);
    VOD_PRINTER_INFORMATION info = Request(VOD_REQ_ALL);
    EXPECT_EQ(lib.GetPrinterInformation(handle, &info, 0), c.result);
    EXPECT_EQ(info.fixedPaperWidth, c.flag);
  }
}

TEST_F(VodEroVerEDUTest, OnlyRequestedFieldsAreRead) {
  VOD_PRINTER_INFORMATION info = Request(VOD_REQ_MODEL);
  ASSERT_EQ(lib.GetPrinterInformation(handle, &info, 0), VOD_OK);
  EXPECT_STREQ(info.modelName, "XJ-K52II");
  ASSERT_NE(info.firmwareVersion, nullptr);
  EXPECT_STREQ(info.firmwareVersion, "");
  EXPECT_STREQ(info.serialNumber, "");
  EXPECT_STREQ(info.maker, "");
  EXPECT_STREQ(info.fontsOfLanguage, "");
  EXPECT_EQ(info.fixedPaperWidth, 0u);
  EXPECT_EQ(comm.Writes(), std::vector<std::string>{CmdId(67)});
}

TEST_F(VodEroVerEDUTest, FailuresLeaveEmptyTextsNotDanglingPointers) {
  comm.OnCommand(CmdId(68), Bytes({0x5F, 'A', 0x01, 0x00}));
  VOD_PRINTER_INFORMATION info = Request(VOD_REQ_ALL);
  EXPECT_EQ(lib.GetPrinterInformation(handle, &info, 0), VOD_E_BAD_REPLY);
  const char* texts[] = {info.firmwareVersion, info.modelName, info.serialNumber, info.maker,
                         info.fontsOfLanguage};
  for (const char* t : texts) {
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(t, "");
  }
  EXPECT_EQ(info.fixedPaperWidth, 0u);

  comm.OnCommand(CmdId(67), TextReply(""));
  info = Request(VOD_REQ_ALL);
  EXPECT_EQ(lib.GetPrinterInformation(handle, &info, 0), VOD_E_NOT_READY);

  EXPECT_EQ(lib.GetPrinterInformation(handle, nullptr, 0), VOD_E_BAD_ARG);
  info = Request(VOD_REQ_ALL);
  EXPECT_EQ(lib.GetPrinterInformation(handle, &info, 1), VOD_E_BAD_ARG);
  EXPECT_EQ(lib.GetPrinterInformation(0, &info, 0), VOD_E_BAD_HANDLE);
}

TEST_F(VodEroVerEDUTest, TextsStayValidPerSessionUntilItsNextInformationRead) {
  ScriptedComm other;
  ScriptXjK52(other);
  other.OnCommand(CmdId(67), TextReply("XJ-K99"));
  std::uint32_t otherHandle = lib.Initialize(&other);
  ASSERT_NE(otherHandle, 0u);
  VOD_PRINTER_INFORMATION mine = Request(VOD_REQ_ALL);
  VOD_PRINTER_INFORMATION theirs = Request(VOD_REQ_ALL);
  ASSERT_EQ(lib.GetPrinterInformation(handle, &mine, 0), VOD_OK);
  ASSERT_EQ(lib.GetPrinterInformation(otherHandle, &theirs, 0), VOD_OK);
  char buffer[90];
  ASSERT_EQ(lib.GetPrinterName(handle, buffer, sizeof buffer), VOD_OK);
  lib.Finalize(&otherHandle);
  EXPECT_STREQ(mine.modelName, "XJ-K52II");
  EXPECT_STREQ(mine.serialNumber, "K52-000123");

  comm.OnCommand(CmdId(68), TextReply("K52-999999"));
  VOD_PRINTER_INFORMATION again = Request(VOD_REQ_ALL);
  ASSERT_EQ(lib.GetPrinterInformation(handle, &again, 0), VOD_OK);
  EXPECT_STREQ(again.serialNumber, "K52-999999");
}

TEST_F(VodEroVerEDUTest, InfoTextsByKey) {
  char buffer[32];
  const struct {
    std::int32_t key;
    const char* text;
  } cases[] = {{VOD_INFO_FIRMWARE, "1.07"}, {VOD_INFO_MODEL, "XJ-K52II"},
               {VOD_INFO_SERIAL, "K52-000123"}, {VOD_INFO_MAKER, "NORVE"},
               {VOD_INFO_FONTS, "CHINESE"}};
  for (const auto& c : cases) {
    ASSERT_EQ(lib.GetPrinterInfo(handle, c.key, buffer, sizeof buffer), VOD_OK);
    EXPECT_STREQ(buffer, c.text);
  }
  comm.OnCommand(CmdId(68), TextReply(""));
  ASSERT_EQ(lib.GetPrinterInfo(handle, VOD_INFO_SERIAL, buffer, sizeof buffer), VOD_OK);
  EXPECT_STREQ(buffer, "");

  std::strcpy(buffer, "kept");
  EXPECT_EQ(lib.GetPrinterInfo(handle, VOD_INFO_COUNT, buffer, sizeof buffer), VOD_E_BAD_ARG);
  EXPECT_EQ(lib.GetPrinterInfo(handle, -1, buffer, sizeof buffer), VOD_E_BAD_ARG);
  EXPECT_EQ(lib.GetPrinterInfo(handle, VOD_INFO_MODEL, buffer, 0), VOD_E_BAD_ARG);
  EXPECT_STREQ(buffer, "kept");
}

struct CallbackLog {
  std::vector<std::int32_t> results;
  std::uint32_t handle = 0;
  std::int32_t event = 0;
};

void RecordCallback(std::uint32_t handle, std::int32_t event, std::int32_t result, void* context) {
  auto* log = static_cast<CallbackLog*>(context);
  log->handle = handle;
  log->event = event;
  log->results.push_back(result);
}

TEST_F(VodEroVerEDUTest, CallbackReportsEachInformationRead) {
  CallbackLog log;
  ASSERT_EQ(lib.RegisterCallback(handle, &RecordCallback, &log), VOD_OK);
  VOD_PRINTER_INFORMATION info = Request(VOD_REQ_ALL);
  lib.GetPrinterInformation(handle, &info, 0);
  comm.OnCommand(CmdId(67), "");
  info = Request(VOD_REQ_ALL);
  lib.GetPrinterInformation(handle, &info, 0);
  EXPECT_EQ(log.results, (std::vector<std::int32_t>{VOD_OK, VOD_E_NO_ANSWER}));
  EXPECT_EQ(log.handle, handle);
  EXPECT_EQ(log.event, VOD_EVENT_INFORMATION_READ);

  ASSERT_EQ(lib.UnregisterCallback(handle), VOD_OK);
  lib.GetPrinterInformation(handle, &info, 0);
  EXPECT_EQ(log.results.size(), 2u);

  EXPECT_EQ(lib.RegisterCallback(0, &RecordCallback, &log), VOD_E_BAD_HANDLE);
  EXPECT_EQ(lib.UnregisterCallback(12345678), VOD_E_BAD_HANDLE);
}

}  // namespace
