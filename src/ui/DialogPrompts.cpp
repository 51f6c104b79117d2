#include "ui/DialogPrompts.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "ui/SaveAsDialog.h"

void TDialogPrompts::Inform(TTone Tone, const QString& Text) {
  if (Tone == TTone::Error)
    QMessageBox::critical(FParent, "Error", Text);
  else
    QMessageBox::information(FParent, "Quillery", Text);
}

bool TDialogPrompts::Confirm(const QString& Text) {
  return QMessageBox::question(FParent, "Confirm", Text, QMessageBox::Yes | QMessageBox::No) ==
         QMessageBox::Yes;
}

namespace {
// The platform's own buttons where an answer is one of theirs, so they read
// and sit as the person expects; a destructive answer is marked as such.
QAbstractButton* AddAnswer(QMessageBox& Box, const QString& Answer) {
  if (Answer == "Yes") return Box.addButton(QMessageBox::Yes);
  if (Answer == "No") return Box.addButton(QMessageBox::No);
  if (Answer == "Cancel") return Box.addButton(QMessageBox::Cancel);
  if (Answer == "Overwrite" || Answer == "Replace")
    return Box.addButton(Answer, QMessageBox::DestructiveRole);
  return Box.addButton(Answer, QMessageBox::ActionRole);
}
}  // namespace

int TDialogPrompts::Choose(const TChoice& Choice) {
  QMessageBox box(Choice.Tone == TTone::Error ? QMessageBox::Warning : QMessageBox::Question,
                  Choice.Title, Choice.Text, QMessageBox::NoButton, FParent);
  QList<QAbstractButton*> buttons;
  for (const QString& answer : Choice.Answers) buttons << AddAnswer(box, answer);
  if (Choice.Default >= 0 && Choice.Default < buttons.size())
    box.setDefaultButton(static_cast<QPushButton*>(buttons[Choice.Default]));
  if (Choice.Escape >= 0 && Choice.Escape < buttons.size())
    box.setEscapeButton(buttons[Choice.Escape]);
  box.exec();
  const int index = int(buttons.indexOf(box.clickedButton()));
  return index >= 0 ? index : Choice.Escape;
}

std::optional<QString> TDialogPrompts::AskText(const QString& Title, const QString& Label) {
  if (!FTextDialog) return std::nullopt;
  FTextDialog->setWindowTitle(Title);
  Q_UNUSED(Label);  // the dialog has its own label, "Filename:"
  if (FTextDialog->exec() != QDialog::Accepted) return std::nullopt;
  return FTextDialog->FileNameEdit()->text();
}

std::optional<QString> TDialogPrompts::AskFile(const QString& Title) {
  const QString path = QFileDialog::getOpenFileName(FParent, Title);
  if (path.isEmpty()) return std::nullopt;
  return path;
}

// The name before its extension is what a rename usually changes, so that
// part is selected, as file managers do; a name with no extension, or one
// that is all extension (".htaccess"), is selected whole.
std::optional<QString> TDialogPrompts::AskName(const QString& Title, const QString& Label,
                                               const QString& Value) {
  QInputDialog dialog(FParent);
  dialog.setWindowTitle(Title);
  dialog.setLabelText(Label);
  dialog.setTextValue(Value);
  const qsizetype dot = Value.lastIndexOf('.');
  QTimer::singleShot(0, &dialog, [&dialog, dot, &Value] {
    if (auto* edit = dialog.findChild<QLineEdit*>())
      edit->setSelection(0, int(dot > 0 ? dot : Value.size()));
  });
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.textValue();
}

QStringList TDialogPrompts::AskFiles(const QString& Title) {
  return QFileDialog::getOpenFileNames(FParent, Title);
}

std::optional<QString> TDialogPrompts::AskSaveFile(const QString& Title, const QString& Name) {
  const QString path = QFileDialog::getSaveFileName(FParent, Title, Name);
  if (path.isEmpty()) return std::nullopt;
  return path;
}
