#pragma once

#include <QDialog>
#include <functional>

#include "remote/DriverView.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TServers;
class TSettings;

// The dialog in which the user says where to connect, offering the saved
// hosts. It connects nothing: after OK the driver reads Values().
// One instance lives as long as the program; each showing reloads the saved
// hosts, and the fields keep their values between showings.
class TConnectForm : public QDialog {
  Q_OBJECT

 public:
  // Settings and Servers are the program's one instance each; they must
  // outlive the dialog.
  TConnectForm(TSettings& Settings, TServers& Servers, QWidget* Parent = nullptr);

  // Shows an error to the user. The default shows a message box; window tests
  // install a recorder instead, as no one can close a modal box offscreen.
  using TErrorHook = std::function<void(const QString& Text)>;
  void SetErrorHook(TErrorHook Hook) { FErrorHook = std::move(Hook); }

  // The entered values, texts in 8-bit form, and the port parsed by the
  // Connect button.
  TConnectValues Values() const;

  // Runs on every showing (from showEvent); public so that callers and tests
  // can run it without a window system.
  void FormShow();
  void HostsBoxChange();
  void SaveHostBoxClick();
  void ConnectButtonClick();

  QLabel* Label1;
  QComboBox* HostsBox;
  QLineEdit* HostNameEdit;
  QLineEdit* PortEdit;
  QLineEdit* UserNameEdit;
  QLineEdit* PasswordEdit;
  QLineEdit* StartingDirEdit;
  QPushButton* ConnectButton;
  QPushButton* Button2;
  QCheckBox* SaveHostBox;
  QCheckBox* SavePasswordBox;

  // Set by the Connect button; valid (1..65535) once the dialog closed with OK.
  int PortNumber = 0;

 protected:
  void showEvent(QShowEvent* Event) override;

 private:
  void CreateControls();
  void LayOutControls();
  QLineEdit* AddLabelledEdit(const QString& Caption, int Left, int Top, int Width);
  QString FillHostsBox();
  void SelectSavedServer();
  void RememberSelectedServer();
  bool CheckInput(const QByteArray& HostName, const QByteArray& UserName);
  void SaveHost(const QByteArray& HostName, const QByteArray& UserName, const QByteArray& Password);
  void Refuse(const QString& Message, QLineEdit* Field);
  void ShowError(const QString& Text);

  TSettings& FSettings;
  TServers& FServers;
  TErrorHook FErrorHook;
};
