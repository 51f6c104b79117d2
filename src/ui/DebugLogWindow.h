#pragma once

#include <QDialog>

class QPlainTextEdit;

// The debug log: every piece of psftp's output, every command written and a
// few progress lines. Only ever appended to; shown modally by Ctrl+Alt+D.
class TDebugLogWindow : public QDialog {
  Q_OBJECT
 public:
  explicit TDebugLogWindow(QWidget* Parent = nullptr);

  QPlainTextEdit* DebugEdit() const { return FDebugEdit; }
  QString Text() const;
  // Appends Text as it is, line ends included.
  void AppendText(const QString& Text);
  // Adds S as one new last line.
  void AddLine(const QString& S);

 protected:
  void showEvent(QShowEvent* Event) override;

 private:
  bool EndsInsideLine() const;

  QPlainTextEdit* FDebugEdit;
};
