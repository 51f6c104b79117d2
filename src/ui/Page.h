#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>

#include "remote/editing/DriverPage.h"
#include "remote/editing/LanguageTable.h"

class QListView;
class QTabWidget;
class QsciScintilla;
class TEditFrame;
class TDirListModel;
class TDirListModels;
class TFile;
class THighlighters;
class TTextLoad;

// One editor tab: its sheet on the tab control, the edit frame on it, the
// remote directory the list shows (owned by the directory cache) and whether
// the text has unsaved changes. A child of its tab sheet, so it goes with it.
// The list shows its folder's model, shared with every other tab that shows
// the folder; each tab keeps its own selection and scroll position.
class TPage : public QObject, public IPage {
 public:
  // SavedChanged runs whenever Saved is written, so the window can follow it.
  // Models are the window's shared folder models (they must outlive the
  // page); without them the page keeps models of its own.
  TPage(QTabWidget* Tabs, QWidget* TabSheet, TEditFrame* EditFrame,
        std::function<void()> SavedChanged, TDirListModels* Models = nullptr);
  // A load or a write the page showed ends unseen: its text goes too.
  ~TPage() override;

  TEditFrame* Frame() const { return FEditFrame; }
  QsciScintilla* Editor() const { return FEditor; }
  QWidget* TabSheet() const { return FTabSheet; }
  QListView* DirListBox() const;
  const TTextFormat& Format() const { return FDocument.Format; }
  // True while a file is being loaded: the editor's change signal is no edit
  // then, and the page takes no typing and does not save.
  bool Loading() const override { return FLoading; }

  TDir* Dir() const override { return FDir; }
  // Shows Value's shared model (a different folder from the top, with
  // nothing selected); null leaves the list as it is.
  void SetDir(TDir* Value) override;
  // The folder's entries changed: every tab that shows it reads them again,
  // each keeping the entry it had selected (by name) and its scroll position.
  void PopulateDirListBox();
  // The list shows nothing until the page's folder is shown again.
  void ClearDirListBox();
  TFile* SelectedFile() const override;
  // Selects the list's entry called RemoteName; false when the list has none.
  bool SelectFile(const QString& RemoteName) override;
  void SetFrameConnected(bool Value);

  // The tab's label: the document's name.
  QString Caption() const { return FDocument.DisplayName(); }
  TRemoteDocument& Document() override { return FDocument; }
  const TRemoteDocument& Document() const override { return FDocument; }
  // The tab follows the document: its label, its highlighter, the Save command.
  void DocumentChanged() override;
  bool Saved() const { return FDocument.Saved; }
  void SetSaved(bool Value);
  // Picks the highlighter from the document's name and first line, unless
  // the user chose a language for this name; a file the table does not know
  // is plain text. Without highlighters (a page made outside the window) the
  // page keeps plain text.
  void UpdateHighlighter();
  // The user's choice from View > Language; it lasts while the name does.
  void SetLanguage(TLanguage Value);
  TLanguage Language() const { return FLanguage; }
  // Runs when the facts the status bar shows of the text change: its
  // language, or its form after a load.
  void SetFactsChanged(std::function<void()> Value) { FFactsChanged = std::move(Value); }
  // The window's shared highlighters; they must outlive the page.
  void SetHighlighters(THighlighters* Value) { FHighlighters = Value; }

  // A file up to this size goes into the editor at once, in a few
  // milliseconds; a larger one over several turns of the event loop
  // (TTextLoad), and a larger text is written on a worker.
  static constexpr qsizetype AtOnceLimit = 4 * 1024 * 1024;
  void LoadFromFile(const QString& Path) override;
  void SaveToFile(const QString& Path) override;
  void SaveToFileThen(const QString& Path, std::function<void(const QString& Error)> Done) override;
  // Shows how far a load or a write has come ("Opening NAME… 40%"); an
  // empty text when it is done.
  void SetProgressShown(std::function<void(const QString& Text)> Value) {
    FProgressShown = std::move(Value);
  }
  quint64 TextVersion() const override { return FTextVersion; }
  void SetReceiving(bool Receiving) override;
  bool Receiving() const { return FReceiving; }

 private:
  void ShowCaption();
  // Shows the model of FDir unless it is shown already; true when it was not.
  bool ShowDirModel();
  void ShowListModel(TDirListModel* Model);
  void WatchList();
  // Around a refill of the shared model: what this tab showed, and back.
  void KeepPlace();
  void RestorePlace();
  // The row of the entry called RemoteName nearest to Near; -1 for none.
  int RowNamed(const QString& RemoteName, int Near) const;
  void ApplyLanguage(TLanguage Value);
  void TellFacts() const;
  void LoadInTurns(int Fd, const QString& Path);
  void Loaded(const TTextFormat& Format);
  void StopLoad();
  void ShowProgress(const QString& Text);
  TEditFrame* FEditFrame;
  QsciScintilla* FEditor;
  QWidget* FTabSheet;
  QTabWidget* FTabs;
  TDir* FDir = nullptr;
  TDirListModels* FModels;
  // The entry last selected in the list, by name.
  QString FSelectedName;
  // Before a refill: its row and the list's scroll position.
  int FSelectedRow = -1;
  int FScrolled = 0;
  TRemoteDocument FDocument;
  bool FLoading = false;
  bool FReceiving = false;
  quint64 FTextVersion = 0;
  std::function<void()> FSavedChanged;
  THighlighters* FHighlighters = nullptr;
  TLanguage FLanguage = TLanguage::None;
  // The name the user's choice of language was made for; null for none.
  QString FChosenFor;
  std::function<void()> FFactsChanged;
  std::function<void(const QString&)> FProgressShown;
  bool FProgressOn = false;
  // The load under way; a child of the page.
  TTextLoad* FLoad = nullptr;
};
