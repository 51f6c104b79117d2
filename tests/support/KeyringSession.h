#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A private D-Bus session (dbus-run-session) with gnome-keyring's Secret
// Service running and unlocked in it, keeping its keyring in a temporary
// folder, for the life of the object. Points this process's
// DBUS_SESSION_BUS_ADDRESS at it (restored after): create it before anything
// in the process talks to D-Bus, and nothing a test stores can reach the
// user's own keyring. The daemon and the bus end with the object, or with
// this process should it die first (the session lives on its standard input).
class KeyringSession {
 public:
  KeyringSession();
  ~KeyringSession();
  KeyringSession(const KeyringSession&) = delete;
  KeyringSession& operator=(const KeyringSession&) = delete;

  // Why there is no session: the programs that are not installed, or what
  // went wrong starting them. Empty when it runs.
  const QString& Missing() const { return FMissing; }
  const QString& Failure() const { return FFailure; }

  // Every file the keyring keeps lies under this folder.
  QString Folder() const { return FDir.path(); }

  // The password stored for service Service and key Name as another program
  // sees it (secret-tool, attributes "server" and "user"), or "<none>".
  QByteArray Lookup(const QString& Service, const QString& Name) const;

 private:
  QProcessEnvironment Environment() const;
  bool Start();
  QByteArray SecretTool(const QStringList& Arguments, const QByteArray& Input, int* Code) const;

  QTemporaryDir FDir;
  QProcess FSession;
  QString FMissing;
  QString FFailure;
  QByteArray FAddress;
  qint64 FDaemon = 0;
  bool FWasSet = false;
  QByteArray FSaved;
};
