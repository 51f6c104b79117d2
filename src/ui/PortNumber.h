#pragma once

#include <QString>

// The port typed in the connect dialog as an integer: leading blanks, an
// optional sign, then decimal digits or hexadecimal digits after "$" or "0x"
// ("0X"), with nothing after the digits. -1 when the text is not such an
// integer or does not fit in 32 bits; the caller checks the range.
int PortNumberFromText(const QString& Text);
