// Saved passwords in a real Secret Service: gnome-keyring, unlocked in a
// private D-Bus session that the suite starts and ends.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <optional>

#include "KeyringSession.h"
#include "ServersIniFile.h"
#include "TempHome.h"
#include "WaitFor.h"
#include "store/PasswordScramble.h"
#include "store/Settings.h"
#include "ui/ConnectDialog.h"
#include "ui/PasswordKeyring.h"

namespace {

using TAnswer = TPasswordKeyring::TAnswer;

class KeyringTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Home = new TempHome;
    Session = new KeyringSession;
  }
  static void TearDownTestSuite() {
    delete Session;
    Session = nullptr;
    delete Home;
    Home = nullptr;
  }

  void SetUp() override {
    if (!Session->Missing().isEmpty()) GTEST_SKIP() << Session->Missing().toStdString();
    ASSERT_TRUE(Session->Failure().isEmpty()) << Session->Failure().toStdString();
    QDir(QFileInfo(TServers::FileName()).path()).removeRecursively();
    Settings.Write("SelectedServer", "");
    Settings.Write(TSettingKeys::PasswordFileNoticeShown.Name, "0");
    Form = std::make_unique<TConnectDialog>(Settings, Servers);
    Form->SetKeyring(new TPasswordKeyring);
    Form->SetErrorHook([this](const QString& Text) { Errors << Text; });
    Form->SetNoticeHook([this](const QString& Text) { Notices << Text; });
    Form->SetConfirmHook([](const QString&) { return true; });
  }
  void TearDown() override {
    if (Form) Settle();
    Form.reset();
  }

  // QtKeychain runs its jobs one after another: once a read started now has
  // answered, every job started before it has finished too.
  static void Settle() {
    TPasswordKeyring keyring;
    bool answered = false;
    keyring.Read("settle", [&](TAnswer, const QByteArray&) { answered = true; });
    ASSERT_TRUE(WaitFor([&] { return answered; }));
  }
  static TAnswer ReadBack(const QString& Name, QByteArray* Password) {
    TPasswordKeyring keyring;
    std::optional<TAnswer> answer;
    keyring.Read(Name, [&](TAnswer Answer, const QByteArray& Value) {
      answer = Answer;
      *Password = Value;
    });
    EXPECT_TRUE(WaitFor([&] { return answer.has_value(); }));
    return answer.value_or(TAnswer::Unavailable);
  }
  static void Put(const QString& Name, const QByteArray& Password) {
    TPasswordKeyring keyring;
    std::optional<bool> stored;
    keyring.Write(Name, Password, [&](bool Done) { stored = Done; });
    ASSERT_TRUE(WaitFor([&] { return stored.has_value(); }));
    ASSERT_TRUE(*stored);
  }
  static QByteArray Lookup(const QString& Name) { return Session->Lookup("Quillery", Name); }

  // Files under Folder whose bytes hold Text.
  static QStringList FilesHolding(const QString& Folder, const QByteArray& Text) {
    QStringList found;
    QDirIterator it(Folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
      QFile file(it.next());
      if (file.open(QIODevice::ReadOnly) && file.readAll().contains(Text)) found << file.fileName();
    }
    return found;
  }
  void Fill(const QString& Host, const QString& User, const QString& Password) {
    Form->HostNameEdit->setText(Host);
    Form->PortEdit->setText("22");
    Form->UserNameEdit->setText(User);
    Form->PasswordEdit->setText(Password);
    Form->SaveHostBox->setChecked(true);
    Form->SavePasswordBox->setChecked(true);
  }
  bool Reading() const {
    return !Form->ConnectButton->isEnabled() &&
           Form->PasswordEdit->placeholderText() == "Reading the keyring...";
  }
  // Shows the dialog as the program does and waits for the keyring's answer.
  void ShowAndSettle() {
    Form->FormShow();
    ASSERT_TRUE(WaitFor([&] { return !Reading(); }));
  }

  static TempHome* Home;
  static KeyringSession* Session;
  TSettings Settings;
  TServers Servers;
  std::unique_ptr<TConnectDialog> Form;
  QStringList Errors;
  QStringList Notices;
};

