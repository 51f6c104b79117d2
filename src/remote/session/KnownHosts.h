#pragma once

#include <QString>

// What the user's OpenSSH already trusts for a host, read from their
// known_hosts by OpenSSH's own ssh-keygen, which knows hashed names, ports
// and every key form. Quillery never parses the file itself.
class TKnownHosts {
 public:
  enum class TVerdict {
    Unknown,  // no key of this type for the host, or no way to tell
    Matches,  // OpenSSH trusts this very key
    Differs   // OpenSSH knows another key of this type for the host
  };
  struct TResult {
    TVerdict Verdict = TVerdict::Unknown;
    QString KnownFingerprint;  // for Differs: the one OpenSSH trusts
    QString Why;               // for the debug log
  };

  // Host and Port as psftp connects to them; KeyType and Fingerprint as
  // psftp shows the server's key ("ssh-ed25519 255", "SHA256:...").
  static TResult Check(const QString& Host, int Port, const QString& KeyType,
                       const QString& Fingerprint, const QString& File = DefaultFile());
  // ~/.ssh/known_hosts
  static QString DefaultFile();
};
