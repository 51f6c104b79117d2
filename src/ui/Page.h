#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>

#include "remote/editing/DriverPage.h"
#include "remote/local/TextFile.h"

class QListView;
class QTabWidget;
class QsciScintilla;
class TEditFrame;
class TFile;
class THighlighters;

// One editor tab: its sheet on the tab control, the edit frame on it, the
// remote directory the list shows (owned by the directory cache) and whether
// the text has unsaved changes. A child of its tab sheet, so it goes with it.
class TPage : public QObject, public IPage {
 public:
  // SavedChanged runs whenever Saved is written, so the window can follow it.
  TPage(QTabWidget* Tabs, QWidget* TabSheet, TEditFrame* EditFrame,
        std::function<void()> SavedChanged);

  TEditFrame* Frame() const { return FEditFrame; }
  QsciScintilla* Editor() const { return FEditor; }
  QWidget* TabSheet() const { return FTabSheet; }
  QListView* DirListBox() const;
  const TTextFormat& Format() const { return FFormat; }
  // True while a file is being loaded: the editor's change signal is no edit then.
  bool Loading() const { return FLoading; }

  // The caption of a page that has no file behind it yet.
  static QString UntitledCaption() { return QStringLiteral("Untitled"); }

  TDir* Dir() const override { return FDir; }
  void SetDir(TDir* Value);
  void PopulateDirListBox();
  void ClearDirListBox();
  TFile* SelectedFile() const;
  // Selects the list's entry called RemoteName; false when the list has none.
  bool SelectFile(const QString& RemoteName);
  void SetFrameConnected(bool Value);

  QString Caption() const;
  void SetCaption(const QString& Value);
  QByteArray RemoteFileName() const override { return FRemoteFileName; }
  void SetRemoteFileName(const QByteArray& Value) { FRemoteFileName = Value; }
  bool Saved() const { return FSaved; }
  void SetSaved(bool Value);
  // Picks the highlighter from the caption's extension. Without highlighters
  // (a page made outside the window) the page keeps plain text.
  void UpdateHighlighter();
  // The window's shared highlighters; they must outlive the page.
  void SetHighlighters(THighlighters* Value) { FHighlighters = Value; }

  void LoadFromFile(const QString& Path);
  void SaveToFile(const QString& Path) override;
  const TRemoteFingerprint& RemoteFingerprint() const override { return FRemoteFingerprint; }
  void SetRemoteFingerprint(const TRemoteFingerprint& Value) override {
    FRemoteFingerprint = Value;
  }

 private:
  TEditFrame* FEditFrame;
  QsciScintilla* FEditor;
  QWidget* FTabSheet;
  QTabWidget* FTabs;
  TDir* FDir = nullptr;
  bool FSaved = true;
  QString FCaption;
  QByteArray FRemoteFileName;
  TRemoteFingerprint FRemoteFingerprint;
  TTextFormat FFormat;
  bool FLoading = false;
  std::function<void()> FSavedChanged;
  THighlighters* FHighlighters = nullptr;
};
