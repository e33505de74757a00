#include "plugins/prninfo/CPrinterInfoView.h"

#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLocale>
#include <QVBoxLayout>

#include "platform/Text.h"
#include "platform/ui/Controls.h"
#include "plugins/common/PageJob.h"
#include "plugins/common/PageParts.h"
#include "plugins/common/PageTexts.h"
#include "plugins/prninfo/PrinterInfoTexts.h"
#include "sdk/AppSettingsBlock.h"
#include "sdk/IPluginDataMgr.h"
#include "sdk/SettingBlocks.h"
#include "views/CFormViewCtrl.h"
#include "views/CommonMessages.h"
#include "views/Messages.h"

namespace {

// File mode: the program works on a settings file and no printer is attached.
constexpr std::int32_t kFileMode = 4;

// Rows of the page, in order: the five texts, then these.
constexpr int kDeviceIdRow = 5;
constexpr int kAutocutterRow = 6;
constexpr int kNvCapacityRow = 7;

constexpr std::u16string_view kRowLabels[] = {
    u"Firmware version", u"Model", u"Serial number", u"Maker", u"Fonts",
    u"Device ID",        u"Auto cutter", u"NV graphics memory left",
};

}  // namespace

CPrinterInfoView::CPrinterInfoView(QWidget* parent) : CSingleFormView(parent) {
  plat::SetMessageHandler(this, kPageReloadMessage, [this](plat::WPARAM, plat::LPARAM) {
    LoadFromBlocks();
    return plat::LRESULT{0};
  });
}

CPrinterInfoView::~CPrinterInfoView() = default;

void CPrinterInfoView::OnInitialUpdate() {
  CSingleFormView::OnInitialUpdate();
  if (const AppSettingsBlock* block = SettingsBlock()) {
    if (texts_.SelectLanguageFile(plat::FieldText(block->langFolder), block->langId, kLangIdEnglish) != kLangFileNone) {
      texts_.LoadResources(kPrinterInfoResourceKey);
    }
  }
  BuildControls();
  LoadFromBlocks();
}

std::u16string CPrinterInfoView::Str(int id, std::u16string_view fallback) const {
  return texts_.StringOr(id, fallback);
}

std::u16string CPrinterInfoView::Msg(int id, std::u16string_view fallback) const {
  return texts_.MessageOr(id, fallback);
}

void CPrinterInfoView::BuildControls() {
  using namespace prninfo_str;
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 12, 16, 12);
  AddPageHeading(this, layout, plat::ToQString(Str(kTitle, kPrinterInfoPageTitle)),
                 plat::ToQString(Str(kDescription, u"What the connected printer reports about itself.")));
  layout->addSpacing(8);

  auto* grid = new QGridLayout;
  grid->setColumnStretch(1, 1);
  grid->setHorizontalSpacing(24);
  for (int row = 0; row < kRowCount; ++row) {
    auto* label = new QLabel(plat::ToQString(Str(kFirstTextLabel + row, kRowLabels[row])), this);
    auto* value = new QLabel(this);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    plat::SetControlId(value, kFirstValueId + row);
    grid->addWidget(label, row, 0);
    grid->addWidget(value, row, 1);
    values_[static_cast<std::size_t>(row)] = value;
  }
  layout->addLayout(grid);
  layout->addStretch(1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  refresh_ = new QPushButton(plat::ToQString(Str(kRefreshButton, u"Re&fresh")), this);
  plat::SetControlId(refresh_, kRefreshButtonId);
  // Without a printer there is nothing to read.
  refresh_->setEnabled(!IsFileMode());
  connect(refresh_, &QPushButton::clicked, this, [this] { Refresh(); });
  buttons->addWidget(refresh_);
  layout->addLayout(buttons);
}

bool CPrinterInfoView::IsFileMode() const {
  const AppSettingsBlock* block = SettingsBlock();
  return block != nullptr && block->mode == kFileMode;
}

