#pragma once
// The small window without buttons shown modally while an external tool runs ("Paring",
// "Run NorveNet Config"). The user cannot close it: it ends when its owner calls Finish,
// after the tool's process has ended. UI thread only.
#include <QDialog>

class QLabel;

class ToolRunningDlg : public QDialog {
  Q_OBJECT
 public:
  // templateId: the window's number (7008 pairing, 7009 network tool); textId: the
  // number of its one static text. title and text are the template's texts.
  ToolRunningDlg(int templateId, const QString& title, int textId, const QString& text, QWidget* parent);

  // Sets the title and the static text.
  void SetTexts(const QString& title, const QString& text);
  // Ends the window (also before it was shown, in which case Run returns at once).
  void Finish();
  // Shows the window modally until Finish.
  void Run();

  QLabel* TextLabel() const { return text_; }

 public slots:
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QLabel* text_;
  bool finished_ = false;
};
