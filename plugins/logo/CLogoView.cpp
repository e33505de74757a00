#include "plugins/logo/CLogoView.h"

#include <QFileDialog>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLocale>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/Text.h"
#include "platform/ui/Controls.h"
#include "platform/ui/MessageBox.h"
#include "plugins/common/PageJob.h"
#include "plugins/common/PageParts.h"
#include "plugins/common/PageTexts.h"
#include "plugins/logo/CLogoCtrl.h"
#include "plugins/logo/LogoTexts.h"
#include "plugins/prninfo/PrinterInfoData.h"
#include "sdk/AppSettingsBlock.h"
#include "sdk/IPluginDataMgr.h"
#include "sdk/SettingBlocks.h"
#include "views/CFormViewCtrl.h"
#include "views/CommonMessages.h"

namespace {

// File mode: the program works on a settings file and no printer is attached.
constexpr std::int32_t kFileMode = 4;

// Thumbnails in the list, in pixels.
constexpr int kThumbWidth = 112;
constexpr int kThumbHeight = 56;
constexpr int kListHeight = 100;
constexpr int kPreviewHeight = 90;

std::u16string Fill(std::u16string text, std::u16string_view value) {
  const std::size_t at = text.find(u"%s");
  if (at != std::u16string::npos) text.replace(at, 2, value);
  return text;
}

std::u16string Number(std::uint64_t value) {
  return plat::FromQString(QLocale(QLocale::English).toString(static_cast<qulonglong>(value)));
}

// A thumbnail: the logo scaled into the frame on white, or the empty frame.
QIcon ThumbnailIcon(const std::optional<logo::MonoBitmap>& bitmap) {
  QPixmap pixmap(kThumbWidth, kThumbHeight);
  pixmap.fill(Qt::white);
  QPainter painter(&pixmap);
  if (bitmap && !bitmap->Empty()) {
    const QImage image = logo::BitmapImage(*bitmap);
    const QSize fitted = image.size().scaled(kThumbWidth - 4, kThumbHeight - 4, Qt::KeepAspectRatio).boundedTo(image.size());
    const QRect target((kThumbWidth - fitted.width()) / 2, (kThumbHeight - fitted.height()) / 2, fitted.width(),
                       fitted.height());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, image);
  }
  painter.setPen(Qt::gray);
  painter.drawRect(0, 0, kThumbWidth - 1, kThumbHeight - 1);
  painter.end();
  return QIcon(pixmap);
}

}  // namespace

CLogoView::CLogoView(bool coupon, std::shared_ptr<LogoState> state, QWidget* parent)
    : CSingleFormView(parent), coupon_(coupon), state_(std::move(state)) {
  plat::SetMessageHandler(this, kPageReloadMessage, [this](plat::WPARAM, plat::LPARAM) {
    LoadState();
    return plat::LRESULT{0};
  });
}

CLogoView::~CLogoView() = default;

void CLogoView::OnInitialUpdate() {
  CSingleFormView::OnInitialUpdate();
  if (const AppSettingsBlock* block = SettingsBlock()) {
    if (texts_.SelectLanguageFile(plat::FieldText(block->langFolder), block->langId, kLangIdEnglish) != kLangFileNone) {
      texts_.LoadResources(kLogoResourceKey);
    }
  }
  if (IsFileMode() && !coupon_) {
    const AppSettingsBlock* block = SettingsBlock();
    // The logo file may hold logos of this run already; a damaged one is started anew.
    if (!logo::ReadLogoFile(plat::FieldText(block->logoPath), fileLogos_)) fileLogos_.clear();
  }
  BuildControls();
  LoadState();
}

std::u16string CLogoView::Str(int id, std::u16string_view fallback) const { return texts_.StringOr(id, fallback); }

std::u16string CLogoView::Msg(int id, std::u16string_view fallback) const { return texts_.MessageOr(id, fallback); }

std::u16string CLogoView::CommonMsg(int id, std::u16string_view fallback) const {
  CFormViewCtrl* ctrl = Controller();
  return ctrl != nullptr ? ctrl->Table().MessageOr(id, fallback) : std::u16string(fallback);
}

