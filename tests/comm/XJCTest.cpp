#include "comm/XJC.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/Text.h"
#include "tests/comm/StubXJCommControl.h"
#include "tests/comm/VirtualSlot.h"
#include "tests/support/TestEnv.h"

namespace {

const char kFullPath[] = XJ_STUB_FULL_PATH;
const char kLackingPath[] = XJ_STUB_LACKING_PATH;

// True while the library at path is loaded into this process (asks without loading).
bool IsInProcess(const char* path) {
  void* h = ::dlopen(path, RTLD_NOW | RTLD_NOLOAD);
  if (h == nullptr) return false;
  ::dlclose(h);
  return true;
}

std::uint64_t Addr(const void* p) { return reinterpret_cast<std::uintptr_t>(p); }

struct Logged {
  std::string name;
  std::uint64_t args[4];
};

// An XJC loaded with the recording library, plus access to the library's log.
class XJCWithStub : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(xjc_.Load(plat::FromUtf8(kFullPath)), XJC_OK) << plat::LastLoadError();
    reset_ = reinterpret_cast<StubResetFn>(plat::GetProcAddress(xjc_.Handle(), "StubXJC_Reset"));
    count_ = reinterpret_cast<StubCallCountFn>(plat::GetProcAddress(xjc_.Handle(), "StubXJC_CallCount"));
    call_ = reinterpret_cast<StubCallFn>(plat::GetProcAddress(xjc_.Handle(), "StubXJC_Call"));
    setResult_ = reinterpret_cast<StubSetResultFn>(plat::GetProcAddress(xjc_.Handle(), "StubXJC_SetResult"));
    ASSERT_TRUE(reset_ && count_ && call_ && setResult_);
    reset_();
  }

  std::vector<Logged> Calls() const {
    std::vector<Logged> out;
    for (int i = 0; i < count_(); ++i) {
      const StubCall* c = call_(i);
      Logged l{c->name, {c->args[0], c->args[1], c->args[2], c->args[3]}};
      out.push_back(l);
    }
    return out;
  }
  std::vector<std::string> CallNames() const {
    std::vector<std::string> names;
    for (const auto& c : Calls()) names.push_back(c.name);
    return names;
  }

  XJC xjc_;
  StubResetFn reset_ = nullptr;
  StubCallCountFn count_ = nullptr;
  StubCallFn call_ = nullptr;
  StubSetResultFn setResult_ = nullptr;
};

// ---- dispatch table ------------------------------------------------------------------------

TEST(XJCInterface, OperationsSitInTheirDispatchSlots) {
  // IXJComm as the information libraries call it.
  EXPECT_EQ(VirtualSlot(&IXJComm::Read), 1);
  EXPECT_EQ(VirtualSlot(&IXJComm::Write), 2);
  EXPECT_EQ(VirtualSlot(&IXJComm::Purge), 3);
  EXPECT_EQ(VirtualSlot(&IXJComm::SetFlowCtrlForced), 4);
  EXPECT_EQ(VirtualSlot(&IXJComm::RecoverySending), 5);
  // XJC keeps them and appends its own.
  EXPECT_EQ(VirtualSlot(&XJC::Read), 1);
  EXPECT_EQ(VirtualSlot(&XJC::RecoverySending), 5);
  EXPECT_EQ(VirtualSlot(&XJC::Open), 6);
  EXPECT_EQ(VirtualSlot(&XJC::Close), 7);
  EXPECT_EQ(VirtualSlot(&XJC::GetStatus), 8);
  EXPECT_EQ(VirtualSlot(&XJC::Reset), 9);
  EXPECT_EQ(VirtualSlot(&XJC::SetDisableOffOffline), 10);
  EXPECT_EQ(VirtualSlot(&XJC::SetResponseACK), 11);
  // The object is its interface: no adjustment between the two.
  XJC xjc;
  EXPECT_EQ(static_cast<void*>(static_cast<IXJComm*>(&xjc)), static_cast<void*>(&xjc));
}

