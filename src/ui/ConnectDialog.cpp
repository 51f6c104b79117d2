#include "ui/ConnectDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

#include "core/Exception.h"
#include "store/Servers.h"
#include "store/Settings.h"
#include "ui/PortNumber.h"

namespace {
const int LabelOffset = 16;  // a label stands this far above its edit
const int SideButtonLeft = 304;
const int SideButtonWidth = 75;

// A path typed as "~/..." means the home folder, as in a shell; psftp takes
// it as it is and would look for a folder named "~".
QString ExpandHome(const QString& Path) {
  return Path.startsWith("~/") ? QDir::homePath() + Path.mid(1) : Path;
}
}  // namespace

TConnectDialog::TConnectDialog(TSettings& Settings, TServers& Servers, QWidget* Parent)
    : QDialog(Parent), FSettings(Settings), FServers(Servers) {
  setWindowTitle("Connect to Host");
  setFixedSize(396, 467);
  CreateControls();
  LayOutControls();
  SetReadingKeyring(false);
  connect(HostsBox, qOverload<int>(&QComboBox::activated), this, [this] { HostsBoxChange(); });
  connect(HostsBox, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int Index) {
    RemoveButton->setEnabled(Index >= 0 && OpenSshAlias(Index).isEmpty());
  });
  HostsBox->installEventFilter(this);
  connect(RemoveButton, &QPushButton::clicked, this, [this] { RemoveButtonClick(); });
  // What the user types wins over a keyring answer still to come.
  connect(PasswordEdit, &QLineEdit::textEdited, this, [this] {
    if (FReadingKeyring) StopReadingKeyring();
  });
  connect(BrowseButton, &QPushButton::clicked, this, [this] { BrowseButtonClick(); });
  connect(SaveHostBox, &QCheckBox::toggled, this, [this] { SaveHostBoxClick(); });
  connect(ConnectButton, &QPushButton::clicked, this, [this] { ConnectButtonClick(); });
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

QLineEdit* TConnectDialog::AddLabelledEdit(const QString& Caption, int Left, int Top, int Width) {
  auto* edit = new QLineEdit(this);
  edit->setGeometry(Left, Top, Width, edit->sizeHint().height());
  auto* label = new QLabel(Caption, this);
  label->move(Left, Top - LabelOffset);
  label->setBuddy(edit);
  return edit;
}

void TConnectDialog::CreateHostControls() {
  SavedHostsLabel = new QLabel("Saved hosts:", this);
  SavedHostsLabel->move(24, 40 - LabelOffset);
  HostsBox = new QComboBox(this);
  HostsBox->setEditable(false);
  HostsBox->setGeometry(24, 40, 265, HostsBox->sizeHint().height());
  SavedHostsLabel->setBuddy(HostsBox);
  RemoveButton = new QPushButton("Remove", this);
  RemoveButton->setGeometry(SideButtonLeft, 40, SideButtonWidth, HostsBox->height());
  RemoveButton->setEnabled(false);
}

void TConnectDialog::CreateControls() {
  CreateHostControls();
  HostNameEdit = AddLabelledEdit("Host name:", 26, 112, 265);
  PortEdit = AddLabelledEdit("Port", 312, 112, 57);
  PortEdit->setText("22");
  UserNameEdit = AddLabelledEdit("Username:", 24, 160, 265);
  PasswordEdit = AddLabelledEdit("Password:", 24, 216, 265);
  PasswordEdit->setEchoMode(QLineEdit::Password);
  PasswordEdit->setStyleSheet("lineedit-password-character: 42");  // '*'
  PrivateKeyEdit = AddLabelledEdit("Private key:", 24, 272, 265);
  BrowseButton = new QPushButton("Browse...", this);
  BrowseButton->setGeometry(SideButtonLeft, 272, SideButtonWidth, PrivateKeyEdit->height());
  StartingDirEdit = AddLabelledEdit("Starting directory:", 24, 328, 265);
  ConnectButton = new QPushButton("Connect", this);
  ConnectButton->setGeometry(216, 425, 75, 25);
  ConnectButton->setDefault(true);
  CancelButton = new QPushButton("Cancel", this);
  CancelButton->setGeometry(304, 425, 75, 25);
  SaveHostBox = new QCheckBox("Save host", this);
  SaveHostBox->move(24, 368);
  SavePasswordBox = new QCheckBox("Save password", this);
  SavePasswordBox->move(24, 391);
  SavePasswordBox->setEnabled(false);
}

