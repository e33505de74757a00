#pragma once
// CCommonFormView: the base of every built-in setting page. A page is a child window
// of the content pane, created hidden by its controller (CFormViewCtrl). It holds its
// language tables, follows its parent's size, reaches the plug-in data manager and the
// main frame through its controller, and runs communication jobs through its embedded
// CEngineCommCtrl. UI thread only, except where a member says otherwise.
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <string_view>

#include "lang/CLangResTable.h"
#include "platform/ui/Messages.h"
#include "views/CEngineCommCtrl.h"

class CFormViewCtrl;
struct AppSettingsBlock;

// Key of a page's own language texts and of the texts common to the application.
inline constexpr std::u16string_view kPageResourceKey = u"PRINTER_SETTING_VIEW";
inline constexpr std::u16string_view kAppResourceKey = u"XJ_UTILITY_APP";

// Messages of the page's initial update when language files are missing.
inline constexpr std::u16string_view kMsgLangFilesMissingClosing =
    u"Could not find the required files.\nClosing application.";
inline constexpr std::u16string_view kMsgLangFilesMissingEnglish =
    u"Could not find the required files.\nDisplaying the screen in English.";

// What a page's printer exchange uses when it retries.
struct RetryParameters {
  std::int32_t limit;     // time limit in milliseconds (read by no page of the program)
  std::int32_t count;     // number of attempts
  std::int32_t interval;  // milliseconds between attempts
};
inline constexpr std::int32_t kRetryLimitDefault = 1000;
inline constexpr std::int32_t kRetryLimitWireless = 15000;  // NET ports of wireless printers
inline constexpr std::int32_t kRetryCount = 30;
inline constexpr std::int32_t kRetryIntervalMs = 1000;

class CCommonFormView : public QWidget {
  Q_OBJECT
 public:
  // Template of a page: an empty child form of 366 x 259 dialog units.
  static constexpr int IDD = 101;
  static constexpr int kTemplateWidthDlu = 366;
  static constexpr int kTemplateHeightDlu = 259;

  explicit CCommonFormView(QWidget* parent = nullptr);
  ~CCommonFormView() override;

  // ---- fields ----------------------------------------------------------------------
  CEngineCommCtrl& EngineCommCtrl() { return engineCommCtrl_; }
  std::int32_t PageValue() const { return pageValue_; }
  void SetPageValue(std::int32_t value) { pageValue_ = value; }
  CLangResTable& PageTable() { return pageTable_; }
  CLangResTable& CommonTable() { return commonTable_; }
  // The owning controller; set by it before the page window is created. Any thread
  // (read by the job's worker while the UI thread waits).
  CFormViewCtrl* Controller() const { return controller_; }
  void SetController(CFormViewCtrl* controller) { controller_ = controller; }
  int TemplateId() const { return templateId_; }
  bool EnglishFallbackReported() const { return englishFallbackReported_; }
  // The controller's application settings block, null without controller.
  AppSettingsBlock* SettingsBlock() const;

  // ---- initial update -----------------------------------------------------------
  // Runs OnInitialUpdate the first time it is called; later calls do nothing.
  void InitialUpdate();
  // Fills the language tables from the settings block's language folder and LANGID
  // (English as fallback). Only English found: a warning (once per page), and the
  // block's LANGID and code become 0x0409 / "0409". No language file at all: a warning
  // and CloseApplication; the page table stays empty.
  virtual void OnInitialUpdate();

  // ---- virtual operations ---------------------------------------------------------
  // Hooks for derived pages; the base answers as noted and the program calls none of
  // them itself.
  virtual std::int32_t PageOperation1() { return 0; }
  virtual std::int32_t PageOperation2() { return 1; }
  virtual std::int32_t PageOperation3() { return 1; }
  virtual void PageOperation4(plat::WPARAM, plat::LPARAM) {}
  // Reads the page's settings from the printer; 1 on success. The base has nothing to
  // read. Called on the job's worker thread.
  virtual std::int32_t ReadSettingsFromPrinter() { return 1; }
  // Fills out with the retry parameters; false only for a null out. Any thread.
  virtual bool GetRetryParameters(RetryParameters* out);
  // Stores or reads a data block in the plug-in data manager (SetData / GetData);
  // -1 (kSettingNotFound) without a block of that id or without a manager. The "Own"
  // forms use the controller's data id. Any thread under the communication lock.
  virtual std::int32_t SetPluginData(std::uint32_t id, void* data, std::int32_t size);
  virtual std::int32_t SetOwnPluginData(void* data, std::int32_t size);
  virtual std::int32_t GetPluginData(std::uint32_t id, void* buffer, std::int32_t size);
  virtual std::int32_t GetOwnPluginData(void* buffer, std::int32_t size);
  // Posts WM_CLOSE to the main frame when the controller and its main frame are known.
  // Any thread.
  virtual void CloseApplication();

  // Reports job progress to the progress dialog through the progress callback.
  // Worker thread of a job.
  void ReportProgress(int percent);

  // The sizing rule: while visible and with a parent, the page covers its parent's
  // client area when the parent is wider or taller, else it keeps its own size at the
  // parent's top-left corner. Runs on every resize of the page or of its parent and on
  // WM_SIZE.
  void ApplySizingRule();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void WatchParent();

  CEngineCommCtrl engineCommCtrl_;
  std::int32_t pageValue_ = 0;
  CLangResTable pageTable_;
  CFormViewCtrl* controller_ = nullptr;
  CLangResTable commonTable_;
  int templateId_ = IDD;
  bool englishFallbackReported_ = false;

  bool initialUpdateDone_ = false;
  bool sizing_ = false;
  QPointer<QWidget> watchedParent_;
};
