#pragma once
// Reading the printer: its identity (model name and device ID, with retries), its
// information texts into the printer information block, and every plug-in's settings,
// with the progress of the whole read. This is the work of the printer settings view's
// communication job; the view supplies the progress dialog, the messages and the data
// manager through ReadWorkerHost.
//
// No Qt here. The functions run on the worker thread of a communication job; every
// call into the host happens on that thread.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "sdk/FormViewDll.h"
#include "status/PrinterInfoBlock.h"
#include "status/PrinterInfoLibrary.h"

class IPluginDataMgr;

// Results of the read besides those of the library and the plug-ins.
inline constexpr std::int32_t kReadOk = 1;
inline constexpr std::int32_t kReadNoAnswer = -64;      // the printer did not tell its identity in time
inline constexpr std::int32_t kReadWrongPrinter = -67;  // wrong printer or no identity; the user was told

// Messages of the read ("PRINTER_SETTING_VIEW" message entries) and their English texts.
inline constexpr int kReadMsgDeviceIdMismatch = 0;
inline constexpr int kReadMsgCommunicationError = 1;
inline constexpr int kReadMsgSettingsIncomplete = 2;
inline constexpr char16_t kTextDeviceIdMismatch[] = u"The device ID does not match the connected printer.";
inline constexpr char16_t kTextCommunicationError[] = u"A communication error occurred.";
inline constexpr char16_t kTextSettingsIncomplete[] = u"Could not get some settings from the printer.";

// The model the identity must name.
inline constexpr char16_t kServedModel[] = u"XJ-K52II";
// Size of the name buffer handed to GetPrinterName, terminator included.
inline constexpr std::int32_t kPrinterNameBufferSize = 90;

// How the identity is asked for: count tries, intervalMs apart, and never after
// limitSeconds since the first.
struct IdentityRetry {
  std::int32_t count = 20;
  std::int32_t intervalMs = 1000;
  std::int64_t limitSeconds = 45;
};

// What the read needs from the job it runs in.
struct ReadWorkerHost {
  std::function<void(int percent)> reportProgress;
  // Shows the message of that entry and returns once the user answered it.
  std::function<void(int entry)> warn;
  // Reads the printer information into the printer information block (the view's
  // ReadSettingsFromPrinter).
  std::function<std::int32_t()> readInformation;
  std::function<void(std::int32_t ms)> sleep;
  // Seconds of a steady clock.
  std::function<std::int64_t()> nowSeconds;
};

// What the read works on.
struct ReadWorkerInput {
  const PrinterInfoEntryPoints* entries = nullptr;
  std::uint32_t handle = 0;  // 0: no session
  std::int32_t mode = 0;     // the launch mode: 100 and 110 accept compatible model names
  IdentityRetry retry;
  // FORMVIEWDLL_ReadPrinterSettings of every plug-in whose library is loaded, in menu
  // order.
  std::vector<FORMVIEWDLL_ReadPrinterSettings_Fn> plugins;
  // Its settings-read flag is set after a complete read.
  IPluginDataMgr* dataMgr = nullptr;
};

// The printer's identity: the model name (text as the printer sends it) and device ID.
// kReadOk; kPrinterInfoNoSession without a session; kReadNoAnswer when no name came
// within the tries or the time limit, or the time ran out while asking for the ID;
// otherwise the last GetDeviceID result.
std::int32_t ReadPrinterIdentity(const ReadWorkerInput& input, const ReadWorkerHost& host, std::string& name,
                                 std::int32_t& deviceId);

// A printer text in the information manager's 8-bit character set as wide text, at most
// maxChars characters.
std::u16string PrinterText(std::string_view text, std::size_t maxChars);

// True when name is the served model: exactly, or, when the printer driver started the
// program (launch modes 100 and 110), a compatible name.
bool IsServedModel(std::u16string_view name, std::int32_t mode);

// Fills block from GetPrinterInformation (all texts and the paper width value):
// the five texts, the model flag (0 for device ID 145: startupDeviceId when not 0, else
// the printer's) and the paper width value at 980. kReadOk, kPrinterInfoNoSession, or
// the library's failure (block unchanged then).
std::int32_t ReadPrinterInformation(const PrinterInfoEntryPoints& entries, std::uint32_t handle,
                                    std::int32_t startupDeviceId, PrinterInfoBlock& block);

// The whole read with its progress: steps = plug-ins + 2; progress 0 and 100/steps,
// the identity and the model check (a failure is told and gives kReadWrongPrinter after
// progress 100), 200/steps and the information, (300 + 100k)/steps after the k-th
// plug-in (a plug-in answering kPluginPrinterNotAnswering ends the loop), 100. An
// incomplete read is told; a complete one sets the data manager's settings-read flag.
// The result is the last result of the information or the plug-ins.
std::int32_t RunPrinterReadWorker(const ReadWorkerInput& input, const ReadWorkerHost& host);
