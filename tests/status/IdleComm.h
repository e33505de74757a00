#pragma once
// A communication object that carries no traffic: the fake engines only remember the
// pointer they were initialised with.
#include "sdk/IXJComm.h"
#include "sdk/XJComm.h"

class IdleComm : public IXJComm {
 public:
  std::uint32_t Read(void*, std::uint32_t, std::uint32_t* done, std::uint32_t) override {
    *done = 0;
    return XJC_E_NOT_OPEN;
  }
  std::uint32_t Write(const void*, std::uint32_t, std::uint32_t* done, std::uint32_t) override {
    *done = 0;
    return XJC_E_NOT_OPEN;
  }
  std::uint32_t Purge() override { return XJC_E_NOT_OPEN; }
  std::uint32_t SetFlowCtrlForced(std::int32_t) override { return XJC_E_NOT_OPEN; }
  std::uint32_t RecoverySending() override { return XJC_E_NOT_OPEN; }
};