void TConnectDialog::LayOutControls() {
  const QList<QWidget*> order{HostsBox,        RemoveButton,  HostNameEdit,   PortEdit,
                              UserNameEdit,    PasswordEdit,  PrivateKeyEdit, BrowseButton,
                              StartingDirEdit, ConnectButton, CancelButton,   SaveHostBox,
                              SavePasswordBox};
  for (qsizetype i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
  for (QLabel* label : findChildren<QLabel*>()) label->adjustSize();
  for (QCheckBox* box : {SaveHostBox, SavePasswordBox}) box->adjustSize();
}

TConnectValues TConnectDialog::Values() const {
  TConnectValues values;
  values.HostName = HostNameEdit->text().toLocal8Bit();
  values.UserName = UserNameEdit->text().toLocal8Bit();
  values.Password = PasswordEdit->text().toLocal8Bit();
  values.StartingDir = StartingDirEdit->text().toLocal8Bit();
  values.Port = PortNumber;
  values.PrivateKeyFile = ExpandHome(PrivateKeyEdit->text());
  values.ProxyJump = FProxyJump;
  return values;
}

void TConnectDialog::showEvent(QShowEvent* Event) {
  // A spontaneous show is the window system restoring a minimized window,
  // not a new showing of the dialog.
  if (!Event->spontaneous()) FormShow();
  QDialog::showEvent(Event);
}

void TConnectDialog::done(int Result) {
  StopReadingKeyring();
  QDialog::done(Result);
}

// Delete on the closed box removes the saved host shown, as the button does.
bool TConnectDialog::eventFilter(QObject* Watched, QEvent* Event) {
  if (Watched == HostsBox && Event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(Event)->key() == Qt::Key_Delete &&
      static_cast<QKeyEvent*>(Event)->modifiers() == Qt::NoModifier) {
    RemoveButtonClick();
    return true;
  }
  return QDialog::eventFilter(Watched, Event);
}

// A damaged Servers.ini must not lock the user out of connecting: the hosts
// that could be read are offered, and the error is shown once the dialog is
// up, so that it stands in front of the dialog it concerns.
void TConnectDialog::FormShow() {
  const QString loadError = FillHostsBox();
  SelectSavedServer();
  ApplyPrefill();
  if (!loadError.isEmpty())
    QTimer::singleShot(0, this, [this, loadError] { ShowError(loadError); });
}

// Rebuilds the server list from the file and the box from the list; returns
// the load error, if any, after filling the box with the hosts that loaded.
QString TConnectDialog::FillHostsBox() {
  StopReadingKeyring();
  QString loadError;
  try {
    FServers.Load();
  } catch (const Exception& e) {
    loadError = e.Message();
  }
  HostsBox->clear();
  for (int i = 0; i < FServers.Count(); ++i) {
    TServer* server = FServers.GetServer(i);
    HostsBox->addItem(QString::fromLocal8Bit(server->DisplayName()),
                      QVariant::fromValue<void*>(server));
  }
  AddOpenSshHosts();
  HostsBox->setCurrentIndex(HostsBox->count() > 0 ? 0 : -1);
  if (HostsBox->count() > 0) HostsBoxChange();
  return loadError;
}

void TConnectDialog::SelectSavedServer() {
  const QString selected = FSettings.Get(TSettingKeys::SelectedServer);
  if (selected.isEmpty()) return;
  for (int i = 0; i < HostsBox->count(); ++i) {
    if (HostsBox->itemText(i) != selected) continue;
    HostsBox->setCurrentIndex(i);
    HostsBoxChange();
    return;
  }
}

void TConnectDialog::ApplyPrefill() {
  if (!FPrefill) return;
  const TConnectValues values = *FPrefill;
  FPrefill.reset();
  StopReadingKeyring();
  HostsBox->setCurrentIndex(-1);
  HostNameEdit->setText(QString::fromLocal8Bit(values.HostName));
  PortEdit->setText(QString::number(values.Port));
  UserNameEdit->setText(QString::fromLocal8Bit(values.UserName));
  PasswordEdit->setText(QString::fromLocal8Bit(values.Password));
  PrivateKeyEdit->setText(values.PrivateKeyFile);
  StartingDirEdit->setText(QString::fromLocal8Bit(values.StartingDir));
  FProxyJump = values.ProxyJump;
  SaveHostBox->setChecked(false);
}

void TConnectDialog::HostsBoxChange() {
  if (HostsBox->currentIndex() < 0) return;
  FProxyJump.clear();
  if (const QString alias = OpenSshAlias(HostsBox->currentIndex()); !alias.isEmpty())
    return FillFromOpenSsh(alias);
  const auto* server = static_cast<const TServer*>(HostsBox->currentData().value<void*>());
  HostNameEdit->setText(QString::fromLocal8Bit(server->HostName()));
  UserNameEdit->setText(QString::fromLocal8Bit(server->UserName()));
  PasswordEdit->setText(QString::fromLocal8Bit(server->Password()));
  PortEdit->setText(QString::number(server->Port()));
  PrivateKeyEdit->setText(server->PrivateKeyFile());
  StartingDirEdit->setText(QString::fromLocal8Bit(server->StartingDir()));
  SaveHostBox->setChecked(true);  // runs SaveHostBoxClick when it changes
  SavePasswordBox->setChecked(!server->Password().isEmpty());
  // A password in the file was put there when no keyring took it, or by an
  // older Quillery: it is the newer one, and the keyring is not asked.
  if (FKeyring && server->Password().isEmpty())
    ReadKeyringPassword(QString::fromLocal8Bit(server->DisplayName()));
  else
    StopReadingKeyring();
}

void TConnectDialog::SaveHostBoxClick() {
  SavePasswordBox->setEnabled(SaveHostBox->isChecked());
  if (!SaveHostBox->isChecked()) SavePasswordBox->setChecked(false);
}

// The driver uses the port and texts without checking them, so the dialog
// closes with OK only once they have passed the checks below.
void TConnectDialog::ConnectButtonClick() {
  // Held while the keyring is read, as the disabled button is (see
  // ReadKeyringPassword), whatever way the click comes.
  if (FReadingKeyring) return;
  RememberSelectedServer();
  PortNumber = PortNumberFromText(PortEdit->text());
  if (PortNumber < 1 || PortNumber > 65535) return Refuse("Invalid port number", PortEdit);
  const QByteArray hostName = HostNameEdit->text().toLocal8Bit();
  const QByteArray userName = UserNameEdit->text().toLocal8Bit();
  const QByteArray password = PasswordEdit->text().toLocal8Bit();
  if (!CheckInput(hostName, userName)) return;
  if (SaveHostBox->isChecked()) SaveHost(hostName, userName, password);
  accept();
}

// The pick is remembered even when a check refuses the input; failing to
// store it is worth telling but no reason to refuse the connection.
void TConnectDialog::RememberSelectedServer() {
  if (HostsBox->currentIndex() < 0 || HostsBox->currentText().isEmpty()) return;
  try {
    FSettings.Set(TSettingKeys::SelectedServer, HostsBox->currentText());
  } catch (const Exception& e) {
    ShowError(e.Message());
  }
}

// Names are not trimmed: a name of blanks is the user's business.
bool TConnectDialog::CheckInput(const QByteArray& HostName, const QByteArray& UserName) {
  if (HostName.isEmpty()) {
    Refuse("Invalid hostname", HostNameEdit);
    return false;
  }
  if (UserName.isEmpty()) {
    Refuse("Invalid username", UserNameEdit);
    return false;
  }
  return true;
}

// With a keyring, Servers.ini gets no password: the keyring takes it once
// the file is written, or hands it back to the file when it cannot.
void TConnectDialog::SaveHost(const QByteArray& HostName, const QByteArray& UserName,
                              const QByteArray& Password) {
  const QByteArray savedPassword = SavePasswordBox->isChecked() ? Password : QByteArray();
  QString name;
  try {
    const TServer* server =
        UpdateOrAddServer(HostName, UserName, FKeyring ? QByteArray() : savedPassword);
    name = QString::fromLocal8Bit(server->DisplayName());
    FServers.Save();
  } catch (const Exception& e) {
    return ShowError(e.Message());
  }
  if (FKeyring) StorePassword(name, savedPassword);
}

// A saved host is known by its display name: the one found is updated in
// place, keeping its position in the list; otherwise the host goes last.
// The password is saved only when asked for; connecting uses the typed one.
TServer* TConnectDialog::UpdateOrAddServer(const QByteArray& HostName, const QByteArray& UserName,
                                           const QByteArray& Password) {
  const QByteArray startingDir = StartingDirEdit->text().toLocal8Bit();
  TServer* server = FServers.Find(HostName, UserName);
  if (server) {
    server->SetHostName(HostName);
    server->SetUserName(UserName);
    server->SetPassword(Password);
    server->SetStartingDir(startingDir);
    server->SetPort(PortNumber);
  } else {
    server = FServers.Add(HostName, UserName, Password, startingDir, PortNumber);
  }
  server->SetPrivateKeyFile(PrivateKeyEdit->text());
  return server;
}

// The box lists the servers in list order, so its index is the list's.
void TConnectDialog::RemoveButtonClick() {
  const int index = HostsBox->currentIndex();
  if (index < 0 || !OpenSshAlias(index).isEmpty()) return;
  const QString name = HostsBox->itemText(index);
  if (!Confirm(QString("Remove the saved host %1?").arg(name))) return;
  try {
    FServers.Remove(index);
  } catch (const Exception& e) {
    return ShowError(e.Message());
  }
  ForgetPassword(name);
  const QString loadError = FillHostsBox();
  if (!loadError.isEmpty()) ShowError(loadError);
}

// Keys live in ~/.ssh by custom; a key already named starts the search there.
void TConnectDialog::BrowseButtonClick() {
  const QString current = ExpandHome(PrivateKeyEdit->text());
  const QString start = current.isEmpty() ? QDir::homePath() + "/.ssh" : current;
  const QString chosen = FChooseFileHook
                             ? FChooseFileHook(start)
                             : QFileDialog::getOpenFileName(this, "Private key", start,
                                                            "All files (*);;PuTTY keys (*.ppk)");
  if (!chosen.isEmpty()) PrivateKeyEdit->setText(chosen);
}

void TConnectDialog::Refuse(const QString& Message, QLineEdit* Field) {
  ShowError(Message);
  Field->setFocus();
  Field->selectAll();
}

void TConnectDialog::ShowError(const QString& Text) {
  if (FErrorHook)
    FErrorHook(Text);
  else
    QMessageBox::critical(this, "Error", Text);
}

bool TConnectDialog::Confirm(const QString& Question) {
  if (FConfirmHook) return FConfirmHook(Question);
  return QMessageBox::question(this, "Quillery", Question) == QMessageBox::Yes;
}
