// The device information engine, loaded as the engine manager loads it, over a scripted
// printer: what Load keeps, how keys are matched, the lookup protocol and failures.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/libs/deviceinfo/AdiLibrary.h"
#include "tests/libs/printerinfo/LibrarySessionTest.h"

namespace {

using ADeviceInfoEngineTest = ScriptedSessionTest<AdiLibrary>;

TEST_F(ADeviceInfoEngineTest, LoadKeepsEveryValue) {
  ASSERT_EQ(lib.Load(handle), ADI_OK);
  EXPECT_EQ(lib.Text(handle, ADI_KEY_MODEL_NAME), "XJ-K52II");
  EXPECT_EQ(lib.Text(handle, ADI_KEY_SERIAL_NUMBER), "K52-000123");
  EXPECT_EQ(lib.Text(handle, ADI_KEY_FIRMWARE_VERSION), "1.07");
  EXPECT_EQ(lib.Text(handle, ADI_KEY_MAKER), "NORVE");
  EXPECT_EQ(lib.Text(handle, ADI_KEY_FONTS_OF_LANGUAGE), "CHINESE");
  EXPECT_EQ(lib.IntOr(handle, ADI_KEY_DEVICE_ID), 144);
  EXPECT_EQ(lib.IntOr(handle, ADI_KEY_TYPE_ID), 3);
  EXPECT_EQ(lib.IntOr(handle, ADI_KEY_PAPER_WIDTH), 6);
  EXPECT_EQ(lib.IntOr(handle, ADI_KEY_PAPER_WIDTH_MM), 80);
  EXPECT_EQ(lib.IntOr(handle, ADI_KEY_NV_GRAPHICS_CAPACITY), 393216);
  EXPECT_EQ(lib.IntOr(handle, ADI_KEY_BATTERY_LEVEL), 5);
  EXPECT_EQ(lib.IntOr(handle, ADI_KEY_POWER_SOURCE), 1);
  // Numbers are also texts.
  EXPECT_EQ(lib.Text(handle, ADI_KEY_DEVICE_ID), "144");
  EXPECT_EQ(lib.Text(handle, ADI_KEY_NV_GRAPHICS_CAPACITY), "393216");
}

TEST_F(ADeviceInfoEngineTest, LookupsAnswerFromTheCacheWithoutTalkingToThePrinter) {
  ASSERT_EQ(lib.Load(handle), ADI_OK);
  const std::size_t writes = comm.Writes().size();
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(lib.Text(handle, ADI_KEY_MODEL_NAME), "XJ-K52II");
    EXPECT_EQ(lib.IntOr(handle, ADI_KEY_BATTERY_LEVEL), 5);
  }
  EXPECT_EQ(comm.Writes().size(), writes);

  // What the printer says later is seen only after the next Load.
  comm.OnCommand(CmdBattery(), Bytes({0x37, 0x45, 0x30, 0x32, 0x00}));
  EXPECT_EQ(lib.IntOr(handle, ADI_KEY_BATTERY_LEVEL), 5);
  ASSERT_EQ(lib.Load(handle), ADI_OK);
  EXPECT_EQ(lib.IntOr(handle, ADI_KEY_BATTERY_LEVEL), 2);
  EXPECT_EQ(lib.IntOr(handle, ADI_KEY_POWER_SOURCE), 0);
}

TEST_F(ADeviceInfoEngineTest, KeysAreMatchedExactlyByPointerAndLength) {
  std::int32_t value = 7;
  EXPECT_EQ(lib.Int(handle, ADI_KEY_DEVICE_ID, &value), ADI_E_NOT_LOADED);
  EXPECT_EQ(lib.Int(handle, "NO_SUCH_KEY", &value), ADI_E_UNKNOWN_KEY);
  ASSERT_EQ(lib.Load(handle), ADI_OK);

  const char padded[] = "DEVICE_IDXYZ";  // only the first 9 characters are the key
  ASSERT_EQ(lib.GetValueInt(handle, padded, 9, &value), ADI_OK);
  EXPECT_EQ(value, 144);

  value = 7;
  EXPECT_EQ(lib.Int(handle, "device_id", &value), ADI_E_UNKNOWN_KEY);
  EXPECT_EQ(lib.GetValueInt(handle, padded, 6, &value), ADI_E_UNKNOWN_KEY);
  EXPECT_EQ(lib.GetValueInt(handle, padded, 12, &value), ADI_E_UNKNOWN_KEY);
  EXPECT_EQ(lib.GetValueInt(handle, nullptr, 0, &value), ADI_E_UNKNOWN_KEY);
  EXPECT_EQ(lib.GetValueInt(handle, nullptr, 3, &value), ADI_E_BAD_ARG);
  EXPECT_EQ(lib.GetValueInt(handle, padded, -1, &value), ADI_E_BAD_ARG);
  EXPECT_EQ(lib.Int(handle, ADI_KEY_DEVICE_ID, nullptr), ADI_E_BAD_ARG);
  EXPECT_EQ(lib.Int(handle, ADI_KEY_MODEL_NAME, &value), ADI_E_NOT_INTEGER);
  EXPECT_EQ(value, 7);
}

