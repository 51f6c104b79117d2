#pragma once
// Saved hosts: one host, the list of them, and the password scrambling.
#include "store/Server.h"
#include "store/Servers.h"

#include <QByteArray>
#include <QString>

QString ScramblePassword(const QByteArray& Password);
// Throws "Error 22" for odd length, "''%s'' is not a valid integer value" for a bad pair.
QByteArray UnscramblePassword(const QString& Scrambled);
