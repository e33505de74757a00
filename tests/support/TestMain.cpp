// Shared main of the test executables: sets up private folders before any test code
// (including static initialisers of the tests) asks for them, and removes them at exit.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/TestEnv.h"

int main(int argc, char** argv) {
  const std::string root = testenv::Root();
  testing::InitGoogleTest(&argc, argv);
  const int rc = RUN_ALL_TESTS();
  std::error_code ec;
  std::filesystem::remove_all(root, ec);
  return rc;
}
