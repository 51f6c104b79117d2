// Saved passwords when no keyring answers at all: this process's session
// bus address leads nowhere, as on a machine without a desktop session.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
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

class KeyringFallbackTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Home = new TempHome;
    qputenv("DBUS_SESSION_BUS_ADDRESS",
            ("unix:path=" + Home->Path() + "/no-such-bus").toLocal8Bit());
  }
  static void TearDownTestSuite() {
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    delete Home;
    Home = nullptr;
  }

  void SetUp() override {
    QDir(QFileInfo(TServers::FileName()).path()).removeRecursively();
    Settings.Write(TSettingKeys::PasswordFileNoticeShown.Name, "0");
    Form = NewForm();
  }
  std::unique_ptr<TConnectDialog> NewForm() {
    auto form = std::make_unique<TConnectDialog>(Settings, Servers);
    form->SetKeyring(new TPasswordKeyring);
    form->SetErrorHook([this](const QString& Text) { Errors << Text; });
    form->SetNoticeHook([this](const QString& Text) { Notices << Text; });
    form->SetConfirmHook([](const QString&) { return true; });
    return form;
  }

  void Save(TConnectDialog& Form, const QString& User, const QString& Password) {
    Form.FormShow();
    ASSERT_TRUE(WaitFor([&] { return Form.ConnectButton->isEnabled(); }));
    Form.HostNameEdit->setText("alpha");
    Form.UserNameEdit->setText(User);
    Form.PasswordEdit->setText(Password);
    Form.SaveHostBox->setChecked(true);
    Form.SavePasswordBox->setChecked(true);
    Form.ConnectButtonClick();
    ASSERT_EQ(Form.result(), QDialog::Accepted);
  }

  static TempHome* Home;
  TSettings Settings;
  TServers Servers;
  std::unique_ptr<TConnectDialog> Form;
  QStringList Errors;
  QStringList Notices;
};

TempHome* KeyringFallbackTest::Home = nullptr;

// The password lands in Servers.ini, scrambled, once the keyring has failed;
// the user is told once, ever: not for the next host, not after a restart.
TEST_F(KeyringFallbackTest, PasswordGoesToTheFileAndTheUserIsToldOnce) {
  Save(*Form, "ann", "pw");
  EXPECT_TRUE(ServersIni().contains("UserName=ann\nPassword=\n")) << "not before the keyring fails";
  ASSERT_TRUE(WaitFor([&] { return ServersIni().contains("UserName=ann\nPassword=1CDD\n"); }));
  ASSERT_EQ(Notices.size(), 1);
  EXPECT_TRUE(Notices[0].contains("readable by you alone")) << Notices[0].toStdString();
  EXPECT_TRUE(Notices[0].contains("alpha - ann")) << Notices[0].toStdString();
  EXPECT_TRUE(Notices[0].contains(TServers::FileName())) << Notices[0].toStdString();
  EXPECT_EQ(Settings.Read("PasswordFileNoticeShown", ""), "1");

  Save(*Form, "bob", "pw");
  ASSERT_TRUE(WaitFor([&] { return ServersIni().contains("UserName=bob\nPassword=1CDD\n"); }));
  Form = NewForm();  // as after a restart
  Save(*Form, "cid", "pw");
  ASSERT_TRUE(WaitFor([&] { return ServersIni().contains("UserName=cid\nPassword=1CDD\n"); }));
  EXPECT_EQ(Notices.size(), 1);
  EXPECT_TRUE(Errors.isEmpty()) << Errors.join("; ").toStdString();

  // What the file holds fills the dialog as before.
  Form->FormShow();
  EXPECT_EQ(Form->PasswordEdit->text(), "pw");
  EXPECT_TRUE(Form->SavePasswordBox->isChecked());
  EXPECT_TRUE(Form->ConnectButton->isEnabled());
}

// A host without a password in the file asks the keyring, which fails at
// once: the dialog is free again with the field empty, and removing a host
// goes on without a word about the keyring.
TEST_F(KeyringFallbackTest, NoKeyringHoldsNothingUp) {
  WriteServersIni(
      "[alpha - ann]\nHostName=alpha\nUserName=ann\nPassword=\nStartingDir=\nPort=22\n"
      "[beta - bob]\nHostName=beta\nUserName=bob\nPassword=\nStartingDir=\nPort=22\n");
  Form->FormShow();
  ASSERT_TRUE(WaitFor([&] { return Form->ConnectButton->isEnabled(); }));
  EXPECT_EQ(Form->PasswordEdit->text(), "");
  EXPECT_FALSE(Form->SavePasswordBox->isChecked());
  EXPECT_EQ(Form->PasswordEdit->placeholderText(), "Leave empty to use your SSH agent or key");

  Form->RemoveButtonClick();
  EXPECT_EQ(Form->HostsBox->currentText(), "beta - bob");
  ASSERT_TRUE(WaitFor([&] { return Form->ConnectButton->isEnabled(); }));
  Form->PasswordEdit->setText("typed");
  Form->SavePasswordBox->setChecked(false);
  Form->ConnectButtonClick();
  EXPECT_EQ(Form->result(), QDialog::Accepted);
  EXPECT_EQ(ServersIni(),
            "[beta - bob]\nHostName=beta\nUserName=bob\nPassword=\nStartingDir=\nPort=22\n");
  EXPECT_TRUE(Errors.isEmpty()) << Errors.join("; ").toStdString();
  EXPECT_TRUE(Notices.isEmpty()) << Notices.join("; ").toStdString();
}

}  // namespace
