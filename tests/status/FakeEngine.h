#pragma once
// A small engine library for the manager tests, built in several variants (each named
// ADeviceInfoEngine.so in a folder of its own): complete, without Load, without
// UnregisterCallback, with an Initialize that gives no handle, and one that counts a
// terminator in its value lengths.
//
// Values: "NAME" = "fake engine", "NUMBER" = 42 (also the text "42"), "BADLEN" reports a
// negative length, "HUGE" a length beyond any real value; any other key answers
// kFakeUnknownKey. FakeEngine_Stats tells a test what the library saw.
#include <cstdint>

inline constexpr std::int32_t kFakeOk = 1;
inline constexpr std::int32_t kFakeUnknownKey = -10;
inline constexpr std::int32_t kFakeNotNumber = -13;
inline constexpr std::int32_t kFakeBadHandle = -1;
inline constexpr std::int32_t kFakeSmallBuffer = -14;
inline constexpr std::int32_t kFakeCallbackEvent = 7;
inline constexpr char kFakeName[] = "fake engine";
inline constexpr std::int32_t kFakeNumber = 42;

struct FakeEngineStats {
  std::int32_t initializeCalls;
  std::int32_t finalizeCalls;
  std::int32_t liveHandles;
  std::int32_t loadCalls;
  void* lastArgument;
};

extern "C" {
typedef void (*FakeEngineStatsProc)(FakeEngineStats* out);
}
