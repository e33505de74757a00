#include "app/TerminationSignal.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <csignal>

namespace {

TEST(TerminationSignal, SignalBecomesAQueuedRequestOnTheUiThread) {
  TerminationSignal termination;
  ASSERT_TRUE(termination.IsActive());
  QSignalSpy requested(&termination, &TerminationSignal::Requested);
  ASSERT_EQ(std::raise(SIGTERM), 0);
  // The process is still here; the request arrives through the event loop.
  ASSERT_TRUE(requested.wait(5000));
  ASSERT_EQ(requested.count(), 1);
  EXPECT_EQ(requested.at(0).at(0).toInt(), SIGTERM);
}

}  // namespace
