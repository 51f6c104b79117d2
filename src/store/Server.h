#pragma once
#include <QByteArray>
#include <QString>

class TIniFile;

// One saved host. Texts are 8-bit in the system's encoding.
class TServer {
 public:
  int Port() const { return FPort; }
  // Throws "TServer.SetPort: Port number out of range: %d" outside 0..65535.
  void SetPort(int Value);
  const QByteArray& HostName() const { return FHostName; }
  void SetHostName(const QByteArray& Value) { FHostName = Value; }
  const QByteArray& UserName() const { return FUserName; }
  void SetUserName(const QByteArray& Value) { FUserName = Value; }
  const QByteArray& Password() const { return FPassword; }
  void SetPassword(const QByteArray& Value) { FPassword = Value; }
  const QByteArray& StartingDir() const { return FStartingDir; }
  void SetStartingDir(const QByteArray& Value) { FStartingDir = Value; }
  // The private key to log in with; empty for none.
  const QString& PrivateKeyFile() const { return FPrivateKeyFile; }
  void SetPrivateKeyFile(const QString& Value) { FPrivateKeyFile = Value; }
  // The section Read took the host from; empty for a host not read from the
  // file. It need not be the display name (a file edited by hand).
  const QString& Section() const { return FSection; }

  // "host - user"; throws "TServer.GetDisplayName: HostName or UserName not set".
  QByteArray GetDisplayName() const;
  QByteArray DisplayName() const { return GetDisplayName(); }

  void Read(const TIniFile& IniFile, const QString& Section);
  void Write(TIniFile& IniFile) const;

 private:
  int FPort = 0;
  QByteArray FHostName;
  QByteArray FUserName;
  QByteArray FPassword;
  QByteArray FStartingDir;
  QString FPrivateKeyFile;
  QString FSection;
};
