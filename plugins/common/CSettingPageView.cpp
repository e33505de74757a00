#include "plugins/common/CSettingPageView.h"

#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "platform/Text.h"
#include "platform/ui/Controls.h"
#include "platform/ui/MessageBox.h"
#include "plugins/common/PageJob.h"
#include "plugins/common/PageParts.h"
#include "plugins/common/PageTexts.h"
#include "sdk/AppSettingsBlock.h"
#include "sdk/IPluginDataMgr.h"
#include "views/CFormViewCtrl.h"
#include "views/CommonMessages.h"

namespace {
// File mode: the program works on a settings file and no printer is attached.
constexpr std::int32_t kFileMode = 4;
}  // namespace

CSettingPageView::CSettingPageView(const PageDef& page, QWidget* parent) : CSingleFormView(parent), page_(page) {
  plat::SetMessageHandler(this, kPageReloadMessage, [this](plat::WPARAM, plat::LPARAM) {
    LoadFromBlock();
    return plat::LRESULT{0};
  });
}

CSettingPageView::~CSettingPageView() = default;

void CSettingPageView::OnInitialUpdate() {
  CSingleFormView::OnInitialUpdate();
  if (const AppSettingsBlock* block = SettingsBlock()) {
    const std::u16string folder(plat::FieldText(block->langFolder));
    if (texts_.SelectLanguageFile(folder, block->langId, kLangIdEnglish) != kLangFileNone) {
      texts_.LoadResources(page_.resourceKey);
    }
    // The controller loads the shared texts only after its pages were created, and the
    // buttons need them now.
    if (commonTexts_.SelectLanguageFile(folder, block->langId, kLangIdEnglish) != kLangFileNone) {
      commonTexts_.LoadResources(kPluginCommonResourceKey);
    }
  }
  BuildControls();
  LoadFromBlock();
}

std::u16string CSettingPageView::Text(int id, const std::u16string& fallback) const {
  return id < 0 ? fallback : texts_.StringOr(id, fallback);
}

std::u16string CSettingPageView::CommonText(int id, std::u16string_view fallback) const {
  return commonTexts_.MessageOr(id, fallback);
}

void CSettingPageView::BuildControls() {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 12, 16, 12);
  const PageHeading heading = AddPageHeading(this, layout, plat::ToQString(Text(page_.titleId, page_.title)),
                                             plat::ToQString(Text(page_.descriptionId, page_.description)));
  title_ = heading.title;
  description_ = heading.description;
  layout->addSpacing(8);

  auto* grid = new QGridLayout;
  grid->setColumnStretch(1, 1);
  int row = 0;
  for (const SettingDef& setting : page_.settings) {
    const int id = kFirstSettingControlId + row;
    QWidget* control = nullptr;
    if (setting.choices.empty()) {
      auto* check = new QCheckBox(plat::ToQString(Text(setting.labelId, setting.label)), this);
      connect(check, &QCheckBox::toggled, this, [this] { UpdateButtons(); });
      grid->addWidget(check, row, 0, 1, 2);
      control = check;
    } else {
      auto* label = new QLabel(plat::ToQString(Text(setting.labelId, setting.label)), this);
      auto* combo = new QComboBox(this);
      for (const SettingChoice& choice : setting.choices) {
        combo->addItem(plat::ToQString(Text(choice.textId, choice.text)), choice.value);
      }
      connect(combo, &QComboBox::currentIndexChanged, this, [this] { UpdateButtons(); });
      label->setBuddy(combo);
      grid->addWidget(label, row, 0);
      grid->addWidget(combo, row, 1, Qt::AlignLeft);
      control = combo;
    }
    plat::SetControlId(control, id);
    controls_.push_back(control);
    ++row;
  }
  layout->addLayout(grid);
  layout->addStretch(1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  apply_ = new QPushButton(plat::ToQString(CommonText(kMsgApplyButton, kDefaultApplyButton)), this);
  reset_ = new QPushButton(plat::ToQString(CommonText(kMsgResetButton, kDefaultResetButton)), this);
  plat::SetControlId(apply_, kApplyButtonId);
  plat::SetControlId(reset_, kResetButtonId);
  connect(apply_, &QPushButton::clicked, this, [this] { Apply(); });
  connect(reset_, &QPushButton::clicked, this, [this] { Reset(); });
  buttons->addWidget(apply_);
  buttons->addWidget(reset_);
  layout->addLayout(buttons);
}

QComboBox* CSettingPageView::ComboOf(std::size_t setting) const {
  return setting < controls_.size() ? qobject_cast<QComboBox*>(controls_[setting]) : nullptr;
}

QCheckBox* CSettingPageView::CheckOf(std::size_t setting) const {
  return setting < controls_.size() ? qobject_cast<QCheckBox*>(controls_[setting]) : nullptr;
}

bool CSettingPageView::IsFileMode() const {
  const AppSettingsBlock* block = SettingsBlock();
  return block != nullptr && block->mode == kFileMode;
}

