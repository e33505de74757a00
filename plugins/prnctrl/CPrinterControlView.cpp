#include "plugins/prnctrl/CPrinterControlView.h"

#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <mutex>

#include "platform/Text.h"
#include "platform/ui/Controls.h"
#include "platform/ui/MessageBox.h"
#include "plugins/common/PageJob.h"
#include "plugins/common/PageParts.h"
#include "plugins/common/PageTexts.h"
#include "plugins/common/SettingPageDefs.h"
#include "plugins/prnctrl/PrinterControlTexts.h"
#include "sdk/AppSettingsBlock.h"
#include "sdk/IPluginDataMgr.h"
#include "status/PrinterInfoBlock.h"
#include "views/CFormViewCtrl.h"
#include "views/CommonMessages.h"
#include "views/Messages.h"

namespace {

constexpr std::u16string_view kGroupNames[prnctrl::kStatusGroups] = {u"Printer", u"Offline cause", u"Error cause",
                                                                     u"Roll paper"};

QString Filled(std::u16string text, const QString& value) {
  QString line = plat::ToQString(text);
  line.replace(QStringLiteral("%s"), value);
  return line;
}

void SetBold(QLabel* label, bool bold) {
  QFont font = label->font();
  if (font.bold() == bold) return;
  font.setBold(bold);
  label->setFont(font);
}

}  // namespace

CPrinterControlView::CPrinterControlView(QWidget* parent)
    : CSingleFormView(parent), settingPages_(DescribedSettingPages()) {
  pollTimer_.setInterval(kPollIntervalMs);
  connect(&pollTimer_, &QTimer::timeout, this, [this] { PollNow(); });
}

CPrinterControlView::~CPrinterControlView() {
  pollTimer_.stop();
  WaitForPoll();
}

void CPrinterControlView::OnInitialUpdate() {
  CSingleFormView::OnInitialUpdate();
  if (const AppSettingsBlock* block = SettingsBlock()) {
    const std::u16string folder(plat::FieldText(block->langFolder));
    if (texts_.SelectLanguageFile(folder, block->langId, kLangIdEnglish) != kLangFileNone) {
      texts_.LoadResources(kPrinterControlResourceKey);
    }
    if (commonTexts_.SelectLanguageFile(folder, block->langId, kLangIdEnglish) != kLangFileNone) {
      commonTexts_.LoadResources(kPluginCommonResourceKey);
    }
    for (const PageDef& page : settingPages_) {
      auto table = std::make_unique<CLangResTable>();
      if (table->SelectLanguageFile(folder, block->langId, kLangIdEnglish) != kLangFileNone) {
        table->LoadResources(page.resourceKey);
      }
      settingTexts_.push_back(std::move(table));
    }
  }
  BuildControls();
  SetBusy(false);
}

std::u16string CPrinterControlView::Str(int id, std::u16string_view fallback) const {
  return texts_.StringOr(id, fallback);
}

std::u16string CPrinterControlView::Msg(int id, std::u16string_view fallback) const {
  return texts_.MessageOr(id, fallback);
}

