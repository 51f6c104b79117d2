#pragma once

#include <QByteArray>
#include <QStringList>

// The words of a command as psftp splits them: quoted, inner quotes doubled.
QStringList Words(const QByteArray& Command);
