#pragma once

#include <QString>

// What a private key file given in the connect dialog holds, read from its
// first lines, and where its copy in PuTTY's form lives: psftp's -i takes
// PuTTY's .ppk only, so OpenSSH's keys are converted with puttygen first.
class TPrivateKeyFile {
 public:
  enum class TFormat {
    Unreadable,  // missing, a folder, or not ours to read
    PuTTY,       // "PuTTY-User-Key-File-2/3": psftp takes it as it is
    OpenSSH,     // OpenSSH's own or the older PEM form: converted first
    PublicKey,   // the ".pub" half, chosen by mistake
    Unknown
  };

  static TPrivateKeyFile Inspect(const QString& Path);

  const QString& Path() const { return FPath; }
  TFormat Format() const { return FFormat; }
  // Whether a passphrase guards the key (for OpenSSH's form: whether
  // puttygen needs one to convert it).
  bool Encrypted() const { return FEncrypted; }
  // Why it could not be read, for Unreadable.
  const QString& Error() const { return FError; }
  // How the user knows the key: its file name.
  QString DisplayName() const;
  // The .ppk made from this key while it stays unchanged: in the private
  // keys folder, named after the key's path and a hash of its bytes, so a
  // changed key is converted anew (whatever its time says, and wherever a
  // link at its path points) and two keys of one name stay apart.
  QString ConvertedPath() const;

 private:
  void ReadHead(const QByteArray& Head);
  void ReadOpenSshBody(const QByteArray& Head);

  QString FPath;
  TFormat FFormat = TFormat::Unreadable;
  bool FEncrypted = false;
  QString FError;
  QByteArray FContentHash;  // hex SHA-256 of the file's bytes
};
