#include "remote/editing/RemoteFingerprint.h"

#include <QCryptographicHash>
#include <QFile>

#include "remote/listing/File.h"

namespace {
constexpr qint64 kSettledSecs = 2 * 24 * 3600;
}

void TRemoteFingerprint::SetListing(qint64 Size, TListedTime Time, bool IsLink,
                                    const QDateTime& ListedAt) {
  ListedSize = Size;
  ListedTime = Time;
  ListingSettled = !IsLink && Size >= 0 && Settles(Time, ListedAt);
}

void TRemoteFingerprint::SetListing(const TFile& Entry, const QDateTime& ListedAt) {
  SetListing(Entry.Size(), Entry.ListedTime(), Entry.IsLink(), ListedAt);
}

QByteArray TRemoteFingerprint::Sha256Of(const QString& Path) {
  QFile file(Path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QCryptographicHash hash(QCryptographicHash::Sha256);
  if (!hash.addData(&file)) return {};
  return hash.result();
}

bool TRemoteFingerprint::Settles(TListedTime Time, const QDateTime& ListedAt) {
  const QDateTime latest = Time.Latest(ListedAt);
  return latest.isValid() && latest.addSecs(kSettledSecs) <= ListedAt;
}
