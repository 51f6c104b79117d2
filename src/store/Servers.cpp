#include "store/Servers.h"

#include <QFileInfo>
#include <QStringList>

#include "core/Exception.h"
#include "store/ConfigFolder.h"
#include "store/IniFile.h"
#include "store/PasswordScramble.h"

QString TServers::FileName() { return UserConfigFolder() + "/Quillery/Servers.ini"; }

TServer* TServers::Add(const QByteArray& AHostName, const QByteArray& AUserName,
                       const QByteArray& APassword, const QByteArray& AStartingDir, int APort) {
  auto server = std::make_unique<TServer>();
  server->SetHostName(AHostName);
  server->SetUserName(AUserName);
  server->SetPassword(APassword);
  server->SetStartingDir(AStartingDir);
  server->SetPort(APort);
  Servers.push_back(std::move(server));
  return Servers.back().get();
}

// Hosts are told apart by their display name alone, with letter case: two
// entries that spell the same "host - user" are one host here.
TServer* TServers::Find(const QByteArray& HostName, const QByteArray& UserName) const {
  const QByteArray name = HostName + " - " + UserName;
  for (const auto& server : Servers) {
    if (server->DisplayName() == name) return server.get();
  }
  return nullptr;
}

// A section that cannot be read must neither hide the good hosts nor be
// rewritten by the next Save (which would lose what the user may still
// repair by hand), so it stays out of the list and is reported at the end.
void TServers::Load() {
  Servers.clear();
  const QString path = FileName();
  if (!QFileInfo::exists(path)) return;
  const TIniFile iniFile(path);
  QStringList problems;
  for (const QString& section : iniFile.ReadSections()) {
    auto server = std::make_unique<TServer>();
    try {
      server->Read(iniFile, section);
      server->GetDisplayName();
    } catch (const Exception& e) {
      problems << QString("section \"%1\": %2").arg(section, e.Message());
      continue;
    }
    Servers.push_back(std::move(server));
  }
  if (!problems.isEmpty())
    throw Exception(QString("Servers.ini \"%1\": %2").arg(path, problems.join("; ")));
}

// Sections of hosts not in the list stay as they are; the file is replaced
// in one step, so a failed save leaves the previous file whole.
void TServers::Save() {
  TIniFile iniFile(FileName());
  for (const auto& server : Servers) server->Write(iniFile);
  iniFile.UpdateFile();
}

// A host whose section no longer matches its keys (renamed by hand) lives
// in two places once saved; removing it must clear both, or it comes back
// at the next Load.
void TServers::Remove(int Index) {
  const TServer* server = GetServer(Index);
  TIniFile iniFile(FileName());
  bool erased = !server->Section().isEmpty() && iniFile.EraseSection(server->Section());
  erased = iniFile.EraseSection(QString::fromLocal8Bit(server->DisplayName())) || erased;
  if (erased) iniFile.UpdateFile();
  Servers.erase(Servers.begin() + Index);
}

void TServers::WritePassword(const QString& DisplayName, const QByteArray& Password) {
  TIniFile iniFile(FileName());
  if (!iniFile.SectionExists(DisplayName)) return;
  iniFile.WriteString(DisplayName, "Password", ScramblePassword(Password).toLatin1());
  iniFile.UpdateFile();
}

int TServers::Count() const { return int(Servers.size()); }

TServer* TServers::GetServer(int Index) const {
  if (Index < 0 || Index >= Count()) throw Exception("Argument out of range");
  return Servers[size_t(Index)].get();
}