bool CLogoView::IsFileMode() const {
  const AppSettingsBlock* block = SettingsBlock();
  return block != nullptr && block->mode == kFileMode;
}

bool CLogoView::AutomaticKeyCodes() const {
  const AppSettingsBlock* block = SettingsBlock();
  return block != nullptr && block->autoKeycodeNumbering == 1;
}

void CLogoView::BuildControls() {
  using namespace logo_str;
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 12, 16, 12);
  std::u16string describe;
  if (coupon_) {
    describe = Str(kCouponDescription, u"Print a logo stored in the printer as many times as you need, "
                                       u"with a cut after each copy.");
  } else if (IsFileMode()) {
    describe = Str(kFileModeNote, u"The logos added here are written into the settings file with the settings. "
                                  u"Sending that file to a printer replaces every logo stored in it.");
  } else {
    describe = Str(kDescription, u"Store your shop's logo in the printer from a picture file, so that receipts "
                                 u"can print it. The printer keeps its logos when it is switched off.");
  }
  AddPageHeading(this, layout,
                 plat::ToQString(coupon_ ? Str(kCouponTitle, kCouponPageTitle) : Str(kTitle, kLogoPageTitle)),
                 plat::ToQString(describe));
  layout->addSpacing(6);

  auto* storedLabel = new QLabel(plat::ToQString(IsFileMode() ? Str(kFileModeStored, u"Logos in the settings file")
                                                              : Str(kStoredLogos, u"Logos stored in the printer")),
                                 this);
  QFont bold = storedLabel->font();
  bold.setBold(true);
  storedLabel->setFont(bold);
  layout->addWidget(storedLabel);

  auto* listRow = new QHBoxLayout;
  list_ = new QListWidget(this);
  plat::SetControlId(list_, kListId);
  list_->setViewMode(QListView::IconMode);
  list_->setIconSize(QSize(kThumbWidth, kThumbHeight));
  list_->setMovement(QListView::Static);
  list_->setResizeMode(QListView::Adjust);
  list_->setWrapping(true);
  list_->setSpacing(4);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setMinimumHeight(kListHeight);
  if (!coupon_) list_->setMaximumHeight(kListHeight);
  connect(list_, &QListWidget::itemSelectionChanged, this, [this] { UpdateButtons(); });
  listRow->addWidget(list_, 1);

  auto* buttons = new QVBoxLayout;
  refresh_ = new QPushButton(plat::ToQString(Str(kRefreshButton, u"Re&fresh")), this);
  plat::SetControlId(refresh_, kRefreshButtonId);
  connect(refresh_, &QPushButton::clicked, this, [this] { Refresh(); });
  buttons->addWidget(refresh_);
  if (!coupon_) {
    delete_ = new QPushButton(plat::ToQString(Str(kDeleteButton, u"&Delete")), this);
    deleteAll_ = new QPushButton(plat::ToQString(Str(kDeleteAllButton, u"Delete A&ll")), this);
    print_ = new QPushButton(plat::ToQString(Str(kTestPrintButton, u"&Test Print")), this);
    plat::SetControlId(delete_, kDeleteButtonId);
    plat::SetControlId(deleteAll_, kDeleteAllButtonId);
    plat::SetControlId(print_, kTestPrintButtonId);
    connect(delete_, &QPushButton::clicked, this, [this] { DeleteSelected(); });
    connect(deleteAll_, &QPushButton::clicked, this, [this] { DeleteAll(); });
    connect(print_, &QPushButton::clicked, this, [this] { PrintSelected(); });
    buttons->addWidget(delete_);
    buttons->addWidget(deleteAll_);
    buttons->addWidget(print_);
  }
  buttons->addStretch(1);
  listRow->addLayout(buttons);
  layout->addLayout(listRow, coupon_ ? 1 : 0);
  freeMemory_ = new QLabel(this);
  plat::SetControlId(freeMemory_, kFreeMemoryId);
  layout->addWidget(freeMemory_);

  if (coupon_) {
    auto* printRow = new QHBoxLayout;
    auto* copiesLabel = new QLabel(plat::ToQString(Str(kCopies, u"&Number of copies:")), this);
    copies_ = new QSpinBox(this);
    copies_->setRange(kMinCopies, kMaxCopies);
    copies_->setValue(kMinCopies);
    plat::SetControlId(copies_, kCopiesId);
    copiesLabel->setBuddy(copies_);
    print_ = new QPushButton(plat::ToQString(Str(kPrintButton, u"&Print")), this);
    plat::SetControlId(print_, kPrintButtonId);
    connect(print_, &QPushButton::clicked, this, [this] { PrintSelected(); });
    printRow->addWidget(copiesLabel);
    printRow->addWidget(copies_);
    printRow->addStretch(1);
    printRow->addWidget(print_);
    layout->addLayout(printRow);
  } else {
    layout->addSpacing(6);
    layout->addWidget(BuildAddPanel(), 1);
  }
  // Without a printer there is nothing to read or print.
  refresh_->setVisible(!IsFileMode());
  if (print_ != nullptr) print_->setVisible(!IsFileMode());
  UpdateButtons();
}