// ---- not loaded ------------------------------------------------------------------------

void ExpectEveryOperationNotLoaded(XJC& xjc) {
  char buffer[8];
  std::uint32_t done = 0;
  std::int32_t status = -1;
  IXJComm& comm = xjc;
  EXPECT_EQ(comm.Read(buffer, 8, &done, 100), XJC_E_NOT_LOADED);
  EXPECT_EQ(comm.Write(buffer, 8, &done, 100), XJC_E_NOT_LOADED);
  EXPECT_EQ(comm.Purge(), XJC_E_NOT_LOADED);
  EXPECT_EQ(comm.SetFlowCtrlForced(1), XJC_E_NOT_LOADED);
  EXPECT_EQ(comm.RecoverySending(), XJC_E_NOT_LOADED);
  EXPECT_EQ(xjc.Open(1), XJC_E_NOT_LOADED);
  EXPECT_EQ(xjc.Close(), XJC_E_NOT_LOADED);
  EXPECT_EQ(xjc.GetStatus(&status), XJC_E_NOT_LOADED);
  EXPECT_EQ(status, -1) << "nothing was called";
  EXPECT_EQ(xjc.Reset(), XJC_E_NOT_LOADED);
  EXPECT_EQ(xjc.SetDisableOffOffline(), XJC_E_NOT_LOADED);
  EXPECT_EQ(xjc.SetResponseACK(1), XJC_E_NOT_LOADED);
  PortRecord record{};
  EXPECT_EQ(OpenPortSequence(&xjc, &record), XJC_E_NOT_LOADED);
  EXPECT_FALSE(xjc.IsLoaded());
  EXPECT_EQ(xjc.Handle(), nullptr);
#define XJC_TEST_EXPECT_NULL(name) EXPECT_EQ(xjc.name, nullptr) << #name;
  XJC_ENTRY_POINTS(XJC_TEST_EXPECT_NULL)
#undef XJC_TEST_EXPECT_NULL
}

TEST(XJCNotLoaded, NewObjectAnswersNotLoaded) {
  XJC xjc;
  ExpectEveryOperationNotLoaded(xjc);
}

TEST(XJCNotLoaded, MissingLibraryFile) {
  const std::string folder = testenv::MakeTempDir("nolib");
  XJC xjc;
  EXPECT_EQ(xjc.Load(plat::FromUtf8(folder + "/XJComm.dll")), XJC_E_NOT_LOADED);
  ExpectEveryOperationNotLoaded(xjc);
}

TEST(XJCNotLoaded, FileThatIsNoLibrary) {
  const std::string folder = testenv::MakeTempDir("badlib");
  ASSERT_TRUE(testenv::WriteFile(folder + "/XJComm.so", "this is not a shared library"));
  XJC xjc;
  EXPECT_EQ(xjc.Load(plat::FromUtf8(folder + "/XJComm.dll")), XJC_E_NOT_LOADED);
  ExpectEveryOperationNotLoaded(xjc);
}

TEST(XJCNotLoaded, LibraryLackingOneEntryPointIsTreatedAsAbsentAndUnloaded) {
  ASSERT_FALSE(IsInProcess(kLackingPath));
  XJC xjc;
  EXPECT_EQ(xjc.Load(plat::FromUtf8(kLackingPath)), XJC_E_NOT_LOADED);
  EXPECT_FALSE(IsInProcess(kLackingPath)) << "the incomplete library must be unloaded again";
  ExpectEveryOperationNotLoaded(xjc);
}

TEST(XJCNotLoaded, NullArgumentsOfTheOpenSequence) {
  PortRecord record{};
  EXPECT_EQ(OpenPortSequence(nullptr, &record), XJC_E_NOT_LOADED);
  XJC xjc;
  EXPECT_EQ(OpenPortSequence(&xjc, nullptr), XJC_E_NO_RECORD);
}