void CPrinterControlView::BuildControls() {
  using namespace prnctrl_str;
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 12, 16, 12);
  AddPageHeading(this, layout, plat::ToQString(Str(kTitle, kPrinterControlPageTitle)),
                 plat::ToQString(Str(kDescription, u"Print a test page, feed and cut the paper, follow the printer's "
                                                   u"status bit by bit, or set all its settings back to their factory "
                                                   u"values.")));
  layout->addSpacing(6);

  auto* actions = new QHBoxLayout;
  testPrint_ = new QPushButton(plat::ToQString(Str(kTestPrintButton, u"&Test Print")), this);
  feed_ = new QPushButton(plat::ToQString(Str(kFeedButton, u"&Feed")), this);
  feedLines_ = new QSpinBox(this);
  feedLines_->setRange(1, 255);
  feedLines_->setValue(kDefaultFeedLines);
  feedLines_->setSuffix(QStringLiteral(" ") + plat::ToQString(Str(kLines, u"lines")));
  cut_ = new QPushButton(plat::ToQString(Str(kCutButton, u"&Cut")), this);
  restore_ = new QPushButton(plat::ToQString(Str(kRestoreButton, u"&Restore Factory Settings...")), this);
  plat::SetControlId(testPrint_, kTestPrintButtonId);
  plat::SetControlId(feed_, kFeedButtonId);
  plat::SetControlId(feedLines_, kFeedLinesId);
  plat::SetControlId(cut_, kCutButtonId);
  plat::SetControlId(restore_, kRestoreButtonId);
  connect(testPrint_, &QPushButton::clicked, this, [this] { TestPrint(); });
  connect(feed_, &QPushButton::clicked, this, [this] { Feed(); });
  connect(cut_, &QPushButton::clicked, this, [this] { Cut(); });
  connect(restore_, &QPushButton::clicked, this, [this] { RestoreFactorySettings(); });
  actions->addWidget(testPrint_);
  actions->addSpacing(12);
  actions->addWidget(feed_);
  actions->addWidget(feedLines_);
  actions->addWidget(cut_);
  actions->addStretch(1);
  actions->addWidget(restore_);
  layout->addLayout(actions);
  buttons_ = {testPrint_, feed_, cut_, restore_};
  layout->addSpacing(6);

  auto* heading = new QLabel(plat::ToQString(Str(kStatusHeading, u"Real-time status")), this);
  SetBold(heading, true);
  layout->addWidget(heading);
  auto* groups = new QGridLayout;
  groups->setSpacing(6);
  for (std::size_t group = 0; group < prnctrl::kStatusGroups; ++group) {
    groups->addWidget(BuildStatusGroup(group), static_cast<int>(group / 2), static_cast<int>(group % 2));
  }
  layout->addLayout(groups);

  auto* power = new QHBoxLayout;
  power->addWidget(new QLabel(plat::ToQString(Str(kPowerSource, u"Power source")) + QStringLiteral(":"), this));
  powerSource_ = new QLabel(this);
  plat::SetControlId(powerSource_, kPowerSourceId);
  power->addWidget(powerSource_);
  power->addSpacing(24);
  power->addWidget(new QLabel(plat::ToQString(Str(kBatteryLevel, u"Battery level")) + QStringLiteral(":"), this));
  batteryLevel_ = new QLabel(this);
  plat::SetControlId(batteryLevel_, kBatteryLevelId);
  power->addWidget(batteryLevel_);
  power->addStretch(1);
  statusNote_ = new QLabel(this);
  plat::SetControlId(statusNote_, kStatusNoteId);
  power->addWidget(statusNote_);
  layout->addLayout(power);
  layout->addStretch(1);
  ShowSnapshot(shown_);
}

QWidget* CPrinterControlView::BuildStatusGroup(std::size_t group) {
  using namespace prnctrl_str;
  auto* box = new QGroupBox(QStringLiteral("%1 %2").arg(group + 1).arg(plat::ToQString(
                                Str(kFirstGroupName + static_cast<int>(group), kGroupNames[group]))),
                            this);
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(8, 4, 8, 4);
  grid->setVerticalSpacing(0);
  grid->setHorizontalSpacing(8);
  grid->setColumnStretch(2, 1);
  groupBytes_[group] = new QLabel(box);
  plat::SetControlId(groupBytes_[group], kFirstGroupByteId + static_cast<int>(group));
  grid->addWidget(groupBytes_[group], 0, 0, 1, 3, Qt::AlignRight);
  const QString bitLabel = plat::ToQString(Str(kBitLabel, u"Bit %s"));
  for (int bit = 0; bit < prnctrl::kStatusBits; ++bit) {
    const prnctrl::StatusBitMeaning& meaning = prnctrl::MeaningOf(group, bit);
    auto* number = new QLabel(QString(bitLabel).replace(QStringLiteral("%s"), QString::number(bit)), box);
    auto* value = new QLabel(box);
    value->setAlignment(Qt::AlignCenter);
    value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("00")));
    auto* text = new QLabel(plat::ToQString(Str(meaning.textId, meaning.text)), box);
    plat::SetControlId(value, kFirstBitValueId + 8 * static_cast<int>(group) + bit);
    // A fixed bit tells nothing about the printer.
    number->setEnabled(!meaning.fixed);
    text->setEnabled(!meaning.fixed);
    grid->addWidget(number, bit + 1, 0);
    grid->addWidget(value, bit + 1, 1);
    grid->addWidget(text, bit + 1, 2);
    bitValues_[group][static_cast<std::size_t>(bit)] = value;
    bitMeanings_[group][static_cast<std::size_t>(bit)] = text;
  }
  return box;
}

bool CPrinterControlView::IsFileMode() const {
  const AppSettingsBlock* block = SettingsBlock();
  return block != nullptr && block->mode == kModeFile;
}

