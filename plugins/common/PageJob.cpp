#include "plugins/common/PageJob.h"

#include "plugins/common/PageTexts.h"
#include "sdk/AppSettingsBlock.h"
#include "views/CCommonFormView.h"
#include "views/CommonMessages.h"

bool RunPrinterJob(CCommonFormView& page, const std::function<void(IXJComm* comm)>& work) {
  AppSettingsBlock* block = page.SettingsBlock();
  IXJComm* comm = block != nullptr ? block->xjc : nullptr;
  if (comm == nullptr) return false;
  bool ran = false;
  page.EngineCommCtrl().threadProc = [&](CCommonFormView* view) -> std::int32_t {
    ran = true;
    view->ReportProgress(0);
    work(comm);
    view->ReportProgress(100);
    return 1;
  };
  page.EngineCommCtrl().RunJob(&page);
  page.EngineCommCtrl().threadProc = nullptr;
  return ran;
}

ReconnectPolicy RestartPolicy(CCommonFormView& page) {
  RetryParameters retry{};
  page.GetRetryParameters(&retry);
  return ReconnectPolicy{retry.count, retry.interval};
}

bool ShowApplyOutcome(QWidget* parent, const CLangResTable& commonTexts, const PrinterResult& result,
                      const std::function<std::u16string(const SettingDef&)>& nameOf) {
  switch (result.outcome) {
    case PrinterOutcome::kOk:
      ShowInfoMessage(parent, commonTexts.MessageOr(kMsgApplied, kDefaultInfoText).c_str());
      return true;
    case PrinterOutcome::kInUse:
      ShowWarningMessage(parent, (result.sent ? commonTexts.MessageOr(kMsgSentInUse, kDefaultSentInUseText)
                                              : commonTexts.MessageOr(kMsgPortInUse, kDefaultPortInUseText))
                                     .c_str());
      return false;
    case PrinterOutcome::kNoAnswer:
      // After the restart the printer may well hold the new values: never claim they
      // were not changed.
      ShowWarningMessage(parent, (result.sent ? commonTexts.MessageOr(kMsgSentNoAnswer, kDefaultSentNoAnswerText)
                                              : commonTexts.MessageOr(kMsgNoAnswer, kDefaultNoAnswerText))
                                     .c_str());
      return false;
    case PrinterOutcome::kIncomplete: break;
  }
  std::u16string text = commonTexts.MessageOr(kMsgNotTaken, kDefaultNotTakenText);
  for (const SettingDef* setting : result.failed) text += u"\n" + nameOf(*setting);
  ShowWarningMessage(parent, text.c_str());
  return false;
}
