#pragma once

#include <QByteArray>
#include <QString>

#include "remote/editing/RemoteFingerprint.h"

class TDir;

// What the connection driver needs of one editor page: where it is in the
// remote tree and how to write its text. Everything the page shows is the
// window's business, told through IDriverView's events. The window's TPage
// implements it; tests implement it with plain fields.
class IPage {
 public:
  virtual ~IPage() = default;

  // The directory the page shows; null before its first listing.
  virtual TDir* Dir() const = 0;
  // The remote path the page's text came from; empty for a page never downloaded.
  virtual QByteArray RemoteFileName() const = 0;
  // Write the editor's text to the file; throw Exception on failure.
  virtual void SaveToFile(const QString& Path) = 0;
  // What the page last saw of its remote file: the driver keeps it, the
  // window hands it to a page that opens the server's version.
  virtual const TRemoteFingerprint& RemoteFingerprint() const = 0;
  virtual void SetRemoteFingerprint(const TRemoteFingerprint& Value) = 0;
};