bool CPrinterControlView::HasCutter() const {
  const AppSettingsBlock* block = SettingsBlock();
  return block == nullptr || block->deviceId != kDeviceIdWithoutCutter;
}

void CPrinterControlView::SetBusy(bool busy) {
  busy_ = busy;
  // Without a printer (file mode) there is nothing to do here.
  const bool usable = !busy && !IsFileMode();
  for (QPushButton* button : buttons_) button->setEnabled(usable);
  if (cut_ != nullptr) cut_->setEnabled(usable && HasCutter());
  if (feedLines_ != nullptr) feedLines_->setEnabled(usable);
}

void CPrinterControlView::showEvent(QShowEvent* event) {
  CSingleFormView::showEvent(event);
  if (IsFileMode()) return;
  pollTimer_.start();
  PollNow();
}

void CPrinterControlView::hideEvent(QHideEvent* event) {
  pollTimer_.stop();
  CSingleFormView::hideEvent(event);
}

void CPrinterControlView::WaitForPoll() {
  if (pollThread_.joinable()) pollThread_.join();
}

void CPrinterControlView::PollNow() {
  AppSettingsBlock* block = SettingsBlock();
  if (block == nullptr || block->xjc == nullptr || busy_ || IsCommunicationJobRunning()) return;
  if (pollRunning_.load()) return;
  WaitForPoll();
  pollRunning_ = true;
  IXJComm* comm = block->xjc;
  std::recursive_mutex* lock = block->commLock;
  pollThread_ = std::thread([this, comm, lock] {
    std::unique_lock<std::recursive_mutex> guard;
    if (lock != nullptr) {
      guard = std::unique_lock<std::recursive_mutex>(*lock, std::try_to_lock);
      // Someone else talks to the printer now (a job, a read of its settings): ask again
      // next time.
      if (!guard.owns_lock()) {
        pollRunning_ = false;
        return;
      }
    }
    const prnctrl::PrinterSnapshot snapshot = prnctrl::ReadPrinterSnapshot(comm);
    if (guard.owns_lock()) guard.unlock();
    // The view waits for this thread before it goes, so it is there to take the result.
    QMetaObject::invokeMethod(
        this,
        [this, snapshot] {
          polled_ = true;
          ShowSnapshot(snapshot);
        },
        Qt::QueuedConnection);
    pollRunning_ = false;
  });
}

void CPrinterControlView::ShowSnapshot(const prnctrl::PrinterSnapshot& snapshot) {
  using namespace prnctrl_str;
  if (statusNote_ == nullptr) return;
  shown_ = snapshot;
  const bool ok = snapshot.outcome == PrinterOutcome::kOk;
  for (std::size_t group = 0; group < prnctrl::kStatusGroups; ++group) {
    const std::uint8_t byte = snapshot.status[group];
    groupBytes_[group]->setText(
        ok ? QStringLiteral("0x") + QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper()
           : QStringLiteral("--"));
    for (int bit = 0; bit < prnctrl::kStatusBits; ++bit) {
      const bool set = ((byte >> bit) & 1) != 0;
      QLabel* value = bitValues_[group][static_cast<std::size_t>(bit)];
      value->setText(ok ? (set ? QStringLiteral("1") : QStringLiteral("0")) : QStringLiteral("-"));
      // A condition that holds stands out.
      const bool holds = ok && set && !prnctrl::MeaningOf(group, bit).fixed;
      SetBold(value, holds);
      SetBold(bitMeanings_[group][static_cast<std::size_t>(bit)], holds);
    }
  }
  if (snapshot.power) {
    powerSource_->setText(
        plat::ToQString(snapshot.power->onBattery ? Str(kBattery, u"Battery") : Str(kAcAdapter, u"AC adapter")));
    batteryLevel_->setText(Filled(Str(kLevelOfSix, u"%s of 6"), QString::number(snapshot.power->level)));
  } else {
    const QString unknown = plat::ToQString(Str(kUnknown, u"Unknown"));
    powerSource_->setText(unknown);
    batteryLevel_->setText(unknown);
  }
  switch (snapshot.outcome) {
    case PrinterOutcome::kOk: statusNote_->clear(); break;
    case PrinterOutcome::kIncomplete:
      statusNote_->setText(plat::ToQString(Str(kNoStatus, u"The printer's answer is no status.")));
      break;
    default:
      statusNote_->setText(polled_ ? plat::ToQString(Str(kNoAnswer, u"The printer does not answer."))
                                   : plat::ToQString(Str(kNotReadYet, u"Not read yet")));
      break;
  }
}

