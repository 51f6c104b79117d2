#pragma once
#include <QByteArray>
#include <QString>
#include <memory>
#include <vector>

#include "store/Server.h"

// The saved hosts, in the order they were first saved; kept in
// $XDG_CONFIG_HOME/Quillery/Servers.ini (default ~/.config/Quillery/Servers.ini).
class TServers {
 public:
  // Throws the SetPort error (and appends nothing) for a port out of range.
  // Returns the new server, which the list owns.
  TServer* Add(const QByteArray& AHostName, const QByteArray& AUserName,
               const QByteArray& APassword, const QByteArray& AStartingDir, int APort);
  TServer* Find(const QByteArray& HostName, const QByteArray& UserName) const;
  // Replaces the list with the file's hosts. Sections that cannot be read
  // (a password that does not unscramble, no host name or user name) are left
  // out of the list and untouched in the file; after reading every other
  // section, Load throws one Exception naming the file and each bad section.
  void Load();
  // Writes every server to the file: a complete new file renamed over the old
  // one (mode 0600, folder 0700); other sections and unknown keys are kept.
  void Save();
  // Takes the host out of the list and out of the file at once: the section
  // it was read from and the one its display name gives, every section of
  // either name. Throws the file's write error; the list is then unchanged.
  void Remove(int Index);
  // Stores Password (scrambled) in the file section named DisplayName, if
  // that section is there; the rest of the file, and the list, stay as they
  // are. For a password that could not go anywhere safer after Save.
  static void WritePassword(const QString& DisplayName, const QByteArray& Password);
  int Count() const;
  // Throws "Argument out of range".
  TServer* GetServer(int Index) const;

  static QString FileName();

 private:
  std::vector<std::unique_ptr<TServer>> Servers;
};
