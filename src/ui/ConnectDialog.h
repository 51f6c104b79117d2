#pragma once

#include <QDialog>
#include <functional>
#include <map>
#include <optional>

#include "remote/session/DriverView.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TPasswordKeyring;
class TServer;
class TServers;
class TSettings;

// The dialog in which the user says where to connect, offering the saved
// hosts. It connects nothing: after OK the driver reads Values().
// One instance lives as long as the program; each showing reloads the saved
// hosts, and the fields keep their values between showings.
class TConnectDialog : public QDialog {
  Q_OBJECT

 public:
  // Settings and Servers are the program's one instance each; they must
  // outlive the dialog.
  TConnectDialog(TSettings& Settings, TServers& Servers, QWidget* Parent = nullptr);

  // Where saved passwords go; the dialog owns it. Without one they are kept
  // scrambled in Servers.ini.
  void SetKeyring(TPasswordKeyring* Keyring);

  // What the dialog says and asks. The defaults show message boxes and a
  // file dialog; window tests install recorders instead, as no one can close
  // a modal box offscreen.
  using TErrorHook = std::function<void(const QString& Text)>;
  void SetErrorHook(TErrorHook Hook) { FErrorHook = std::move(Hook); }
  using TNoticeHook = std::function<void(const QString& Text)>;
  void SetNoticeHook(TNoticeHook Hook) { FNoticeHook = std::move(Hook); }
  // A line for the debug log (why no OpenSSH hosts are listed).
  using TDebugHook = std::function<void(const QString& Line)>;
  void SetDebugHook(TDebugHook Hook) { FDebugHook = std::move(Hook); }
  using TConfirmHook = std::function<bool(const QString& Question)>;
  void SetConfirmHook(TConfirmHook Hook) { FConfirmHook = std::move(Hook); }
  // Returns the chosen file, or the empty text when the user cancelled.
  using TChooseFileHook = std::function<QString(const QString& StartPath)>;
  void SetChooseFileHook(TChooseFileHook Hook) { FChooseFileHook = std::move(Hook); }

  // The entered values, texts in 8-bit form, and the port parsed by the
  // Connect button.
  TConnectValues Values() const;
  // The next showing offers Values instead of the saved host last chosen
  // (a link's host, for the user to complete).
  void Prefill(const TConnectValues& Values) { FPrefill = Values; }

  // Runs on every showing (from showEvent); public so that callers and tests
  // can run it without a window system.
  void FormShow();
  void HostsBoxChange();
  void SaveHostBoxClick();
  void ConnectButtonClick();
  void RemoveButtonClick();
  void BrowseButtonClick();

  QLabel* SavedHostsLabel;
  QComboBox* HostsBox;
  QPushButton* RemoveButton;
  QLineEdit* HostNameEdit;
  QLineEdit* PortEdit;
  QLineEdit* UserNameEdit;
  QLineEdit* PasswordEdit;
  QLineEdit* PrivateKeyEdit;
  QPushButton* BrowseButton;
  QLineEdit* StartingDirEdit;
  QPushButton* ConnectButton;
  QPushButton* CancelButton;
  QCheckBox* SaveHostBox;
  QCheckBox* SavePasswordBox;

  // Set by the Connect button; valid (1..65535) once the dialog closed with OK.
  int PortNumber = 0;

 protected:
  void showEvent(QShowEvent* Event) override;
  void done(int Result) override;
  bool eventFilter(QObject* Watched, QEvent* Event) override;

 private:
  void CreateControls();
  void CreateHostControls();
  void LayOutControls();
  QLineEdit* AddLabelledEdit(const QString& Caption, int Left, int Top, int Width);
  QString FillHostsBox();
  void SelectSavedServer();
  void ApplyPrefill();
  void RememberSelectedServer();
  bool CheckInput(const QByteArray& HostName, const QByteArray& UserName);
  void SaveHost(const QByteArray& HostName, const QByteArray& UserName, const QByteArray& Password);
  TServer* UpdateOrAddServer(const QByteArray& HostName, const QByteArray& UserName,
                             const QByteArray& Password);
  void Refuse(const QString& Message, QLineEdit* Field);
  void ShowError(const QString& Text);
  bool Confirm(const QString& Question);

  // The keyring's side (frmConnectKeyring.cpp).
  void ReadKeyringPassword(const QString& Name);
  void StopReadingKeyring();
  void SetReadingKeyring(bool Reading);
  void StorePassword(const QString& Name, const QByteArray& Password);
  void ForgetPassword(const QString& Name);
  void KeepPasswordInFile(const QString& Name, const QByteArray& Password);
  void ShowNotice(const QString& Text);
  // The hosts of the user's OpenSSH configuration, after the saved ones.
  void AddOpenSshHosts();
  QString OpenSshAlias(int Index) const;
  void FillFromOpenSsh(const QString& Alias);

  TSettings& FSettings;
  TServers& FServers;
  TPasswordKeyring* FKeyring = nullptr;
  TErrorHook FErrorHook;
  TNoticeHook FNoticeHook;
  TConfirmHook FConfirmHook;
  TChooseFileHook FChooseFileHook;
  // The keyring read whose answer the fields wait for; a newer pick, the
  // user's typing or the dialog's closing moves it on, dropping the answer.
  int FKeyringRead = 0;
  bool FReadingKeyring = false;
  // The latest change of each host's saved password, by display name: an
  // older keyring write that fails must not put its password back.
  std::map<QString, int> FPasswordChange;
  // The jump host of the OpenSSH alias picked, which Servers.ini cannot hold.
  QString FProxyJump;
  TDebugHook FDebugHook;
  std::optional<TConnectValues> FPrefill;
};