bool CPrinterControlView::RunOperation(const std::function<void(IXJComm*)>& work) {
  SetBusy(true);
  pollTimer_.stop();
  WaitForPoll();
  const bool ran = RunPrinterJob(*this, work);
  SetBusy(false);
  if (isVisible() && !IsFileMode()) {
    pollTimer_.start();
    PollNow();
  }
  if (!ran) {
    // The printer's state forbade the job (offline, cover open, another job running).
    ShowWarningMessage(this, CannotCommunicateText(texts_).c_str());
  }
  return ran;
}

void CPrinterControlView::TellNoAnswer() {
  ShowWarningMessage(this, Msg(prnctrl_msg::kNoAnswer, u"The printer does not answer.").c_str());
}

bool CPrinterControlView::TestPrint() {
  PrinterOutcome outcome = PrinterOutcome::kNoAnswer;
  const std::vector<PageDef>& pages = settingPages_;
  if (!RunOperation([&](IXJComm* comm) {
        prnctrl::TestPageContent content;
        outcome = prnctrl::ReadTestPageContent(comm, pages, content);
        if (outcome == PrinterOutcome::kNoAnswer) return;
        outcome = prnctrl::SendPrintData(comm, prnctrl::BuildTestPage(content));
      })) {
    return false;
  }
  if (outcome != PrinterOutcome::kOk) TellNoAnswer();
  return outcome == PrinterOutcome::kOk;
}

bool CPrinterControlView::Feed() {
  PrinterOutcome outcome = PrinterOutcome::kNoAnswer;
  const std::vector<std::uint8_t> command = prnctrl::FeedCommand(feedLines_->value());
  if (!RunOperation([&](IXJComm* comm) { outcome = prnctrl::SendPrintData(comm, command); })) return false;
  if (outcome != PrinterOutcome::kOk) TellNoAnswer();
  return outcome == PrinterOutcome::kOk;
}

bool CPrinterControlView::Cut() {
  PrinterOutcome outcome = PrinterOutcome::kNoAnswer;
  if (!RunOperation([&](IXJComm* comm) { outcome = prnctrl::SendPrintData(comm, prnctrl::CutCommand()); })) {
    return false;
  }
  if (outcome != PrinterOutcome::kOk) TellNoAnswer();
  return outcome == PrinterOutcome::kOk;
}

std::u16string CPrinterControlView::SettingName(const SettingDef& setting) const {
  for (std::size_t i = 0; i < settingPages_.size(); ++i) {
    const std::vector<SettingDef>& settings = settingPages_[i].settings;
    if (&setting >= settings.data() && &setting < settings.data() + settings.size() && i < settingTexts_.size()) {
      return settingTexts_[i]->StringOr(setting.labelId, setting.label);
    }
  }
  return setting.label;
}

bool CPrinterControlView::RestoreFactorySettings() {
  const std::u16string question =
      Msg(prnctrl_msg::kRestoreQuestion,
          u"Set every setting of the printer back to its factory value?\nThe printer restarts afterwards.");
  if (plat::ShowMessageBox(this, question, kUtilityCaption, plat::MB_YESNO | plat::MB_ICONQUESTION) != plat::IDYES) {
    return false;
  }
  const ReconnectPolicy policy = RestartPolicy(*this);
  PrinterResult result{PrinterOutcome::kNoAnswer, {}};
  std::vector<Block> blocks;
  for (const PageDef& page : settingPages_) {
    Block block = DefaultBlock(page);
    // The pages' blocks keep their other bytes.
    if (GetPluginData(page.blockId, block.data(), static_cast<std::int32_t>(block.size())) != kSettingOk) {
      block = DefaultBlock(page);
    }
    blocks.push_back(std::move(block));
  }
  if (!RunOperation([&](IXJComm* comm) { result = RestorePageDefaults(comm, settingPages_, policy, blocks); })) {
    return false;
  }
  if (result.outcome == PrinterOutcome::kOk || result.outcome == PrinterOutcome::kIncomplete) {
    // The setting pages show what the printer holds now when they are next shown.
    for (std::size_t i = 0; i < settingPages_.size() && i < blocks.size(); ++i) {
      SetPluginData(settingPages_[i].blockId, blocks[i].data(), static_cast<std::int32_t>(blocks[i].size()));
    }
  }
  return ShowApplyOutcome(this, commonTexts_, result, [this](const SettingDef& setting) { return SettingName(setting); });
}
