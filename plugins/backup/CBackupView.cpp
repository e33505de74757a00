#include "plugins/backup/CBackupView.h"

#include <QFileDialog>
#include <QFont>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QVBoxLayout>

#include "platform/Text.h"
#include "platform/ui/Controls.h"
#include "platform/ui/MessageBox.h"
#include "plugins/backup/BackupTexts.h"
#include "plugins/common/PageParts.h"
#include "plugins/common/PageTexts.h"
#include "sdk/AppSettingsBlock.h"
#include "sdk/IPluginDataMgr.h"
#include "sdk/SettingBlocks.h"
#include "status/PrinterSettingsFile.h"
#include "views/CFormViewCtrl.h"
#include "views/CommonMessages.h"

namespace {

// File mode: the program works on a settings file and no printer is attached.
constexpr std::int32_t kFileMode = 4;
// The model a file is made for when the printer information block names none.
constexpr std::u16string_view kDefaultModel = u"XJ-K52II";
constexpr std::u16string_view kDefaultFileName = u"XJ-K52II settings.bin";
constexpr std::u16string_view kFileSuffix = u"bin";
// Where the printer information block keeps the model name, and its length.
constexpr std::size_t kInfoModelOffset = 212;
constexpr std::size_t kInfoTextChars = 90;

// Customized values whose meaning the list shows.
constexpr std::uint8_t kPaperWidth = 3;
constexpr std::uint8_t kDensity = 5;
constexpr std::uint8_t kSpeed = 6;
constexpr std::uint8_t kPaperKind = 116;
constexpr std::int32_t kPaperWidth58Value = 1;
constexpr std::int32_t kPaperWidth80Value = 6;
// Density: 65530..65535 lighten the print in steps of 5 %, 1..8 darken it.
constexpr std::int32_t kLightestDensity = 65530;
constexpr std::int32_t kDarkestDensity = 8;
constexpr int kDensityStepPercent = 5;
constexpr int kStandardPercent = 100;
constexpr std::int32_t kDensityWrap = 65536;

// Column widths of the list in pixels.
constexpr int kSettingColumnWidth = 300;
constexpr int kValueColumnWidth = 120;

// Default names of the settings, as their pages call them.
struct NamedSetting {
  int id;
  std::u16string_view name;
};
constexpr NamedSetting kSettingNames[] = {
    {backup_str::kSettingNameBase + 3, u"Paper width"},
    {backup_str::kSettingNameBase + 5, u"Print density"},
    {backup_str::kSettingNameBase + 6, u"Print speed"},
    {backup_str::kSettingNameBase + 12, u"Carry out commands while the printer is offline"},
    {backup_str::kSettingNameBase + 100, u"Cut the paper automatically after the paper cover closes"},
    {backup_str::kSettingNameBase + 101, u"Reduce the top margin"},
    {backup_str::kSettingNameBase + 102, u"Reduce the bottom margin"},
    {backup_str::kSettingNameBase + 103, u"Reduce the line spacing"},
    {backup_str::kSettingNameBase + 104, u"Reduce line feeds"},
    {backup_str::kSettingNameBase + 105, u"Reduce the barcode height"},
    {backup_str::kSettingNameBase + 116, u"Paper kind"},
    {backup_str::kSettingNameBase + 120, u"Sound the buzzer"},
    {backup_str::kSettingNameBase + 122, u"Save the battery when idle"},
    {backup_str::kSwitchBitNameBase + 51, u"Report the printer's status when it is switched on"},
    {backup_str::kSwitchBitNameBase + 87, u"Beep when the paper runs out"},
    {backup_str::kSwitchBitNameBase + 86, u"Feed the paper to the cutter after the cover closes"},
    {backup_str::kSwitchBitNameBase + 85, u"Report busy only when the receive buffer is full"},
    {backup_str::kSwitchBitNameBase + 84, u"Ignore the paper near-end sensor"},
    {backup_str::kSwitchBitNameBase + 82, u"Print darker when the battery is low"},
    {backup_str::kSwitchBitNameBase + 81, u"Line feed after carriage return"},
};

std::u16string Fill(std::u16string text, std::u16string_view value) {
  const std::size_t at = text.find(u"%s");
  if (at != std::u16string::npos) text.replace(at, 2, value);
  return text;
}

// Density value as a percentage of the standard darkness.
int DensityPercent(std::int32_t value) {
  const std::int32_t step = value >= kLightestDensity ? value - kDensityWrap : value;
  return kStandardPercent + kDensityStepPercent * step;
}

}  // namespace

