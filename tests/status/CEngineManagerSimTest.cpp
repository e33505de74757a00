// The whole chain a plug-in uses: the engine manager lends the real device information
// engine, which reads the printer simulator over TCP on loopback.
#include <gtest/gtest.h>

#include <string>

#include "platform/Text.h"
#include "status/CEngineManager.h"
#include "sdk/IDeviceInfoManager.h"
#include "tests/libs/printerinfo/TcpTestComm.h"
#include "tests/support/SimProcess.h"

namespace {

TEST(CEngineManagerSimTest, PlugInReadsThePrinterThroughTheLentEngine) {
  SimProcess::Options options;
  options.deviceId = 145;
  SimProcess sim(options);
  ASSERT_TRUE(sim.Start());
  TcpTestComm comm;
  ASSERT_TRUE(comm.Connect(sim.TcpHost(), sim.TcpPort()));

  CEngineManager manager;
  manager.SetLibraryFolder(plat::FromUtf8(DEVICE_ENGINE_FOLDER));
  manager.SetInitArgument(&comm);

  IManagerBase* base = nullptr;
  ASSERT_EQ(manager.GetEngine(kEngineDeviceInfo, &base), kEngineOk);
  auto* engine = static_cast<IDeviceInfoManager*>(base);
  ASSERT_EQ(engine->Load(), kManagerOk);

  std::string name = "unchanged";
  ASSERT_EQ(engine->GetValueString("MODEL_NAME", &name), kManagerOk);
  EXPECT_EQ(name, "XJ-K52II");
  std::int32_t id = 0;
  ASSERT_EQ(engine->GetValueInt("DEVICE_ID", &id), kManagerOk);
  EXPECT_EQ(id, 145);

  std::string other = "unchanged";
  std::int32_t length = 0;
  const std::int32_t unknown = engine->GetValueLength("NO_SUCH_KEY", &length);
  EXPECT_NE(unknown, kManagerOk);
  EXPECT_EQ(engine->GetValueString("NO_SUCH_KEY", &other), unknown);
  EXPECT_EQ(other, "unchanged");

  EXPECT_EQ(manager.ReleaseEngine(kEngineDeviceInfo), kEngineOk);
  EXPECT_EQ(manager.ReferenceCount(kEngineDeviceInfo), 0);
}

}  // namespace
