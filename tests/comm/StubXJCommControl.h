#pragma once
// The control side of the recording stand-in communication library (StubXJComm.cpp).
// A test reaches these functions through the handle of the loaded library.
#include <cstdint>

struct StubCall {
  char name[48];           // entry point called
  std::uint64_t args[4];   // its arguments: integers zero-extended, pointers as addresses
};

// Clears the call log and every configured result.
typedef void (*StubResetFn)();
// Number of calls logged since the last reset (at most kStubMaxCalls are kept).
typedef int (*StubCallCountFn)();
// The i-th logged call, or null.
typedef const StubCall* (*StubCallFn)(int i);
// From now on the entry point `name` returns result (0 unless configured).
typedef void (*StubSetResultFn)(const char* name, std::uint32_t result);

inline constexpr int kStubMaxCalls = 256;
