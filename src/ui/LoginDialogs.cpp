#include "ui/LoginDialogs.h"

#include "core/ErrorReport.h"
#include "remote/session/ConnectionDriver.h"
#include "ui/HostKeyDialog.h"
#include "ui/PasswordDialog.h"

THostKeyDialog* TLoginDialogs::HostKey() {
  if (!FHostKey) {
    FHostKey = new THostKeyDialog(&FParent);
    QObject::connect(FHostKey, &THostKeyDialog::Answered, &FParent, [this](THostKeyAnswer Answer) {
      ErrorReport::Guarded([&] { FDriver.AnswerHostKey(Answer); });
    });
  }
  return FHostKey;
}

TPasswordDialog* TLoginDialogs::Password() {
  if (!FPassword) {
    FPassword = new TPasswordDialog(&FParent);
    QObject::connect(FPassword, &TPasswordDialog::Answered, &FParent,
                     [this](const QByteArray& Password) {
                       ErrorReport::Guarded([&] { FDriver.AnswerPassword(Password); });
                     });
    QObject::connect(FPassword, &TPasswordDialog::Cancelled, &FParent,
                     [this] { ErrorReport::Guarded([this] { FDriver.CancelPassword(); }); });
  }
  return FPassword;
}
