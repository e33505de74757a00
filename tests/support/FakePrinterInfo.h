#pragma once
// A stand-in for the printer information manager (VodEroVerEDU) inside the test
// process: its entry points answer from a script the test sets, and count the calls.
// Tests hand FakePrinterInfoEntries() to PrinterInfoLibrary::Adopt.
//
// Threads: the entry points may be called from a job's worker while the test waits for
// that job; the test reads and changes the script only while no job runs.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "status/PrinterInfoLibrary.h"

namespace fakeinfo {

struct Script {
  // Results of successive GetPrinterName calls; the last one repeats. VOD_OK fills the
  // buffer with name.
  std::vector<std::int32_t> nameResults{VOD_OK};
  std::string name = "XJ-K52II";
  // Results of successive GetDeviceID calls; the last one repeats. VOD_OK stores deviceId.
  std::vector<std::int32_t> idResults{VOD_OK};
  std::int32_t deviceId = 144;
  std::int32_t informationResult = VOD_OK;
  // Firmware, model, serial number, maker, fonts.
  std::array<std::string, 5> texts{"1.02", "XJ-K52II", "K52S0000001", "NORVE", ""};
  std::uint32_t fixedPaperWidth = 0;
  std::uint32_t handle = 7;  // what Initialize gives

  // Calls seen.
  int initializeCalls = 0;
  int finalizeCalls = 0;
  int nameCalls = 0;
  int idCalls = 0;
  int informationCalls = 0;
  std::uint32_t lastRequest = 0;
  const void* initializedWith = nullptr;
};

// The script of this process, reset to the defaults above.
Script& Reset();
Script& State();

// Entry points answering from State(); `complete` false leaves RegisterCallback out.
PrinterInfoEntryPoints Entries(bool complete = true);

}  // namespace fakeinfo