TempHome* KeyringTest::Home = nullptr;
KeyringSession* KeyringTest::Session = nullptr;

// What the adapter stores, another program finds under service "Quillery"
// and the name; bytes beyond ASCII come back as they went in.
TEST_F(KeyringTest, AdapterWritesReadsAndRemovesRealEntries) {
  const QString name = QString::fromUtf8("h\xC3\xB4st - ann");
  const QByteArray password = "p\xC3\xA4ss w\xE2\x82\xAC";
  Put(name, password);
  EXPECT_EQ(Lookup(name), password);
  QByteArray read;
  EXPECT_EQ(ReadBack(name, &read), TAnswer::Found);
  EXPECT_EQ(read, password);

  Put(name, "second");
  EXPECT_EQ(Lookup(name), "second");

  TPasswordKeyring keyring;
  std::vector<bool> removed;
  keyring.Remove(name, [&](bool Done) { removed.push_back(Done); });
  keyring.Remove(name, [&](bool Done) { removed.push_back(Done); });
  ASSERT_TRUE(WaitFor([&] { return removed.size() == 2; }));
  EXPECT_EQ(removed, (std::vector<bool>{true, true})) << "removing nothing is no failure";
  EXPECT_EQ(Lookup(name), "<none>");
  EXPECT_EQ(ReadBack(name, &read), TAnswer::NotFound);
  EXPECT_EQ(ReadBack("never stored", &read), TAnswer::NotFound);
}

// The whole way: saved with the Connect button, the password is in the
// keyring and in no file, neither Quillery's nor (in clear or scrambled)
// the keyring's own; the next showing fills it in from the keyring, with
// Connect held until the keyring has answered.
TEST_F(KeyringTest, SavedPasswordIsInTheKeyringAndInNoFile) {
  const QByteArray password = "s3cret-Pa55";
  Form->FormShow();
  Fill("alpha", "ann", password);
  Form->ConnectButtonClick();
  EXPECT_EQ(Form->result(), QDialog::Accepted);
  EXPECT_EQ(Form->Values().Password, password);
  Settle();
  EXPECT_EQ(Lookup("alpha - ann"), password);
  EXPECT_EQ(ServersIni(),
            "[alpha - ann]\nHostName=alpha\nUserName=ann\nPassword=\nStartingDir=\nPort=22\n");
  for (const QByteArray& text : {password, ScramblePassword(password).toLatin1()}) {
    EXPECT_EQ(FilesHolding(Home->Path(), text), QStringList()) << text.toStdString();
    EXPECT_EQ(FilesHolding(Session->Folder(), text), QStringList()) << text.toStdString();
  }
  EXPECT_TRUE(Notices.isEmpty()) << Notices.join("; ").toStdString();

  Form->PasswordEdit->clear();
  Form->SavePasswordBox->setChecked(false);
  Form->FormShow();
  EXPECT_TRUE(Reading());
  Form->ConnectButtonClick();  // Enter on the dialog comes here too; nothing may happen
  QTest::keyClick(Form->HostNameEdit, Qt::Key_Return);
  EXPECT_EQ(Form->result(), QDialog::Accepted) << "unchanged since the last close";
  Form->setResult(0);
  ASSERT_TRUE(WaitFor([&] { return !Reading(); }));
  EXPECT_EQ(Form->PasswordEdit->text(), password);
  EXPECT_TRUE(Form->SavePasswordBox->isChecked());
  EXPECT_EQ(Form->PasswordEdit->placeholderText(), "Leave empty to use your SSH agent or key");
  EXPECT_TRUE(Errors.isEmpty()) << Errors.join("; ").toStdString();
}

