#pragma once

#include <QByteArray>
#include <QString>

struct evp_md_ctx_st;

// SHA-256 through OpenSSL's libcrypto, which uses the processor's SHA
// instructions where it has them: several times faster than a portable
// implementation, which matters for files of tens of megabytes.
class TSha256 {
 public:
  // Throws Exception when libcrypto cannot set up a digest.
  TSha256();
  ~TSha256();
  TSha256(const TSha256&) = delete;
  TSha256& operator=(const TSha256&) = delete;

  void Add(const char* Data, qsizetype Size);
  // The 32-byte digest of everything added; the object is spent after it.
  QByteArray Result();

  static QByteArray Of(const QByteArray& Bytes);
  // The digest of what is left to read on the open descriptor Fd; empty
  // when a read fails.
  static QByteArray OfDescriptor(int Fd);
  // The digest of a local file's bytes; empty when it cannot be read.
  static QByteArray OfFile(const QString& Path);

  // The size of the blocks OfDescriptor reads.
  static constexpr qsizetype BlockSize = 1024 * 1024;

 private:
  evp_md_ctx_st* FContext;
};
