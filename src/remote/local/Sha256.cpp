#include "remote/local/Sha256.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <openssl/evp.h>
#include <unistd.h>

#include "core/Exception.h"

TSha256::TSha256() : FContext(EVP_MD_CTX_new()) {
  if (!FContext || EVP_DigestInit_ex(FContext, EVP_sha256(), nullptr) != 1) {
    EVP_MD_CTX_free(FContext);
    throw Exception("Unable to compute a SHA-256 digest");
  }
}

TSha256::~TSha256() { EVP_MD_CTX_free(FContext); }

void TSha256::Add(const char* Data, qsizetype Size) {
  if (Size > 0) EVP_DigestUpdate(FContext, Data, size_t(Size));
}

QByteArray TSha256::Result() {
  unsigned char Digest[EVP_MAX_MD_SIZE];
  unsigned int Length = 0;
  if (EVP_DigestFinal_ex(FContext, Digest, &Length) != 1) return {};
  return QByteArray(reinterpret_cast<const char*>(Digest), qsizetype(Length));
}

QByteArray TSha256::Of(const QByteArray& Bytes) {
  TSha256 Hash;
  Hash.Add(Bytes.constData(), Bytes.size());
  return Hash.Result();
}

QByteArray TSha256::OfDescriptor(int Fd) {
  TSha256 Hash;
  const std::unique_ptr<char[]> Block(new char[size_t(BlockSize)]);
  for (;;) {
    const ssize_t Got = read(Fd, Block.get(), size_t(BlockSize));
    if (Got < 0 && errno == EINTR) continue;
    if (Got < 0) return {};
    if (Got == 0) return Hash.Result();
    Hash.Add(Block.get(), qsizetype(Got));
  }
}

QByteArray TSha256::OfFile(const QString& Path) {
  const int Fd = open(QFile::encodeName(Path).constData(), O_RDONLY | O_CLOEXEC);
  if (Fd < 0) return {};
  const QByteArray Digest = OfDescriptor(Fd);
  close(Fd);
  return Digest;
}