// A password scrambled into Servers.ini (an older Quillery, or a keyring
// that did not answer) is used at once, without asking the keyring, and
// moves into the keyring at the next save, leaving the file.
TEST_F(KeyringTest, ScrambledPasswordMovesIntoTheKeyring) {
  Put("alpha - ann", "stale");
  WriteServersIni(
      "[alpha - ann]\nHostName=alpha\nUserName=ann\nPassword=1CDD\nStartingDir=/a\nPort=22\n");
  Form->FormShow();
  EXPECT_FALSE(Reading());
  EXPECT_EQ(Form->PasswordEdit->text(), "pw");
  EXPECT_TRUE(Form->SavePasswordBox->isChecked());
  Form->ConnectButtonClick();
  Settle();
  EXPECT_EQ(Lookup("alpha - ann"), "pw");
  EXPECT_EQ(ServersIni(),
            "[alpha - ann]\nHostName=alpha\nUserName=ann\nPassword=\nStartingDir=/a\nPort=22\n");
  ShowAndSettle();
  EXPECT_EQ(Form->PasswordEdit->text(), "pw");
}

// Unticking "Save password" and removing the host each take the keyring
// entry away, so neither comes back at the next pick.
TEST_F(KeyringTest, UntickedOrRemovedHostLeavesNoEntry) {
  for (const char* user : {"ann", "bob"}) {
    ShowAndSettle();
    Fill("alpha", user, "pw");
    Form->ConnectButtonClick();
  }
  Settle();
  ASSERT_EQ(Lookup("alpha - ann"), "pw");
  ASSERT_EQ(Lookup("alpha - bob"), "pw");

  ShowAndSettle();
  ASSERT_EQ(Form->HostsBox->currentText(), "alpha - ann");
  Form->SavePasswordBox->setChecked(false);
  Form->ConnectButtonClick();
  Settle();
  EXPECT_EQ(Lookup("alpha - ann"), "<none>");
  EXPECT_EQ(Form->Values().Password, "pw") << "connecting still uses the typed one";
  ShowAndSettle();
  EXPECT_EQ(Form->PasswordEdit->text(), "");
  EXPECT_FALSE(Form->SavePasswordBox->isChecked());

  Form->HostsBox->setCurrentIndex(1);
  Form->RemoveButtonClick();
  Settle();
  EXPECT_EQ(Lookup("alpha - bob"), "<none>");
  EXPECT_FALSE(ServersIni().contains("bob")) << ServersIni().toStdString();
}

// An answer must not land in the wrong place: not over what the user typed
// meanwhile, not on another host picked before it came, not after closing.
TEST_F(KeyringTest, LateAnswersAreDropped) {
  Put("alpha - bob", "pw-bob");
  WriteServersIni(
      "[alpha - ann]\nHostName=alpha\nUserName=ann\nPassword=1CDD\nStartingDir=\nPort=22\n"
      "[alpha - bob]\nHostName=alpha\nUserName=bob\nPassword=\nStartingDir=\nPort=22\n");
  Form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
  EXPECT_FALSE(Reading()) << "ann's password is in the file";
  auto pick = [&](int Index) {
    Form->HostsBox->setCurrentIndex(Index);
    emit Form->HostsBox->activated(Index);
  };

  // Typed before the answer came: the typing stays, Connect is free at once.
  pick(1);
  ASSERT_TRUE(Reading());
  QTest::keyClicks(Form->PasswordEdit, "typed");
  EXPECT_FALSE(Reading());
  Settle();
  EXPECT_EQ(Form->PasswordEdit->text(), "typed");

  // Another host picked before the answer: its own password stays.
  pick(1);
  pick(0);
  Settle();
  EXPECT_EQ(Form->PasswordEdit->text(), "pw");
  EXPECT_FALSE(Reading());

  // Closed before the answer: nothing is filled in after.
  pick(1);
  Form->reject();
  EXPECT_TRUE(Form->ConnectButton->isEnabled());
  Settle();
  EXPECT_EQ(Form->PasswordEdit->text(), "");

  // Left alone, the answer comes.
  Form->show();
  pick(1);
  ASSERT_TRUE(WaitFor([&] { return !Reading(); }));
  EXPECT_EQ(Form->PasswordEdit->text(), "pw-bob");
}

}  // namespace
