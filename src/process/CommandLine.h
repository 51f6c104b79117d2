#pragma once
// Command lines are written in the Windows convention, because the callers
// build them that way and the child's argument vector is split from them.
#include <QString>
#include <QStringList>

// Splits Line into arguments as the Microsoft C runtime does (the rules of
// CommandLineToArgvW, with the runtime's handling of "" inside quotes):
// - blanks and tabs outside quotes separate arguments; runs of them count once;
// - a double quote toggles quoting and is not copied; "" gives an empty argument;
// - 2n backslashes before a double quote give n backslashes and the quote
//   toggles quoting; 2n+1 give n backslashes and a literal double quote;
// - backslashes not followed by a double quote are copied as they are;
// - inside quotes, "" gives one literal double quote and quoting goes on.
// The first word follows the same rules as the others.
QStringList SplitCommandLine(const QString& Line);

// Returns Argument written so that SplitCommandLine gives it back as one word.
// Quotes only when needed: an empty text, or one holding blanks, tabs or
// double quotes.
QString QuoteCommandLineArgument(const QString& Argument);
