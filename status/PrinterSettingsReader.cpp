#include "status/PrinterSettingsReader.h"

#include <algorithm>

#include "comm/ModelName.h"
#include "sdk/AppSettingsBlock.h"
#include "sdk/IPluginDataMgr.h"

namespace {

constexpr int kProgressStart = 0;
constexpr int kProgressEnd = 100;
constexpr int kProgressUnit = 100;
// Steps of the read besides one per plug-in: the identity and the information.
constexpr int kFixedSteps = 2;
// At most this many characters of the name are compared.
constexpr std::size_t kNameCharsMax = 180;

struct InformationText {
  const char* VOD_PRINTER_INFORMATION::*field;
  std::size_t offset;
};
constexpr InformationText kInformationTexts[] = {
    {&VOD_PRINTER_INFORMATION::firmwareVersion, kInfoFirmwareOffset},
    {&VOD_PRINTER_INFORMATION::modelName, kInfoNameOffset},
    {&VOD_PRINTER_INFORMATION::serialNumber, kInfoSerialOffset},
    {&VOD_PRINTER_INFORMATION::maker, kInfoMakerOffset},
    {&VOD_PRINTER_INFORMATION::fontsOfLanguage, kInfoFontsOffset},
};

bool TimeIsUp(const ReadWorkerHost& host, std::int64_t start, const IdentityRetry& retry) {
  return host.nowSeconds() - start > retry.limitSeconds;
}

}  // namespace

std::int32_t ReadPrinterIdentity(const ReadWorkerInput& input, const ReadWorkerHost& host, std::string& name,
                                 std::int32_t& deviceId) {
  if (input.handle == 0 || input.entries == nullptr || !input.entries->Complete()) return kPrinterInfoNoSession;
  const PrinterInfoEntryPoints& lib = *input.entries;
  const IdentityRetry& retry = input.retry;
  const std::int64_t start = host.nowSeconds();

  char buffer[kPrinterNameBufferSize] = {};
  bool named = false;
  for (std::int32_t attempt = 0; attempt < retry.count; ++attempt) {
    if (lib.getPrinterName(input.handle, buffer, kPrinterNameBufferSize) == VOD_OK) {
      named = true;
      break;
    }
    if (TimeIsUp(host, start, retry)) return kReadNoAnswer;
    // No pause after the last try: nothing follows it.
    if (attempt + 1 < retry.count) host.sleep(retry.intervalMs);
  }
  buffer[kPrinterNameBufferSize - 1] = '\0';
  name = buffer;
  if (!named) return kReadNoAnswer;

  std::int32_t result = kReadNoAnswer;
  for (std::int32_t attempt = 0; attempt < retry.count; ++attempt) {
    result = lib.getDeviceId(input.handle, &deviceId);
    if (result == VOD_OK) return kReadOk;
    if (TimeIsUp(host, start, retry)) return kReadNoAnswer;
    if (attempt + 1 < retry.count) host.sleep(retry.intervalMs);
  }
  return result;
}

std::u16string PrinterText(std::string_view text, std::size_t maxChars) {
  // The printer sends 8-bit text; every byte stands for the character of that code
  // (ISO 8859-1), so no byte is ever lost or merged.
  std::u16string wide;
  for (const char c : text.substr(0, std::min(text.size(), maxChars))) {
    wide += static_cast<char16_t>(static_cast<unsigned char>(c));
  }
  return wide;
}

bool IsServedModel(std::u16string_view name, std::int32_t mode) {
  if (mode == kModeDriver || mode == kModeDriverLogo) return IsCompatibleModelName(name, kServedModel);
  return name == kServedModel;
}

std::int32_t ReadPrinterInformation(const PrinterInfoEntryPoints& entries, std::uint32_t handle,
                                    std::int32_t startupDeviceId, PrinterInfoBlock& block) {
  if (handle == 0 || entries.getPrinterInformation == nullptr) return kPrinterInfoNoSession;
  VOD_PRINTER_INFORMATION info{};
  info.request = VOD_REQ_ALL;
  const std::int32_t result = entries.getPrinterInformation(handle, &info, 0);
  if (result != VOD_OK) return result;

  for (const InformationText& text : kInformationTexts) {
    const char* value = info.*(text.field);
    SetInfoText(block, text.offset, PrinterText(value != nullptr ? value : "", kInfoTextChars - 1));
  }
  std::int32_t deviceId = startupDeviceId;
  if (deviceId == 0 && entries.getDeviceId != nullptr) entries.getDeviceId(handle, &deviceId);
  WriteLE32(block.data() + kInfoModelFlagOffset,
            deviceId == kDeviceIdWithoutCutter ? kModelWithoutCutter : kModelWithCutter);
  WriteLE32(block.data() + kInfoPaperWidthOffset, info.fixedPaperWidth);
  return VOD_OK;
}

std::int32_t RunPrinterReadWorker(const ReadWorkerInput& input, const ReadWorkerHost& host) {
  const int steps = static_cast<int>(input.plugins.size()) + kFixedSteps;
  host.reportProgress(kProgressStart);
  host.reportProgress(kProgressUnit / steps);

  std::string name;
  std::int32_t deviceId = 0;
  if (ReadPrinterIdentity(input, host, name, deviceId) != kReadOk) {
    host.warn(name.empty() || deviceId != 0 ? kReadMsgCommunicationError : kReadMsgDeviceIdMismatch);
    host.reportProgress(kProgressEnd);
    return kReadWrongPrinter;
  }
  if (!IsServedModel(PrinterText(name, kNameCharsMax), input.mode)) {
    host.warn(kReadMsgDeviceIdMismatch);
    host.reportProgress(kProgressEnd);
    return kReadWrongPrinter;
  }

  host.reportProgress(2 * kProgressUnit / steps);
  std::int32_t result = host.readInformation();
  bool complete = result == kReadOk;

  int k = 0;
  for (const FORMVIEWDLL_ReadPrinterSettings_Fn read : input.plugins) {
    result = read != nullptr ? read() : kPluginPrinterNotAnswering;
    host.reportProgress((3 * kProgressUnit + kProgressUnit * k) / steps);
    ++k;
    if (result != kPluginReadOk) complete = false;
    if (result == kPluginPrinterNotAnswering) break;
  }
  host.reportProgress(kProgressEnd);

  if (!complete) {
    host.warn(kReadMsgSettingsIncomplete);
  } else if (input.dataMgr != nullptr) {
    input.dataMgr->SetSettingsReadFlag(kSettingsRead);
  }
  return result;
}