TEST_F(ADeviceInfoEngineTest, StringLookupHonoursTheBufferLength) {
  ASSERT_EQ(lib.Load(handle), ADI_OK);
  const std::string key = ADI_KEY_MAKER;  // "NORVE", 5 bytes
  const auto keyLength = static_cast<std::int32_t>(key.size());
  std::int32_t length = 0;
  ASSERT_EQ(lib.Length(handle, key, &length), ADI_OK);
  EXPECT_EQ(length, 5);
  EXPECT_EQ(lib.Length(handle, key, nullptr), ADI_E_BAD_ARG);

  char buffer[8];
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(lib.GetValueString(handle, key.data(), keyLength, buffer, 4), ADI_E_BUFFER_TOO_SMALL);
  EXPECT_EQ(std::string(buffer, 8), "########");

  // Exactly the value's length: no terminator is written past it.
  ASSERT_EQ(lib.GetValueString(handle, key.data(), keyLength, buffer, 5), ADI_OK);
  EXPECT_EQ(std::string(buffer, 8), "NORVE###");

  std::memset(buffer, '#', sizeof buffer);
  ASSERT_EQ(lib.GetValueString(handle, key.data(), keyLength, buffer, 8), ADI_OK);
  EXPECT_EQ(std::string(buffer, 8), std::string("NORVE\0##", 8));

  EXPECT_EQ(lib.GetValueString(handle, key.data(), keyLength, nullptr, 5), ADI_E_BAD_ARG);
  EXPECT_EQ(lib.GetValueString(handle, key.data(), keyLength, buffer, -1), ADI_E_BAD_ARG);
}

TEST_F(ADeviceInfoEngineTest, EmptyTextValueFitsAnEmptyBuffer) {
  comm.OnCommand(CmdId(68), TextReply(""));
  ASSERT_EQ(lib.Load(handle), ADI_OK);
  const std::string key = ADI_KEY_SERIAL_NUMBER;
  std::int32_t length = -1;
  ASSERT_EQ(lib.Length(handle, key, &length), ADI_OK);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(lib.GetValueString(handle, key.data(), static_cast<std::int32_t>(key.size()),
                               nullptr, 0),
            ADI_OK);
}

TEST_F(ADeviceInfoEngineTest, ValuesThePrinterDoesNotOfferAreUnavailable) {
  comm.OnCommand(CmdBattery(), "");                    // no battery: no answer
  comm.OnCommand(CmdNvCapacity(), Bytes({0x37, 0x31, 'x', 0x00}));  // malformed
  comm.OnCommand(CmdReadValue(3), ValueReply(3, "3"));  // a width of no known size
  comm.OnCommand(CmdId(2), "");
  ASSERT_EQ(lib.Load(handle), ADI_OK);
  EXPECT_EQ(lib.IntOr(handle, ADI_KEY_PAPER_WIDTH), 3);
  const char* unavailable[] = {ADI_KEY_BATTERY_LEVEL, ADI_KEY_POWER_SOURCE,
                               ADI_KEY_NV_GRAPHICS_CAPACITY, ADI_KEY_PAPER_WIDTH_MM,
                               ADI_KEY_TYPE_ID};
  for (const char* key : unavailable) {
    SCOPED_TRACE(key);
    std::int32_t value = 7;
    std::int32_t length = 7;
    EXPECT_EQ(lib.Int(handle, key, &value), ADI_E_UNAVAILABLE);
    EXPECT_EQ(lib.Length(handle, key, &length), ADI_E_UNAVAILABLE);
    EXPECT_EQ(value, 7);
    EXPECT_EQ(length, 7);
  }
  EXPECT_EQ(lib.Text(handle, ADI_KEY_MODEL_NAME), "XJ-K52II");
}

