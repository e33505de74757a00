#include "comm/PortEnumeration.h"

#include <gtest/gtest.h>

#include <vector>

#include "comm/XJC.h"
#include "platform/Text.h"

namespace {

// What the stand-in enumerations below were asked, and what they answer. Reset by the
// fixture, so every run of a test starts from the same state.
struct EnumerationScript {
  std::uint32_t devices = 0;
  XJC_RESULT secondCall = XJC_OK;
  std::vector<std::uint32_t> capacities;
};
EnumerationScript gScript;

XJC_RESULT Devices(const char16_t* kind, PortRecord** records, std::uint32_t capacity, std::uint32_t* count) {
  gScript.capacities.push_back(capacity);
  *count = gScript.devices;
  for (std::uint32_t i = 0; i < gScript.devices && i < capacity && records != nullptr; ++i) {
    plat::CopyText(records[i]->kind, kind);
    plat::CopyText(records[i]->portName, u"lp" + plat::FormatInt(i));
  }
  return XJC_OK;
}

XJC_RESULT Registered(PortRecord** records, std::uint32_t capacity, std::uint32_t* count, std::int32_t) {
  gScript.capacities.push_back(capacity);
  *count = gScript.devices;
  if (records == nullptr) return XJC_OK;
  for (std::uint32_t i = 0; i < gScript.devices && i < capacity; ++i) plat::CopyText(records[i]->kind, u"NET");
  return gScript.secondCall;
}

class PortEnumeration : public testing::Test {
 protected:
  void SetUp() override {
    gScript = EnumerationScript{};
    ASSERT_EQ(xjc_.Load(plat::FromUtf8(XJ_STUB_FULL_PATH)), XJC_OK);
    xjc_.XJC_EnumDevPort = &Devices;
    xjc_.XJC_EnumPort = &Registered;
  }
  XJC xjc_;
};

}  // namespace

TEST_F(PortEnumeration, DeviceListsGrowToTheCountWithinTheLimit) {
  std::vector<PortRecord> records;
  gScript.devices = 3;
  EXPECT_EQ(EnumerateDevices(&xjc_, u"USB", records), 3u);
  EXPECT_EQ(plat::FieldText(records[2].portName), u"lp2");
  EXPECT_EQ(gScript.capacities, (std::vector<std::uint32_t>{kInitialDeviceRecords}));

  gScript = EnumerationScript{};
  gScript.devices = 130;
  EXPECT_EQ(EnumerateDevices(&xjc_, u"USB", records), 130u);
  EXPECT_EQ(gScript.capacities, (std::vector<std::uint32_t>{kInitialDeviceRecords, 130}));

  gScript = EnumerationScript{};
  gScript.devices = 0xFFFFFFFFu;
  EXPECT_EQ(EnumerateDevices(&xjc_, u"USB", records), kMaxDeviceRecords);
  EXPECT_EQ(gScript.capacities, (std::vector<std::uint32_t>{kInitialDeviceRecords, kMaxDeviceRecords}));

  XJC absent;
  EXPECT_EQ(EnumerateDevices(&absent, u"USB", records), 0u);
  EXPECT_EQ(records.size(), kInitialDeviceRecords);
  EXPECT_EQ(EnumerateDevices(nullptr, u"USB", records), 0u);
}

TEST_F(PortEnumeration, RegisteredPortsAreCountedThenFilled) {
  gScript.devices = 2;
  std::optional<std::vector<PortRecord>> ports = ListRegisteredPorts(&xjc_, kEnumPortMode);
  ASSERT_TRUE(ports.has_value());
  EXPECT_EQ(ports->size(), 2u);
  EXPECT_EQ(gScript.capacities, (std::vector<std::uint32_t>{0, 2}));

  // A count beyond reason is cut; a failed second call lists nothing.
  gScript = EnumerationScript{};
  gScript.devices = 0xFFFFFFFFu;
  gScript.secondCall = XJC_E_IO;
  ports = ListRegisteredPorts(&xjc_, kEnumDriverMode);
  ASSERT_TRUE(ports.has_value());
  EXPECT_TRUE(ports->empty());
  EXPECT_EQ(gScript.capacities, (std::vector<std::uint32_t>{0, kMaxRegisteredPorts}));

  XJC absent;
  EXPECT_FALSE(ListRegisteredPorts(&absent, kEnumPortMode).has_value());
}
