#include "plugins/common/PageParts.h"

#include <QFont>
#include <QLabel>
#include <QVBoxLayout>

#include "lang/CLangResTable.h"
#include "plugins/common/PageTexts.h"

namespace {
constexpr double kTitleScale = 1.25;
}  // namespace

PageHeading AddPageHeading(QWidget* page, QVBoxLayout* layout, const QString& title, const QString& description) {
  PageHeading heading;
  heading.title = new QLabel(title, page);
  QFont titleFont = heading.title->font();
  titleFont.setBold(true);
  titleFont.setPointSizeF(titleFont.pointSizeF() * kTitleScale);
  heading.title->setFont(titleFont);
  layout->addWidget(heading.title);
  heading.description = new QLabel(description, page);
  heading.description->setWordWrap(true);
  layout->addWidget(heading.description);
  return heading;
}

std::u16string CannotCommunicateText(const CLangResTable& texts) {
  std::u16string text;
  if (texts.GetCommonMessageText(kCommonMsgCannotCommunicate, text) == LangResult::kLangOk && !text.empty()) {
    return text;
  }
  return std::u16string(kDefaultCannotCommunicateText);
}
