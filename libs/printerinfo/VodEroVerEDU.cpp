// The printer information manager's entry points: sessions behind handles, each with its
// own PrinterQuery over the communication object it was created with.
#include "libs/printerinfo/VodEroVerEDU.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "libs/printerinfo/HandleTable.h"
#include "libs/printerinfo/PrinterQuery.h"

namespace {

constexpr std::uint8_t kPaperWidthSetting = 3;
constexpr std::uint32_t kWidthChangeable = 0;
constexpr std::uint32_t kWidthFixed = 1;

const char kEmptyText[] = "";

// GS I numbers of the texts, by their index in the information structure.
constexpr std::uint8_t kInfoNumbers[VOD_INFO_COUNT] = {
    PrinterQuery::kInfoFirmware, PrinterQuery::kInfoModel, PrinterQuery::kInfoSerial,
    PrinterQuery::kInfoMaker, PrinterQuery::kInfoFonts};

// Order of the reads: the model name first, so a silent printer fails at once.
constexpr std::int32_t kReadOrder[VOD_INFO_COUNT] = {VOD_INFO_MODEL, VOD_INFO_FIRMWARE,
                                                     VOD_INFO_SERIAL, VOD_INFO_MAKER,
                                                     VOD_INFO_FONTS};

struct InfoSession {
  explicit InfoSession(IXJComm* comm) : query(comm) {}

  std::mutex exchangeMutex;  // one exchange with the printer at a time
  PrinterQuery query;
  std::string texts[VOD_INFO_COUNT];  // what the last GetPrinterInformation handed out

