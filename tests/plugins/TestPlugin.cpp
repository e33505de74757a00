// A plug-in for the tests of the plug-in host, built several times with different
// definitions (tests/plugins/CMakeLists.txt):
//   PLUGIN_NAME            the name written at the start of each log line
//   OMIT_<ENTRY>           leaves that entry point out (OMIT_GetActiveView, ...)
//   INIT_RESULT            what FORMVIEWDLL_Initialize answers (default 0)
//   LEAVE_RESULT           what FORMVIEWDLL_ChangeMenuState(1) answers (default 0)
//   BLOCK_ID, BLOCK_SIZE   the plug-in's own data block (default none)
//   DEPEND_ID, DEPEND_SIZE one further block (default none)
//   MENU_NAME              the text FORMVIEWDLL_GetMenuName gives (default "Menu name")
//   DEFAULT_BYTE           the byte the defaults of every block are filled with
// Every call is appended with its arguments to the file named by XJ_TEST_PLUGIN_LOG,
// one line per call: "<name> <entry point> <arguments>".
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "sdk/FormViewDll.h"
#include "sdk/IPluginDataMgr.h"

#ifndef INIT_RESULT
#define INIT_RESULT 0
#endif
#ifndef LEAVE_RESULT
#define LEAVE_RESULT 0
#endif
#ifndef BLOCK_ID
#define BLOCK_ID 0
#define BLOCK_SIZE 0
#endif
#ifndef DEFAULT_BYTE
#define DEFAULT_BYTE 0x5A
#endif
#ifndef MENU_NAME
#define MENU_NAME u"Menu name"
#endif

namespace {

AppSettingsBlock* g_block = nullptr;

void Log(const std::string& line) {
  const char* path = std::getenv("XJ_TEST_PLUGIN_LOG");
  if (path == nullptr || *path == '\0') return;
  if (FILE* f = std::fopen(path, "a")) {
    std::fprintf(f, "%s %s\n", PLUGIN_NAME, line.c_str());
    std::fclose(f);
  }
}

[[maybe_unused]] std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

}  // namespace

extern "C" {

#ifndef OMIT_Initialize
std::int32_t FORMVIEWDLL_Initialize(plat::HWND mainFrame, plat::HWND contentPane, AppSettingsBlock* block) {
  g_block = block;
  Log(std::string("Initialize ") + (mainFrame ? "frame" : "no-frame") + " " + (contentPane ? "pane" : "no-pane") +
      " " + (block ? "block" : "no-block"));
  return INIT_RESULT;
}
#endif

#ifndef OMIT_Finalize
std::int32_t FORMVIEWDLL_Finalize(void) {
  Log("Finalize");
  return 0;
}
#endif

#ifndef OMIT_GetActiveView
plat::HWND FORMVIEWDLL_GetActiveView(void) {
  Log("GetActiveView");
  return nullptr;
}
#endif

#ifndef OMIT_ChangeMenuState
std::int32_t FORMVIEWDLL_ChangeMenuState(std::int32_t state) {
  Log("ChangeMenuState " + std::to_string(state));
  return state == kMenuStateLeave ? LEAVE_RESULT : 0;
}
#endif

#ifndef OMIT_GetPluginInfo
std::int32_t FORMVIEWDLL_GetPluginInfo(DataBlockDesc* desc) {
  Log("GetPluginInfo");
  if (desc != nullptr && BLOCK_ID != 0) *desc = DataBlockDesc{BLOCK_ID, 0x00010000, BLOCK_SIZE};
  return 0;
}
#endif

#ifndef OMIT_ReadPrinterSettings
std::int32_t FORMVIEWDLL_ReadPrinterSettings(void) {
  Log("ReadPrinterSettings");
  return kPluginReadOk;
}
#endif

#ifndef OMIT_SetDefaltDataToPluginDataMgr
std::int32_t FORMVIEWDLL_SetDefaltDataToPluginDataMgr(std::uint32_t id) {
  Log("SetDefaltDataToPluginDataMgr " + Hex(id));
  if (g_block == nullptr || g_block->dataMgr == nullptr) return 0;
  std::int32_t size = 0;
  if (id == static_cast<std::uint32_t>(BLOCK_ID)) size = BLOCK_SIZE;
#ifdef DEPEND_ID
  if (id == static_cast<std::uint32_t>(DEPEND_ID)) size = DEPEND_SIZE;
#endif
  if (size <= static_cast<std::int32_t>(kBlockHeaderSize)) return 0;
  std::vector<std::uint8_t> block(static_cast<std::size_t>(size), DEFAULT_BYTE);
  std::memcpy(block.data(), kBlockMagic, sizeof kBlockMagic);
  WriteLE32(block.data() + kBlockIdOffset, id);
  WriteLE32(block.data() + kBlockVersionOffset, 0x00010000);
  std::memset(block.data() + 16, 0, 16);
  g_block->dataMgr->SetData(id, size, block.data());
  return 0;
}
#endif

#ifndef OMIT_GetDependPluginData
std::int32_t FORMVIEWDLL_GetDependPluginData(DataBlockDesc* records, std::int32_t* count) {
  Log(std::string("GetDependPluginData ") + (records ? "records " : "null ") + std::to_string(count ? *count : -1));
#ifdef DEPEND_ID
  if (records == nullptr) {
    if (count != nullptr) *count = 1;
  } else if (count != nullptr && *count >= 1) {
    records[0] = DataBlockDesc{DEPEND_ID, 0x00010000, DEPEND_SIZE};
  }
#else
  if (records == nullptr && count != nullptr) *count = 0;
#endif
  return 0;
}
#endif

#ifndef OMIT_GetMenuName
std::int32_t FORMVIEWDLL_GetMenuName(const char16_t* key, std::int32_t keyLength, char16_t* buffer,
                                     std::int32_t bufferLength, std::int32_t* needed) {
  Log("GetMenuName " + std::to_string(keyLength) + " " + std::to_string(bufferLength));
  const std::u16string name = MENU_NAME;
  const auto length = static_cast<std::int32_t>(name.size()) + 1;
  if (buffer == nullptr || bufferLength < length) {
    if (needed != nullptr) *needed = length;
    return kPluginBufferTooSmall;
  }
  std::memcpy(buffer, name.c_str(), static_cast<std::size_t>(length) * sizeof(char16_t));
  return kPluginOk;
}
#endif

}  // extern "C"