// ---- loading and unloading --------------------------------------------------------------

TEST(XJCLoad, LoadResolvesEveryEntryPointAndTheDestructorUnloads) {
  ASSERT_FALSE(IsInProcess(kFullPath));
  {
    XJC xjc;
    ASSERT_EQ(xjc.Load(plat::FromUtf8(kFullPath)), XJC_OK);
    EXPECT_TRUE(xjc.IsLoaded());
    EXPECT_NE(xjc.Handle(), nullptr);
    EXPECT_TRUE(IsInProcess(kFullPath));
    std::size_t resolved = 0;
#define XJC_TEST_COUNT_RESOLVED(name) \
  if (xjc.name != nullptr) ++resolved;
    XJC_ENTRY_POINTS(XJC_TEST_COUNT_RESOLVED)
#undef XJC_TEST_COUNT_RESOLVED
    EXPECT_EQ(resolved, 46u);
  }
  EXPECT_FALSE(IsInProcess(kFullPath));
}

TEST(XJCLoad, LoadingAnIncompleteLibraryReleasesTheOneBefore) {
  XJC xjc;
  ASSERT_EQ(xjc.Load(plat::FromUtf8(kFullPath)), XJC_OK);
  EXPECT_EQ(xjc.Load(plat::FromUtf8(kLackingPath)), XJC_E_NOT_LOADED);
  EXPECT_FALSE(IsInProcess(kFullPath));
  EXPECT_FALSE(IsInProcess(kLackingPath));
  ExpectEveryOperationNotLoaded(xjc);
  // And it can be loaded again afterwards.
  EXPECT_EQ(xjc.Load(plat::FromUtf8(kFullPath)), XJC_OK);
  EXPECT_TRUE(xjc.IsLoaded());
  xjc.Unload();
  EXPECT_FALSE(IsInProcess(kFullPath));
  ExpectEveryOperationNotLoaded(xjc);
}

// ---- forwarding -------------------------------------------------------------------------

TEST_F(XJCWithStub, InterfaceOperationsForwardTheirArgumentsUnchanged) {
  IXJComm& comm = xjc_;
  char buffer[16];
  std::uint32_t done = 0;
  setResult_("XJC_Read", 0x80000004u);
  setResult_("XJC_Write", 7u);
  setResult_("XJC_Purge", 0x80000008u);
  setResult_("XJC_SetFlowCtrlForced", 11u);
  setResult_("XJC_RecoverySending", 12u);
  EXPECT_EQ(comm.Read(buffer, 16, &done, 0xFFFFFFFFu), 0x80000004u);
  EXPECT_EQ(comm.Write(buffer + 1, 0x12345678u, &done, 2500), 7u);
  EXPECT_EQ(comm.Purge(), 0x80000008u);
  EXPECT_EQ(comm.SetFlowCtrlForced(-1), 11u);
  EXPECT_EQ(comm.RecoverySending(), 12u);

  const auto calls = Calls();
  ASSERT_EQ(calls.size(), 5u);
  EXPECT_EQ(calls[0].name, "XJC_Read");
  EXPECT_EQ(calls[0].args[0], Addr(buffer));
  EXPECT_EQ(calls[0].args[1], 16u);
  EXPECT_EQ(calls[0].args[2], Addr(&done));
  EXPECT_EQ(calls[0].args[3], 0xFFFFFFFFu);
  EXPECT_EQ(calls[1].name, "XJC_Write");
  EXPECT_EQ(calls[1].args[0], Addr(buffer + 1));
  EXPECT_EQ(calls[1].args[1], 0x12345678u);
  EXPECT_EQ(calls[1].args[2], Addr(&done));
  EXPECT_EQ(calls[1].args[3], 2500u);
  EXPECT_EQ(calls[2].name, "XJC_Purge");
  EXPECT_EQ(calls[3].name, "XJC_SetFlowCtrlForced");
  EXPECT_EQ(calls[3].args[0], 0xFFFFFFFFu);
  EXPECT_EQ(calls[4].name, "XJC_RecoverySending");
}

