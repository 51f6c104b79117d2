#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

#include "remote/local/TextFile.h"

class QObject;

// Reading and decoding, or encoding and writing, a large local copy on a
// worker thread, so that the window goes on meanwhile. What came of it is
// known on the application's main thread, and only while Context lives:
// a page closed meanwhile hears nothing, and the worker's result is dropped.
class TTextFileWorker {
 public:
  struct TLoaded {
    QByteArray Utf8;
    TTextFormat Format;
    // Empty when the file was read.
    QString Error;
  };
  // Reads the file open as Fd (taken over and closed) to its end and
  // decodes it as TTextFile::LoadUtf8 does. Path names it in a message.
  static void Load(int Fd, const QString& Path, QObject* Context,
                   std::function<void(TLoaded& Loaded)> Done);
  // Writes Utf8 to Path in Format, as TTextFile::SaveUtf8 does (a failure
  // leaves the old file as it was); Error is empty when every byte is written.
  static void Save(const QString& Path, QByteArray Utf8, const TTextFormat& Format,
                   QObject* Context, std::function<void(const QString& Error)> Done);
};