TEST_F(ADeviceInfoEngineTest, FailedLoadKeepsTheValuesOfTheLastGoodOne) {
  comm.OnCommand(CmdId(1), "");
  EXPECT_EQ(lib.Load(handle), ADI_E_NO_ANSWER);
  std::int32_t value = 7;
  EXPECT_EQ(lib.Int(handle, ADI_KEY_MODEL_NAME, &value), ADI_E_NOT_LOADED);
  comm.OnCommand(CmdId(1), Bytes({0x90}));
  ASSERT_EQ(lib.Load(handle), ADI_OK);

  comm.OnCommand(CmdId(68), TextReply("CHANGED"));
  comm.OnCommand(CmdId(67), "");  // the model name gets no answer
  EXPECT_EQ(lib.Load(handle), ADI_E_NO_ANSWER);
  EXPECT_EQ(lib.Text(handle, ADI_KEY_SERIAL_NUMBER), "K52-000123");

  comm.OnCommand(CmdId(67), TextReply(""));
  EXPECT_EQ(lib.Load(handle), ADI_E_NOT_READY);

  comm.OnCommand(CmdId(67), TextReply("XJ-K52II"));
  comm.OnCommand(CmdId(1), TextReply("XJ"));
  EXPECT_EQ(lib.Load(handle), ADI_E_BAD_REPLY);

  // The connection is lost halfway through the optional values.
  comm.OnCommand(CmdId(1), Bytes({0x90}));
  comm.FailWritesAfter(4);
  EXPECT_EQ(lib.Load(handle), ADI_E_IO);
  EXPECT_EQ(lib.Text(handle, ADI_KEY_SERIAL_NUMBER), "K52-000123");

  comm.FailWritesAfter(-1);
  ASSERT_EQ(lib.Load(handle), ADI_OK);
  EXPECT_EQ(lib.Text(handle, ADI_KEY_SERIAL_NUMBER), "CHANGED");
}

TEST_F(ADeviceInfoEngineTest, HandlesAreCheckedEverywhere) {
  EXPECT_EQ(lib.Initialize(nullptr), 0u);
  std::uint32_t other = lib.Initialize(&comm);
  ASSERT_NE(other, 0u);
  EXPECT_NE(other, handle);
  const std::uint32_t old = other;
  lib.Finalize(&other);
  EXPECT_EQ(other, 0u);
  lib.Finalize(&other);
  lib.Finalize(nullptr);

  std::int32_t value = 7;
  char buffer[4];
  for (std::uint32_t h : {0u, old}) {
    EXPECT_EQ(lib.Load(h), ADI_E_BAD_HANDLE);
    EXPECT_EQ(lib.Int(h, ADI_KEY_DEVICE_ID, &value), ADI_E_BAD_HANDLE);
    EXPECT_EQ(lib.Length(h, ADI_KEY_DEVICE_ID, &value), ADI_E_BAD_HANDLE);
    EXPECT_EQ(lib.GetValueString(h, "MAKER", 5, buffer, 4), ADI_E_BAD_HANDLE);
    EXPECT_EQ(lib.RegisterCallback(h, nullptr, nullptr), ADI_E_BAD_HANDLE);
    EXPECT_EQ(lib.UnregisterCallback(h), ADI_E_BAD_HANDLE);
  }
  EXPECT_EQ(value, 7);
}

struct LoadLog {
  const AdiLibrary* lib = nullptr;
  std::vector<std::int32_t> results;
  std::int32_t event = 0;
  std::int32_t deviceIdSeen = 0;
};

void OnLoadFinished(std::uint32_t handle, std::int32_t event, std::int32_t result, void* context) {
  auto* log = static_cast<LoadLog*>(context);
  log->event = event;
  log->results.push_back(result);
  // The procedure may look values up: the engine calls it outside its locks.
  log->lib->Int(handle, ADI_KEY_DEVICE_ID, &log->deviceIdSeen);
}

TEST_F(ADeviceInfoEngineTest, CallbackReportsEveryLoadAfterTheValuesAreKept) {
  LoadLog log;
  log.lib = &lib;
  ASSERT_EQ(lib.RegisterCallback(handle, &OnLoadFinished, &log), ADI_OK);
  ASSERT_EQ(lib.Load(handle), ADI_OK);
  EXPECT_EQ(log.deviceIdSeen, 144);
  comm.OnCommand(CmdId(1), "");
  EXPECT_EQ(lib.Load(handle), ADI_E_NO_ANSWER);
  EXPECT_EQ(log.results, (std::vector<std::int32_t>{ADI_OK, ADI_E_NO_ANSWER}));
  EXPECT_EQ(log.event, ADI_EVENT_LOAD_FINISHED);

  ASSERT_EQ(lib.UnregisterCallback(handle), ADI_OK);
  lib.Load(handle);
  EXPECT_EQ(log.results.size(), 2u);
}

}  // namespace
