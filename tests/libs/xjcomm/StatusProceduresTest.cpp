#include "libs/xjcomm/StatusProcedures.h"

#include <gtest/gtest.h>

#include <vector>

namespace xjcomm {
namespace {

struct Log {
  std::vector<std::uint32_t> values;
  StatusProcedures* table = nullptr;
  bool unregisterInside = false;
};

std::int32_t Record(std::uint32_t value, void* context) {
  auto* log = static_cast<Log*>(context);
  log->values.push_back(value);
  if (log->unregisterInside) log->table->UnregisterStatus();
  return 0;
}

TEST(StatusProceduresTest, CalledOnceAfterRegistrationThenOnChangesOnly) {
  StatusProcedures table;
  std::atomic<bool> stop{false};
  Log status, battery;
  table.Deliver(0, 0x3630, stop);  // nobody registered: nothing happens
  table.RegisterStatus(&Record, &status);
  table.RegisterBattery(&Record, &battery);
  EXPECT_TRUE(table.WantsBattery());
  table.Deliver(std::nullopt, std::nullopt, stop);  // nothing known yet
  table.Deliver(0, 0x3630, stop);
  table.Deliver(0, 0x3630, stop);
  table.Deliver(6, 0x3630, stop);
  table.Deliver(6, 0x3530, stop);
  EXPECT_EQ(status.values, (std::vector<std::uint32_t>{0, 6}));
  EXPECT_EQ(battery.values, (std::vector<std::uint32_t>{0x3630, 0x3530}));

  // A new registration hears the current value again, even unchanged.
  table.RegisterStatus(&Record, &status);
  table.Deliver(6, 0x3530, stop);
  EXPECT_EQ(status.values, (std::vector<std::uint32_t>{0, 6, 6}));

  table.UnregisterBattery();
  EXPECT_FALSE(table.WantsBattery());
  EXPECT_TRUE(table.Any());
  table.Deliver(0, 0x3430, stop);
  EXPECT_EQ(battery.values.size(), 2u);
  table.Clear();
  EXPECT_FALSE(table.Any());
  table.Deliver(7, 0x3330, stop);
  EXPECT_EQ(status.values.size(), 4u);
}

TEST(StatusProceduresTest, UnregisteringFromInsideTakesEffectAtOnce) {
  StatusProcedures table;
  std::atomic<bool> stop{false};
  Log status;
  status.table = &table;
  status.unregisterInside = true;
  table.RegisterStatus(&Record, &status);
  table.Deliver(1, std::nullopt, stop);
  table.Deliver(2, std::nullopt, stop);
  EXPECT_EQ(status.values, std::vector<std::uint32_t>{1});
  EXPECT_FALSE(table.Any());
}

TEST(StatusProceduresTest, StoppingDeliveryCallsNothing) {
  StatusProcedures table;
  std::atomic<bool> stop{true};
  Log status;
  table.RegisterStatus(&Record, &status);
  table.Deliver(3, std::nullopt, stop);
  EXPECT_TRUE(status.values.empty());
}

}  // namespace
}  // namespace xjcomm
