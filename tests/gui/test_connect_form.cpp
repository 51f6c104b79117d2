#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "ServersIniFile.h"
#include "TempHome.h"
#include "WaitFor.h"
#include "store/Servers.h"
#include "store/Settings.h"
#include "ui/ConnectDialog.h"
#include "ui/PortNumber.h"

namespace {

// Password=1CDD is "pw" scrambled as the saved-hosts file stores it.
const char* const TwoHosts =
    "[alpha - ann]\n"
    "HostName=alpha\nUserName=ann\nPassword=1CDD\nStartingDir=/home/ann\nPort=2222\n"
    "[beta - bob]\n"
    "HostName=beta\nUserName=bob\nPassword=\nStartingDir=\nPort=22\n";

// One home for the whole program: settings may keep their path once first
// used, so each test starts by clearing what the previous one left.
class ConnectDialogTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { Home = new TempHome; }
  static void TearDownTestSuite() {
    delete Home;
    Home = nullptr;
  }

  void SetUp() override {
    QDir(QFileInfo(TServers::FileName()).path()).removeRecursively();
    QDir(QDir::homePath() + "/.ssh").removeRecursively();
    Settings.Write("SelectedServer", "");
    Form = std::make_unique<TConnectDialog>(Settings, Servers);
    Form->SetErrorHook([this](const QString& Text) { Errors << Text; });
  }

  // The saved hosts as "display name|password|dir|port", in file order.
  static QStringList SavedHosts() {
    TServers servers;
    servers.Load();
    QStringList hosts;
    for (int i = 0; i < servers.Count(); ++i) {
      const TServer* s = servers.GetServer(i);
      hosts << QString("%1|%2|%3|%4")
                   .arg(QString(s->DisplayName()), QString(s->Password()),
                        QString(s->StartingDir()))
                   .arg(s->Port());
    }
    return hosts;
  }
  QStringList BoxItems() const {
    QStringList items;
    for (int i = 0; i < Form->HostsBox->count(); ++i) items << Form->HostsBox->itemText(i);
    return items;
  }
  void Fill(const QString& Host, const QString& Port, const QString& User,
            const QString& Password = "") {
    Form->HostNameEdit->setText(Host);
    Form->PortEdit->setText(Port);
    Form->UserNameEdit->setText(User);
    Form->PasswordEdit->setText(Password);
  }
  // Picks an entry as the user does: the box changes, then reports activation.
  void Pick(int Index) {
    Form->HostsBox->setCurrentIndex(Index);
    emit Form->HostsBox->activated(Index);
  }
  bool Accepted() const { return Form->result() == QDialog::Accepted; }

  static TempHome* Home;
  TSettings Settings;
  TServers Servers;
  std::unique_ptr<TConnectDialog> Form;
  QStringList Errors;
};

TempHome* ConnectDialogTest::Home = nullptr;

