#include "libs/xjcomm/StatusProcedures.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace xjcomm {
namespace {

struct Calls {
  std::vector<std::uint32_t> values;
  StatusProcedures* procedures = nullptr;
  bool unregisterBatteryOnCall = false;
};

std::int32_t Record(std::uint32_t value, void* context) {
  auto* calls = static_cast<Calls*>(context);
  calls->values.push_back(value);
  if (calls->unregisterBatteryOnCall) calls->procedures->UnregisterBattery();
  return 0;
}

TEST(StatusProceduresTest, CodesGoOutOnceAfterRegisteringAndThenOnlyWhenTheyChange) {
  StatusProcedures procedures;
  const std::atomic<bool> stop{false};
  Calls status, battery;
  EXPECT_FALSE(procedures.Any());
  procedures.RegisterStatus(&Record, &status);
  EXPECT_TRUE(procedures.Any());
  EXPECT_FALSE(procedures.WantsBattery());
  procedures.RegisterBattery(&Record, &battery);
  EXPECT_TRUE(procedures.WantsBattery());

  procedures.Deliver(std::nullopt, std::nullopt, stop);  // nothing known yet: no call
  procedures.Deliver(0u, 0x3630, stop);
  procedures.Deliver(0u, 0x3630, stop);
  procedures.Deliver(6u, 0x3630, stop);
  procedures.Deliver(6u, 0x3231, stop);
  EXPECT_EQ(status.values, (std::vector<std::uint32_t>{0, 6}));
  EXPECT_EQ(battery.values, (std::vector<std::uint32_t>{0x3630, 0x3231}));

  // Registering again starts over: the current code is told once more.
  procedures.RegisterStatus(&Record, &status);
  procedures.Deliver(6u, 0x3231, stop);
  EXPECT_EQ(status.values, (std::vector<std::uint32_t>{0, 6, 6}));

  procedures.Clear();
  EXPECT_FALSE(procedures.Any());
  EXPECT_FALSE(procedures.WantsBattery());
  procedures.Deliver(7u, 0x3031, stop);
  EXPECT_EQ(status.values.size(), 3u);
  EXPECT_EQ(battery.values.size(), 2u);
}

TEST(StatusProceduresTest, ProcedureUnregisteredDuringADeliveryIsNotCalled) {
  StatusProcedures procedures;
  const std::atomic<bool> stop{false};
  Calls status, battery;
  status.procedures = &procedures;
  status.unregisterBatteryOnCall = true;
  procedures.RegisterStatus(&Record, &status);
  procedures.RegisterBattery(&Record, &battery);
  procedures.Deliver(0u, 0x3630, stop);
  EXPECT_EQ(status.values, (std::vector<std::uint32_t>{0}));
  EXPECT_TRUE(battery.values.empty());
  EXPECT_FALSE(procedures.WantsBattery());

  // A stop requested before the delivery: nobody is called.
  const std::atomic<bool> stopped{true};
  procedures.Deliver(6u, std::nullopt, stopped);
  EXPECT_EQ(status.values.size(), 1u);
}

// A procedure that stays inside its call until the test lets it go.
struct Gate {
  std::mutex mutex;
  std::condition_variable changed;
  bool entered = false;
  bool go = false;
};

std::int32_t Hold(std::uint32_t, void* context) {
  auto* gate = static_cast<Gate*>(context);
  std::unique_lock<std::mutex> lock(gate->mutex);
  gate->entered = true;
  gate->changed.notify_all();
  gate->changed.wait(lock, [gate] { return gate->go; });
  return 0;
}

TEST(StatusProceduresTest, AskingWhatIsRegisteredNeverWaitsForARunningCall) {
  // The library asks these while holding its own state, which a procedure that calls
  // back into the library may be waiting for: waiting here would be a deadlock.
  StatusProcedures procedures;
  const std::atomic<bool> stop{false};
  Gate gate;
  procedures.RegisterBattery(&Hold, &gate);
  std::thread deliverer([&] { procedures.Deliver(std::nullopt, 0x3630, stop); });
  {
    std::unique_lock<std::mutex> lock(gate.mutex);
    gate.changed.wait(lock, [&] { return gate.entered; });
  }

  auto asked = std::async(std::launch::async, [&] {
    return std::make_pair(procedures.Any(), procedures.WantsBattery());
  });
  // The bound only keeps a broken build from hanging; a working one answers at once.
  const bool answeredDuringTheCall =
      asked.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  {
    std::lock_guard<std::mutex> lock(gate.mutex);
    gate.go = true;
  }
  gate.changed.notify_all();
  deliverer.join();
  const auto [any, battery] = asked.get();
  EXPECT_TRUE(answeredDuringTheCall);
  EXPECT_TRUE(any);
  EXPECT_TRUE(battery);
}

}  // namespace
}  // namespace xjcomm