CBackupView::CBackupView(QWidget* parent) : CSingleFormView(parent) {}

CBackupView::~CBackupView() = default;

void CBackupView::OnInitialUpdate() {
  CSingleFormView::OnInitialUpdate();
  if (const AppSettingsBlock* block = SettingsBlock()) {
    if (texts_.SelectLanguageFile(plat::FieldText(block->langFolder), block->langId, kLangIdEnglish) != kLangFileNone) {
      texts_.LoadResources(kBackupResourceKey);
    }
  }
  BuildControls();
}

std::u16string CBackupView::Str(int id, std::u16string_view fallback) const { return texts_.StringOr(id, fallback); }

std::u16string CBackupView::Msg(int id, std::u16string_view fallback) const { return texts_.MessageOr(id, fallback); }

std::u16string CBackupView::CommonMsg(int id, std::u16string_view fallback) const {
  CFormViewCtrl* ctrl = Controller();
  return ctrl != nullptr ? ctrl->Table().MessageOr(id, fallback) : std::u16string(fallback);
}

void CBackupView::BuildControls() {
  using namespace backup_str;
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 12, 16, 12);
  AddPageHeading(this, layout, plat::ToQString(Str(kTitle, kBackupPageTitle)),
                 plat::ToQString(Str(kDescription, u"Save the printer's settings to a file, or send the settings of "
                                                   u"such a file back to the printer. The printer restarts after a "
                                                   u"restore.")));
  layout->addSpacing(8);

  auto* buttons = new QHBoxLayout;
  save_ = new QPushButton(plat::ToQString(Str(kSaveButton, u"&Save to File...")), this);
  restore_ = new QPushButton(plat::ToQString(Str(kRestoreButton, u"&Restore from File...")), this);
  plat::SetControlId(save_, kSaveButtonId);
  plat::SetControlId(restore_, kRestoreButtonId);
  connect(save_, &QPushButton::clicked, this, [this] {
    const std::u16string path = ChooseFile(true);
    if (!path.empty()) SaveTo(path);
  });
  connect(restore_, &QPushButton::clicked, this, [this] {
    const std::u16string path = ChooseFile(false);
    if (!path.empty()) RestoreFrom(path);
  });
  // Without a printer there is nothing to restore to.
  restore_->setEnabled(!IsFileMode());
  buttons->addWidget(save_);
  buttons->addWidget(restore_);
  buttons->addStretch(1);
  layout->addLayout(buttons);
  layout->addSpacing(8);

  auto* contents = new QLabel(plat::ToQString(Str(kContents, u"Contents of the file")), this);
  QFont bold = contents->font();
  bold.setBold(true);
  contents->setFont(bold);
  layout->addWidget(contents);
  fileInfo_ = new QLabel(this);
  fileInfo_->setWordWrap(true);
  fileInfo_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(fileInfo_);
  list_ = new plat::ReportList(this);
  plat::SetControlId(list_, kChangeListId);
  list_->InsertColumn(0, {Str(kColumnSetting, u"Setting"), kSettingColumnWidth, plat::kColumnFormatLeft});
  list_->InsertColumn(1, {Str(kColumnNow, u"Printer now"), kValueColumnWidth, plat::kColumnFormatLeft});
  list_->InsertColumn(2, {Str(kColumnFile, u"In the file"), kValueColumnWidth, plat::kColumnFormatLeft});
  // The names take the room the two values leave.
  list_->header()->setStretchLastSection(false);
  list_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  list_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  list_->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
  layout->addWidget(list_, 1);
  summary_ = new QLabel(this);
  layout->addWidget(summary_);
  ShowFile({}, nullptr);
}

