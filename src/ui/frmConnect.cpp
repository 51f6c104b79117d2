#include "ui/frmConnect.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

#include "core/Exception.h"
#include "store/MSettings.h"
#include "store/Servers.h"
#include "ui/PortNumber.h"

namespace {
const int LabelOffset = 16;  // a label stands this far above its edit
}  // namespace

TConnectForm::TConnectForm(TSettings& Settings, TServers& Servers, QWidget* Parent)
    : QDialog(Parent), FSettings(Settings), FServers(Servers) {
  setWindowTitle("Connect to Host");
  setFixedSize(396, 411);
  CreateControls();
  LayOutControls();
  connect(HostsBox, qOverload<int>(&QComboBox::activated), this, [this] { HostsBoxChange(); });
  connect(SaveHostBox, &QCheckBox::toggled, this, [this] { SaveHostBoxClick(); });
  connect(ConnectButton, &QPushButton::clicked, this, [this] { ConnectButtonClick(); });
  connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

QLineEdit* TConnectForm::AddLabelledEdit(const QString& Caption, int Left, int Top, int Width) {
  auto* edit = new QLineEdit(this);
  edit->setGeometry(Left, Top, Width, edit->sizeHint().height());
  auto* label = new QLabel(Caption, this);
  label->move(Left, Top - LabelOffset);
  label->setBuddy(edit);
  return edit;
}

void TConnectForm::CreateControls() {
  Label1 = new QLabel("Saved hosts:", this);
  Label1->move(24, 40 - LabelOffset);
  HostsBox = new QComboBox(this);
  HostsBox->setEditable(false);
  HostsBox->setGeometry(24, 40, 353, HostsBox->sizeHint().height());
  Label1->setBuddy(HostsBox);
  HostNameEdit = AddLabelledEdit("Host name:", 26, 112, 265);
  PortEdit = AddLabelledEdit("Port", 312, 112, 57);
  PortEdit->setText("22");
  UserNameEdit = AddLabelledEdit("Username:", 24, 160, 265);
  PasswordEdit = AddLabelledEdit("Password:", 24, 216, 265);
  PasswordEdit->setEchoMode(QLineEdit::Password);
  PasswordEdit->setStyleSheet("lineedit-password-character: 42");  // '*'
  StartingDirEdit = AddLabelledEdit("Starting directory:", 24, 272, 265);
  ConnectButton = new QPushButton("Connect", this);
  ConnectButton->setGeometry(216, 369, 75, 25);
  ConnectButton->setDefault(true);
  Button2 = new QPushButton("Cancel", this);
  Button2->setGeometry(304, 369, 75, 25);
  SaveHostBox = new QCheckBox("Save host", this);
  SaveHostBox->move(24, 312);
  SavePasswordBox = new QCheckBox("Save password", this);
  SavePasswordBox->move(24, 335);
  SavePasswordBox->setEnabled(false);
}

void TConnectForm::LayOutControls() {
  const QList<QWidget*> order{HostsBox,     HostNameEdit,    PortEdit,      UserNameEdit,
                              PasswordEdit, StartingDirEdit, ConnectButton, Button2,
                              SaveHostBox,  SavePasswordBox};
  for (qsizetype i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
  for (QLabel* label : findChildren<QLabel*>()) label->adjustSize();
  for (QCheckBox* box : {SaveHostBox, SavePasswordBox}) box->adjustSize();
}

TConnectValues TConnectForm::Values() const {
  TConnectValues values;
  values.HostName = HostNameEdit->text().toLocal8Bit();
  values.UserName = UserNameEdit->text().toLocal8Bit();
  values.Password = PasswordEdit->text().toLocal8Bit();
  values.StartingDir = StartingDirEdit->text().toLocal8Bit();
  values.Port = PortNumber;
  return values;
}

void TConnectForm::showEvent(QShowEvent* Event) {
  // A spontaneous show is the window system restoring a minimized window,
  // not a new showing of the dialog.
  if (!Event->spontaneous()) FormShow();
  QDialog::showEvent(Event);
}

// A damaged Servers.ini must not lock the user out of connecting: the hosts
// that could be read are offered, and the error is shown once the dialog is
// up, so that it stands in front of the dialog it concerns.
void TConnectForm::FormShow() {
  const QString loadError = FillHostsBox();
  SelectSavedServer();
  if (!loadError.isEmpty())
    QTimer::singleShot(0, this, [this, loadError] { ShowError(loadError); });
}

// Rebuilds the server list from the file and the box from the list; returns
// the load error, if any, after filling the box with the hosts that loaded.
QString TConnectForm::FillHostsBox() {
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
  HostsBox->setCurrentIndex(HostsBox->count() > 0 ? 0 : -1);
  if (HostsBox->count() > 0) HostsBoxChange();
  return loadError;
}

void TConnectForm::SelectSavedServer() {
  const QString selected = FSettings.Get(TSettingKeys::SelectedServer);
  if (selected.isEmpty()) return;
  for (int i = 0; i < HostsBox->count(); ++i) {
    if (HostsBox->itemText(i) != selected) continue;
    HostsBox->setCurrentIndex(i);
    HostsBoxChange();
    return;
  }
}

void TConnectForm::HostsBoxChange() {
  if (HostsBox->currentIndex() < 0) return;
  const auto* server = static_cast<const TServer*>(HostsBox->currentData().value<void*>());
  HostNameEdit->setText(QString::fromLocal8Bit(server->HostName()));
  UserNameEdit->setText(QString::fromLocal8Bit(server->UserName()));
  PasswordEdit->setText(QString::fromLocal8Bit(server->Password()));
  PortEdit->setText(QString::number(server->Port()));
  StartingDirEdit->setText(QString::fromLocal8Bit(server->StartingDir()));
  SaveHostBox->setChecked(true);  // runs SaveHostBoxClick when it changes
  SavePasswordBox->setChecked(!server->Password().isEmpty());
}

void TConnectForm::SaveHostBoxClick() {
  SavePasswordBox->setEnabled(SaveHostBox->isChecked());
  if (!SaveHostBox->isChecked()) SavePasswordBox->setChecked(false);
}

// The driver uses the port and texts without checking them, so the dialog
// closes with OK only once they have passed the checks below.
void TConnectForm::ConnectButtonClick() {
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
void TConnectForm::RememberSelectedServer() {
  if (HostsBox->currentIndex() < 0 || HostsBox->currentText().isEmpty()) return;
  try {
    FSettings.Set(TSettingKeys::SelectedServer, HostsBox->currentText());
  } catch (const Exception& e) {
    ShowError(e.Message());
  }
}

// Names are not trimmed: a name of blanks is the user's business.
bool TConnectForm::CheckInput(const QByteArray& HostName, const QByteArray& UserName) {
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

// A saved host is known by its display name: the one found is updated in
// place, keeping its position in the list; otherwise the host goes last.
// The password is saved only when asked for; connecting uses the typed one.
void TConnectForm::SaveHost(const QByteArray& HostName, const QByteArray& UserName,
                            const QByteArray& Password) {
  const QByteArray startingDir = StartingDirEdit->text().toLocal8Bit();
  const QByteArray savedPassword = SavePasswordBox->isChecked() ? Password : QByteArray();
  try {
    if (TServer* server = FServers.Find(HostName, UserName)) {
      server->SetHostName(HostName);
      server->SetUserName(UserName);
      server->SetPassword(savedPassword);
      server->SetStartingDir(startingDir);
      server->SetPort(PortNumber);
    } else {
      FServers.Add(HostName, UserName, savedPassword, startingDir, PortNumber);
    }
    FServers.Save();
  } catch (const Exception& e) {
    ShowError(e.Message());
  }
}

void TConnectForm::Refuse(const QString& Message, QLineEdit* Field) {
  ShowError(Message);
  Field->setFocus();
  Field->selectAll();
}

void TConnectForm::ShowError(const QString& Text) {
  if (FErrorHook)
    FErrorHook(Text);
  else
    QMessageBox::critical(this, "Error", Text);
}
