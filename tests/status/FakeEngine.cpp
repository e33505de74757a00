// The fake engine library (see FakeEngine.h). Its variants differ only in the entry
// points they export and in two behaviours chosen at build time.
#include "tests/status/FakeEngine.h"

#include <cstring>
#include <mutex>
#include <set>
#include <string_view>

#define FAKE_API extern "C" __attribute__((visibility("default")))

class IXJComm;
using FakeCallback = void (*)(std::uint32_t, std::int32_t, std::int32_t, void*);

namespace {

std::mutex g_mutex;
std::set<std::uint32_t> g_handles;
[[maybe_unused]] std::uint32_t g_next = 0x5A00;  // unused where Initialize gives no handle
FakeEngineStats g_stats{};

bool Known(std::uint32_t handle) {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_handles.count(handle) != 0;
}

// The value's text, or null for an unknown key; *length receives the length to report.
const char* Find(const char* key, std::int32_t keyLength, std::int32_t* length) {
  const std::string_view k(key, static_cast<std::size_t>(keyLength));
  const char* text = nullptr;
  if (k == "NAME") text = kFakeName;
  else if (k == "NUMBER") text = "42";
  else if (k == "BADLEN") { *length = -1; return ""; }
  else if (k == "HUGE") { *length = 0x7FFFFFF0; return ""; }
  if (text == nullptr) return nullptr;
  *length = static_cast<std::int32_t>(std::strlen(text));
#if defined(FAKE_COUNTS_TERMINATOR)
  *length += 1;
#endif
  return text;
}

}  // namespace

FAKE_API void FakeEngine_Stats(FakeEngineStats* out) {
  std::lock_guard<std::mutex> lock(g_mutex);
  *out = g_stats;
}

FAKE_API std::uint32_t Initialize(IXJComm* argument) {
  std::lock_guard<std::mutex> lock(g_mutex);
  ++g_stats.initializeCalls;
  g_stats.lastArgument = argument;
#if defined(FAKE_ZERO_HANDLE)
  return 0;
#else
  if (argument == nullptr) return 0;
  const std::uint32_t handle = ++g_next;
  g_handles.insert(handle);
  g_stats.liveHandles = static_cast<std::int32_t>(g_handles.size());
  return handle;
#endif
}

FAKE_API void Finalize(std::uint32_t* handle) {
  std::lock_guard<std::mutex> lock(g_mutex);
  ++g_stats.finalizeCalls;
  if (handle == nullptr) return;
  g_handles.erase(*handle);
  g_stats.liveHandles = static_cast<std::int32_t>(g_handles.size());
  *handle = 0;
}

FAKE_API std::int32_t RegisterCallback(std::uint32_t handle, FakeCallback callback, void* context) {
  if (!Known(handle)) return kFakeBadHandle;
  // Reports at once, so a test sees that handle and context came through.
  if (callback != nullptr) callback(handle, kFakeCallbackEvent, kFakeOk, context);
  return kFakeOk;
}

#if !defined(FAKE_WITHOUT_UNREGISTER)
FAKE_API std::int32_t UnregisterCallback(std::uint32_t handle) {
  return Known(handle) ? kFakeOk : kFakeBadHandle;
}
#endif

#if !defined(FAKE_WITHOUT_LOAD)
FAKE_API std::int32_t Load(std::uint32_t handle) {
  if (!Known(handle)) return kFakeBadHandle;
  std::lock_guard<std::mutex> lock(g_mutex);
  ++g_stats.loadCalls;
  return kFakeOk;
}
#endif

FAKE_API std::int32_t GetValueLength(std::uint32_t handle, const char* key, std::int32_t keyLength,
                                     std::int32_t* length) {
  if (!Known(handle)) return kFakeBadHandle;
  std::int32_t n = 0;
  if (Find(key, keyLength, &n) == nullptr) return kFakeUnknownKey;
  *length = n;
  return kFakeOk;
}

FAKE_API std::int32_t GetValueInt(std::uint32_t handle, const char* key, std::int32_t keyLength,
                                  std::int32_t* value) {
  if (!Known(handle)) return kFakeBadHandle;
  std::int32_t n = 0;
  if (Find(key, keyLength, &n) == nullptr) return kFakeUnknownKey;
  if (std::string_view(key, static_cast<std::size_t>(keyLength)) != "NUMBER") return kFakeNotNumber;
  *value = kFakeNumber;
  return kFakeOk;
}

FAKE_API std::int32_t GetValueString(std::uint32_t handle, const char* key, std::int32_t keyLength,
                                     char* buffer, std::int32_t bufferLength) {
  if (!Known(handle)) return kFakeBadHandle;
  std::int32_t n = 0;
  const char* text = Find(key, keyLength, &n);
  if (text == nullptr) return kFakeUnknownKey;
  if (n < 0 || bufferLength < n) return kFakeSmallBuffer;
  const std::size_t textLength = std::strlen(text);
  std::memcpy(buffer, text, textLength);
  if (static_cast<std::size_t>(bufferLength) > textLength) buffer[textLength] = '\0';
  return kFakeOk;
}
