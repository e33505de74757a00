// The device information engine's entry points: sessions behind handles, each with its
// own PrinterQuery and the values of its last successful Load.
#include "libs/deviceinfo/ADeviceInfoEngine.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "libs/printerinfo/HandleTable.h"
#include "libs/printerinfo/PrinterQuery.h"

namespace {

enum ValueIndex : int {
  kModelName,
  kSerialNumber,
  kFirmwareVersion,
  kMaker,
  kFontsOfLanguage,
  kDeviceId,
  kTypeId,
  kPaperWidth,
  kPaperWidthMm,
  kNvGraphicsCapacity,
  kBatteryLevel,
  kPowerSource,
  kValueCount
};

constexpr const char* kKeys[kValueCount] = {
    ADI_KEY_MODEL_NAME,   ADI_KEY_SERIAL_NUMBER,  ADI_KEY_FIRMWARE_VERSION,
    ADI_KEY_MAKER,        ADI_KEY_FONTS_OF_LANGUAGE, ADI_KEY_DEVICE_ID,
    ADI_KEY_TYPE_ID,      ADI_KEY_PAPER_WIDTH,    ADI_KEY_PAPER_WIDTH_MM,
    ADI_KEY_NV_GRAPHICS_CAPACITY, ADI_KEY_BATTERY_LEVEL, ADI_KEY_POWER_SOURCE};

constexpr std::uint8_t kPaperWidthSetting = 3;
constexpr std::uint32_t kPaperWidth58 = 1;
constexpr std::uint32_t kPaperWidth80 = 6;
constexpr std::int32_t kMillimetres58 = 58;
constexpr std::int32_t kMillimetres80 = 80;

struct Value {
  bool available = false;
  bool isNumber = false;
  std::int32_t number = 0;
  std::string text;

  static Value Text(std::string t) {
    Value v;
    v.available = true;
    v.text = std::move(t);
    return v;
  }
  static Value Number(std::int64_t n) {
    Value v;
    v.available = true;
    v.isNumber = true;
    v.number = static_cast<std::int32_t>(n);
    v.text = std::to_string(v.number);
    return v;
  }
};

struct Values {
  Value items[kValueCount];
};

struct EngineSession {
  explicit EngineSession(IXJComm* comm) : query(comm) {}

  std::mutex loadMutex;  // one Load (one exchange with the printer) at a time
  PrinterQuery query;

  mutable std::mutex valuesMutex;
  std::shared_ptr<const Values> values;  // null until the first successful Load

