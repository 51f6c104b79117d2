#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

#include "remote/editing/RemoteDocument.h"

class TDir;
class TFile;

// What the core needs of one editor page: the remote directory its list
// shows, the document it edits, and its text as bytes. Everything the page
// shows is the window's business. The window's TPage implements it; tests
// implement it with plain fields.
class IPage {
 public:
  virtual ~IPage() = default;

  // The directory the page shows; null before its first listing.
  virtual TDir* Dir() const = 0;
  virtual void SetDir(TDir* Value) = 0;
  // The entry selected in the page's list; null when none is.
  virtual TFile* SelectedFile() const = 0;
  // Selects the list's entry called RemoteName; false when the list has none.
  virtual bool SelectFile(const QString& RemoteName) = 0;

  virtual TRemoteDocument& Document() = 0;
  virtual const TRemoteDocument& Document() const = 0;
  // The document changed (name, saved state, server path): show it.
  virtual void DocumentChanged() = 0;

  // Changes whenever the editor's text does: equal versions, equal text.
  virtual quint64 TextVersion() const = 0;
  // While a download into the page runs, the page takes no typing (what
  // was typed would be replaced) and says so.
  virtual void SetReceiving(bool Receiving) = 0;

  // Write the editor's text to the file, in the document's form; throw
  // Exception on failure.
  virtual void SaveToFile(const QString& Path) = 0;
  // The same, ending with Done(Error), Error empty when every byte is
  // written; the text is as it was when this was called, and typing may go
  // on meanwhile. A page may write on a worker and call Done later, or
  // never once it is closed; here it writes at once, throwing on failure.
  virtual void SaveToFileThen(const QString& Path, std::function<void(const QString& Error)> Done) {
    SaveToFile(Path);
    Done(QString());
  }
  // Replace the editor's text with the file's and take its form; throw
  // Exception, leaving the text as it was, when it cannot be read. A page
  // may put a large file in over several turns of the event loop: it is
  // Loading() until then, and neither takes typing nor saves.
  virtual void LoadFromFile(const QString& Path) = 0;
  virtual bool Loading() const { return false; }

  QByteArray RemoteFileName() const { return Document().RemotePath; }
  const TRemoteFingerprint& RemoteFingerprint() const { return Document().Fingerprint; }
  void SetRemoteFingerprint(const TRemoteFingerprint& Value) { Document().Fingerprint = Value; }
};
