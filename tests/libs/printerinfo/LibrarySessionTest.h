#pragma once
// The fixtures of the information library tests (the printer information manager and
// the device information engine): a session of the library over a communication
// object, opened by the test and finalised at its end.
//   ScriptedSessionTest<Library>  over a scripted XJ-K52II, opened before each test
//   SimSessionTest<Library>       over TCP to the printer simulator, opened by Start
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "tests/libs/printerinfo/ScriptedComm.h"
#include "tests/libs/printerinfo/TcpTestComm.h"
#include "tests/support/SimProcess.h"

template <typename Library>
class LibrarySessionTest : public testing::Test {
 protected:
  // Opens the session over comm, which outlives it.
  void OpenSession(IXJComm* comm) {
    ASSERT_TRUE(lib.Complete());
    handle = lib.Initialize(comm);
    ASSERT_NE(handle, 0u);
  }
  void TearDown() override {
    if (lib.Finalize != nullptr) lib.Finalize(&handle);
  }

  Library lib;
  std::uint32_t handle = 0;
};

template <typename Library>
class ScriptedSessionTest : public LibrarySessionTest<Library> {
 protected:
  void SetUp() override {
    ScriptXjK52(comm);
    this->OpenSession(&comm);
  }

  ScriptedComm comm;
};

template <typename Library>
class SimSessionTest : public LibrarySessionTest<Library> {
 protected:
  // Starts the simulator with options and opens the session over a TCP connection to it.
  void Start(SimProcess::Options options = {}) {
    sim = std::make_unique<SimProcess>(std::move(options));
    ASSERT_TRUE(sim->Start());
    ASSERT_TRUE(comm.Connect(sim->TcpHost(), sim->TcpPort()));
    this->OpenSession(&comm);
  }

  TcpTestComm comm;
  std::unique_ptr<SimProcess> sim;
};
