#include "store/PasswordScramble.h"

#include "core/Exception.h"

// Passwords are kept out of plain sight in Servers.ini, not encrypted: each
// byte is rotated by two bits and written as two uppercase hex digits.

namespace {

uchar RotateRight2(uchar Byte) { return uchar((Byte >> 2) | (Byte << 6)); }
uchar RotateLeft2(uchar Byte) { return uchar((Byte << 2) | (Byte >> 6)); }

int HexDigit(QChar C) {
  if (C >= '0' && C <= '9') return C.unicode() - '0';
  if (C >= 'A' && C <= 'F') return C.unicode() - 'A' + 10;
  if (C >= 'a' && C <= 'f') return C.unicode() - 'a' + 10;
  return -1;
}

// A pair is read as the hexadecimal number "$" followed by the pair, so a
// bad pair is reported the way that conversion reports it.
uchar HexPair(const QString& Pair) {
  const int high = HexDigit(Pair[0]);
  const int low = HexDigit(Pair[1]);
  if (high < 0 || low < 0)
    throw Exception(QString("''$%1'' is not a valid integer value").arg(Pair));
  return uchar(high * 16 + low);
}

}  // namespace

QString ScramblePassword(const QByteArray& Password) {
  QByteArray rotated;
  rotated.reserve(Password.size());
  for (char byte : Password) rotated += char(RotateRight2(uchar(byte)));
  return QString::fromLatin1(rotated.toHex().toUpper());
}

QByteArray UnscramblePassword(const QString& Scrambled) {
  if (Scrambled.size() % 2 != 0) throw Exception("Error 22");
  QByteArray password;
  password.reserve(Scrambled.size() / 2);
  for (qsizetype i = 0; i < Scrambled.size(); i += 2)
    password += char(RotateLeft2(HexPair(Scrambled.mid(i, 2))));
  return password;
}