TEST(PortNumberFromText, AcceptsDecimalAndHexWithSignAndLeadingBlanksOnly) {
  const struct {
    const char* Text;
    int Port;
  } cases[] = {
      {"22", 22},
      {"  22", 22},
      {"+22", 22},
      {"-1", -1},
      {"-0", 0},
      {"$16", 22},
      {" 0x1F", 31},
      {"0X1f", 31},
      {"$ff", 255},
      {"-$10", -16},
      {"0", 0},
      {"65535", 65535},
      {"65536", 65536},
      {"007", 7},
      {"2147483647", 2147483647},
      {"", -1},
      {"   ", -1},
      {"abc", -1},
      {"22x", -1},
      {"22 ", -1},
      {"2 2", -1},
      {"\t22", -1},
      {"+", -1},
      {"$", -1},
      {"0x", -1},
      {"+-1", -1},
      {"$g", -1},
      {"1e3", -1},
      {"0x$1", -1},
      {"2147483648", -1},
      {"99999999999999999999", -1},
      {"$100000000", -1},
      {"\xD9\xA2\xD9\xA2", -1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PortNumberFromText(QString::fromUtf8(c.Text)), c.Port) << '"' << c.Text << '"';
}

TEST_F(ConnectDialogTest, LayoutAndInitialState) {
  EXPECT_EQ(Form->windowTitle(), "Connect to Host");
  EXPECT_EQ(Form->size(), QSize(396, 467));
  EXPECT_EQ(Form->minimumSize(), Form->maximumSize());
  EXPECT_FALSE(Form->HostsBox->isEditable());
  EXPECT_EQ(Form->HostsBox->count(), 0);
  EXPECT_EQ(Form->PortEdit->text(), "22");
  EXPECT_EQ(Form->PasswordEdit->echoMode(), QLineEdit::Password);
  EXPECT_EQ(Form->PasswordEdit->placeholderText(), "Leave empty to use your SSH agent or key");
  EXPECT_EQ(Form->PrivateKeyEdit->text(), "");
  EXPECT_EQ(Form->BrowseButton->text(), "Browse...");
  EXPECT_EQ(Form->RemoveButton->text(), "Remove");
  EXPECT_FALSE(Form->RemoveButton->isEnabled());
  EXPECT_TRUE(Form->ConnectButton->isDefault());
  EXPECT_FALSE(Form->SaveHostBox->isChecked());
  EXPECT_FALSE(Form->SavePasswordBox->isChecked());
  EXPECT_FALSE(Form->SavePasswordBox->isEnabled());

  const struct {
    QWidget* Control;
    QPoint Position;
    const char* Label;
  } controls[] = {
      {Form->HostsBox, {24, 40}, "Saved hosts:"},
      {Form->RemoveButton, {304, 40}, nullptr},
      {Form->HostNameEdit, {26, 112}, "Host name:"},
      {Form->PortEdit, {312, 112}, "Port"},
      {Form->UserNameEdit, {24, 160}, "Username:"},
      {Form->PasswordEdit, {24, 216}, "Password:"},
      {Form->PrivateKeyEdit, {24, 272}, "Private key:"},
      {Form->BrowseButton, {304, 272}, nullptr},
      {Form->StartingDirEdit, {24, 328}, "Starting directory:"},
      {Form->ConnectButton, {216, 425}, nullptr},
      {Form->CancelButton, {304, 425}, nullptr},
      {Form->SaveHostBox, {24, 368}, nullptr},
      {Form->SavePasswordBox, {24, 391}, nullptr},
  };
  QList<QLabel*> labels = Form->findChildren<QLabel*>();
  for (const auto& c : controls) {
    EXPECT_EQ(c.Control->pos(), c.Position) << c.Control->metaObject()->className();
    if (!c.Label) continue;
    auto label = std::find_if(labels.begin(), labels.end(),
                              [&](QLabel* l) { return l->buddy() == c.Control; });
    ASSERT_NE(label, labels.end()) << c.Label;
    EXPECT_EQ((*label)->text(), c.Label);
    EXPECT_EQ((*label)->x(), c.Position.x());
    EXPECT_LT((*label)->y(), c.Position.y());
  }

  // Tab order as the table lists it.
  QWidget* w = Form->HostsBox;
  for (size_t i = 1; i < std::size(controls); ++i) {
    do w = w->nextInFocusChain();
    while (!(w->focusPolicy() & Qt::TabFocus));
    EXPECT_EQ(w, controls[i].Control) << i;
  }
}

TEST_F(ConnectDialogTest, PortChecks) {
  const struct {
    const char* Text;
    int Port;  // 0: refused
  } cases[] = {{"0", 0}, {"65536", 0},     {"abc", 0},    {"", 0},     {"-1", 0},  {"22x", 0},
               {"1", 1}, {"65535", 65535}, {" 0x1F", 31}, {"$16", 22}, {"+22", 22}};
  for (const auto& c : cases) {
    Errors.clear();
    Form->setResult(0);
    Fill("host", c.Text, "user");
    Form->ConnectButtonClick();
    if (c.Port == 0) {
      EXPECT_EQ(Errors, QStringList{"Invalid port number"}) << c.Text;
      EXPECT_FALSE(Accepted()) << c.Text;
    } else {
      EXPECT_TRUE(Errors.isEmpty()) << c.Text;
      EXPECT_TRUE(Accepted()) << c.Text;
      EXPECT_EQ(Form->PortNumber, c.Port) << c.Text;
      EXPECT_EQ(Form->Values().Port, c.Port) << c.Text;
    }
  }
}

TEST_F(ConnectDialogTest, ChecksRunInOrderAndKeepTheDialogOpen) {
  Form->show();
  Form->SaveHostBox->setChecked(true);
  const struct {
    const char *Host, *Port, *User, *Error;
  } cases[] = {
      {"", "0", "", "Invalid port number"},
      {"", "22", "", "Invalid hostname"},
      {"host", "22", "", "Invalid username"},
  };
  for (const auto& c : cases) {
    Errors.clear();
    Fill(c.Host, c.Port, c.User);
    Form->ConnectButton->click();
    EXPECT_EQ(Errors, QStringList{c.Error});
    EXPECT_TRUE(Form->isVisible());
    EXPECT_FALSE(Accepted());
    EXPECT_EQ(Form->HostNameEdit->text(), c.Host);
  }
  EXPECT_FALSE(QFile::exists(TServers::FileName()));

  // Names are not trimmed: blanks pass.
  Errors.clear();
  Fill(" ", "22", " ");
  Form->ConnectButton->click();
  EXPECT_TRUE(Errors.isEmpty());
  EXPECT_TRUE(Accepted());
  EXPECT_FALSE(Form->isVisible());
}

TEST_F(ConnectDialogTest, EnterConnectsAndValuesAreEightBit) {
  Form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
  Fill(QString::fromUtf8("h\xC3\xB4st"), "2200", "u", QString::fromUtf8("p\xC3\xA4ss"));
  Form->StartingDirEdit->setText("/srv");
  QTest::keyClick(Form->UserNameEdit, Qt::Key_Return);
  EXPECT_TRUE(Accepted());
  const TConnectValues v = Form->Values();
  EXPECT_EQ(v.HostName, QByteArray("h\xC3\xB4st"));
  EXPECT_EQ(v.UserName, "u");
  EXPECT_EQ(v.Password, QByteArray("p\xC3\xA4ss"));
  EXPECT_EQ(v.StartingDir, "/srv");
  EXPECT_EQ(v.Port, 2200);
  EXPECT_TRUE(SavedHosts().isEmpty());  // "Save host" was not ticked
}

TEST_F(ConnectDialogTest, NoSavedHostsSelectsNothingAndRemembersNothing) {
  Form->FormShow();
  EXPECT_EQ(Form->HostsBox->count(), 0);
  EXPECT_EQ(Form->HostsBox->currentIndex(), -1);
  Fill("host", "22", "user");
  Form->ConnectButtonClick();
  EXPECT_TRUE(Accepted());
  EXPECT_EQ(Settings.Read("SelectedServer", "<none>"), "");
}

TEST_F(ConnectDialogTest, PickingHostsFillsFieldsAndBoxes) {
  WriteServersIni(TwoHosts);
  Form->FormShow();
  EXPECT_EQ(BoxItems(), (QStringList{"alpha - ann", "beta - bob"}));
  EXPECT_EQ(Form->HostsBox->currentIndex(), 0);
  EXPECT_EQ(Form->HostNameEdit->text(), "alpha");
  EXPECT_EQ(Form->UserNameEdit->text(), "ann");
  EXPECT_EQ(Form->PasswordEdit->text(), "pw");
  EXPECT_EQ(Form->PortEdit->text(), "2222");
  EXPECT_EQ(Form->StartingDirEdit->text(), "/home/ann");
  EXPECT_TRUE(Form->SaveHostBox->isChecked());
  EXPECT_TRUE(Form->SavePasswordBox->isChecked());
  EXPECT_TRUE(Form->SavePasswordBox->isEnabled());

  Pick(1);
  EXPECT_EQ(Form->HostNameEdit->text(), "beta");
  EXPECT_EQ(Form->PasswordEdit->text(), "");
  EXPECT_EQ(Form->PortEdit->text(), "22");
  EXPECT_EQ(Form->StartingDirEdit->text(), "");
  EXPECT_TRUE(Form->SaveHostBox->isChecked());
  EXPECT_FALSE(Form->SavePasswordBox->isChecked());
  EXPECT_TRUE(Form->SavePasswordBox->isEnabled());

  // Unticking "Save host" unticks and disables "Save password"; ticking it
  // again enables but does not tick it.
  Pick(0);
  Form->SaveHostBox->click();
  EXPECT_FALSE(Form->SavePasswordBox->isChecked());
  EXPECT_FALSE(Form->SavePasswordBox->isEnabled());
  Form->SaveHostBox->click();
  EXPECT_TRUE(Form->SavePasswordBox->isEnabled());
  EXPECT_FALSE(Form->SavePasswordBox->isChecked());

  // Picking a host with the boxes unticked ticks "Save host" again.
  Form->SaveHostBox->click();
  Pick(0);
  EXPECT_TRUE(Form->SaveHostBox->isChecked());
  EXPECT_TRUE(Form->SavePasswordBox->isEnabled());
  EXPECT_TRUE(Form->SavePasswordBox->isChecked());
}

// The user's OpenSSH hosts follow the saved ones, filled in as ssh resolves
// them; they are never removed here, and saved only when asked.
TEST_F(ConnectDialogTest, OpenSshHostsAreOfferedAsSshResolvesThem) {
  QDir().mkpath(QDir::homePath() + "/.ssh");
  QFile config(QDir::homePath() + "/.ssh/config");
  ASSERT_TRUE(config.open(QIODevice::WriteOnly));
  config.write(
      "Host web\n  HostName 10.1.2.3\n  User deploy\n  Port 2200\n"
      "  IdentityFile ~/.ssh/web_key\n  ProxyJump bastion\n"
      "Host *.example.com\n  User nobody\nHost db\n  HostName db.internal\n");
  config.close();
  QFile key(QDir::homePath() + "/.ssh/web_key");
  ASSERT_TRUE(key.open(QIODevice::WriteOnly));
  key.close();
  WriteServersIni(TwoHosts);
  Form->FormShow();
  EXPECT_EQ(BoxItems(),
            (QStringList{"alpha - ann", "beta - bob", "", "web (OpenSSH)", "db (OpenSSH)"}));

  Pick(3);
  EXPECT_EQ(Form->HostNameEdit->text(), "10.1.2.3");
  EXPECT_EQ(Form->UserNameEdit->text(), "deploy");
  EXPECT_EQ(Form->PortEdit->text(), "2200");
  EXPECT_EQ(Form->PrivateKeyEdit->text(), key.fileName());
  EXPECT_EQ(Form->PasswordEdit->text(), "");
  EXPECT_FALSE(Form->RemoveButton->isEnabled());
  EXPECT_FALSE(Form->SaveHostBox->isChecked());
  Form->ConnectButton->click();
  ASSERT_TRUE(Accepted()) << Errors.join("; ").toStdString();
  EXPECT_EQ(Form->Values().ProxyJump, "bastion");
  EXPECT_EQ(SavedHosts().size(), 2);  // nothing was copied

  // A saved host has no jump host; "Save host" copies an OpenSSH one.
  Pick(0);
  EXPECT_TRUE(Form->RemoveButton->isEnabled());
  EXPECT_EQ(Form->Values().ProxyJump, "");
  Pick(4);
  EXPECT_EQ(Form->HostNameEdit->text(), "db.internal");
  Form->SaveHostBox->click();
  Form->ConnectButton->click();
  EXPECT_EQ(SavedHosts().size(), 3);
  EXPECT_TRUE(Errors.isEmpty()) << Errors.join("; ").toStdString();
}

TEST_F(ConnectDialogTest, ConnectUpdatesFoundHostInPlace) {
  WriteServersIni(TwoHosts);
  Form->FormShow();
  Pick(0);
  Form->SavePasswordBox->setChecked(false);
  Form->StartingDirEdit->setText("/tmp");
  Form->PortEdit->setText("2022");
  Form->PasswordEdit->setText("typed");
  Form->ConnectButtonClick();
  EXPECT_TRUE(Errors.isEmpty()) << Errors.join("; ").toStdString();
  EXPECT_TRUE(Accepted());
  // The stored password is erased; connecting still uses the typed one.
  EXPECT_EQ(SavedHosts(), (QStringList{"alpha - ann||/tmp|2022", "beta - bob|||22"}));
  EXPECT_EQ(Form->Values().Password, "typed");
  EXPECT_EQ(Settings.Read("SelectedServer", ""), "alpha - ann");
}

TEST_F(ConnectDialogTest, ConnectWithChangedNameAddsHostAtTheEnd) {
  WriteServersIni(TwoHosts);
  Form->FormShow();
  Pick(0);
  Form->HostNameEdit->setText("gamma");
  Form->ConnectButtonClick();
  EXPECT_TRUE(Accepted());
  EXPECT_EQ(SavedHosts(), (QStringList{"alpha - ann|pw|/home/ann|2222", "beta - bob|||22",
                                       "gamma - ann|pw|/home/ann|2222"}));

  // The next showing lists each host once, the new one last.
  Form->FormShow();
  EXPECT_EQ(BoxItems(), (QStringList{"alpha - ann", "beta - bob", "gamma - ann"}));
}

TEST_F(ConnectDialogTest, RefusedInputIsNotSavedButThePickIsRemembered) {
  WriteServersIni(TwoHosts);
  const QByteArray before = ServersIni();
  Form->FormShow();
  Pick(1);
  Form->PortEdit->setText("70000");
  Form->ConnectButtonClick();
  EXPECT_EQ(Errors, QStringList{"Invalid port number"});
  EXPECT_EQ(ServersIni(), before);
  EXPECT_EQ(Settings.Read("SelectedServer", ""), "beta - bob");
}

TEST_F(ConnectDialogTest, SelectedServerPicksItsHostOrLeavesTheFirst) {
  WriteServersIni(TwoHosts);
  Settings.Write("SelectedServer", "beta - bob");
  Form->FormShow();
  EXPECT_EQ(Form->HostsBox->currentIndex(), 1);
  EXPECT_EQ(Form->HostNameEdit->text(), "beta");
  EXPECT_FALSE(Form->SavePasswordBox->isChecked());

  for (const char* gone : {"gone - x", "BETA - bob"}) {
    Settings.Write("SelectedServer", gone);
    Form->FormShow();
    EXPECT_EQ(Form->HostsBox->currentIndex(), 0) << gone;
    EXPECT_EQ(Form->HostNameEdit->text(), "alpha") << gone;
  }
}

TEST_F(ConnectDialogTest, EveryShowingReloadsWithoutDuplicates) {
  WriteServersIni(TwoHosts);
  Form->show();
  EXPECT_EQ(BoxItems(), (QStringList{"alpha - ann", "beta - bob"}));
  Form->hide();
  Form->HostNameEdit->setText("edited");
  Form->show();
  EXPECT_EQ(BoxItems(), (QStringList{"alpha - ann", "beta - bob"}));
  EXPECT_EQ(Form->HostNameEdit->text(), "alpha");
  Form->hide();

  // Without saved hosts a showing keeps what the fields held.
  QFile::remove(TServers::FileName());
  Form->HostNameEdit->setText("kept");
  Form->show();
  EXPECT_EQ(Form->HostsBox->count(), 0);
  EXPECT_EQ(Form->HostNameEdit->text(), "kept");
  EXPECT_TRUE(Errors.isEmpty());
}

TEST_F(ConnectDialogTest, DamagedFileShowsTheErrorAndOffersTheGoodHosts) {
  const QByteArray damaged =
      "[alpha - ann]\nHostName=alpha\nUserName=ann\nPassword=1CDD\nStartingDir=\nPort=22\n"
      "[broken - x]\nHostName=broken\nUserName=x\nPassword=ZZZ\nStartingDir=\nPort=22\n"
      "[beta - bob]\nHostName=beta\nUserName=bob\nPassword=\nStartingDir=\nPort=22\n";
  WriteServersIni(damaged);
  Form->show();
  EXPECT_EQ(BoxItems(), (QStringList{"alpha - ann", "beta - bob"}));
  ASSERT_TRUE(WaitFor([&] { return !Errors.isEmpty(); }, 5000));
  ASSERT_EQ(Errors.size(), 1);
  EXPECT_TRUE(Errors[0].contains(TServers::FileName())) << Errors[0].toStdString();
  EXPECT_TRUE(Errors[0].contains("broken - x")) << Errors[0].toStdString();
  EXPECT_TRUE(Form->isVisible());

  // Saving another host leaves the damaged section as it was.
  Pick(1);
  Form->PortEdit->setText("23");
  Form->ConnectButton->click();
  EXPECT_TRUE(Accepted());
  EXPECT_TRUE(ServersIni().contains("Password=ZZZ")) << ServersIni().toStdString();
  EXPECT_TRUE(ServersIni().contains("[broken - x]")) << ServersIni().toStdString();
}

// A host's key file travels from the file to the field, from the field to
// the connection (a leading "~/" as the home folder) and back to the file.
TEST_F(ConnectDialogTest, PrivateKeyFileFillsTheFieldAndIsSaved) {
  WriteServersIni(QByteArray(TwoHosts) + "PrivateKeyFile=~/.ssh/id_beta\n");
  Form->FormShow();
  EXPECT_EQ(Form->PrivateKeyEdit->text(), "");
  Pick(1);
  EXPECT_EQ(Form->PrivateKeyEdit->text(), "~/.ssh/id_beta");
  EXPECT_EQ(Form->Values().PrivateKeyFile, Home->Path() + "/.ssh/id_beta");

  const struct {
    const char* Typed;
    QString Used;
  } paths[] = {{"/keys/id ed25519", "/keys/id ed25519"},
               {"", ""},
               {"~user/.ssh/id", "~user/.ssh/id"},
               {"keys/~/id", "keys/~/id"}};
  for (const auto& p : paths) {
    Form->PrivateKeyEdit->setText(p.Typed);
    EXPECT_EQ(Form->Values().PrivateKeyFile, p.Used) << p.Typed;
  }

  Form->PrivateKeyEdit->setText("/keys/beta.ppk");
  Form->ConnectButtonClick();
  EXPECT_TRUE(Accepted());
  EXPECT_TRUE(ServersIni().endsWith("Port=22\nPrivateKeyFile=/keys/beta.ppk\n"))
      << ServersIni().toStdString();
  // The host without a key is written as before, without the key.
  EXPECT_TRUE(ServersIni().contains("StartingDir=/home/ann\nPort=2222\n[beta - bob]"))
      << ServersIni().toStdString();
  Form->FormShow();
  Pick(1);
  EXPECT_EQ(Form->PrivateKeyEdit->text(), "/keys/beta.ppk");
}

TEST_F(ConnectDialogTest, BrowseStartsInSshFolderOrAtTheKeyNamed) {
  QStringList starts;
  QString answer = Home->Path() + "/.ssh/id_ed25519";
  Form->SetChooseFileHook([&](const QString& Start) {
    starts << Start;
    return answer;
  });
  Form->BrowseButton->click();
  EXPECT_EQ(Form->PrivateKeyEdit->text(), answer);
  answer = "";  // cancelled: the field keeps its key
  Form->BrowseButton->click();
  EXPECT_EQ(Form->PrivateKeyEdit->text(), Home->Path() + "/.ssh/id_ed25519");
  Form->PrivateKeyEdit->setText("~/keys/k.ppk");
  Form->BrowseButton->click();
  EXPECT_EQ(starts, (QStringList{Home->Path() + "/.ssh", Home->Path() + "/.ssh/id_ed25519",
                                 Home->Path() + "/keys/k.ppk"}));
}

// Removing asks first; a yes takes the host out of the file and the box and
// shows the next one, a no changes nothing. Delete on the box does the same.
TEST_F(ConnectDialogTest, RemoveAsksThenTakesTheHostOut) {
  WriteServersIni(TwoHosts);
  QStringList questions;
  bool yes = false;
  Form->SetConfirmHook([&](const QString& Question) {
    questions << Question;
    return yes;
  });
  Form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
  EXPECT_TRUE(Form->RemoveButton->isEnabled());

  Form->RemoveButton->click();
  EXPECT_EQ(questions, QStringList{"Remove the saved host alpha - ann?"});
  EXPECT_EQ(BoxItems(), (QStringList{"alpha - ann", "beta - bob"}));
  EXPECT_EQ(ServersIni(), TwoHosts);

  yes = true;
  Form->RemoveButton->click();
  EXPECT_EQ(BoxItems(), QStringList{"beta - bob"});
  EXPECT_EQ(ServersIni(),
            "[beta - bob]\nHostName=beta\nUserName=bob\nPassword=\nStartingDir=\nPort=22\n");
  EXPECT_EQ(Form->HostNameEdit->text(), "beta");

  Form->HostsBox->setFocus();
  QTest::keyClick(Form->HostsBox, Qt::Key_Delete);
  EXPECT_EQ(questions.last(), "Remove the saved host beta - bob?");
  EXPECT_EQ(Form->HostsBox->count(), 0);
  EXPECT_FALSE(Form->RemoveButton->isEnabled());
  EXPECT_EQ(SavedHosts(), QStringList());
  // Nothing left to remove, nothing asked.
  QTest::keyClick(Form->HostsBox, Qt::Key_Delete);
  EXPECT_EQ(questions.size(), 3);
  EXPECT_TRUE(Errors.isEmpty()) << Errors.join("; ").toStdString();
}

TEST_F(ConnectDialogTest, SaveFailureIsShownAndTheDialogStillCloses) {
  Form->FormShow();
  // A folder where the file should be: no new file can be renamed over it.
  QDir().mkpath(TServers::FileName());
  Fill("host", "22", "user", "pw");
  Form->SaveHostBox->setChecked(true);
  Form->SavePasswordBox->setChecked(true);
  Form->ConnectButtonClick();
  EXPECT_EQ(Errors.size(), 1);
  EXPECT_TRUE(Accepted());
  EXPECT_EQ(Form->Values().HostName, "host");
}

}  // namespace