  std::mutex callbackMutex;
  ADI_CALLBACK callback = nullptr;
  void* context = nullptr;
};

HandleTable<EngineSession>& Sessions() {
  static HandleTable<EngineSession> table;
  return table;
}

ADI_RESULT ToResult(PrinterQuery::Status status) {
  switch (status) {
    case PrinterQuery::Status::kOk: return ADI_OK;
    case PrinterQuery::Status::kNoAnswer: return ADI_E_NO_ANSWER;
    case PrinterQuery::Status::kBadReply: return ADI_E_BAD_REPLY;
    case PrinterQuery::Status::kIoError: return ADI_E_IO;
  }
  return ADI_E_IO;
}

// Result of an optional read: a lost connection ends the Load, anything else only
// leaves the value unavailable.
bool Fatal(PrinterQuery::Status status) { return status == PrinterQuery::Status::kIoError; }

ADI_RESULT ReadAll(PrinterQuery& query, Values* out) {
  Values v;

  std::uint8_t deviceId = 0;
  PrinterQuery::Status st = query.ReadIdByte(PrinterQuery::kIdModel, &deviceId);
  if (st != PrinterQuery::Status::kOk) return ToResult(st);
  v.items[kDeviceId] = Value::Number(deviceId);

  std::string model;
  st = query.ReadInfoText(PrinterQuery::kInfoModel, &model);
  if (st != PrinterQuery::Status::kOk) return ToResult(st);
  if (model.empty()) return ADI_E_NOT_READY;
  v.items[kModelName] = Value::Text(std::move(model));

  std::uint8_t typeId = 0;
  st = query.ReadIdByte(PrinterQuery::kIdType, &typeId);
  if (st == PrinterQuery::Status::kOk) v.items[kTypeId] = Value::Number(typeId);
  else if (Fatal(st)) return ToResult(st);

  const struct {
    ValueIndex index;
    std::uint8_t number;
  } texts[] = {{kFirmwareVersion, PrinterQuery::kInfoFirmware},
               {kMaker, PrinterQuery::kInfoMaker},
               {kSerialNumber, PrinterQuery::kInfoSerial},
               {kFontsOfLanguage, PrinterQuery::kInfoFonts}};
  for (const auto& t : texts) {
    std::string text;
    st = query.ReadInfoText(t.number, &text);
    if (st == PrinterQuery::Status::kOk) v.items[t.index] = Value::Text(std::move(text));
    else if (Fatal(st)) return ToResult(st);
  }

  std::optional<std::uint32_t> width;
  st = query.ReadCustomizedValue(kPaperWidthSetting, &width);
  if (st == PrinterQuery::Status::kOk && width) {
    v.items[kPaperWidth] = Value::Number(*width);
    if (*width == kPaperWidth58) v.items[kPaperWidthMm] = Value::Number(kMillimetres58);
    if (*width == kPaperWidth80) v.items[kPaperWidthMm] = Value::Number(kMillimetres80);
  } else if (Fatal(st)) {
    return ToResult(st);
  }

  std::uint32_t capacity = 0;
  st = query.ReadNvGraphicsCapacity(&capacity);
  // A capacity beyond the signed 32-bit range is not a capacity this printer has.
  if (st == PrinterQuery::Status::kOk && capacity <= 0x7FFFFFFFu) {
    v.items[kNvGraphicsCapacity] = Value::Number(capacity);
  } else if (Fatal(st)) {
    return ToResult(st);
  }

  std::uint8_t source = 0;
  std::uint8_t level = 0;
  st = query.ReadBattery(&source, &level);
  if (st == PrinterQuery::Status::kOk) {
    v.items[kBatteryLevel] = Value::Number(level);
    v.items[kPowerSource] = Value::Number(source);
  } else if (Fatal(st)) {
    return ToResult(st);
  }

  *out = std::move(v);
  return ADI_OK;
}

// Index of a key given by pointer and length; kValueCount when unknown.
int FindKey(const char* key, std::int32_t keyLength) {
  const std::string_view wanted(key == nullptr ? "" : key, static_cast<std::size_t>(keyLength));
  for (int i = 0; i < kValueCount; ++i) {
    if (wanted == kKeys[i]) return i;
  }
  return kValueCount;
}

// Common checks of the lookups; on ADI_OK *value points at the kept value.
ADI_RESULT Lookup(std::uint32_t handle, const char* key, std::int32_t keyLength,
                  std::shared_ptr<const Values>* keep, const Value** value) {
  const std::shared_ptr<EngineSession> session = Sessions().Find(handle);
  if (!session) return ADI_E_BAD_HANDLE;
  if (keyLength < 0 || (key == nullptr && keyLength > 0)) return ADI_E_BAD_ARG;
  const int index = FindKey(key, keyLength);
  if (index == kValueCount) return ADI_E_UNKNOWN_KEY;
  {
    std::lock_guard<std::mutex> lock(session->valuesMutex);
    *keep = session->values;
  }
  if (!*keep) return ADI_E_NOT_LOADED;
  const Value& v = (*keep)->items[index];
  if (!v.available) return ADI_E_UNAVAILABLE;
  *value = &v;
  return ADI_OK;
}

// Entry points never call each other: an exported name may be bound to another
// library's symbol of the same name, so the shared work lives here.
ADI_RESULT SetCallback(std::uint32_t handle, ADI_CALLBACK callback, void* context) {
  const std::shared_ptr<EngineSession> session = Sessions().Find(handle);
  if (!session) return ADI_E_BAD_HANDLE;
  std::lock_guard<std::mutex> lock(session->callbackMutex);
  session->callback = callback;
  session->context = callback != nullptr ? context : nullptr;
  return ADI_OK;
}

}  // namespace

