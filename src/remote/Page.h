#pragma once

#include <QByteArray>
#include <QString>

class TDir;
class TFile;

// What the connection driver needs of one editor page. The window's TPage
// implements it; tests implement it with plain fields.
class IPage {
 public:
  virtual ~IPage() = default;

  virtual TDir* Dir() const = 0;
  // Stores Value and fills the directory list from it.
  virtual void SetDir(TDir* Value) = 0;
  // Refills the list from Dir(); keeps the items when Dir() is null.
  virtual void PopulateDirListBox() = 0;
  virtual void ClearDirListBox() = 0;
  // The entry of the first selected list item, or null.
  virtual TFile* SelectedFile() const = 0;
  virtual void SetFrameConnected(bool Value) = 0;

  virtual QString Caption() const = 0;
  virtual void SetCaption(const QString& Value) = 0;
  virtual QByteArray RemoteFileName() const = 0;
  virtual void SetRemoteFileName(const QByteArray& Value) = 0;
  virtual bool Saved() const = 0;
  virtual void SetSaved(bool Value) = 0;
  virtual void UpdateHighlighter() = 0;

  // Replace the editor's text with the file's; throw Exception on failure.
  virtual void LoadFromFile(const QString& Path) = 0;
  // Write the editor's text to the file; throw Exception on failure.
  virtual void SaveToFile(const QString& Path) = 0;
};