bool CBackupView::IsFileMode() const {
  const AppSettingsBlock* block = SettingsBlock();
  return block != nullptr && block->mode == kFileMode;
}

std::u16string CBackupView::ChooseFile(bool forSaving) {
  if (chooser_) return chooser_(forSaving);
  using namespace backup_str;
  QFileDialog dialog(this, plat::ToQString(forSaving ? Str(kSaveDialogTitle, u"Save Settings to File")
                                                     : Str(kOpenDialogTitle, u"Restore Settings from File")));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setNameFilters({plat::ToQString(Str(kFilterSettings, u"Settings files (*.bin)")),
                         plat::ToQString(Str(kFilterAll, u"All files (*)"))});
  if (forSaving) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(plat::ToQString(kFileSuffix));
    dialog.selectFile(plat::ToQString(kDefaultFileName));
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front().toStdU16String();
}

std::int32_t CBackupView::RunCommJob(std::function<std::int32_t()> work) {
  EngineCommCtrl().threadProc = [&work](CCommonFormView*) { return work(); };
  const std::int32_t result = EngineCommCtrl().RunJob(this);
  EngineCommCtrl().threadProc = nullptr;
  return result;
}

bool CBackupView::CurrentValuesKnown() const {
  const AppSettingsBlock* block = SettingsBlock();
  if (block == nullptr || block->dataMgr == nullptr) return false;
  return blocksRead_ || IsFileMode() || block->dataMgr->GetSettingsReadFlag() == kSettingsRead;
}

bool CBackupView::SaveTo(const std::u16string& path) {
  AppSettingsBlock* block = SettingsBlock();
  if (block == nullptr || block->dataMgr == nullptr || path.empty()) return false;
  IPluginDataMgr& manager = *block->dataMgr;
  if (!IsFileMode()) {
    // The file is to hold what the printer holds now, not what was read earlier (or
    // the defaults, when nothing was read yet).
    IXJComm* comm = block->xjc;
    PrinterOutcome outcome = PrinterOutcome::kNoAnswer;
    const std::int32_t job = comm == nullptr ? kJobRefused : RunCommJob([&] {
      ReportProgress(0);
      outcome = ReadSettingBlocks(comm, manager).outcome;
      ReportProgress(100);
      return outcome == PrinterOutcome::kNoAnswer ? kPluginPrinterNotAnswering : kPluginReadOk;
    });
    if (job < 0 || outcome == PrinterOutcome::kNoAnswer) {
      ShowWarningMessage(this, Msg(backup_msg::kReadFailed,
                                   u"The settings could not be read from the printer. No file was written.")
                                   .c_str());
      return false;
    }
    blocksRead_ = true;
  }

  std::u16string model;
  std::uint8_t info[kPrinterInfoBlockSize] = {};
  if (manager.GetData(kPrinterInfoBlockId, info, kPrinterInfoBlockSize) == kSettingOk) {
    const std::uint8_t* text = info + kInfoModelOffset;
    for (std::size_t i = 0; i + 1 < kInfoTextChars; ++i) {
      const auto c = static_cast<char16_t>(text[2 * i] | (text[2 * i + 1] << 8));
      if (c == 0) break;
      model.push_back(c);
    }
  }
  if (model.empty()) model = kDefaultModel;
  if (WriteSettingsFile(manager, nullptr, model, path) != kSettingsFileOk) {
    ShowWarningMessage(this, Msg(backup_msg::kSaveFailed, u"The settings could not be saved to the file.").c_str());
    return false;
  }
  ShowInfoMessage(this, Msg(backup_msg::kSaved, u"The printer's settings were saved to the file.").c_str());
  return true;
}