QWidget* CLogoView::BuildAddPanel() {
  using namespace logo_str;
  auto* panel = new QGroupBox(plat::ToQString(Str(kNewLogo, u"Add a logo")), this);
  auto* grid = new QGridLayout(panel);
  grid->setColumnStretch(1, 1);

  choose_ = new QPushButton(plat::ToQString(Str(kChooseButton, u"&Open Picture...")), panel);
  plat::SetControlId(choose_, kChooseButtonId);
  connect(choose_, &QPushButton::clicked, this, [this] {
    const std::u16string path = ChooseFile();
    if (!path.empty()) OpenPicture(path);
  });
  pictureName_ = new QLabel(plat::ToQString(Str(kNoPicture, u"No picture is open.")), panel);
  plat::SetControlId(pictureName_, kPictureNameId);
  pictureName_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  grid->addWidget(choose_, 0, 0);
  grid->addWidget(pictureName_, 0, 1, 1, 3);

  auto* conversionLabel = new QLabel(plat::ToQString(Str(kConversion, u"&Conversion:")), panel);
  conversion_ = new QComboBox(panel);
  conversion_->addItem(plat::ToQString(Str(kDithering, u"Dithering (photos)")), static_cast<int>(logo::Conversion::kDithering));
  conversion_->addItem(plat::ToQString(Str(kThreshold, u"Threshold (line art, text)")),
                       static_cast<int>(logo::Conversion::kThreshold));
  plat::SetControlId(conversion_, kConversionId);
  conversionLabel->setBuddy(conversion_);
  connect(conversion_, &QComboBox::currentIndexChanged, this, [this] { UpdatePreview(); });
  auto* brightnessLabel = new QLabel(plat::ToQString(Str(kBrightness, u"&Brightness:")), panel);
  brightness_ = new QSlider(Qt::Horizontal, panel);
  brightness_->setRange(logo::kMinBrightness, logo::kMaxBrightness);
  brightness_->setValue(0);
  brightness_->setPageStep(10);
  plat::SetControlId(brightness_, kBrightnessId);
  brightnessLabel->setBuddy(brightness_);
  connect(brightness_, &QSlider::valueChanged, this, [this] { UpdatePreview(); });
  grid->addWidget(conversionLabel, 1, 0);
  grid->addWidget(conversion_, 1, 1);
  grid->addWidget(brightnessLabel, 1, 2);
  grid->addWidget(brightness_, 1, 3);

  fitToPaper_ = new QCheckBox(panel);
  fitToPaper_->setChecked(true);
  plat::SetControlId(fitToPaper_, kFitToPaperId);
  connect(fitToPaper_, &QCheckBox::toggled, this, [this] { UpdatePreview(); });

  auto* keyLabel = new QLabel(plat::ToQString(AutomaticKeyCodes() ? Str(kKeyCodeAutomatic, u"&Key code (automatic):")
                                                                  : Str(kKeyCode, u"&Key code:")),
                              panel);
  keyCode_ = new QLineEdit(panel);
  keyCode_->setMaxLength(2);
  keyCode_->setFixedWidth(keyCode_->fontMetrics().horizontalAdvance(QStringLiteral("WWWW")) + 12);
  keyCode_->setReadOnly(AutomaticKeyCodes());
  plat::SetControlId(keyCode_, kKeyCodeId);
  keyLabel->setBuddy(keyCode_);
  connect(keyCode_, &QLineEdit::textChanged, this, [this] { UpdateButtons(); });
  register_ = new QPushButton(plat::ToQString(Str(kRegisterButton, u"&Register")), panel);
  plat::SetControlId(register_, kRegisterButtonId);
  connect(register_, &QPushButton::clicked, this, [this] { Register(); });
  auto* keyRow = new QHBoxLayout;
  keyRow->addWidget(fitToPaper_);
  keyRow->addStretch(1);
  keyRow->addWidget(keyLabel);
  keyRow->addWidget(keyCode_);
  keyRow->addWidget(register_);
  grid->addLayout(keyRow, 2, 0, 1, 4);

  previewLabel_ = new QLabel(panel);
  previewLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  previewLabel_->setStyleSheet(QStringLiteral("background: white;"));
  plat::SetControlId(previewLabel_, kPreviewId);
  auto* scroll = new QScrollArea(panel);
  scroll->setWidget(previewLabel_);
  scroll->setWidgetResizable(false);
  scroll->setMinimumHeight(kPreviewHeight);
  scroll->setBackgroundRole(QPalette::Dark);
  grid->addWidget(scroll, 3, 0, 1, 4);
  grid->setRowStretch(3, 1);
  previewSize_ = new QLabel(panel);
  plat::SetControlId(previewSize_, kPreviewSizeId);
  grid->addWidget(previewSize_, 4, 0, 1, 4);
  UpdatePreview();
  return panel;
}

