// The device information manager and its base over fake engine libraries: loading and
// unloading, forwarding with the engine handle, and the length-then-text protocol.
#include "status/CDeviceInfoManager.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/status/FakeEngineProbe.h"
#include "tests/status/IdleComm.h"
#include "tests/support/TestEnv.h"

namespace {

std::u16string FakeEnginePath(const std::string& variant) {
  return FakeEngineFolder(variant) + u"/ADeviceInfoEngine.so";
}

class CDeviceInfoManagerTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(manager.LoadModule(&comm, FakeEngineFolder("full")), kManagerOk);
  }

  IdleComm comm;
  CDeviceInfoManager manager;
};

TEST_F(CDeviceInfoManagerTest, ValuesComeThroughTheLengthThenTextProtocol) {
  std::string text;
  ASSERT_EQ(manager.GetValueString("NAME", &text), kManagerOk);
  EXPECT_EQ(text, kFakeName);
  ASSERT_EQ(manager.GetValueString("NUMBER", &text), kManagerOk);
  EXPECT_EQ(text, "42");

  std::int32_t length = 0;
  ASSERT_EQ(manager.GetValueLength("NAME", &length), kManagerOk);
  EXPECT_EQ(length, static_cast<std::int32_t>(std::string(kFakeName).size()));
  std::int32_t number = 0;
  ASSERT_EQ(manager.GetValueInt("NUMBER", &number), kManagerOk);
  EXPECT_EQ(number, kFakeNumber);
  EXPECT_EQ(manager.GetValueInt("NAME", &number), kFakeNotNumber);
}

TEST_F(CDeviceInfoManagerTest, UnknownKeyReturnsTheEnginesLengthResultAndKeepsTheString) {
  std::string text = "unchanged";
  EXPECT_EQ(manager.GetValueString("NO_SUCH_KEY", &text), kFakeUnknownKey);
  EXPECT_EQ(text, "unchanged");
  EXPECT_EQ(manager.GetValueString(nullptr, &text), kFakeUnknownKey);  // an empty key
  EXPECT_EQ(text, "unchanged");
}

TEST_F(CDeviceInfoManagerTest, ImpossibleLengthsAndMissingTargetsAreRefused) {
  std::string text = "unchanged";
  EXPECT_EQ(manager.GetValueString("BADLEN", &text), kManagerBadArgument);
  EXPECT_EQ(manager.GetValueString("HUGE", &text), kManagerBadArgument);
  EXPECT_EQ(text, "unchanged");
  EXPECT_EQ(manager.GetValueString("NAME", nullptr), kManagerBadArgument);
}

TEST(CDeviceInfoManagerTerminatorTest, TerminatorCountedByTheEngineDoesNotEnterTheString) {
  IdleComm comm;
  CDeviceInfoManager manager;
  ASSERT_EQ(manager.LoadModule(&comm, FakeEngineFolder("counts_terminator")), kManagerOk);
  std::string text;
  ASSERT_EQ(manager.GetValueString("NAME", &text), kManagerOk);
  EXPECT_EQ(text, kFakeName);
  EXPECT_EQ(text.size(), std::string(kFakeName).size());
}

struct CallbackSeen {
  std::uint32_t handle = 0;
  std::int32_t event = 0;
  int calls = 0;
};

void Remember(std::uint32_t handle, std::int32_t event, std::int32_t, void* context) {
  auto* seen = static_cast<CallbackSeen*>(context);
  seen->handle = handle;
  seen->event = event;
  ++seen->calls;
}

TEST_F(CDeviceInfoManagerTest, CallbacksAreForwardedWithTheEngineHandle) {
  CallbackSeen seen;
  ASSERT_EQ(manager.RegisterCallback(&Remember, &seen), kFakeOk);
  EXPECT_EQ(seen.calls, 1);
  EXPECT_NE(seen.handle, 0u);
  EXPECT_EQ(seen.event, kFakeCallbackEvent);
  EXPECT_EQ(manager.UnregisterCallback(), kFakeOk);

  // Through the second base's dispatch table the same operations answer.
  CManagerBase& base = manager;
  CallbackSeen again;
  ASSERT_EQ(base.RegisterCallback(&Remember, &again), kFakeOk);
  EXPECT_EQ(again.handle, seen.handle);
  EXPECT_EQ(base.UnregisterCallback(), kFakeOk);
}