Block CPrinterInfoView::StoredBlock(std::uint32_t id, const Block& defaults) {
  Block block = defaults;
  if (GetPluginData(id, block.data(), static_cast<std::int32_t>(block.size())) != kSettingOk) return defaults;
  return block;
}

QString CPrinterInfoView::ValueText(int row) const {
  return row >= 0 && row < kRowCount && values_[static_cast<std::size_t>(row)] != nullptr
             ? values_[static_cast<std::size_t>(row)]->text()
             : QString();
}

void CPrinterInfoView::LoadFromBlocks() {
  using namespace prninfo_str;
  if (values_[0] == nullptr) return;
  const AppSettingsBlock* block = SettingsBlock();
  const prninfo::PrinterInfo info =
      prninfo::InfoFromBlocks(StoredBlock(kPrinterInfoBlockId, prninfo::DefaultPrinterInfoBlock()),
                              StoredBlock(kPrinterInfoPageBlockId, prninfo::DefaultPageBlock()),
                              block != nullptr ? block->deviceId : 0);
  const QString notRead = plat::ToQString(Str(kNotRead, u"Not read"));
  for (std::size_t i = 0; i < prninfo::kTextCount; ++i) {
    values_[i]->setText(info.texts[i].empty() ? notRead : plat::ToQString(info.texts[i]));
  }
  values_[kDeviceIdRow]->setText(info.deviceId ? QString::number(*info.deviceId) : notRead);
  if (info.autocutter) {
    values_[kAutocutterRow]->setText(
        plat::ToQString(*info.autocutter ? Str(kInstalled, u"Installed") : Str(kNotInstalled, u"Not installed")));
  } else {
    values_[kAutocutterRow]->setText(notRead);
  }
  if (info.nvCapacity) {
    QString text = plat::ToQString(Str(kBytes, u"%s bytes"));
    text.replace(QStringLiteral("%s"), QLocale(QLocale::English).toString(static_cast<qulonglong>(*info.nvCapacity)));
    values_[kNvCapacityRow]->setText(text);
  } else {
    values_[kNvCapacityRow]->setText(notRead);
  }
}

bool CPrinterInfoView::Refresh() {
  AppSettingsBlock* block = SettingsBlock();
  if (block == nullptr || block->dataMgr == nullptr || IsFileMode()) return false;
  Block info = StoredBlock(kPrinterInfoBlockId, prninfo::DefaultPrinterInfoBlock());
  Block page = StoredBlock(kPrinterInfoPageBlockId, prninfo::DefaultPageBlock());
  PrinterOutcome outcome = PrinterOutcome::kNoAnswer;
  const bool ran = RunPrinterJob(
      *this, [&](IXJComm* comm) { outcome = prninfo::ReadPrinterInformation(comm, true, info, page); });
  if (!ran) {
    // The printer's state forbade the job (offline, or another job runs).
    ShowWarningMessage(this, CannotCommunicateText(texts_).c_str());
    return false;
  }
  if (outcome == PrinterOutcome::kNoAnswer) {
    ShowWarningMessage(
        this, Msg(prninfo_msg::kNoAnswer, u"The printer does not answer. The information shown was read earlier.")
                  .c_str());
    return false;
  }
  SetPluginData(kPrinterInfoBlockId, info.data(), static_cast<std::int32_t>(info.size()));
  SetPluginData(kPrinterInfoPageBlockId, page.data(), static_cast<std::int32_t>(page.size()));
  // The status pane shows the printer's name from the information block.
  if (CFormViewCtrl* ctrl = Controller(); ctrl != nullptr && ctrl->MainFrame() != nullptr) {
    plat::PostMessage(ctrl->MainFrame(), UM_UPDATE_PRINTER_INFO, 0, 0);
  }
  LoadFromBlocks();
  if (outcome == PrinterOutcome::kIncomplete) {
    ShowWarningMessage(
        this, Msg(prninfo_msg::kIncomplete, u"Some of the information could not be read from the printer.").c_str());
    return false;
  }
  return true;
}