std::u16string CLogoView::ChooseFile() {
  if (chooser_) return chooser_();
  using namespace logo_str;
  QFileDialog dialog(this, plat::ToQString(Str(kOpenDialogTitle, u"Open a Picture for the Logo")));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setNameFilters(
      {plat::ToQString(Str(kFilterPictures, u"Pictures (*.png *.bmp *.jpg *.jpeg *.gif)")),
       plat::ToQString(Str(kFilterAll, u"All files (*)"))});
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front().toStdU16String();
}

int CLogoView::PaperDots() {
  Block settings = DefaultSettingBlock(kPrintSettingsBlockId);
  std::int32_t width = static_cast<std::int32_t>(ReadLE32(settings.data() + kPrintSettingsPaperWidthOffset));
  if (GetPluginData(kPrintSettingsBlockId, settings.data(), static_cast<std::int32_t>(settings.size())) == kSettingOk &&
      ReadLE32(settings.data() + kBlockSizeOffset) != 0) {
    width = static_cast<std::int32_t>(ReadLE32(settings.data() + kPrintSettingsPaperWidthOffset));
  } else if (const std::optional<std::int32_t> read = state_->Logos().paperWidth) {
    width = *read;
  }
  return logo::PaperWidthDots(width);
}

logo::LogoCopies CLogoView::Copies() const {
  const AppSettingsBlock* block = SettingsBlock();
  Block info = prninfo::DefaultPrinterInfoBlock();
  const_cast<CLogoView*>(this)->GetPluginData(kPrinterInfoBlockId, info.data(), static_cast<std::int32_t>(info.size()));
  return logo::LogoCopies(block != nullptr ? plat::FieldText(block->dataFolder) : std::u16string_view(),
                          prninfo::InfoText(info, prninfo::kSerial),
                          block != nullptr ? plat::FieldText(block->chosenPort.portName) : std::u16string_view(),
                          block != nullptr ? plat::FieldText(block->chosenPort.deviceName) : std::u16string_view());
}

std::vector<logo::KeyCode> CLogoView::CurrentKeys() const {
  if (IsFileMode()) {
    std::vector<logo::KeyCode> keys;
    for (const logo::StoredLogo& stored : fileLogos_) keys.push_back(stored.key);
    return keys;
  }
  return state_->Logos().keys;
}

std::optional<std::uint64_t> CLogoView::FreeBytes() const {
  if (IsFileMode()) return std::nullopt;
  return state_->Logos().freeBytes;
}

