// The dispatch tables plug-ins call the engines through: the slot of every operation of
// the engine interfaces, and the two tables of a device information manager.
#include <gtest/gtest.h>

#include "status/CDeviceInfoManager.h"
#include "status/CEngineManager.h"
#include "status/CManagerBase.h"
#include "sdk/IDeviceInfoManager.h"
#include "sdk/IEngineManager.h"
#include "sdk/IManagerBase.h"
#include "tests/comm/VirtualSlot.h"

namespace {

TEST(ManagerInterfacesTest, OperationsSitInTheirDispatchSlots) {
  EXPECT_EQ(VirtualSlot(&IManagerBase::RegisterCallback), 1);
  EXPECT_EQ(VirtualSlot(&IManagerBase::UnregisterCallback), 2);

  EXPECT_EQ(VirtualSlot(&IDeviceInfoManager::RegisterCallback), 1);
  EXPECT_EQ(VirtualSlot(&IDeviceInfoManager::UnregisterCallback), 2);
  EXPECT_EQ(VirtualSlot(&IDeviceInfoManager::Load), 3);
  EXPECT_EQ(VirtualSlot(&IDeviceInfoManager::GetValueLength), 4);
  EXPECT_EQ(VirtualSlot(&IDeviceInfoManager::GetValueInt), 5);
  EXPECT_EQ(VirtualSlot(&IDeviceInfoManager::GetValueString), 6);

  EXPECT_EQ(VirtualSlot(&CManagerBase::RegisterCallback), 1);
  EXPECT_EQ(VirtualSlot(&CManagerBase::UnregisterCallback), 2);
  EXPECT_EQ(VirtualSlot(&CManagerBase::LoadModule), 3);
  EXPECT_EQ(VirtualSlot(&CManagerBase::UnloadModule), 4);

  EXPECT_EQ(VirtualSlot(&IEngineManager::GetEngine), 1);
  EXPECT_EQ(VirtualSlot(&IEngineManager::ReleaseEngine), 2);
  EXPECT_EQ(VirtualSlot(&CEngineManager::GetEngine), 1);
  EXPECT_EQ(VirtualSlot(&CEngineManager::ReleaseEngine), 2);
}

TEST(ManagerInterfacesTest, DeviceInfoManagerHasTheInterfaceFirstAndTheLoaderSecond) {
  CDeviceInfoManager manager;
  const auto* start = reinterpret_cast<const char*>(&manager);
  const auto* first = reinterpret_cast<const char*>(static_cast<IDeviceInfoManager*>(&manager));
  const auto* second = reinterpret_cast<const char*>(static_cast<CManagerBase*>(&manager));
  EXPECT_EQ(first, start);
  EXPECT_GT(second, start);
}

}  // namespace
