#pragma once
// CFormViewCtrl: the controller of one setting area. It owns the area's pages, creates
// them as hidden children of its parent window, knows the application settings block
// and the main frame, and describes the data blocks its pages keep in the plug-in data
// manager. UI thread only, except where a member says otherwise.
#include <QPointer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "lang/CLangResTable.h"
#include "platform/ui/Messages.h"
#include "sdk/FormViewDll.h"

class CCommonFormView;
class IPluginDataMgr;
struct AppSettingsBlock;

// Results of Initialize. Plain 32-bit values rather than an enum type: a plug-in's
// PreInitialize adds codes of its own, and the plug-in hands the result on to the host.
inline constexpr std::int32_t kFormCtrlOk = 0;
inline constexpr std::int32_t kFormCtrlAlreadyInitialized = -3;

// The controller's data block, unless a derived controller says otherwise.
inline constexpr std::uint32_t kFormCtrlDefaultDataId = 0x00010001u;
inline constexpr std::int32_t kFormCtrlDefaultDataVersion = 0x00010000;
// Key of the texts shared by the setting pages.
inline constexpr std::u16string_view kPluginCommonResourceKey = u"PLUGIN_COMMON";
// More dependent data blocks than this are taken for a broken controller.
inline constexpr std::int32_t kMaxDependBlocks = 4096;

// A 32-byte data block header: "PND" and a zero byte, id, version, size, 16 zero bytes.
using DataHeader = std::array<std::uint8_t, 32>;


class CFormViewCtrl {
 public:
  CFormViewCtrl();
  // Destroys every page (front first) and empties the list.
  virtual ~CFormViewCtrl();
  CFormViewCtrl(const CFormViewCtrl&) = delete;
  CFormViewCtrl& operator=(const CFormViewCtrl&) = delete;

  // ---- virtual operations ----------------------------------------------------------
  // Builds and stores the default contents of data block id; 1 on success. The base
  // has no data of its own.
  virtual std::int32_t SetDefaultData(std::uint32_t id);
  // Further data blocks the controller uses: with records null, sets count to their
  // number; otherwise fills count records. Returns 1. The base uses none (count 0).
  virtual std::int32_t GetDependData(DataBlockDesc* records, std::int32_t& count);
  // Runs before the pages are created; a result other than kFormCtrlOk ends Initialize
  // with it.
  virtual std::int32_t PreInitialize() { return kFormCtrlOk; }
  // A hook for derived controllers; the program does not call it.
  virtual void ControllerOperation4(plat::WPARAM, plat::LPARAM) {}
  // Sets the page-kind flag (base: 0).
  virtual void ResetKind() { pageKind_ = 0; }
  // Constructs the pages and appends them with AddPage (base: none).
  virtual void CreatePages() {}
  // Fills header with this controller's id, version and size; returns it.
  virtual DataHeader& GetDataHeader(DataHeader& header);
  // Fills header with the given values; returns it.
  virtual DataHeader& MakeDataHeader(DataHeader& header, std::uint32_t id, std::int32_t version,
                                     std::int32_t size);

  // ---- operations -------------------------------------------------------------------
  // Stores the settings block (also when already initialised); then, once: runs
  // PreInitialize, stores parent and main frame, ResetKind, CreatePages, creates each
  // page as a hidden child of parent covering its client area (id: the page's template
  // id) and runs its initial update, makes page 0 current and loads the controller's
  // language table. Returns kFormCtrlOk, kFormCtrlAlreadyInitialized or the error of
  // PreInitialize.
  std::int32_t Initialize(AppSettingsBlock* settingsBlock, QWidget* mainFrame, QWidget* parent);

  // Makes sure the manager has the controller's data block and its dependent blocks:
  // each missing one is added (AddBlock) and given its default contents
  // (SetDefaultData). Stops at the first failing AddBlock and returns its error, else
  // kSettingOk. Called by the owner of the controller once it is initialised.
  std::int32_t RegisterDataBlocks(IPluginDataMgr* manager);

  // ---- fields -----------------------------------------------------------------------
  std::int32_t PageKind() const { return pageKind_; }
  QWidget* Parent() const { return parent_; }
  // The main frame's window handle (any thread; null before Initialize).
  plat::HWND MainFrame() const { return mainFrameHandle_; }
  QWidget* MainFrameWidget() const { return mainFrame_; }
  // The pages in list order; pages whose window was destroyed by others read null.
  std::vector<CCommonFormView*> Pages() const;
  std::size_t PageCount() const { return pages_.size(); }
  // Any thread (read by the job's worker).
  AppSettingsBlock* SettingsBlock() const { return settingsBlock_; }
  std::uint32_t DataId() const { return dataId_; }
  std::int32_t DataVersion() const { return dataVersion_; }
  std::int32_t DataSize() const { return dataSize_; }
  void SetDataSize(std::int32_t size) { dataSize_ = size; }
  std::int32_t PageValue() const { return pageValue_; }
  std::int32_t CurrentPageIndex() const { return currentPage_; }
  bool IsInitialized() const { return initialized_; }
  CLangResTable& Table() { return table_; }

 protected:
  // Takes ownership of a page constructed by CreatePages.
  void AddPage(CCommonFormView* page);
  void SetDataId(std::uint32_t id) { dataId_ = id; }
  void SetDataVersion(std::int32_t version) { dataVersion_ = version; }

  std::int32_t pageKind_ = 0;

 private:
  QPointer<QWidget> parent_;
  QPointer<QWidget> mainFrame_;
  plat::HWND mainFrameHandle_ = nullptr;
  std::vector<QPointer<CCommonFormView>> pages_;
  AppSettingsBlock* settingsBlock_ = nullptr;
  std::uint32_t dataId_ = kFormCtrlDefaultDataId;
  std::int32_t dataVersion_ = kFormCtrlDefaultDataVersion;
  std::int32_t dataSize_ = 0;
  std::int32_t pageValue_ = 0;
  std::int32_t currentPage_ = -1;
  bool initialized_ = false;
  CLangResTable table_;
};
