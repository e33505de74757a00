// The device information engine against the printer simulator over TCP on loopback.
#include <gtest/gtest.h>

#include <memory>

#include "tests/libs/deviceinfo/AdiLibrary.h"
#include "tests/libs/printerinfo/LibrarySessionTest.h"

namespace {

using ADeviceInfoEngineSimTest = SimSessionTest<AdiLibrary>;

TEST_F(ADeviceInfoEngineSimTest, LoadReadsTheSimulatedXjK52) {
  SimProcess::Options options;
  options.extraArgs = {"--serial", "K52-0815", "--firmware", "3.10", "--battery", "4",
                       "--power", "battery"};
  Start(options);
  ASSERT_EQ(lib.Load(handle), ADI_OK);
  EXPECT_EQ(lib.Text(handle, ADI_KEY_MODEL_NAME), "XJ-K52II");
  EXPECT_EQ(lib.Text(handle, ADI_KEY_MAKER), "NORVE");
  EXPECT_EQ(lib.Text(handle, ADI_KEY_SERIAL_NUMBER), "K52-0815");
  EXPECT_EQ(lib.Text(handle, ADI_KEY_FIRMWARE_VERSION), "3.10");
  EXPECT_EQ(lib.IntOr(handle, ADI_KEY_DEVICE_ID), 144);
  EXPECT_EQ(lib.IntOr(handle, ADI_KEY_PAPER_WIDTH), 6);
  EXPECT_EQ(lib.IntOr(handle, ADI_KEY_PAPER_WIDTH_MM), 80);
  EXPECT_GT(lib.IntOr(handle, ADI_KEY_NV_GRAPHICS_CAPACITY), 0);
  EXPECT_EQ(lib.IntOr(handle, ADI_KEY_BATTERY_LEVEL), 4);
  EXPECT_EQ(lib.IntOr(handle, ADI_KEY_POWER_SOURCE), 1);
}

TEST_F(ADeviceInfoEngineSimTest, SilentPrinterFailsTheLoadAndKeepsTheValues) {
  Start();
  ASSERT_EQ(lib.Load(handle), ADI_OK);
  ASSERT_EQ(sim->Control("silent on").rfind("ok", 0), 0u);
  EXPECT_EQ(lib.Load(handle), ADI_E_NO_ANSWER);
  EXPECT_EQ(lib.Text(handle, ADI_KEY_MODEL_NAME), "XJ-K52II");
}

TEST_F(ADeviceInfoEngineSimTest, GarbageFailsTheLoadWithoutHarm) {
  Start();
  ASSERT_EQ(sim->Control("garbage on").rfind("ok", 0), 0u);
  const ADI_RESULT r = lib.Load(handle);
  EXPECT_TRUE(r == ADI_E_BAD_REPLY || r == ADI_E_NO_ANSWER) << r;
  std::int32_t value = 7;
  EXPECT_EQ(lib.Int(handle, ADI_KEY_DEVICE_ID, &value), ADI_E_NOT_LOADED);
  ASSERT_EQ(sim->Control("garbage off").rfind("ok", 0), 0u);
  ASSERT_EQ(lib.Load(handle), ADI_OK);
  EXPECT_EQ(lib.IntOr(handle, ADI_KEY_DEVICE_ID), 144);
}

}  // namespace
