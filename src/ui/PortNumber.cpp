#include "ui/PortNumber.h"

#include <limits>

namespace {

// ASCII digits only: a port is never typed in other scripts' digits.
int DigitValue(QChar C, int Base) {
  const char16_t c = C.unicode();
  int value = -1;
  if (c >= u'0' && c <= u'9') value = c - u'0';
  if (c >= u'a' && c <= u'f') value = c - u'a' + 10;
  if (c >= u'A' && c <= u'F') value = c - u'A' + 10;
  return value < Base ? value : -1;
}

}  // namespace

int PortNumberFromText(const QString& Text) {
  qsizetype i = 0;
  while (i < Text.size() && Text[i] == u' ') ++i;
  bool negative = false;
  if (i < Text.size() && (Text[i] == u'+' || Text[i] == u'-')) negative = Text[i++] == u'-';
  int base = 10;
  if (Text.mid(i, 1) == "$") {
    base = 16;
    i += 1;
  } else if (Text.mid(i, 2).compare("0x", Qt::CaseInsensitive) == 0) {
    base = 16;
    i += 2;
  }
  if (i == Text.size()) return -1;
  qint64 value = 0;
  for (; i < Text.size(); ++i) {
    const int digit = DigitValue(Text[i], base);
    if (digit < 0) return -1;
    value = value * base + digit;
    if (value > qint64(std::numeric_limits<int>::max()) + 1) return -1;
  }
  value = negative ? -value : value;
  return value > std::numeric_limits<int>::max() ? -1 : int(value);
}
