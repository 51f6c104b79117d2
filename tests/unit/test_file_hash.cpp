// The SHA-256 of downloads and uploads: libcrypto's digest against known
// values (the expected ones are coreutils' sha256sum of the same bytes), and
// the digest of a local file computed on a worker thread.
#include <QCoreApplication>
#include <QFile>
#include <QObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

#include "HeldHashes.h"
#include "WaitFor.h"
#include "remote/local/FileHash.h"
#include "remote/local/Sha256.h"

namespace {

// Bytes 0 to 255 over and over: more than three of the digest's read blocks,
// ending inside a block.
QByteArray LargerThanABlock() {
  QByteArray Pattern;
  for (int Byte = 0; Byte < 256; ++Byte) Pattern += char(Byte);
  return Pattern.repeated(12289);
}

bool WriteFile(const QString& Path, const QByteArray& Bytes) {
  QFile File(Path);
  return File.open(QIODevice::WriteOnly) && File.write(Bytes) == Bytes.size();
}

TEST(Sha256, KnownDigestsOfBytesAndFiles) {
  ASSERT_GT(LargerThanABlock().size(), 3 * TSha256::BlockSize);
  const struct {
    const char* Name;
    QByteArray Bytes;
    const char* Digest;
  } Cases[] = {
      {"empty", "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"one byte", "a", "ca978112ca1bbdcafac231b39a23dc4da786eff8147c4e72b9807785afee48bb"},
      {"larger than a block", LargerThanABlock(),
       "679361bf172a2b2f3d48919ee7b2b6fea9cf6e351005736ac7274ac8fde4e0f2"},
  };
  QTemporaryDir Dir;
  ASSERT_TRUE(Dir.isValid());
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    EXPECT_EQ(TSha256::Of(Case.Bytes).toHex(), Case.Digest);
    const QString Path = Dir.filePath(Case.Name);
    ASSERT_TRUE(WriteFile(Path, Case.Bytes));
    EXPECT_EQ(TSha256::OfFile(Path).toHex(), Case.Digest);
    const TFileHash Hash = TFileHash::Of(Path);
    ASSERT_TRUE(WaitFor([&] { return Hash.Ready(); }));
    EXPECT_EQ(Hash.Digest().toHex(), Case.Digest);
  }
  EXPECT_TRUE(TSha256::OfFile(Dir.filePath("missing")).isEmpty());
  EXPECT_TRUE(TSha256::OfFile(Dir.path()).isEmpty()) << "a folder has no bytes to hash";
}

// The window's thread goes on while a digest is computed; the digest is of
// the bytes the file held when it was asked for, even though the file is
// replaced and removed before the worker reads it; a waiter whose context
// has gone is not called.
TEST(FileHash, IsComputedOnAWorkerOfTheBytesThereWhenAsked) {
  QTemporaryDir Dir;
  ASSERT_TRUE(Dir.isValid());
  const QString Path = Dir.filePath("copy");
  ASSERT_TRUE(WriteFile(Path, "a"));
  THeldHashes Held;
  const TFileHash Hash = TFileHash::Of(Path);
  ASSERT_TRUE(QFile::remove(Path));
  ASSERT_TRUE(WriteFile(Path, "replaced"));

  int Called = 0;
  int CalledAfterGone = 0;
  QObject Context;
  auto Gone = std::make_unique<QObject>();
  Hash.WhenReady(&Context, [&] { ++Called; });
  Hash.WhenReady(Gone.get(), [&] { ++CalledAfterGone; });
  Gone.reset();
  // The event loop runs, and nothing is known yet.
  EXPECT_FALSE(WaitFor([&] { return Hash.Ready(); }, 300));
  EXPECT_EQ(Called, 0);

  Held.Release();
  ASSERT_TRUE(WaitFor([&] { return Hash.Ready(); }));
  EXPECT_FALSE(Held.OnMainThread());
  EXPECT_EQ(Hash.Digest().toHex(),
            "ca978112ca1bbdcafac231b39a23dc4da786eff8147c4e72b9807785afee48bb");
  EXPECT_EQ(Called, 1);
  EXPECT_EQ(CalledAfterGone, 0);
  // Once known, a waiter is called at once.
  Hash.WhenReady(&Context, [&] { ++Called; });
  EXPECT_EQ(Called, 2);

  const TFileHash Missing = TFileHash::Of(Dir.filePath("missing"));
  EXPECT_TRUE(Missing.Ready());
  EXPECT_TRUE(Missing.Digest().isEmpty());
}

TEST(FileHash, BothReadyWaitsForTheSlowerOfTwo) {
  QTemporaryDir Dir;
  ASSERT_TRUE(Dir.isValid());
  ASSERT_TRUE(WriteFile(Dir.filePath("file"), "a"));
  THeldHashes Held;
  const TFileHash Known = TFileHash::Known("digest");
  const TFileHash Pending = TFileHash::Of(Dir.filePath("file"));
  QObject Context;
  int Both = 0;
  // In either order: the known one first, or the pending one.
  TFileHash::WhenBothReady(Known, Pending, &Context, [&] { Both += Pending.Ready(); });
  TFileHash::WhenBothReady(Pending, Known, &Context, [&] { Both += Pending.Ready(); });
  EXPECT_FALSE(WaitFor([&] { return Both > 0; }, 300));
  Held.Release();
  EXPECT_TRUE(WaitFor([&] { return Both == 2; }));
}

}  // namespace
