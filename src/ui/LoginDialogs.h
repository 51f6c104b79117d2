#pragma once

class QWidget;
class TConnectionDriver;
class THostKeyDialog;
class TPasswordDialog;

// The two questions a login asks while psftp waits: the server's host key
// and a password or passphrase. Each dialog is made when first needed and
// hands its answer straight to the driver.
class TLoginDialogs {
 public:
  TLoginDialogs(QWidget& Parent, TConnectionDriver& Driver) : FParent(Parent), FDriver(Driver) {}

  THostKeyDialog* HostKey();
  TPasswordDialog* Password();

 private:
  QWidget& FParent;
  TConnectionDriver& FDriver;
  THostKeyDialog* FHostKey = nullptr;
  TPasswordDialog* FPassword = nullptr;
};
