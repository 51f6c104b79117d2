#include "remote/listing/ListedTime.h"

namespace {
// Servers write the month with strftime's "%b" in the C locale.
const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

int Number(QStringView Digits, int MaxLength) {
  if (Digits.isEmpty() || Digits.size() > MaxLength) return -1;
  int value = 0;
  for (QChar c : Digits) {
    if (c < u'0' || c > u'9') return -1;
    value = value * 10 + (c.unicode() - u'0');
  }
  return value;
}

// A recent time's year is the listing's, unless that would put it well
// after the listing (a date in December listed in January): then it is the
// year before. Two days cover any two time zones and a clock that is a
// little off.
constexpr qint64 kZoneSlackSecs = 2 * 24 * 3600;
}  // namespace

TListedTime TListedTime::Parse(QStringView Month, QStringView Day, QStringView TimeOrYear) {
  int month = 0;
  for (int i = 0; i < 12 && month == 0; ++i)
    if (Month == QLatin1String(kMonths[i])) month = i + 1;
  const int day = Number(Day, 2);
  if (month == 0 || day < 1 || day > 31) return {};
  quint32 rest = 0;
  bool hasYear = false;
  const qsizetype colon = TimeOrYear.indexOf(u':');
  if (colon < 0) {
    const int year = Number(TimeOrYear, 5);
    if (year < 1 || year > 0x3FFFF) return {};
    rest = quint32(year);
    hasYear = true;
  } else {
    const int hour = Number(TimeOrYear.left(colon), 2);
    const int minute =
        TimeOrYear.size() - colon - 1 == 2 ? Number(TimeOrYear.mid(colon + 1), 2) : -1;
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59) return {};
    rest = quint32(hour * 60 + minute);
  }
  return TListedTime(quint32(month) << 24 | quint32(day) << 19 | (hasYear ? 1u << 18 : 0u) | rest);
}

QDateTime TListedTime::Latest(const QDateTime& ListedAt) const {
  if (!IsValid() || !ListedAt.isValid()) return {};
  if (HasYear()) {
    const QDate date(Rest(), Month(), Day());
    return date.isValid() ? QDateTime(date, QTime(23, 59, 59)) : QDateTime();
  }
  const QTime time(Rest() / 60, Rest() % 60, 59);
  const int year = ListedAt.date().year();
  const QDateTime thisYear(QDate(year, Month(), Day()), time);
  if (thisYear.isValid() && thisYear <= ListedAt.addSecs(kZoneSlackSecs)) return thisYear;
  const QDateTime yearBefore(QDate(year - 1, Month(), Day()), time);
  return yearBefore.isValid() ? yearBefore : QDateTime();
}
