#include "tests/support/FakePrinterInfo.h"

#include <algorithm>
#include <cstring>

namespace fakeinfo {
namespace {

Script gScript;

std::int32_t Pick(const std::vector<std::int32_t>& results, int call) {
  if (results.empty()) return VOD_E_NO_ANSWER;
  return results[static_cast<std::size_t>(std::min<int>(call, static_cast<int>(results.size()) - 1))];
}

std::uint32_t FakeInitialize(IXJComm* comm) {
  ++gScript.initializeCalls;
  gScript.initializedWith = comm;
  return gScript.handle;
}

void FakeFinalize(std::uint32_t* handle) {
  ++gScript.finalizeCalls;
  if (handle) *handle = 0;
}

VOD_RESULT FakeRegisterCallback(std::uint32_t, VOD_CALLBACK, void*) { return VOD_OK; }
VOD_RESULT FakeUnregisterCallback(std::uint32_t) { return VOD_OK; }

VOD_RESULT FakeGetPrinterInformation(std::uint32_t handle, VOD_PRINTER_INFORMATION* info, std::int32_t) {
  ++gScript.informationCalls;
  if (handle != gScript.handle || info == nullptr) return VOD_E_BAD_HANDLE;
  gScript.lastRequest = info->request;
  if (gScript.informationResult != VOD_OK) return gScript.informationResult;
  info->firmwareVersion = gScript.texts[0].c_str();
  info->modelName = gScript.texts[1].c_str();
  info->serialNumber = gScript.texts[2].c_str();
  info->maker = gScript.texts[3].c_str();
  info->fontsOfLanguage = gScript.texts[4].c_str();
  info->fixedPaperWidth = gScript.fixedPaperWidth;
  return VOD_OK;
}

VOD_RESULT FakeGetPrinterName(std::uint32_t handle, char* buffer, std::int32_t size) {
  const std::int32_t result = Pick(gScript.nameResults, gScript.nameCalls++);
  if (handle != gScript.handle) return VOD_E_BAD_HANDLE;
  if (result == VOD_OK) {
    const std::size_t n = std::min(gScript.name.size(), static_cast<std::size_t>(size) - 1);
    std::memcpy(buffer, gScript.name.data(), n);
    buffer[n] = '\0';
  }
  return result;
}

VOD_RESULT FakeGetDeviceID(std::uint32_t handle, std::int32_t* id) {
  const std::int32_t result = Pick(gScript.idResults, gScript.idCalls++);
  if (handle != gScript.handle) return VOD_E_BAD_HANDLE;
  if (result == VOD_OK) *id = gScript.deviceId;
  return result;
}

VOD_RESULT FakeGetPrinterInfo(std::uint32_t, std::int32_t, char*, std::int32_t) { return VOD_E_BAD_ARG; }

}  // namespace

Script& Reset() {
  gScript = Script{};
  return gScript;
}

Script& State() { return gScript; }

PrinterInfoEntryPoints Entries(bool complete) {
  PrinterInfoEntryPoints entries;
  entries.initialize = &FakeInitialize;
  entries.finalize = &FakeFinalize;
  entries.registerCallback = complete ? &FakeRegisterCallback : nullptr;
  entries.unregisterCallback = &FakeUnregisterCallback;
  entries.getPrinterInformation = &FakeGetPrinterInformation;
  entries.getPrinterName = &FakeGetPrinterName;
  entries.getDeviceId = &FakeGetDeviceID;
  entries.getPrinterInfo = &FakeGetPrinterInfo;
  return entries;
}

}  // namespace fakeinfo