TEST_F(CDeviceInfoManagerTest, LoadForwardsAndUnloadFinalizes) {
  FakeEngineProbe probe("full");
  ASSERT_EQ(manager.Load(), kFakeOk);
  EXPECT_EQ(probe.Since().loadCalls, 1);

  CManagerBase& base = manager;
  EXPECT_EQ(base.UnloadModule(), kManagerUnloaded);
  EXPECT_EQ(probe.Since().finalizeCalls, 1);
  EXPECT_FALSE(manager.HasHandle());
  EXPECT_EQ(manager.Load(), kManagerNotLoaded);
  EXPECT_EQ(probe.Since().loadCalls, 1);
  EXPECT_EQ(base.UnloadModule(), kManagerUnloaded);  // twice is harmless
  EXPECT_EQ(probe.Since().finalizeCalls, 1);
}

TEST_F(CDeviceInfoManagerTest, LoadingAgainReplacesTheEngineAndFailureLeavesNothingLoaded) {
  FakeEngineProbe probe("full");
  // Called through the second base, the override joins the folder and the library name.
  CManagerBase& base = manager;
  ASSERT_EQ(base.LoadModule(&comm, FakeEngineFolder("full")), kManagerOk);
  EXPECT_EQ(probe.Since().finalizeCalls, 1);
  EXPECT_EQ(probe.Since().liveHandles, 1);

  EXPECT_EQ(manager.LoadModule(&comm, plat::FromUtf8(testenv::MakeTempDir("none"))),
            kManagerNotLoaded);
  EXPECT_EQ(probe.Since().finalizeCalls, 2);  // the engine loaded before is gone
  EXPECT_EQ(probe.Since().liveHandles, 0);
  EXPECT_FALSE(manager.HasHandle());
  std::string text = "unchanged";
  EXPECT_EQ(manager.GetValueString("NAME", &text), kManagerNotLoaded);
  EXPECT_EQ(text, "unchanged");

  for (const char* variant : {"without_load", "zero_handle", "without_unregister"}) {
    SCOPED_TRACE(variant);
    EXPECT_EQ(manager.LoadModule(&comm, FakeEngineFolder(variant)), kManagerNotLoaded);
    EXPECT_FALSE(manager.HasHandle());
    EXPECT_EQ(manager.Load(), kManagerNotLoaded);
  }
}

TEST(CManagerBaseTest, LoadModuleSteps) {
  IdleComm comm;
  FakeEngineProbe probe("full");
  CManagerBase base;
  EXPECT_EQ(base.LoadModule(&comm, u""), kManagerEmptyPath);
  EXPECT_EQ(base.LoadModule(&comm, plat::FromUtf8(testenv::MakeTempDir("x")) + u"/none.so"),
            kManagerNotLoaded);
  EXPECT_EQ(base.LoadModule(&comm, FakeEnginePath("without_unregister")), kManagerNotLoaded);
  EXPECT_FALSE(base.HasHandle());

  // Without an argument the library is only loaded: no handle to forward with.
  ASSERT_EQ(base.LoadModule(nullptr, FakeEnginePath("full")), kManagerOk);
  EXPECT_FALSE(base.HasHandle());
  EXPECT_EQ(base.UnregisterCallback(), kManagerNotLoaded);
  EXPECT_EQ(probe.Since().initializeCalls, 0);

  ASSERT_EQ(base.LoadModule(&comm, FakeEnginePath("full")), kManagerOk);
  EXPECT_TRUE(base.HasHandle());
  EXPECT_EQ(base.UnregisterCallback(), kFakeOk);
  EXPECT_EQ(probe.Since().lastArgument, static_cast<void*>(static_cast<IXJComm*>(&comm)));

  // Initialize giving no handle: result 0 and nothing stays loaded.
  EXPECT_EQ(base.LoadModule(&comm, FakeEnginePath("zero_handle")), kManagerNoHandle);
  EXPECT_FALSE(base.HasHandle());
  EXPECT_EQ(probe.Since().finalizeCalls, 1);  // the earlier engine was finalized first
  EXPECT_EQ(probe.Since().liveHandles, 0);
}

TEST(CManagerBaseTest, DestructorFinalizesTheEngine) {
  IdleComm comm;
  FakeEngineProbe probe("full");
  {
    CManagerBase base;
    ASSERT_EQ(base.LoadModule(&comm, FakeEnginePath("full")), kManagerOk);
    EXPECT_EQ(probe.Since().liveHandles, 1);
  }
  EXPECT_EQ(probe.Since().finalizeCalls, 1);
  EXPECT_EQ(probe.Since().liveHandles, 0);
}

}  // namespace
