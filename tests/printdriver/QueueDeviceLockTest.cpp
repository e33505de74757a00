#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "comm/DeviceUriMapping.h"
#include "comm/XJC.h"
#include "platform/Text.h"
#include "printdriver/QueueDeviceLock.h"
#include "tests/support/SimProcess.h"

using receipt::QueueDeviceLock;

TEST(QueueDeviceLock, PortsAreNamedAsTheLibraryNamesThem) {
  EXPECT_EQ(QueueDeviceLock::PortIdentity("socket://127.0.0.1"), "NET-127.0.0.1-9100");
  EXPECT_EQ(QueueDeviceLock::PortIdentity("socket://127.0.0.1:40100/"), "NET-127.0.0.1-40100");
  EXPECT_EQ(QueueDeviceLock::PortIdentity("serial:/dev/ttyUSB0?baud=19200"), "SERIAL-/dev/ttyUSB0");
  EXPECT_EQ(QueueDeviceLock::PortIdentity("serial:/dev/rfcomm0"), "SERIAL-/dev/rfcomm0");
  EXPECT_EQ(QueueDeviceLock::PortIdentity("parallel:/dev/lp0"), "LPT-/dev/lp0");
  EXPECT_EQ(QueueDeviceLock::PortIdentity("ipp://server/printers/x"), "");
  EXPECT_EQ(QueueDeviceLock::PortIdentity("socket://"), "");
}

// While a job holds its queue's printer, the utility's library answers "in use" for
// the port the queue maps to; a second job waits until it is cancelled.
TEST(QueueDeviceLock, PrintingJobMakesThePrinterInUseForTheUtility) {
  SimProcess sim;
  ASSERT_TRUE(sim.Start());
  const std::string uri = "socket://" + sim.TcpEndpoint();
  XJC xjc;
  ASSERT_EQ(xjc.Load(plat::FromUtf8(XJ_XJCOMM_PATH)), XJC_OK);
  PortRecord record = MapDeviceUri(uri, {}).record;
  {
    const std::atomic<bool> never{false};
    QueueDeviceLock job;
    ASSERT_EQ(job.Acquire(uri, never, {}), QueueDeviceLock::Result::Held);
    EXPECT_EQ(xjc.XJC_CommunicationTest(&record), XJC_E_IN_USE);

    std::atomic<bool> cancel{false};
    std::atomic<int> waits{0};
    QueueDeviceLock second;
    std::thread canceller([&] {
      while (waits.load() == 0) std::this_thread::yield();
      cancel = true;
    });
    EXPECT_EQ(second.Acquire(uri, cancel, [&] { ++waits; }, 10), QueueDeviceLock::Result::Cancelled);
    canceller.join();
    EXPECT_EQ(waits.load(), 1);
  }
  EXPECT_EQ(xjc.XJC_CommunicationTest(&record), XJC_OK);
  // The utility holding the printer keeps a job waiting in turn.
  ASSERT_EQ(xjc.XJC_SetPort(&record), XJC_OK);
  ASSERT_EQ(xjc.XJC_Open(1), XJC_OK);
  std::atomic<bool> cancel{false};
  QueueDeviceLock job;
  EXPECT_EQ(job.Acquire(uri, cancel, [&] { cancel = true; }, 10), QueueDeviceLock::Result::Cancelled);
  xjc.XJC_Close();
  EXPECT_EQ(job.Acquire(uri, cancel = false, {}, 10), QueueDeviceLock::Result::Held);
  xjc.XJC_Terminate();
}
