// Shared main of the widget test executables: private folders as in TestMain.cpp, and
// one QApplication on the offscreen platform for the whole process.
#include <gtest/gtest.h>

#include <QApplication>
#include <filesystem>

#include "tests/support/TestEnv.h"

int main(int argc, char** argv) {
  const std::string root = testenv::Root();  // sets QT_QPA_PLATFORM=offscreen among others
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  const int rc = RUN_ALL_TESTS();
  std::error_code ec;
  std::filesystem::remove_all(root, ec);
  return rc;
}
