#include "remote/editing/RemoteFingerprint.h"

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

bool TRemoteFingerprint::Settles(TListedTime Time, const QDateTime& ListedAt) {
  const QDateTime latest = Time.Latest(ListedAt);
  return latest.isValid() && latest.addSecs(kSettledSecs) <= ListedAt;
}
