#include "status/CDeviceInfoManager.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/Text.h"

namespace {

// Keys are handed to the engine as characters plus length; a null key is an empty one.
struct KeyArg {
  const char* chars;
  std::int32_t length;
};

KeyArg MakeKey(const char* key) {
  if (key == nullptr) return {"", 0};
  const std::size_t n = std::strlen(key);
  constexpr std::size_t kMaxKey = 0x7FFFFFFF;
  return {key, static_cast<std::int32_t>(n > kMaxKey ? kMaxKey : n)};
}

}  // namespace

CDeviceInfoManager::~CDeviceInfoManager() {
  CManagerBase::UnloadModule();
  ForgetValueEntries();
}

void CDeviceInfoManager::ForgetValueEntries() {
  load_ = nullptr;
  getValueLength_ = nullptr;
  getValueString_ = nullptr;
  getValueInt_ = nullptr;
}

std::int32_t CDeviceInfoManager::RegisterCallback(ManagerCallback callback, void* context) {
  return CManagerBase::RegisterCallback(callback, context);
}

std::int32_t CDeviceInfoManager::UnregisterCallback() {
  return CManagerBase::UnregisterCallback();
}

std::int32_t CDeviceInfoManager::LoadModule(IXJComm* argument, std::u16string_view folder) {
  ForgetValueEntries();
  const std::u16string path = plat::JoinPath(folder, kDeviceInfoEngineLibrary);
  if (CManagerBase::LoadModule(nullptr, path) != kManagerOk) return kManagerNotLoaded;

  load_ = reinterpret_cast<LoadProc>(plat::GetProcAddress(module_, "Load"));
  getValueLength_ =
      reinterpret_cast<GetValueLengthProc>(plat::GetProcAddress(module_, "GetValueLength"));
  getValueString_ =
      reinterpret_cast<GetValueStringProc>(plat::GetProcAddress(module_, "GetValueString"));
  getValueInt_ = reinterpret_cast<GetValueIntProc>(plat::GetProcAddress(module_, "GetValueInt"));
  if (load_ != nullptr && getValueLength_ != nullptr && getValueString_ != nullptr &&
      getValueInt_ != nullptr) {
    handle_ = initialize_(argument);
    if (handle_ != 0) return kManagerOk;
  }
  CManagerBase::UnloadModule();
  ForgetValueEntries();
  return kManagerNotLoaded;
}

std::int32_t CDeviceInfoManager::Load() {
  if (handle_ == 0 || load_ == nullptr) return kManagerNotLoaded;
  return load_(handle_);
}

std::int32_t CDeviceInfoManager::GetValueLength(const char* key, std::int32_t* length) {
  if (handle_ == 0 || getValueLength_ == nullptr) return kManagerNotLoaded;
  const KeyArg k = MakeKey(key);
  return getValueLength_(handle_, k.chars, k.length, length);
}

std::int32_t CDeviceInfoManager::GetValueInt(const char* key, std::int32_t* value) {
  if (handle_ == 0 || getValueInt_ == nullptr) return kManagerNotLoaded;
  const KeyArg k = MakeKey(key);
  return getValueInt_(handle_, k.chars, k.length, value);
}

std::int32_t CDeviceInfoManager::GetValueString(const char* key, std::string* value) {
  if (handle_ == 0 || getValueLength_ == nullptr || getValueString_ == nullptr) {
    return kManagerNotLoaded;
  }
  if (value == nullptr) return kManagerBadArgument;
  const KeyArg k = MakeKey(key);
  std::int32_t length = 0;
  std::int32_t r = getValueLength_(handle_, k.chars, k.length, &length);
  if (r != kManagerOk) return r;
  if (length < 0 || length > kMaxDeviceValueLength) return kManagerBadArgument;

  // One byte more than asked for, zeroed, so the text always ends inside the buffer.
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
  r = getValueString_(handle_, k.chars, k.length, buffer.data(), length);
  if (r == kManagerOk) {
    // An engine that counts a terminator in the length must not leave it in the text.
    char* const end = buffer.data() + length;
    value->assign(buffer.data(), std::find(buffer.data(), end, '\0'));
  }
  return r;
}
