#pragma once

#include <QByteArray>
#include <QStringList>

// The words of a command as psftp splits them: quoted, inner quotes doubled.
QStringList Words(const QByteArray& Command);
// psftp 0.78's answer, up to its prompt, when the "put", "chmod", "mv" or
// "rm" Command worked (as it prints them against the loopback server; a
// "chmod" as when the bits changed from 0600).
QByteArray Done(const QByteArray& Command);
