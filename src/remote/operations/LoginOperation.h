#pragma once

#include "remote/operations/PsftpOperation.h"

// Everything psftp prints from its start to its first prompt. psftp says
// "Remote working directory is /home/user" once the server has let it in;
// without that line there is no session, whatever else came.
class TLoginOperation : public TPsftpOperation {
 public:
  TLoginOperation() : TPsftpOperation(nullptr) {
    SetMissing("The server closed the session before the login completed");
  }
  QByteArray Command() const override { return QByteArray(); }
  void Line(const QString& Text) override;
  bool Succeeded() const override { return FLoggedIn; }
  // The directory psftp starts in, as the server named it.
  const QString& HomeDir() const { return FHomeDir; }

 private:
  bool FLoggedIn = false;
  QString FHomeDir;
};
