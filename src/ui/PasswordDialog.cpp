#include "ui/PasswordDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TPasswordDialog::TPasswordDialog(QWidget* Parent) : QDialog(Parent) {
  setWindowTitle(tr("Password"));
  setWindowModality(Qt::WindowModal);
  FPrompt = new QLabel(this);
  FPasswordEdit = new QLineEdit(this);
  FPasswordEdit->setObjectName("PasswordEdit");
  FPasswordEdit->setEchoMode(QLineEdit::Password);
  FOk = new QPushButton(tr("OK"), this);
  FOk->setDefault(true);
  FCancel = new QPushButton(tr("Cancel"), this);
  connect(FOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(FCancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(FOk);
  buttons->addWidget(FCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FPrompt);
  layout->addWidget(FPasswordEdit);
  layout->addLayout(buttons);
  setMinimumWidth(320);
}

void TPasswordDialog::Ask(const TPasswordRequest& Request) {
  const bool passphrase = Request.Kind == TPasswordRequest::TKind::Passphrase;
  setWindowTitle(passphrase ? tr("Passphrase") : tr("Password"));
  const QString prompt = Request.Prompt.trimmed();
  FPrompt->setText(Request.Warning.isEmpty() ? prompt : Request.Warning + ".\n" + prompt);
  FPasswordEdit->clear();
  FAwaitingAnswer = true;
  open();
  FPasswordEdit->setFocus();
}

void TPasswordDialog::done(int Result) {
  QDialog::done(Result);
  // The typed password is not kept in the window once it has been handed on.
  const QByteArray password = FPasswordEdit->text().toLocal8Bit();
  FPasswordEdit->clear();
  if (!FAwaitingAnswer) return;
  FAwaitingAnswer = false;
  if (Result == QDialog::Accepted)
    emit Answered(password);
  else
    emit Cancelled();
}