bool CBackupView::RestoreFrom(const std::u16string& path) {
  AppSettingsBlock* block = SettingsBlock();
  if (block == nullptr || block->dataMgr == nullptr || IsFileMode()) return false;
  const std::u16string nothingSent = Msg(backup_msg::kNothingSent, u"Nothing was sent to the printer.");

  SettingsFileContents file;
  const SettingsFileCheck check = ReadSettingsFile(path, file);
  if (check != SettingsFileCheck::kOk) {
    ShowFile({}, nullptr);
    const std::u16string reason = Msg(backup_msg::kFileCheckBase + static_cast<int>(check), SettingsFileCheckText(check));
    ShowWarningMessage(this, (reason + u"\n" + nothingSent).c_str());
    return false;
  }
  ShowFile(path, &file);
  const std::u16string question =
      Msg(backup_msg::kRestoreQuestion,
          u"Send the settings of this file to the printer?\nThe printer restarts afterwards.");
  if (plat::ShowMessageBox(this, question, kUtilityCaption, plat::MB_YESNO | plat::MB_ICONQUESTION) != plat::IDYES) {
    return false;
  }

  IXJComm* comm = block->xjc;
  IPluginDataMgr& manager = *block->dataMgr;
  RetryParameters retry{};
  GetRetryParameters(&retry);
  const ReconnectPolicy policy{retry.count, retry.interval};
  RestoreResult result{RestoreResult::Outcome::kNotSent, {}};
  bool ran = false;
  if (comm != nullptr) RunCommJob([&] {
    ran = true;
    result = RestoreSettingsFile(comm, file, policy, [this](int percent) { ReportProgress(percent); });
    using Outcome = RestoreResult::Outcome;
    if (result.outcome == Outcome::kOk || result.outcome == Outcome::kIncomplete) {
      // Every page shows what the printer holds now.
      if (ReadSettingBlocks(comm, manager).outcome != PrinterOutcome::kNoAnswer) blocksRead_ = true;
    }
    ReportProgress(100);
    return result.outcome == Outcome::kOk ? kPluginReadOk : kSettingNotFound;
  });
  ShowFile(path, &file);
  if (!ran) {
    // The printer's state forbade the job (offline, or another job runs): nothing left.
    ShowWarningMessage(this, (CannotCommunicateText(texts_) + u"\n" + nothingSent).c_str());
    return false;
  }

  using Outcome = RestoreResult::Outcome;
  switch (result.outcome) {
    case Outcome::kOk:
      ShowInfoMessage(this, Msg(backup_msg::kRestored, u"The settings of the file were sent to the printer.").c_str());
      return true;
    case Outcome::kNotSent:
      ShowWarningMessage(
          this, (Msg(backup_msg::kNoAnswer, u"The printer does not answer.") + u"\n" + nothingSent).c_str());
      return false;
    case Outcome::kRefused:
      ShowWarningMessage(
          this, Msg(backup_msg::kRefused, u"The printer refused the settings. Nothing was changed.").c_str());
      return false;
    case Outcome::kLostAfterSending:
      ShowWarningMessage(this, Msg(backup_msg::kLostAfterSending,
                                   u"The settings were sent, but the printer did not answer after its restart. "
                                   u"Check the printer, then read its settings again.")
                                   .c_str());
      return false;
    case Outcome::kInUse:
      ShowWarningMessage(this, Msg(backup_msg::kInUseAfterSending,
                                   u"The settings were sent, but the printer is now in use by another program. "
                                   u"Read its settings again later.")
                                   .c_str());
      return false;
    case Outcome::kIncomplete: break;
  }
  std::u16string text = CommonMsg(kMsgNotTaken, kDefaultNotTakenText);
  for (const SettingChange& change : result.notTaken) text += u"\n" + SettingName(change);
  ShowWarningMessage(this, text.c_str());
  return false;
}

