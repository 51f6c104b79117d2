// The connect dialog's saved passwords in the desktop keyring.
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "core/Exception.h"
#include "store/Servers.h"
#include "store/Settings.h"
#include "ui/ConnectDialog.h"
#include "ui/PasswordKeyring.h"

namespace {
const char* const AgentHint = "Leave empty to use your SSH agent or key";
const char* const ReadingHint = "Reading the keyring...";
}  // namespace

void TConnectDialog::SetKeyring(TPasswordKeyring* Keyring) {
  StopReadingKeyring();
  delete FKeyring;
  FKeyring = Keyring;
  if (FKeyring) FKeyring->setParent(this);
}

// Connect waits for the answer, normally a moment and at most the keyring's
// timeout: connecting without it would leave psftp to ask for the password,
// and saving the host then would take its password out of the keyring.
void TConnectDialog::ReadKeyringPassword(const QString& Name) {
  const int read = ++FKeyringRead;
  SetReadingKeyring(true);
  FKeyring->Read(Name, [this, read](TPasswordKeyring::TAnswer Answer, const QByteArray& Password) {
    if (read != FKeyringRead) return;
    SetReadingKeyring(false);
    if (Answer != TPasswordKeyring::TAnswer::Found || Password.isEmpty()) return;
    PasswordEdit->setText(QString::fromLocal8Bit(Password));
    if (SavePasswordBox->isEnabled()) SavePasswordBox->setChecked(true);
  });
}

void TConnectDialog::StopReadingKeyring() {
  ++FKeyringRead;
  SetReadingKeyring(false);
}

void TConnectDialog::SetReadingKeyring(bool Reading) {
  FReadingKeyring = Reading;
  ConnectButton->setEnabled(!Reading);
  PasswordEdit->setPlaceholderText(Reading ? ReadingHint : AgentHint);
}

// Save has already written the host without a password. An empty one (not
// saved, or none typed) takes the host's entry out of the keyring.
void TConnectDialog::StorePassword(const QString& Name, const QByteArray& Password) {
  const int change = ++FPasswordChange[Name];
  if (Password.isEmpty()) return FKeyring->Remove(Name, [](bool) {});
  FKeyring->Write(Name, Password, [this, Name, Password, change](bool Stored) {
    if (!Stored && FPasswordChange[Name] == change) KeepPasswordInFile(Name, Password);
  });
}

void TConnectDialog::ForgetPassword(const QString& Name) {
  ++FPasswordChange[Name];
  if (FKeyring) FKeyring->Remove(Name, [](bool) {});
}

// The dialog has closed by now; the password goes where it went before
// there was a keyring, and the user hears of it once.
void TConnectDialog::KeepPasswordInFile(const QString& Name, const QByteArray& Password) {
  try {
    TServers::WritePassword(Name, Password);
  } catch (const Exception& e) {
    return ShowError(e.Message());
  }
  bool told = false;
  try {
    told = FSettings.Get(TSettingKeys::PasswordFileNoticeShown);
  } catch (const Exception&) {
    // A damaged value tells nothing; the notice is shown and stored anew.
  }
  if (told) return;
  ShowNotice(QString("No keyring answered, so the password for %1 is kept in %2, scrambled but not "
                     "encrypted, in a file readable by you alone.")
                 .arg(Name, TServers::FileName()));
  try {
    FSettings.Set(TSettingKeys::PasswordFileNoticeShown, true);
  } catch (const Exception&) {
    // Not worth an error box of its own: at worst the notice comes again.
  }
}

// Not modal: the dialog it concerns has closed, and nothing waits for it.
void TConnectDialog::ShowNotice(const QString& Text) {
  if (FNoticeHook) return FNoticeHook(Text);
  auto* box = new QMessageBox(QMessageBox::Information, "Quillery", Text, QMessageBox::Ok);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->show();
}
