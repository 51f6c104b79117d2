#pragma once

#include <QDateTime>
#include <QStringView>

// An entry's modification time as a listing line shows it: "Dec 10 00:10"
// for a time within the last half year, "Jan  1  2030" (the year instead of
// the time of day) for an older or a future one. That is how OpenSSH's
// sftp-server and asyncssh write their long names, after "ls -l". Packed
// into 32 bits, so that a directory of many entries stays small; two equal
// values are two equal texts.
class TListedTime {
 public:
  TListedTime() = default;

  // The three fields of a listing line; invalid when they are no such time
  // (a server in another language, another layout).
  static TListedTime Parse(QStringView Month, QStringView Day, QStringView TimeOrYear);

  bool IsValid() const { return FPacked != 0; }
  bool operator==(const TListedTime& Other) const { return FPacked == Other.FPacked; }
  bool operator!=(const TListedTime& Other) const { return FPacked != Other.FPacked; }

  // The latest moment, read in this computer's time zone, that the text can
  // stand for, given that it was listed at ListedAt (the text of a recent
  // time leaves the year out). Invalid for an invalid time.
  QDateTime Latest(const QDateTime& ListedAt) const;

 private:
  explicit TListedTime(quint32 Packed) : FPacked(Packed) {}
  int Month() const { return int(FPacked >> 24) & 0x0F; }
  int Day() const { return int(FPacked >> 19) & 0x1F; }
  bool HasYear() const { return FPacked & (1u << 18); }
  int Rest() const { return int(FPacked & 0x3FFFF); }  // the year, or the minute of the day

  quint32 FPacked = 0;
};
