// A keyring that never answers: this process's session bus is a socket
// that takes the connection and then stays silent, as a hung desktop
// service does. A stuck request holds up every later one in the process,
// so this case has a program of its own.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <memory>

#include "ServersIniFile.h"
#include "TempHome.h"
#include "WaitFor.h"
#include "store/Servers.h"
#include "store/Settings.h"
#include "ui/ConnectDialog.h"
#include "ui/PasswordKeyring.h"

namespace {

// Listens and never accepts: a client's connect succeeds, and then nothing
// ever comes back.
class TSilentSocket {
 public:
  explicit TSilentSocket(const QString& Path) : FSocket(socket(AF_UNIX, SOCK_STREAM, 0)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = Path.toLocal8Bit();
    if (FSocket < 0 || size_t(path.size()) >= sizeof(address.sun_path)) return;
    memcpy(address.sun_path, path.constData(), size_t(path.size()));
    FListening = bind(FSocket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                 listen(FSocket, 8) == 0;
  }
  ~TSilentSocket() {
    if (FSocket >= 0) close(FSocket);
  }
  bool Listening() const { return FListening; }

 private:
  int FSocket;
  bool FListening = false;
};

TEST(TKeyringTimeout, SilentKeyringCountsAsNoneAfterTheTimeout) {
  TempHome home;
  TSilentSocket silentBus(home.Path() + "/bus");
  ASSERT_TRUE(silentBus.Listening());
  qputenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + home.Path() + "/bus").toLocal8Bit());
  QDir().mkpath(QFileInfo(TServers::FileName()).path());
  QFile file(TServers::FileName());
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("[alpha - ann]\nHostName=alpha\nUserName=ann\nPassword=\nStartingDir=\nPort=22\n");
  file.close();

  TSettings settings;
  TServers servers;
  TConnectDialog form(settings, servers);
  form.SetKeyring(new TPasswordKeyring(300));
  QStringList notices;
  form.SetNoticeHook([&](const QString& Text) { notices << Text; });

  // Connect is held while the keyring might still answer, then let go.
  form.FormShow();
  EXPECT_FALSE(form.ConnectButton->isEnabled());
  EXPECT_EQ(form.PasswordEdit->placeholderText(), "Reading the keyring...");
  ASSERT_TRUE(WaitFor([&] { return form.ConnectButton->isEnabled(); }));
  EXPECT_EQ(form.PasswordEdit->text(), "");
  EXPECT_EQ(form.PasswordEdit->placeholderText(), "Leave empty to use your SSH agent or key");

  // A password the keyring never took goes to the file.
  form.PasswordEdit->setText("pw");
  form.SavePasswordBox->setChecked(true);
  form.ConnectButtonClick();
  EXPECT_EQ(form.result(), QDialog::Accepted);
  ASSERT_TRUE(WaitFor([&] { return ServersIni().contains("Password=1CDD\n"); }));
  EXPECT_EQ(notices.size(), 1);
  qunsetenv("DBUS_SESSION_BUS_ADDRESS");
}

}  // namespace