TEST_F(XJCWithStub, OwnOperationsForwardTheirArgumentsUnchanged) {
  std::int32_t status = -1;
  setResult_("XJC_Open", 0x8000000Bu);
  setResult_("XJC_Close", 21u);
  setResult_("XJC_GetStatus", 22u);
  setResult_("XJC_Reset", 23u);
  setResult_("XJC_SetDisableOffOffline", 24u);
  setResult_("XJC_SetResponseACK", 25u);
  EXPECT_EQ(xjc_.Open(0), XJC_E_IN_USE);
  EXPECT_EQ(xjc_.Open(1), XJC_E_IN_USE);
  EXPECT_EQ(xjc_.Close(), 21u);
  EXPECT_EQ(xjc_.GetStatus(&status), 22u);
  EXPECT_EQ(xjc_.Reset(), 23u);
  EXPECT_EQ(xjc_.SetDisableOffOffline(), 24u);
  EXPECT_EQ(xjc_.SetResponseACK(3), 25u);

  const auto calls = Calls();
  ASSERT_EQ(calls.size(), 7u);
  EXPECT_EQ(calls[0].name, "XJC_Open");
  EXPECT_EQ(calls[0].args[0], 0u);
  EXPECT_EQ(calls[1].name, "XJC_Open");
  EXPECT_EQ(calls[1].args[0], 1u);
  EXPECT_EQ(calls[2].name, "XJC_Close");
  EXPECT_EQ(calls[3].name, "XJC_GetStatus");
  EXPECT_EQ(calls[3].args[0], Addr(&status));
  EXPECT_EQ(calls[4].name, "XJC_Reset");
  EXPECT_EQ(calls[5].name, "XJC_SetDisableOffOffline");
  EXPECT_EQ(calls[6].name, "XJC_SetResponseACK");
  EXPECT_EQ(calls[6].args[0], 3u);
}

// ---- open sequence ----------------------------------------------------------------------

TEST_F(XJCWithStub, OpenSequenceCallsEachStepWithTheRecord) {
  PortRecord record{};
  EXPECT_EQ(OpenPortSequence(&xjc_, &record), XJC_OK);
  const auto calls = Calls();
  ASSERT_EQ(CallNames(), (std::vector<std::string>{"XJC_SetPort", "XJC_GetPort", "XJC_Open",
                                                    "XJC_Initialize"}));
  EXPECT_EQ(calls[0].args[0], Addr(&record));
  EXPECT_EQ(calls[1].args[0], Addr(&record));
  EXPECT_EQ(calls[2].args[0], 1u);
}

TEST_F(XJCWithStub, OpenSequenceStopsAtTheFirstFailure) {
  const std::vector<std::string> steps = {"XJC_SetPort", "XJC_GetPort", "XJC_Open", "XJC_Initialize"};
  for (std::size_t failing = 0; failing < steps.size(); ++failing) {
    reset_();
    const XJC_RESULT failure = 0x80000100u + static_cast<XJC_RESULT>(failing);
    setResult_(steps[failing].c_str(), failure);
    // A later step failing too must not matter: the sequence never gets there.
    for (std::size_t later = failing + 1; later < steps.size(); ++later)
      setResult_(steps[later].c_str(), 0x80000200u);
    PortRecord record{};
    EXPECT_EQ(OpenPortSequence(&xjc_, &record), failure) << steps[failing];
    const std::vector<std::string> expected(steps.begin(), steps.begin() + static_cast<long>(failing) + 1);
    EXPECT_EQ(CallNames(), expected) << steps[failing];
  }
}

TEST_F(XJCWithStub, OpenSequenceWithoutRecordCallsNothing) {
  EXPECT_EQ(OpenPortSequence(&xjc_, nullptr), XJC_E_NO_RECORD);
  EXPECT_TRUE(CallNames().empty());
}

}  // namespace