std::optional<logo::MonoBitmap> CLogoView::Thumbnail(logo::KeyCode key) const {
  if (IsFileMode()) {
    for (const logo::StoredLogo& stored : fileLogos_) {
      if (stored.key == key) return stored.bitmap;
    }
    return std::nullopt;
  }
  return Copies().Load(key);
}

void CLogoView::LoadState() {
  if (list_ == nullptr) return;
  if (IsFileMode()) {
    ShowLogos(CurrentKeys(), std::nullopt, true);
  } else {
    const logo::PrinterLogos logos = state_->Logos();
    ShowLogos(logos.keys, logos.freeBytes, state_->Read());
  }
  UpdatePreview();
}

void CLogoView::ShowLogos(const std::vector<logo::KeyCode>& keys, std::optional<std::uint64_t> freeBytes, bool known) {
  using namespace logo_str;
  const std::optional<logo::KeyCode> selected = SelectedKey();
  list_->clear();
  for (const logo::KeyCode key : keys) {
    auto* item = new QListWidgetItem(ThumbnailIcon(Thumbnail(key)), plat::ToQString(logo::KeyCodeText(key)), list_);
    item->setData(Qt::UserRole, static_cast<int>(key));
    if (selected && *selected == key) item->setSelected(true);
  }
  if (IsFileMode()) {
    std::uint64_t total = 0;
    for (const logo::StoredLogo& stored : fileLogos_) total += stored.bitmap.data.size();
    freeMemory_->setText(plat::ToQString(Fill(Fill(Str(kFileLogosSize, u"Logos: %s, %s bytes in all"),
                                                   plat::FormatInt(static_cast<long long>(keys.size()))),
                                              Number(total))));
  } else if (known && freeBytes) {
    freeMemory_->setText(plat::ToQString(Fill(Str(kFreeMemory, u"Free NV graphics memory: %s bytes"), Number(*freeBytes))));
  } else {
    freeMemory_->setText(
        plat::ToQString(Str(kFreeMemoryUnknown, u"The logos stored in the printer have not been read.")));
  }
  UpdateKeyCode();
  UpdateButtons();
}

std::optional<logo::KeyCode> CLogoView::SelectedKey() const {
  if (list_ == nullptr) return std::nullopt;
  const QList<QListWidgetItem*> items = list_->selectedItems();
  if (items.isEmpty()) return std::nullopt;
  return static_cast<logo::KeyCode>(items.front()->data(Qt::UserRole).toInt());
}

std::vector<logo::KeyCode> CLogoView::ListedKeys() const {
  std::vector<logo::KeyCode> keys;
  for (int i = 0; list_ != nullptr && i < list_->count(); ++i) {
    keys.push_back(static_cast<logo::KeyCode>(list_->item(i)->data(Qt::UserRole).toInt()));
  }
  return keys;
}

bool CLogoView::SelectKey(logo::KeyCode key) {
  for (int i = 0; list_ != nullptr && i < list_->count(); ++i) {
    if (list_->item(i)->data(Qt::UserRole).toInt() == key) {
      list_->setCurrentRow(i);
      list_->item(i)->setSelected(true);
      return true;
    }
  }
  return false;
}

void CLogoView::UpdateKeyCode() {
  if (keyCode_ == nullptr || !AutomaticKeyCodes()) return;
  const std::optional<logo::KeyCode> next = logo::NextFreeKeyCode(CurrentKeys());
  keyCode_->setText(next ? plat::ToQString(logo::KeyCodeText(*next)) : QString());
}

void CLogoView::UpdateButtons() {
  const bool selected = SelectedKey().has_value();
  const bool any = list_ != nullptr && list_->count() > 0;
  if (delete_ != nullptr) delete_->setEnabled(selected);
  if (deleteAll_ != nullptr) deleteAll_->setEnabled(any);
  if (print_ != nullptr) print_->setEnabled(selected);
  if (register_ != nullptr) register_->setEnabled(!preview_.Empty() && keyCode_->text().size() == 2);
}

