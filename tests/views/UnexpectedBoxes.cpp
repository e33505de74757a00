// Any message box a test did not ask for fails that test instead of waiting for a user.
#include <gtest/gtest.h>

#include "platform/Text.h"
#include "platform/ui/MessageBox.h"

namespace {
class UnexpectedBoxGuard : public testing::Environment {
 public:
  void SetUp() override {
    plat::SetMessageBoxInterceptor([](const plat::MessageBoxRequest& request) {
      ADD_FAILURE() << "unexpected message box: " << plat::ToUtf8(request.text);
      return plat::IDOK;
    });
  }
  void TearDown() override { plat::SetMessageBoxInterceptor({}); }
};
const testing::Environment* const kGuard = testing::AddGlobalTestEnvironment(new UnexpectedBoxGuard);
}  // namespace
