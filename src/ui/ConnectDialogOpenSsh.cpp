// The connect dialog's hosts from the user's OpenSSH configuration: listed
// after the saved hosts, filled in as ssh itself resolves them, and never
// changed or removed here; "Save host" copies one into the saved hosts.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "store/OpenSshHosts.h"
#include "ui/ConnectDialog.h"

namespace {
// The alias an item stands for; saved hosts have none.
constexpr int kAliasRole = Qt::UserRole + 1;
const QString kMark = QStringLiteral(" (OpenSSH)");
}  // namespace

void TConnectDialog::AddOpenSshHosts() {
  QString why;
  const QStringList aliases = TOpenSshHosts::Aliases(TOpenSshHosts::DefaultConfigFile(), &why);
  if (!why.isEmpty() && FDebugHook) FDebugHook("No hosts from the OpenSSH configuration: " + why);
  if (aliases.isEmpty()) return;
  if (HostsBox->count() > 0) HostsBox->insertSeparator(HostsBox->count());
  for (const QString& alias : aliases) {
    HostsBox->addItem(alias + kMark);
    HostsBox->setItemData(HostsBox->count() - 1, alias, kAliasRole);
    HostsBox->setItemData(HostsBox->count() - 1, "From your OpenSSH configuration (~/.ssh/config)",
                          Qt::ToolTipRole);
  }
}

QString TConnectDialog::OpenSshAlias(int Index) const {
  return Index < 0 ? QString() : HostsBox->itemData(Index, kAliasRole).toString();
}

void TConnectDialog::FillFromOpenSsh(const QString& Alias) {
  StopReadingKeyring();
  TOpenSshHosts::THost host;
  QString why;
  if (!TOpenSshHosts::Resolve(Alias, host, why)) {
    ShowError(QString("The OpenSSH host %1 cannot be used: %2").arg(Alias, why));
    return;
  }
  HostNameEdit->setText(host.HostName);
  UserNameEdit->setText(host.User);
  PasswordEdit->clear();
  PortEdit->setText(QString::number(host.Port));
  PrivateKeyEdit->setText(TOpenSshHosts::FirstExistingKey(host));
  StartingDirEdit->clear();
  FProxyJump = host.ProxyJump;
  SaveHostBox->setChecked(false);  // the configuration stays where it is
  SavePasswordBox->setChecked(false);
}
