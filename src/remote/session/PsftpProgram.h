#pragma once

#include <QString>

// psftp beside our executable when it is there, else psftp on PATH (where
// Debian's putty-tools puts it). When neither exists, the path beside the
// executable, so that starting it fails naming the place we looked first.
QString PsftpProgramFile();

// puttygen, found the same way: it turns OpenSSH's private keys into PuTTY's.
QString PuttygenProgramFile();