void CLogoView::UpdatePreview() {
  if (previewLabel_ == nullptr) return;
  using namespace logo_str;
  const int paperDots = PaperDots();
  fitToPaper_->setText(plat::ToQString(
      Fill(Str(kFitToPaper, u"Scale down to the paper &width (%s dots)"), plat::FormatInt(paperDots))));
  if (picture_.isNull()) {
    preview_ = {};
    previewLabel_->clear();
    previewLabel_->resize(0, 0);
    previewSize_->clear();
  } else {
    logo::ConversionOptions options;
    options.paperDots = paperDots;
    options.fitToPaper = fitToPaper_->isChecked();
    options.brightness = brightness_->value();
    options.conversion = static_cast<logo::Conversion>(conversion_->currentData().toInt());
    preview_ = logo::ConvertPicture(picture_, options);
    previewLabel_->setPixmap(QPixmap::fromImage(logo::BitmapImage(preview_)));
    previewLabel_->resize(preview_.width, preview_.height);
    previewSize_->setText(plat::ToQString(
        Fill(Fill(Str(kPreviewSize, u"%s dots, %s bytes"),
                  plat::FormatInt(preview_.width) + u" × " + plat::FormatInt(preview_.height)),
             Number(preview_.data.size()))));
  }
  UpdateButtons();
}

bool CLogoView::OpenPicture(const std::u16string& path) {
  QImage picture;
  const logo::PictureLoad load = logo::LoadPicture(plat::ToQString(path), &picture);
  if (load != logo::PictureLoad::kOk) {
    const std::u16string reason =
        load == logo::PictureLoad::kTooLarge
            ? Msg(logo_msg::kPictureTooLarge, u"The picture is too large to be read.")
            : Msg(logo_msg::kNotPicture, u"The file is not a picture that can be read (PNG, BMP, JPEG or GIF).");
    ShowWarningMessage(this, (reason + u"\n" + Msg(logo_msg::kNothingSent, u"Nothing was sent to the printer.")).c_str());
    return false;
  }
  picture_ = std::move(picture);
  if (pictureName_ != nullptr) pictureName_->setText(plat::ToQString(path));
  UpdatePreview();
  return true;
}

std::u16string CLogoView::FitProblem(const logo::MonoBitmap& bitmap, std::optional<logo::KeyCode> replacing) {
  using namespace logo_msg;
  const int paperDots = PaperDots();
  std::optional<std::uint64_t> freeBytes = FreeBytes();
  // A logo that replaces one of the same key code gets that one's memory back.
  if (freeBytes && replacing) {
    if (const std::optional<logo::MonoBitmap> old = Thumbnail(*replacing)) *freeBytes += old->data.size();
  }
  switch (logo::CheckLogoFits(bitmap, paperDots, freeBytes)) {
    case logo::LogoFit::kOk: return {};
    case logo::LogoFit::kTooWide:
      return Fill(Fill(Msg(kTooWide, u"The logo is %s dots wide, but the paper takes at most %s dots."),
                       plat::FormatInt(bitmap.width)),
                  plat::FormatInt(std::min(paperDots, logo::kMaxWidthDots)));
    case logo::LogoFit::kTooTall:
      return Fill(Fill(Msg(kTooTall, u"The logo is %s dots high, but the printer takes at most %s dots."),
                       plat::FormatInt(bitmap.height)),
                  plat::FormatInt(logo::kMaxHeightDots));
    case logo::LogoFit::kTooLargeForMemory:
      return Fill(Fill(Msg(kTooLargeForMemory,
                           u"The logo needs %s bytes, but only %s bytes of the printer's logo memory are free."),
                       Number(bitmap.data.size())),
                  Number(freeBytes.value_or(0)));
  }
  return {};
}

bool CLogoView::RunPrinterJob(const std::function<PrinterOutcome()>& work, PrinterOutcome& outcome) {
  outcome = PrinterOutcome::kNoAnswer;
  const bool ran = ::RunPrinterJob(*this, [&](IXJComm*) { outcome = work(); });
  if (!ran) {
    // The printer's state forbade the job (offline, or another job runs).
    ShowWarningMessage(this, (CannotCommunicateText(texts_) + u"\n" +
                              Msg(logo_msg::kNothingSent, u"Nothing was sent to the printer."))
                                 .c_str());
  }
  return ran;
}

bool CLogoView::ReportNoAnswer() {
  ShowWarningMessage(this, Msg(logo_msg::kNoAnswer, u"The printer does not answer.").c_str());
  return false;
}