void CBackupView::ShowFile(const std::u16string& path, const SettingsFileContents* file) {
  using namespace backup_str;
  list_->DeleteAllRows();
  if (file == nullptr) {
    fileInfo_->setText(plat::ToQString(Str(kNoFile, u"No file is open.")));
    summary_->clear();
    return;
  }
  std::u16string info = Fill(Str(kFileName, u"File: %s"), path);
  if (!file->modelName.empty()) info += u"\n" + Fill(Str(kFileModel, u"Printer model: %s"), plat::FromUtf8(file->modelName));
  if (!file->savedAt.empty()) info += u"\n" + Fill(Str(kFileSaved, u"Saved: %s"), plat::FromUtf8(file->savedAt));
  fileInfo_->setText(plat::ToQString(info));

  const AppSettingsBlock* block = SettingsBlock();
  const IPluginDataMgr* manager = CurrentValuesKnown() ? block->dataMgr : nullptr;
  int changing = 0;
  for (const SettingChange& change : DescribeChanges(*file, manager)) {
    const QString name = plat::ToQString(SettingName(change));
    const int row = list_->InsertRow(list_->RowCount(), name);
    if (QTreeWidgetItem* item = list_->topLevelItem(row)) item->setToolTip(0, name);
    if (change.kind == SettingChange::Kind::kLogos) {
      list_->SetRowText(row, 1, QString());
      list_->SetRowText(row, 2, plat::ToQString(Str(kLogosReplaced, u"All logos are replaced")));
    } else {
      list_->SetRowText(row, 1, plat::ToQString(change.now ? ValueText(change, *change.now) : Str(kUnknown, u"Unknown")));
      list_->SetRowText(row, 2, plat::ToQString(ValueText(change, change.wanted)));
    }
    if (change.Changes()) {
      ++changing;
      // What changes stands out.
      if (QTreeWidgetItem* item = list_->topLevelItem(row)) {
        QFont font = item->font(0);
        font.setBold(true);
        for (int column = 0; column < list_->ColumnCount(); ++column) item->setFont(column, font);
      }
    }
  }
  summary_->setText(plat::ToQString(Fill(Str(kChangeCount, u"Settings that change: %s"), plat::FormatInt(changing))));
}

std::u16string CBackupView::SettingName(const SettingChange& change) const {
  using namespace backup_str;
  int id = -1;
  std::u16string fallback;
  switch (change.kind) {
    case SettingChange::Kind::kLogos: return Str(kLogos, u"Logos (NV graphics)");
    case SettingChange::Kind::kValue:
      id = kSettingNameBase + change.number;
      fallback = Fill(Str(kSettingNumber, u"Setting %s"), plat::FormatInt(change.number));
      break;
    case SettingChange::Kind::kSwitchBit:
      id = kSwitchBitNameBase + 10 * change.number + change.bit;
      fallback = Fill(Str(kSwitchBit, u"Memory switch %s"),
                      plat::FormatInt(change.number) + u"-" + plat::FormatInt(change.bit));
      break;
  }
  for (const NamedSetting& named : kSettingNames) {
    if (named.id == id) return Str(id, named.name);
  }
  return fallback;
}

std::u16string CBackupView::ValueText(const SettingChange& change, std::int32_t value) const {
  using namespace backup_str;
  if (change.kind == SettingChange::Kind::kValue) {
    switch (change.number) {
      case kPaperWidth:
        if (value == kPaperWidth58Value) return Str(kWidth58, u"58 mm");
        if (value == kPaperWidth80Value) return Str(kWidth80, u"80 mm");
        return plat::FormatInt(value);
      case kDensity:
        if (value == 0) return Str(kDensityStandard, u"100 % (standard)");
        if (value >= kLightestDensity || value <= kDarkestDensity) return plat::FormatInt(DensityPercent(value)) + u" %";
        return plat::FormatInt(value);
      case kSpeed: return plat::FormatInt(value);
      case kPaperKind:
        if (value == 0) return Str(kNormalPaper, u"Normal paper");
        if (value == 1) return Str(kThickPaper, u"Thick paper");
        return plat::FormatInt(value);
      default: break;
    }
  }
  if (value == 0) return Str(kOff, u"Off");
  if (value == 1) return Str(kOn, u"On");
  return plat::FormatInt(value);
}
