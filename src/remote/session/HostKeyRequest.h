#pragma once

#include <QString>

// A question psftp asks on standard error before it goes on connecting.
struct THostKeyRequest {
  enum TKind {
    hkNewKey,      // "Store key in cache?": the host is not known yet
    hkChangedKey,  // "WARNING - POTENTIAL SECURITY BREACH!": the key differs from the cached one
    hkWeakCrypto   // "Continue with connection?": a weak algorithm was negotiated
  };
  TKind Kind = hkNewKey;
  QString Host;
  int Port = 0;
  QString KeyType;      // e.g. "ssh-ed25519 255"
  QString Fingerprint;  // e.g. "SHA256:..."
  // The other key the user's OpenSSH trusts for this host (known_hosts), when
  // it differs from the one the server shows; the question is then a warning.
  QString KnownFingerprint;
  QString Text;  // psftp's whole question, for "more info"
};

// What the user said to a host-key question.
enum class THostKeyAnswer {
  Trust,   // "y": store the key and go on
  Once,    // "n": go on without storing it
  Abandon  // an empty line: abandon the connection
};

// psftp asks for a password it was not given, or for a private key's passphrase.
struct TPasswordRequest {
  enum class TKind { Password, Passphrase };
  TKind Kind = TKind::Password;
  QString Prompt;   // e.g. "tester@127.0.0.1's password: "
  QString Key;      // for a passphrase: the key's name as psftp or Quillery gives it
  QString Warning;  // e.g. "Wrong passphrase": why it is asked again
};