bool CLogoView::Refresh() {
  if (IsFileMode()) return false;
  AppSettingsBlock* block = SettingsBlock();
  logo::PrinterLogos logos = state_->Logos();
  PrinterOutcome outcome = PrinterOutcome::kNoAnswer;
  if (!RunPrinterJob([&] { return logo::ReadPrinterLogos(block->xjc, logos); }, outcome)) return false;
  if (outcome == PrinterOutcome::kNoAnswer) return ReportNoAnswer();
  state_->Store(logos, outcome == PrinterOutcome::kOk);
  // Copies of logos the printer no longer has would show under a new logo's key code.
  if (outcome == PrinterOutcome::kOk) Copies().KeepOnly(logos.keys);
  LoadState();
  if (outcome != PrinterOutcome::kOk) {
    ShowWarningMessage(
        this, Msg(logo_msg::kListNotRead, u"The logos stored in the printer could not all be read.").c_str());
    return false;
  }
  return true;
}

bool CLogoView::StoreInFile(logo::KeyCode key) {
  std::vector<logo::StoredLogo> logos = fileLogos_;
  auto same = std::find_if(logos.begin(), logos.end(), [&](const logo::StoredLogo& l) { return l.key == key; });
  if (same != logos.end()) {
    same->bitmap = preview_;
  } else {
    logos.push_back({key, preview_});
  }
  const AppSettingsBlock* block = SettingsBlock();
  const std::u16string path(block != nullptr ? plat::FieldText(block->logoPath) : std::u16string_view());
  if (path.empty() || !logo::WriteLogoFile(path, logos)) {
    ShowWarningMessage(this, Msg(logo_msg::kLogoFileFailed, u"The logo could not be kept for the settings file.").c_str());
    return false;
  }
  fileLogos_ = std::move(logos);
  LoadState();
  ShowInfoMessage(this, Fill(Msg(logo_msg::kStoredForFile, u"The logo %s will be written into the settings file."),
                             logo::KeyCodeText(key))
                            .c_str());
  return true;
}

bool CLogoView::Register() {
  using namespace logo_msg;
  if (coupon_ || preview_.Empty() || keyCode_ == nullptr) return false;
  const std::u16string nothingSent = Msg(kNothingSent, u"Nothing was sent to the printer.");
  const std::optional<logo::KeyCode> key = logo::ParseKeyCode(plat::FromQString(keyCode_->text()));
  if (!key) {
    const std::u16string reason =
        AutomaticKeyCodes()
            ? Msg(kNoFreeKeyCode, u"Every key code is in use. Delete a logo first.")
            : Msg(kBadKeyCode, u"A key code is two characters: letters, digits, blanks or signs (ASCII 32 to 126).");
    ShowWarningMessage(this, (reason + u"\n" + nothingSent).c_str());
    return false;
  }
  const std::vector<logo::KeyCode> keys = CurrentKeys();
  const bool replacing = std::find(keys.begin(), keys.end(), *key) != keys.end();
  const std::u16string problem = FitProblem(preview_, replacing ? key : std::nullopt);
  if (!problem.empty()) {
    ShowWarningMessage(this, (problem + u"\n" + nothingSent).c_str());
    return false;
  }
  if (replacing) {
    const std::u16string question =
        Fill(Msg(kReplaceQuestion, u"A logo with the key code %s is stored already. Replace it?"), logo::KeyCodeText(*key));
    if (plat::ShowMessageBox(this, question, kUtilityCaption, plat::MB_YESNO | plat::MB_ICONQUESTION) != plat::IDYES) {
      return false;
    }
  }
  if (IsFileMode()) return StoreInFile(*key);

  AppSettingsBlock* block = SettingsBlock();
  const logo::MonoBitmap bitmap = preview_;
  logo::PrinterLogos after = state_->Logos();
  PrinterOutcome outcome = PrinterOutcome::kNoAnswer;
  if (!RunPrinterJob([&] { return logo::RegisterLogo(block->xjc, *key, bitmap, after); }, outcome)) return false;
  if (outcome == PrinterOutcome::kNoAnswer) return ReportNoAnswer();
  state_->Store(after, true);
  if (outcome == PrinterOutcome::kOk) Copies().Save(*key, bitmap);
  LoadState();
  if (outcome != PrinterOutcome::kOk) {
    ShowWarningMessage(this, Msg(kNotTaken, u"The printer did not take the logo.").c_str());
    return false;
  }
  SelectKey(*key);
  ShowInfoMessage(
      this, Fill(Msg(kRegistered, u"The logo was registered under the key code %s."), logo::KeyCodeText(*key)).c_str());
  return true;
}

