// The printer information manager against the printer simulator over TCP on loopback:
// the XJ-K52II and its variant, another model, and a printer that stops answering,
// answers garbage or drops the connection.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "tests/libs/printerinfo/LibrarySessionTest.h"
#include "tests/libs/printerinfo/VodLibrary.h"

namespace {

class VodEroVerEDUSimTest : public SimSessionTest<VodLibrary> {
 protected:
  static VOD_PRINTER_INFORMATION Request() {
    VOD_PRINTER_INFORMATION info;
    std::memset(&info, 0, sizeof info);
    info.request = VOD_REQ_ALL;
    return info;
  }

  std::string Name() {
    char buffer[90] = {};
    const VOD_RESULT r = lib.GetPrinterName(handle, buffer, sizeof buffer);
    return r == VOD_OK ? std::string(buffer) : "<failed " + std::to_string(r) + ">";
  }
};

TEST_F(VodEroVerEDUSimTest, XjK52IdentityAndInformation) {
  SimProcess::Options options;
  options.extraArgs = {"--serial", "K52-4711", "--firmware", "2.05"};
  Start(options);
  EXPECT_EQ(Name(), "XJ-K52II");
  std::int32_t id = 0;
  ASSERT_EQ(lib.GetDeviceID(handle, &id), VOD_OK);
  EXPECT_EQ(id, 144);

  VOD_PRINTER_INFORMATION info = Request();
  ASSERT_EQ(lib.GetPrinterInformation(handle, &info, 0), VOD_OK);
  EXPECT_STREQ(info.modelName, "XJ-K52II");
  EXPECT_STREQ(info.maker, "NORVE");
  EXPECT_STREQ(info.serialNumber, "K52-4711");
  EXPECT_STREQ(info.firmwareVersion, "2.05");
  ASSERT_NE(info.fontsOfLanguage, nullptr);
  EXPECT_EQ(info.fixedPaperWidth, 0u);
}

TEST_F(VodEroVerEDUSimTest, VariantWithoutAutocutterReportsItsDeviceId) {
  SimProcess::Options options;
  options.deviceId = 145;
  Start(options);
  std::int32_t id = 0;
  ASSERT_EQ(lib.GetDeviceID(handle, &id), VOD_OK);
  EXPECT_EQ(id, 145);
  EXPECT_EQ(Name(), "XJ-K52II");
}

TEST_F(VodEroVerEDUSimTest, AnotherModelReportsItsOwnName) {
  SimProcess::Options options;
  options.model = "XJ-T20";
  Start(options);
  EXPECT_EQ(Name(), "XJ-T20");
  VOD_PRINTER_INFORMATION info = Request();
  ASSERT_EQ(lib.GetPrinterInformation(handle, &info, 0), VOD_OK);
  EXPECT_STREQ(info.modelName, "XJ-T20");
}

TEST_F(VodEroVerEDUSimTest, SilentPrinterFailsAndRecovers) {
  Start();
  ASSERT_EQ(sim->Control("silent on").rfind("ok", 0), 0u);
  char buffer[90] = {};
  EXPECT_EQ(lib.GetPrinterName(handle, buffer, sizeof buffer), VOD_E_NO_ANSWER);
  EXPECT_EQ(buffer[0], '\0');
  std::int32_t id = -1;
  EXPECT_EQ(lib.GetDeviceID(handle, &id), VOD_E_NO_ANSWER);
  EXPECT_EQ(id, -1);
  VOD_PRINTER_INFORMATION info = Request();
  EXPECT_EQ(lib.GetPrinterInformation(handle, &info, 0), VOD_E_NO_ANSWER);
  EXPECT_STREQ(info.modelName, "");

  ASSERT_EQ(sim->Control("silent off").rfind("ok", 0), 0u);
  EXPECT_EQ(Name(), "XJ-K52II");
}

TEST_F(VodEroVerEDUSimTest, GarbageIsNeverTakenForAnAnswer) {
  Start();
  ASSERT_EQ(sim->Control("garbage on").rfind("ok", 0), 0u);
  char buffer[90] = {};
  const VOD_RESULT name = lib.GetPrinterName(handle, buffer, sizeof buffer);
  EXPECT_TRUE(name == VOD_E_BAD_REPLY || name == VOD_E_NO_ANSWER) << name;
  EXPECT_EQ(buffer[0], '\0');
  VOD_PRINTER_INFORMATION info = Request();
  const VOD_RESULT r = lib.GetPrinterInformation(handle, &info, 0);
  EXPECT_TRUE(r == VOD_E_BAD_REPLY || r == VOD_E_NO_ANSWER) << r;

  ASSERT_EQ(sim->Control("garbage off").rfind("ok", 0), 0u);
  EXPECT_EQ(Name(), "XJ-K52II");
}

TEST_F(VodEroVerEDUSimTest, DroppedConnectionIsACommunicationFailure) {
  Start();
  // One exchange first, so the simulator has taken the connection before it drops it.
  std::int32_t id = -1;
  ASSERT_EQ(lib.GetDeviceID(handle, &id), VOD_OK);
  ASSERT_EQ(sim->Control("drop").rfind("ok dropped", 0), 0u);
  id = -1;
  EXPECT_EQ(lib.GetDeviceID(handle, &id), VOD_E_IO);
  EXPECT_EQ(id, -1);
  char buffer[90] = {};
  EXPECT_EQ(lib.GetPrinterName(handle, buffer, sizeof buffer), VOD_E_IO);
  EXPECT_EQ(buffer[0], '\0');
}

}  // namespace