Block CSettingPageView::StoredBlock() {
  Block block = DefaultBlock(page_);
  if (GetOwnPluginData(block.data(), static_cast<std::int32_t>(block.size())) != kSettingOk) return DefaultBlock(page_);
  // A block that was registered but never filled holds no settings yet.
  if (ReadLE32(block.data() + kBlockSizeOffset) == 0) return DefaultBlock(page_);
  return block;
}

void CSettingPageView::LoadFromBlock() {
  // Edits the user has not applied yet survive a new read of the printer.
  const bool keepEdits = !stored_.empty() && IsModified();
  const Block wanted = WantedBlock();
  stored_ = StoredBlock();
  const Block& shown = keepEdits ? wanted : stored_;
  for (std::size_t i = 0; i < page_.settings.size() && i < controls_.size(); ++i) {
    const std::int32_t value = FieldValue(shown, page_.settings[i]);
    if (QCheckBox* check = CheckOf(i)) {
      const QSignalBlocker quiet(check);
      check->setChecked(value != 0);
    } else if (QComboBox* combo = ComboOf(i)) {
      const QSignalBlocker quiet(combo);
      int index = combo->findData(value);
      if (index < 0) {
        // A value the page does not know is shown as it is rather than changed.
        combo->addItem(QString::number(value), value);
        index = combo->count() - 1;
      }
      combo->setCurrentIndex(index);
    }
  }
  UpdateButtons();
}

Block CSettingPageView::WantedBlock() const {
  Block block = stored_.empty() ? DefaultBlock(page_) : stored_;
  for (std::size_t i = 0; i < page_.settings.size() && i < controls_.size(); ++i) {
    if (const QCheckBox* check = CheckOf(i)) {
      SetFieldValue(block, page_.settings[i], check->isChecked() ? 1 : 0);
    } else if (const QComboBox* combo = ComboOf(i); combo != nullptr && combo->currentIndex() >= 0) {
      SetFieldValue(block, page_.settings[i], combo->currentData().toInt());
    }
  }
  return block;
}

bool CSettingPageView::IsModified() const { return !ChangedSettings(page_, stored_, WantedBlock()).empty(); }

void CSettingPageView::UpdateButtons() {
  const bool modified = IsModified();
  if (apply_ != nullptr) apply_->setEnabled(modified);
  if (reset_ != nullptr) reset_->setEnabled(modified);
}

void CSettingPageView::Reset() {
  stored_ = StoredBlock();
  for (std::size_t i = 0; i < page_.settings.size() && i < controls_.size(); ++i) {
    const std::int32_t value = FieldValue(stored_, page_.settings[i]);
    if (QCheckBox* check = CheckOf(i)) {
      const QSignalBlocker quiet(check);
      check->setChecked(value != 0);
    } else if (QComboBox* combo = ComboOf(i)) {
      const QSignalBlocker quiet(combo);
      combo->setCurrentIndex(std::max(0, combo->findData(value)));
    }
  }
  UpdateButtons();
}

bool CSettingPageView::Apply() {
  const Block wanted = WantedBlock();
  if (ChangedSettings(page_, stored_, wanted).empty()) return true;
  if (IsFileMode()) {
    Block copy = wanted;
    if (SetOwnPluginData(copy.data(), static_cast<std::int32_t>(copy.size())) != kSettingOk) {
      ShowWarningMessage(this, CommonText(kMsgApplyFailed, kDefaultWarningText).c_str());
      return false;
    }
    stored_ = wanted;
    UpdateButtons();
    return true;
  }

  const ReconnectPolicy policy = RestartPolicy(*this);
  const Block stored = stored_;
  PrinterResult result{PrinterOutcome::kNoAnswer, {}};
  Block readBack;
  RunPrinterJob(*this, [&](IXJComm* comm) {
    result = ApplyPageSettings(comm, page_, stored, wanted, policy, readBack);
  });

  if (result.outcome == PrinterOutcome::kOk || result.outcome == PrinterOutcome::kIncomplete) {
    // What the printer holds now is what was read back, whether or not all was taken.
    if (SetOwnPluginData(readBack.data(), static_cast<std::int32_t>(readBack.size())) == kSettingOk) stored_ = readBack;
  }
  UpdateButtons();
  return ShowApplyOutcome(this, commonTexts_, result,
                          [this](const SettingDef& setting) { return Text(setting.labelId, setting.label); });
}

std::int32_t CSettingPageView::QueryLeave() {
  if (!IsModified()) return kPluginOk;
  const std::u16string question = CommonText(kMsgApplyQuestion, kDefaultApplyQuestion);
  switch (plat::ShowMessageBox(this, question, kUtilityCaption, plat::MB_YESNOCANCEL | plat::MB_ICONQUESTION)) {
    case plat::IDYES: return Apply() ? kPluginOk : kPluginLeaveRefused;
    case plat::IDNO: Reset(); return kPluginOk;
    default: return kPluginLeaveRefused;
  }
}
