#pragma once

#include <QByteArray>

// The UTF-8 byte-order mark. Windows tools often begin a text file with it
// and may take a file without it for another encoding, so a file read with
// the mark is written back with it.
inline const QByteArray Utf8Mark("\xEF\xBB\xBF", 3);