ADI_API std::uint32_t Initialize(IXJComm* comm) {
  if (comm == nullptr) return 0;
  try {
    return Sessions().Add(std::make_shared<EngineSession>(comm));
  } catch (...) {
    return 0;
  }
}

ADI_API void Finalize(std::uint32_t* handle) {
  if (handle == nullptr) return;
  if (*handle != 0) Sessions().Remove(*handle);
  *handle = 0;
}

ADI_API ADI_RESULT RegisterCallback(std::uint32_t handle, ADI_CALLBACK callback, void* context) {
  return SetCallback(handle, callback, context);
}

ADI_API ADI_RESULT UnregisterCallback(std::uint32_t handle) {
  return SetCallback(handle, nullptr, nullptr);
}

ADI_API ADI_RESULT Load(std::uint32_t handle) {
  const std::shared_ptr<EngineSession> session = Sessions().Find(handle);
  if (!session) return ADI_E_BAD_HANDLE;

  ADI_RESULT result = ADI_E_IO;
  {
    std::lock_guard<std::mutex> lock(session->loadMutex);
    try {
      auto fresh = std::make_shared<Values>();
      result = ReadAll(session->query, fresh.get());
      if (result == ADI_OK) {
        std::lock_guard<std::mutex> valuesLock(session->valuesMutex);
        session->values = std::move(fresh);
      }
    } catch (...) {
      result = ADI_E_IO;
    }
  }

  // Called outside the locks, so the procedure may look values up.
  ADI_CALLBACK callback = nullptr;
  void* context = nullptr;
  {
    std::lock_guard<std::mutex> lock(session->callbackMutex);
    callback = session->callback;
    context = session->context;
  }
  if (callback != nullptr) callback(handle, ADI_EVENT_LOAD_FINISHED, result, context);
  return result;
}

ADI_API ADI_RESULT GetValueLength(std::uint32_t handle, const char* key, std::int32_t keyLength,
                                  std::int32_t* length) {
  std::shared_ptr<const Values> keep;
  const Value* value = nullptr;
  const ADI_RESULT r = Lookup(handle, key, keyLength, &keep, &value);
  if (r != ADI_OK) return r;
  if (length == nullptr) return ADI_E_BAD_ARG;
  *length = static_cast<std::int32_t>(value->text.size());
  return ADI_OK;
}

ADI_API ADI_RESULT GetValueInt(std::uint32_t handle, const char* key, std::int32_t keyLength,
                               std::int32_t* out) {
  std::shared_ptr<const Values> keep;
  const Value* value = nullptr;
  const ADI_RESULT r = Lookup(handle, key, keyLength, &keep, &value);
  if (r != ADI_OK) return r;
  if (out == nullptr) return ADI_E_BAD_ARG;
  if (!value->isNumber) return ADI_E_NOT_INTEGER;
  *out = value->number;
  return ADI_OK;
}

ADI_API ADI_RESULT GetValueString(std::uint32_t handle, const char* key, std::int32_t keyLength,
                                  char* buffer, std::int32_t bufferLength) {
  std::shared_ptr<const Values> keep;
  const Value* value = nullptr;
  const ADI_RESULT r = Lookup(handle, key, keyLength, &keep, &value);
  if (r != ADI_OK) return r;
  if (bufferLength < 0 || (buffer == nullptr && bufferLength > 0)) return ADI_E_BAD_ARG;
  const std::size_t size = value->text.size();
  if (static_cast<std::size_t>(bufferLength) < size) return ADI_E_BUFFER_TOO_SMALL;
  if (size > 0) std::memcpy(buffer, value->text.data(), size);
  if (static_cast<std::size_t>(bufferLength) > size) buffer[size] = '\0';
  return ADI_OK;
}