bool CLogoView::DeleteSelected() {
  const std::optional<logo::KeyCode> key = SelectedKey();
  if (coupon_ || !key) return false;
  if (IsFileMode()) {
    std::vector<logo::StoredLogo> logos = fileLogos_;
    std::erase_if(logos, [&](const logo::StoredLogo& l) { return l.key == *key; });
    if (!logo::WriteLogoFile(plat::FieldText(SettingsBlock()->logoPath), logos)) {
      ShowWarningMessage(this, Msg(logo_msg::kLogoFileFailed, u"The logo could not be kept for the settings file.").c_str());
      return false;
    }
    fileLogos_ = std::move(logos);
    LoadState();
    return true;
  }
  AppSettingsBlock* block = SettingsBlock();
  logo::PrinterLogos after = state_->Logos();
  PrinterOutcome outcome = PrinterOutcome::kNoAnswer;
  if (!RunPrinterJob([&] { return logo::DeleteLogos(block->xjc, key, after); }, outcome)) return false;
  if (outcome == PrinterOutcome::kNoAnswer) return ReportNoAnswer();
  state_->Store(after, true);
  if (std::find(after.keys.begin(), after.keys.end(), *key) == after.keys.end()) Copies().Remove(*key);
  LoadState();
  if (outcome != PrinterOutcome::kOk) {
    ShowWarningMessage(this, Msg(logo_msg::kNotDeleted, u"The printer did not delete the logo.").c_str());
    return false;
  }
  return true;
}

bool CLogoView::DeleteAll() {
  if (coupon_ || list_ == nullptr || list_->count() == 0) return false;
  const std::u16string question = Msg(logo_msg::kDeleteAllQuestion,
                                      IsFileMode() ? u"Remove every logo from the settings file?"
                                                   : u"Delete every logo stored in the printer?");
  if (plat::ShowMessageBox(this, question, kUtilityCaption, plat::MB_YESNO | plat::MB_ICONQUESTION) != plat::IDYES) {
    return false;
  }
  if (IsFileMode()) {
    if (!logo::WriteLogoFile(plat::FieldText(SettingsBlock()->logoPath), {})) {
      ShowWarningMessage(this, Msg(logo_msg::kLogoFileFailed, u"The logo could not be kept for the settings file.").c_str());
      return false;
    }
    fileLogos_.clear();
    LoadState();
    return true;
  }
  AppSettingsBlock* block = SettingsBlock();
  logo::PrinterLogos after = state_->Logos();
  PrinterOutcome outcome = PrinterOutcome::kNoAnswer;
  if (!RunPrinterJob([&] { return logo::DeleteLogos(block->xjc, std::nullopt, after); }, outcome)) return false;
  if (outcome == PrinterOutcome::kNoAnswer) return ReportNoAnswer();
  state_->Store(after, true);
  if (outcome == PrinterOutcome::kOk) Copies().KeepOnly(after.keys);
  LoadState();
  if (outcome != PrinterOutcome::kOk) {
    ShowWarningMessage(this, Msg(logo_msg::kNotDeleted, u"The printer did not delete the logo.").c_str());
    return false;
  }
  return true;
}

bool CLogoView::PrintSelected() {
  const std::optional<logo::KeyCode> key = SelectedKey();
  if (!key || IsFileMode()) return false;
  const int copies = copies_ != nullptr ? copies_->value() : 1;
  AppSettingsBlock* block = SettingsBlock();
  PrinterOutcome outcome = PrinterOutcome::kNoAnswer;
  if (!RunPrinterJob([&] { return logo::PrintLogo(block->xjc, *key, copies); }, outcome)) return false;
  if (outcome == PrinterOutcome::kNoAnswer) return ReportNoAnswer();
  return true;
}
