#include "ui/DebugLogWindow.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

namespace {
// psftp ends lines with CR LF or LF; the log shows each as one line break.
QString NormalisedLineEnds(QString Text) {
  Text.replace("\r\n", "\n");
  Text.replace('\r', '\n');
  return Text;
}
}  // namespace

TDebugLogWindow::TDebugLogWindow(QWidget* Parent) : QDialog(Parent) {
  setWindowTitle(tr("Debug"));
  setFixedSize(810, 487);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  FDebugEdit = new QPlainTextEdit(this);
  FDebugEdit->setObjectName("DebugEdit");
  QFont font("Courier New", 10);
  font.setStyleHint(QFont::TypeWriter);
  FDebugEdit->setFont(font);
  FDebugEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
  FDebugEdit->setUndoRedoEnabled(false);
  layout->addWidget(FDebugEdit);
}

QString TDebugLogWindow::Text() const { return FDebugEdit->toPlainText(); }

void TDebugLogWindow::AppendText(const QString& Text) {
  QTextCursor cursor(FDebugEdit->document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(NormalisedLineEnds(Text));
}

// The last block is empty exactly when the log is empty or ends with a line
// end; asking it stays cheap however long the log grows.
bool TDebugLogWindow::EndsInsideLine() const {
  return !FDebugEdit->document()->lastBlock().text().isEmpty();
}

void TDebugLogWindow::AddLine(const QString& S) {
  AppendText((EndsInsideLine() ? "\n" : "") + S + "\n");
}

void TDebugLogWindow::showEvent(QShowEvent* Event) {
  QDialog::showEvent(Event);
  FDebugEdit->verticalScrollBar()->setValue(FDebugEdit->verticalScrollBar()->maximum());
}
