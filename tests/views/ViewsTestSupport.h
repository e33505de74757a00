#pragma once
// Shared pieces of the view tests: language files written per test, a settings block,
// a small main frame that answers the printer state and runs the progress dialog, and a
// bounded event-loop wait. (Message boxes: tests/support/MessageBoxRecorder.h.)
#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "sdk/AppSettingsBlock.h"
#include "comm/CCommStateDlg.h"
#include "platform/Text.h"
#include "platform/ui/Messages.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/TestEnv.h"
#include "views/Messages.h"

namespace viewstest {

// Runs the event loop until the condition holds; false when it did not within 20 s
// (a hang guard, not a timing assertion).
template <typename F>
bool ProcessUntil(F condition) {
  QElapsedTimer timer;
  timer.start();
  while (!condition() && timer.elapsed() < 20000) QApplication::processEvents(QEventLoop::AllEvents, 20);
  return condition();
}

inline std::string U8(std::u16string_view text) { return plat::ToUtf8(text); }

// The language files of the tests: the sections the dialogs and pages read.
inline const char kEnglishFile[] = R"([CMN_STR]
STR_0=OK
STR_1=Cancel
STR_6=Select Language
[SELECT_LANG_DLG_CAP]
BTN_OK_1=]CMN_STR_0
BTN_CANCEL_2=]CMN_STR_1
[SELECT_LANG_DLG_CMB]
LANG_ENGLISH_1000=English||0x0409
LANG_JAPANESE_1000=Japanese||0x0411
[SELECT_LANG_DLG_STR]
STR_0=]CMN_STR_6
[PRT_STATUS_STR]
STR_3=Fatal Error
STR_9=Auto cutter error
[DLG_ERR_CORR_MSG_STR]
STR_3=A fatal error has occurred in the printer.\n1. Turn the printer off.\n2. Turn it on again.
STR_9=An auto cutter error has occurred.\n1. Open the cover.\n2. Remove any jammed paper.
[PRINTER_SETTING_VIEW_MSG]
MSG_2=Could not get some settings from the printer.
)";

inline const char kJapaneseFile[] = R"([CMN_STR]
STR_1=キャンセル
STR_6=言語の選択
[SELECT_LANG_DLG_CAP]
BTN_CANCEL_2=]CMN_STR_1
[SELECT_LANG_DLG_CMB]
LANG_ENGLISH_1000=English||0x0409
LANG_JAPANESE_1000=日本語||0x0411
[SELECT_LANG_DLG_STR]
STR_0=]CMN_STR_6
[PRT_STATUS_STR]
STR_9=オートカッターエラー
[DLG_ERR_CORR_MSG_STR]
STR_9=オートカッターエラーが発生しました。\n1. カバーを開けます。\n2. 詰まった用紙を取り除きます。
[PRINTER_SETTING_VIEW_MSG]
MSG_2=プリンターから一部の設定を取得できませんでした。
)";

// A fresh language folder with the English file, and the Japanese one when asked.
inline std::string MakeLangFolder(bool withEnglish, bool withJapanese) {
  const std::string folder = testenv::MakeTempDir("lang");
  if (withEnglish) testenv::WriteFile(folder + "/0409.DAT", kEnglishFile);
  if (withJapanese) testenv::WriteFile(folder + "/0411.DAT", kJapaneseFile);
  return folder;
}

// A zeroed settings block with the language folder and LANGID filled in.
inline std::unique_ptr<AppSettingsBlock> MakeSettings(const std::string& langFolder, std::int32_t langId) {
  auto block = std::make_unique<AppSettingsBlock>();
  block->langId = langId;
  plat::CopyText(block->langCode, plat::FormatHex04(static_cast<std::uint32_t>(langId)));
  plat::CopyText(block->langFolder, plat::FromUtf8(langFolder));
  return block;
}

// A main frame as the setting pages see it: it tells the printer state, creates and
// runs the progress dialog, and counts close requests and the hooks around a run.
// Every position that reaches a progress dialog is logged in arrival order.
class TestMainFrame : public QWidget {
 public:
  TestMainFrame() {
    resize(796, 523);
    plat::SetMessageHandler(this, UM_GET_PRINTER_STATUS, [this](plat::WPARAM wParam, plat::LPARAM) {
      ++stateQueries;
      *reinterpret_cast<std::int32_t*>(wParam) = printerState;
      return plat::LRESULT{0};
    });
    plat::SetMessageHandler(this, plat::WM_CLOSE, [this](plat::WPARAM, plat::LPARAM) {
      ++closeRequests;
      return plat::LRESULT{0};
    });
    plat::SetMessageHandler(this, UM_CREATE_PROGRESS, [this](plat::WPARAM wParam, plat::LPARAM) {
      const plat::HWND dialog = CreateProgressDialog(this, reinterpret_cast<plat::HWND>(wParam), u"");
      if (CCommStateDlg* dlg = CurrentProgressDialog(this)) {
        // Log what arrives, then let the dialog decide as usual.
        plat::SetMessageHandler(dlg, UM_PROGRESS_POSITION, [this, dlg](plat::WPARAM w, plat::LPARAM) {
          const int position = static_cast<int>(static_cast<std::intptr_t>(w));
          const plat::LRESULT r = dlg->OnSetPosition(position);
          if (r == kProgressPositionAccepted) acceptedPositions.push_back(position);
          return r;
        });
      }
      return reinterpret_cast<plat::LRESULT>(dialog);
    });
    plat::SetMessageHandler(this, UM_RUN_PROGRESS, [this](plat::WPARAM wParam, plat::LPARAM lParam) {
      ++runs;
      ProgressDialogHooks hooks{[this] { ++hooksBefore; }, [this] { ++hooksAfter; }};
      return static_cast<plat::LRESULT>(RunProgressDialog(this, reinterpret_cast<const ProgressJobRequest*>(wParam),
                                                          reinterpret_cast<QWidget*>(lParam), hooks));
    });
  }

  std::int32_t printerState = 0;
  int stateQueries = 0;
  int closeRequests = 0;
  int runs = 0;
  int hooksBefore = 0;
  int hooksAfter = 0;
  std::vector<int> acceptedPositions;
};

}  // namespace viewstest
