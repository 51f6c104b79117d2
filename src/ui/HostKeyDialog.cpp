#include "ui/HostKeyDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

namespace {
const QString kBreachTitle = "WARNING - POTENTIAL SECURITY BREACH!";

QString Details(const THostKeyRequest& Request) {
  QString details = QString("Host: %1\nPort: %2\nKey type: %3\nFingerprint: %4")
                        .arg(Request.Host)
                        .arg(Request.Port)
                        .arg(Request.KeyType, Request.Fingerprint);
  if (!Request.KnownFingerprint.isEmpty())
    details += "\nFingerprint in ~/.ssh/known_hosts: " + Request.KnownFingerprint;
  return details;
}
}  // namespace

THostKeyDialog::THostKeyDialog(QWidget* Parent) : QDialog(Parent) {
  setWindowTitle(tr("Host Key"));
  setWindowModality(Qt::WindowModal);

  FIcon = new QLabel(this);
  FTitle = new QLabel(this);
  FTitle->setObjectName("TitleLabel");
  QFont titleFont = FTitle->font();
  titleFont.setBold(true);
  FTitle->setFont(titleFont);
  FText = new QLabel(this);
  FText->setWordWrap(true);
  FDetails = new QLabel(this);
  FDetails->setObjectName("DetailsLabel");
  FDetails->setTextInteractionFlags(Qt::TextSelectableByMouse);
  QFont mono("monospace");
  mono.setStyleHint(QFont::TypeWriter);
  FDetails->setFont(mono);

  FTrust = new QPushButton(tr("Trust and connect"), this);
  FOnce = new QPushButton(tr("Connect once"), this);
  FCancel = new QPushButton(tr("Cancel"), this);
  connect(FTrust, &QPushButton::clicked, this, [this] { Choose(THostKeyAnswer::Trust); });
  connect(FOnce, &QPushButton::clicked, this, [this] { Choose(THostKeyAnswer::Once); });
  connect(FCancel, &QPushButton::clicked, this, [this] { Choose(THostKeyAnswer::Abandon); });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(FTrust);
  buttons->addWidget(FOnce);
  buttons->addWidget(FCancel);
  auto* layout = new QGridLayout(this);
  layout->addWidget(FIcon, 0, 0, 3, 1, Qt::AlignTop);
  layout->addWidget(FTitle, 0, 1);
  layout->addWidget(FText, 1, 1);
  layout->addWidget(FDetails, 2, 1);
  layout->addLayout(buttons, 3, 0, 1, 2);
  layout->setColumnStretch(1, 1);
  setMinimumWidth(460);
}

void THostKeyDialog::Ask(const THostKeyRequest& Request) {
  FChoice = THostKeyAnswer::Abandon;
  FAwaitingAnswer = true;
  if (Request.Kind == THostKeyRequest::hkWeakCrypto)
    ShowWeakCryptoQuestion(Request);
  else
    ShowKeyQuestion(Request);
  adjustSize();
  open();
}

void THostKeyDialog::ShowKeyQuestion(const THostKeyRequest& Request) {
  const bool changed = Request.Kind == THostKeyRequest::hkChangedKey;
  const QStyle::StandardPixmap icon =
      changed ? QStyle::SP_MessageBoxWarning : QStyle::SP_MessageBoxQuestion;
  FIcon->setPixmap(style()->standardIcon(icon).pixmap(48, 48));
  FTitle->setText(changed ? kBreachTitle : tr("Unknown host key"));
  FTitle->setStyleSheet(changed ? "color: #d00000;" : "");
  FText->setText(
      changed ? tr("The host key this server presents is not the one remembered for it%1. "
                   "Either its administrator has changed the key, or another computer is "
                   "pretending to be this server. Trust the new key only if you know why "
                   "it changed.")
                    .arg(Request.KnownFingerprint.isEmpty()
                             ? QString()
                             : tr(" in your OpenSSH known hosts (~/.ssh/known_hosts)"))
              : tr("This server's host key is not known yet, so there is no guarantee that "
                   "the server is the computer you think it is. Compare the fingerprint with "
                   "the one its administrator gave you."));
  FDetails->setText(Details(Request));
  FDetails->show();
  FTrust->show();
  FOnce->setText(tr("Connect once"));
  // For a changed key a stray Enter must not trust it.
  QPushButton* preferred = changed ? FCancel : FTrust;
  for (QPushButton* button : {FTrust, FOnce, FCancel}) button->setDefault(button == preferred);
  preferred->setFocus();
}

void THostKeyDialog::ShowWeakCryptoQuestion(const THostKeyRequest& Request) {
  FIcon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(48, 48));
  FTitle->setText(tr("Weak encryption"));
  FTitle->setStyleSheet("");
  FText->setText(Request.Text);
  FDetails->hide();
  FTrust->hide();
  FOnce->setText(tr("Continue"));
  for (QPushButton* button : {FTrust, FOnce, FCancel}) button->setDefault(button == FCancel);
  FCancel->setFocus();
}

void THostKeyDialog::Choose(THostKeyAnswer Answer) {
  FChoice = Answer;
  if (Answer == THostKeyAnswer::Abandon)
    reject();
  else
    accept();
}

void THostKeyDialog::done(int Result) {
  QDialog::done(Result);
  if (!FAwaitingAnswer) return;
  FAwaitingAnswer = false;
  emit Answered(FChoice);
}
