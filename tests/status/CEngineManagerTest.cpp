// The engine manager with fake engine libraries: lending and reference counting,
// unknown numbers, missing or incomplete libraries, and many threads at once.
#include "status/CEngineManager.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "status/CDeviceInfoManager.h"
#include "sdk/IDeviceInfoManager.h"
#include "tests/status/FakeEngineProbe.h"
#include "tests/status/IdleComm.h"
#include "tests/support/TestEnv.h"

namespace {

class CEngineManagerTest : public testing::Test {
 protected:
  void Use(const std::string& variant) {
    manager.SetLibraryFolder(FakeEngineFolder(variant));
    manager.SetInitArgument(&comm);
  }

  IDeviceInfoManager* Borrow() {
    IManagerBase* engine = nullptr;
    EXPECT_EQ(manager.GetEngine(kEngineDeviceInfo, &engine), kEngineOk);
    EXPECT_NE(engine, nullptr);
    return static_cast<IDeviceInfoManager*>(engine);
  }

  IdleComm comm;
  CEngineManager manager;
};

TEST_F(CEngineManagerTest, UnknownEngineNumbersGiveNothing) {
  Use("full");
  for (std::int32_t number : {2, 0, -1, 100}) {
    SCOPED_TRACE(number);
    IManagerBase* engine = reinterpret_cast<IManagerBase*>(0x1);
    EXPECT_EQ(manager.GetEngine(number, &engine), kEngineUnknown);
    EXPECT_EQ(engine, reinterpret_cast<IManagerBase*>(0x1));
    EXPECT_EQ(manager.ReferenceCount(number), 0);
    EXPECT_EQ(manager.ReleaseEngine(number), kEngineUnknown);
  }
  EXPECT_EQ(manager.ReferenceCount(kEngineDeviceInfo), 0);
}

TEST_F(CEngineManagerTest, MissingOutPointerCreatesNoEngine) {
  Use("full");
  FakeEngineProbe probe("full");
  EXPECT_EQ(manager.GetEngine(kEngineDeviceInfo, nullptr), kEngineNoOutPointer);
  EXPECT_EQ(manager.GetEngine(2, nullptr), kEngineNoOutPointer);
  EXPECT_EQ(manager.ReferenceCount(kEngineDeviceInfo), 0);
  EXPECT_EQ(probe.Since().initializeCalls, 0);
}

TEST_F(CEngineManagerTest, LoansAreCountedAndTheLastReleaseUnloads) {
  Use("full");
  FakeEngineProbe probe("full");

  IDeviceInfoManager* first = Borrow();
  IDeviceInfoManager* second = Borrow();
  EXPECT_EQ(first, second);
  EXPECT_EQ(manager.ReferenceCount(kEngineDeviceInfo), 2);
  EXPECT_EQ(probe.Since().initializeCalls, 1);
  EXPECT_EQ(probe.Since().lastArgument, static_cast<void*>(static_cast<IXJComm*>(&comm)));

  std::int32_t value = 0;
  ASSERT_EQ(first->GetValueInt("NUMBER", &value), kManagerOk);
  EXPECT_EQ(value, kFakeNumber);

  EXPECT_EQ(manager.ReleaseEngine(kEngineDeviceInfo), kEngineOk);
  EXPECT_EQ(manager.ReferenceCount(kEngineDeviceInfo), 1);
  EXPECT_EQ(probe.Since().liveHandles, 1);
  value = 0;
  ASSERT_EQ(second->GetValueInt("NUMBER", &value), kManagerOk);  // still usable
  EXPECT_EQ(value, kFakeNumber);

  EXPECT_EQ(manager.ReleaseEngine(kEngineDeviceInfo), kEngineOk);
  EXPECT_EQ(manager.ReferenceCount(kEngineDeviceInfo), 0);
  EXPECT_EQ(probe.Since().finalizeCalls, 1);
  EXPECT_EQ(probe.Since().liveHandles, 0);

  EXPECT_EQ(manager.ReleaseEngine(kEngineDeviceInfo), kEngineUnknown);

  // A new loan creates a new engine.
  Borrow();
  EXPECT_EQ(manager.ReferenceCount(kEngineDeviceInfo), 1);
  EXPECT_EQ(probe.Since().initializeCalls, 2);
  EXPECT_EQ(manager.ReleaseEngine(kEngineDeviceInfo), kEngineOk);
}

void ExpectEverythingNotLoaded(IDeviceInfoManager* engine) {
  EXPECT_EQ(engine->RegisterCallback(nullptr, nullptr), kManagerNotLoaded);
  EXPECT_EQ(engine->UnregisterCallback(), kManagerNotLoaded);
  EXPECT_EQ(engine->Load(), kManagerNotLoaded);
  std::int32_t value = 7;
  EXPECT_EQ(engine->GetValueLength("NAME", &value), kManagerNotLoaded);
  EXPECT_EQ(engine->GetValueInt("NUMBER", &value), kManagerNotLoaded);
  EXPECT_EQ(value, 7);
  std::string text = "unchanged";
  EXPECT_EQ(engine->GetValueString("NAME", &text), kManagerNotLoaded);
  EXPECT_EQ(text, "unchanged");
}

TEST_F(CEngineManagerTest, AbsentLibraryStillLendsAnEngineThatAnswersNotLoaded) {
  manager.SetLibraryFolder(plat::FromUtf8(testenv::MakeTempDir("empty")));
  manager.SetInitArgument(&comm);
  IDeviceInfoManager* engine = Borrow();
  ExpectEverythingNotLoaded(engine);
  EXPECT_EQ(manager.ReferenceCount(kEngineDeviceInfo), 1);
  EXPECT_EQ(manager.ReleaseEngine(kEngineDeviceInfo), kEngineOk);
  EXPECT_EQ(manager.ReleaseEngine(kEngineDeviceInfo), kEngineUnknown);
}

TEST_F(CEngineManagerTest, IncompleteOrFailingLibrariesAnswerNotLoaded) {
  for (const char* variant : {"without_load", "without_unregister", "zero_handle"}) {
    SCOPED_TRACE(variant);
    CEngineManager local;
    local.SetLibraryFolder(FakeEngineFolder(variant));
    local.SetInitArgument(&comm);
    FakeEngineProbe probe(variant);
    IManagerBase* base = nullptr;
    ASSERT_EQ(local.GetEngine(kEngineDeviceInfo, &base), kEngineOk);
    ExpectEverythingNotLoaded(static_cast<IDeviceInfoManager*>(base));
    EXPECT_EQ(probe.Since().liveHandles, 0);
    EXPECT_EQ(local.ReleaseEngine(kEngineDeviceInfo), kEngineOk);
  }
}

TEST_F(CEngineManagerTest, DestroyingTheManagerUnloadsLentEngines) {
  FakeEngineProbe probe("full");
  {
    CEngineManager local;
    local.SetLibraryFolder(FakeEngineFolder("full"));
    local.SetInitArgument(&comm);
    IManagerBase* engine = nullptr;
    ASSERT_EQ(local.GetEngine(kEngineDeviceInfo, &engine), kEngineOk);
    ASSERT_EQ(local.GetEngine(kEngineDeviceInfo, &engine), kEngineOk);
    EXPECT_EQ(probe.Since().liveHandles, 1);
  }
  EXPECT_EQ(probe.Since().finalizeCalls, 1);
  EXPECT_EQ(probe.Since().liveHandles, 0);
}

TEST_F(CEngineManagerTest, ManyThreadsShareOneEngine) {
  Use("full");
  constexpr int kThreads = 4;
  constexpr int kRounds = 150;
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < kRounds; ++i) {
        IManagerBase* base = nullptr;
        if (manager.GetEngine(kEngineDeviceInfo, &base) != kEngineOk || base == nullptr) {
          ++failures;
          continue;
        }
        auto* engine = static_cast<IDeviceInfoManager*>(base);
        std::string name;
        if (engine->GetValueString("NAME", &name) != kManagerOk || name != kFakeName) ++failures;
        if (manager.ReleaseEngine(kEngineDeviceInfo) != kEngineOk) ++failures;
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(manager.ReferenceCount(kEngineDeviceInfo), 0);
  EXPECT_EQ(manager.ReleaseEngine(kEngineDeviceInfo), kEngineUnknown);
}

}  // namespace