  std::mutex callbackMutex;
  VOD_CALLBACK callback = nullptr;
  void* context = nullptr;
};

HandleTable<InfoSession>& Sessions() {
  static HandleTable<InfoSession> table;
  return table;
}

VOD_RESULT ToResult(PrinterQuery::Status status) {
  switch (status) {
    case PrinterQuery::Status::kOk: return VOD_OK;
    case PrinterQuery::Status::kNoAnswer: return VOD_E_NO_ANSWER;
    case PrinterQuery::Status::kBadReply: return VOD_E_BAD_REPLY;
    case PrinterQuery::Status::kIoError: return VOD_E_IO;
  }
  return VOD_E_IO;
}

// Copies text into a caller's buffer of size bytes (size >= 1), cut to fit.
void CopyOut(const std::string& text, char* buffer, std::int32_t size) {
  const std::size_t n = std::min(text.size(), static_cast<std::size_t>(size) - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
}

void ClearInformation(VOD_PRINTER_INFORMATION* info) {
  info->firmwareVersion = kEmptyText;
  info->modelName = kEmptyText;
  info->serialNumber = kEmptyText;
  info->maker = kEmptyText;
  info->fontsOfLanguage = kEmptyText;
  info->reserved20 = 0;
  std::fill(std::begin(info->reserved28), std::end(info->reserved28), 0u);
  info->fixedPaperWidth = 0;
}

// Reads what the request word asks for into the session and the structure.
VOD_RESULT ReadInformation(InfoSession& session, VOD_PRINTER_INFORMATION* info) {
  std::string texts[VOD_INFO_COUNT];
  const std::uint32_t request = info->request;
  for (std::int32_t index : kReadOrder) {
    if ((request & (1u << index)) == 0) continue;
    const PrinterQuery::Status st = session.query.ReadInfoText(kInfoNumbers[index], &texts[index]);
    if (st != PrinterQuery::Status::kOk) return ToResult(st);
    if (index == VOD_INFO_MODEL && texts[index].empty()) return VOD_E_NOT_READY;
  }

  std::uint32_t fixedWidth = 0;
  if ((request & VOD_REQ_FIXED_WIDTH) != 0) {
    std::optional<std::uint32_t> width;
    const PrinterQuery::Status st = session.query.ReadCustomizedValue(kPaperWidthSetting, &width);
    if (st == PrinterQuery::Status::kOk) {
      fixedWidth = width ? kWidthChangeable : kWidthFixed;
    } else if (st == PrinterQuery::Status::kNoAnswer) {
      // A model without a paper width setting does not answer its read.
      fixedWidth = kWidthFixed;
    } else {
      return ToResult(st);
    }
  }

  for (std::int32_t i = 0; i < VOD_INFO_COUNT; ++i) session.texts[i] = std::move(texts[i]);
  info->firmwareVersion = session.texts[VOD_INFO_FIRMWARE].c_str();
  info->modelName = session.texts[VOD_INFO_MODEL].c_str();
  info->serialNumber = session.texts[VOD_INFO_SERIAL].c_str();
  info->maker = session.texts[VOD_INFO_MAKER].c_str();
  info->fontsOfLanguage = session.texts[VOD_INFO_FONTS].c_str();
  info->fixedPaperWidth = fixedWidth;
  return VOD_OK;
}

// Entry points never call each other: an exported name may be bound to another
// library's symbol of the same name, so the shared work lives here.
VOD_RESULT SetCallback(std::uint32_t handle, VOD_CALLBACK callback, void* context) {
  const std::shared_ptr<InfoSession> session = Sessions().Find(handle);
  if (!session) return VOD_E_BAD_HANDLE;
  std::lock_guard<std::mutex> lock(session->callbackMutex);
  session->callback = callback;
  session->context = callback != nullptr ? context : nullptr;
  return VOD_OK;
}

}  // namespace

VOD_API std::uint32_t Initialize(IXJComm* comm) {
  if (comm == nullptr) return 0;
  try {
    return Sessions().Add(std::make_shared<InfoSession>(comm));
  } catch (...) {
    return 0;
  }
}

VOD_API void Finalize(std::uint32_t* handle) {
  if (handle == nullptr) return;
  if (*handle != 0) Sessions().Remove(*handle);
  *handle = 0;
}

VOD_API VOD_RESULT RegisterCallback(std::uint32_t handle, VOD_CALLBACK callback, void* context) {
  return SetCallback(handle, callback, context);
}

VOD_API VOD_RESULT UnregisterCallback(std::uint32_t handle) {
  return SetCallback(handle, nullptr, nullptr);
}

VOD_API VOD_RESULT GetPrinterInformation(std::uint32_t handle, VOD_PRINTER_INFORMATION* info,
                                         std::int32_t reserved) {
  const std::shared_ptr<InfoSession> session = Sessions().Find(handle);
  if (!session) return VOD_E_BAD_HANDLE;
  if (info == nullptr || reserved != 0) return VOD_E_BAD_ARG;

  VOD_RESULT result = VOD_E_IO;
  {
    std::lock_guard<std::mutex> lock(session->exchangeMutex);
    ClearInformation(info);
    try {
      result = ReadInformation(*session, info);
    } catch (...) {
      result = VOD_E_IO;
    }
    if (result != VOD_OK) ClearInformation(info);
  }

  // Called outside the exchange lock, so the procedure may call back into the library.
  VOD_CALLBACK callback = nullptr;
  void* context = nullptr;
  {
    std::lock_guard<std::mutex> lock(session->callbackMutex);
    callback = session->callback;
    context = session->context;
  }
  if (callback != nullptr) callback(handle, VOD_EVENT_INFORMATION_READ, result, context);
  return result;
}

VOD_API VOD_RESULT GetPrinterName(std::uint32_t handle, char* buffer, std::int32_t size) {
  const std::shared_ptr<InfoSession> session = Sessions().Find(handle);
  if (!session) return VOD_E_BAD_HANDLE;
  if (buffer == nullptr || size < 1) return VOD_E_BAD_ARG;
  std::lock_guard<std::mutex> lock(session->exchangeMutex);
  try {
    std::string name;
    const PrinterQuery::Status st = session->query.ReadInfoText(PrinterQuery::kInfoModel, &name);
    if (st != PrinterQuery::Status::kOk) return ToResult(st);
    if (name.empty()) return VOD_E_NOT_READY;
    CopyOut(name, buffer, size);
    return VOD_OK;
  } catch (...) {
    return VOD_E_IO;
  }
}

VOD_API VOD_RESULT GetDeviceID(std::uint32_t handle, std::int32_t* id) {
  const std::shared_ptr<InfoSession> session = Sessions().Find(handle);
  if (!session) return VOD_E_BAD_HANDLE;
  if (id == nullptr) return VOD_E_BAD_ARG;
  std::lock_guard<std::mutex> lock(session->exchangeMutex);
  std::uint8_t value = 0;
  const PrinterQuery::Status st = session->query.ReadIdByte(PrinterQuery::kIdModel, &value);
  if (st != PrinterQuery::Status::kOk) return ToResult(st);
  *id = value;
  return VOD_OK;
}

VOD_API VOD_RESULT GetPrinterInfo(std::uint32_t handle, std::int32_t key, char* buffer,
                                  std::int32_t size) {
  const std::shared_ptr<InfoSession> session = Sessions().Find(handle);
  if (!session) return VOD_E_BAD_HANDLE;
  if (key < 0 || key >= VOD_INFO_COUNT || buffer == nullptr || size < 1) return VOD_E_BAD_ARG;
  std::lock_guard<std::mutex> lock(session->exchangeMutex);
  try {
    std::string text;
    const PrinterQuery::Status st = session->query.ReadInfoText(kInfoNumbers[key], &text);
    if (st != PrinterQuery::Status::kOk) return ToResult(st);
    CopyOut(text, buffer, size);
    return VOD_OK;
  } catch (...) {
    return VOD_E_IO;
  }
}
