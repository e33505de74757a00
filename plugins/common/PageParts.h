#pragma once
// Parts every page of ours shows the same way: the heading (a larger bold title and a
// wrapped description) and the text for a printer the program may not talk to now.
// UI thread.
#include <QString>
#include <string>

class CLangResTable;
class QLabel;
class QVBoxLayout;
class QWidget;

struct PageHeading {
  QLabel* title = nullptr;
  QLabel* description = nullptr;
};

// Adds the heading of page to layout.
PageHeading AddPageHeading(QWidget* page, QVBoxLayout* layout, const QString& title, const QString& description);

// The common message "Cannot communicate with the printer." of texts, or its English
// default.
std::u16string CannotCommunicateText(const CLangResTable& texts);
