#include "store/Server.h"

#include "core/Exception.h"
#include "store/IniFile.h"
#include "store/PasswordScramble.h"

namespace {

// A password of nothing but blanks or control characters counts as no
// password at all; anything else must unscramble.
bool IsBlankText(const QByteArray& Text) {
  for (char c : Text) {
    if (uchar(c) > 32) return false;
  }
  return true;
}

const char* const PrivateKeyFileKey = "PrivateKeyFile";

}  // namespace

void TServer::SetPort(int Value) {
  if (Value < 0 || Value > 65535)
    throw Exception(QString("TServer.SetPort: Port number out of range: %1").arg(Value));
  FPort = Value;
}

QByteArray TServer::GetDisplayName() const {
  if (FHostName.isEmpty() || FUserName.isEmpty())
    throw Exception("TServer.GetDisplayName: HostName or UserName not set");
  return FHostName + " - " + FUserName;
}

// The port is taken as the file has it, without the range test: a port the
// user cannot connect to is refused later, when they try.
void TServer::Read(const TIniFile& IniFile, const QString& Section) {
  FSection = Section;
  FHostName = IniFile.ReadString(Section, "HostName", QByteArray());
  FUserName = IniFile.ReadString(Section, "UserName", QByteArray());
  FPort = IniFile.ReadInteger(Section, "Port", 22);
  FStartingDir = IniFile.ReadString(Section, "StartingDir", QByteArray());
  const QByteArray password = IniFile.ReadString(Section, "Password", QByteArray());
  FPassword =
      IsBlankText(password) ? QByteArray() : UnscramblePassword(QString::fromLocal8Bit(password));
  FPrivateKeyFile =
      QString::fromLocal8Bit(IniFile.ReadString(Section, PrivateKeyFileKey, QByteArray()));
}

void TServer::Write(TIniFile& IniFile) const {
  const QString section = QString::fromLocal8Bit(GetDisplayName());
  IniFile.WriteString(section, "HostName", FHostName);
  IniFile.WriteString(section, "UserName", FUserName);
  IniFile.WriteString(section, "Password", ScramblePassword(FPassword).toLatin1());
  IniFile.WriteString(section, "StartingDir", FStartingDir);
  IniFile.WriteInteger(section, "Port", FPort);
  // A host without a key is written exactly as before the key existed, so
  // an older Quillery, or a diff of the file, sees no change; a key once
  // written is rewritten, empty when it was cleared.
  if (!FPrivateKeyFile.isEmpty() || IniFile.ValueExists(section, PrivateKeyFileKey))
    IniFile.WriteString(section, PrivateKeyFileKey, FPrivateKeyFile.toLocal8Bit());
}
