#include "ui/Page.h"

#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QListView>
#include <QScrollBar>
#include <QTabWidget>
#include <Qsci/qsciscintilla.h>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <unistd.h>

#include "core/ErrorReport.h"
#include "core/Exception.h"
#include "remote/listing/Dir.h"
#include "remote/listing/File.h"
#include "remote/local/TextFileWorker.h"
#include "ui/DirListDelegate.h"
#include "ui/DirListModel.h"
#include "ui/DirListModels.h"
#include "ui/EditFrame.h"
#include "ui/Editor.h"
#include "ui/Highlighters.h"
#include "ui/TextCopy.h"
#include "ui/TextLoad.h"

namespace {
QsciScintilla::EolMode EolModeFor(const QByteArray& LineEnd) {
  if (LineEnd == "\r\n") return QsciScintilla::EolWindows;
  if (LineEnd == "\r") return QsciScintilla::EolMac;
  return QsciScintilla::EolUnix;
}
}  // namespace

TPage::TPage(QTabWidget* Tabs, QWidget* TabSheet, TEditFrame* EditFrame,
             std::function<void()> SavedChanged, TDirListModels* Models)
    : QObject(TabSheet),
      FEditFrame(EditFrame),
      FEditor(EditFrame->Editor()),
      FTabSheet(TabSheet),
      FTabs(Tabs),
      FModels(Models ? Models : new TDirListModels(this)),
      FSavedChanged(std::move(SavedChanged)) {
  FEditor->setEolMode(EolModeFor(FDocument.Format.LineEnd));
  QObject::connect(FEditor, &QsciScintilla::textChanged, this, [this] { ++FTextVersion; });
  WatchList();
}

TPage::~TPage() {
  if (FProgressOn && FProgressShown) FProgressShown(QString());
}

// The tab says why the page takes no typing; the lock of a save in progress
// may have made the editor read-only as well, and keeps it so.
void TPage::SetReceiving(bool Receiving) {
  if (Receiving == FReceiving) return;
  FReceiving = Receiving;
  FEditor->setReadOnly(Receiving);
  ShowCaption();
}

QListView* TPage::DirListBox() const { return FEditFrame->DirListBox(); }

void TPage::SetDir(TDir* Value) {
  if (!Value) {
    FDir = nullptr;
    return;
  }
  if (Value != FDir) FSelectedName.clear();
  FDir = Value;
  ShowDirModel();
}

bool TPage::ShowDirModel() {
  TDirListModel* model = FModels->For(FDir);
  if (FEditFrame->DirListModel() == model) return false;
  ShowListModel(model);
  // The scroll range of the folder's rows at once, shown or not.
  DirListBox()->doItemsLayout();
  DirListBox()->verticalScrollBar()->setValue(0);
  return true;
}

void TPage::ShowListModel(TDirListModel* Model) {
  QObject::disconnect(FEditFrame->DirListModel(), nullptr, this, nullptr);
  FEditFrame->ShowModel(Model);
  WatchList();
}

// By name: a refilled folder's rows hold other entries by then. A reset
// of the model clears the selection without a signal, so the name
// outlives it. The model may be shared: any tab's refill reaches this one.
void TPage::WatchList() {
  QObject::connect(DirListBox()->selectionModel(), &QItemSelectionModel::currentChanged, this,
                   [this] {
                     const TFile* file = SelectedFile();
                     FSelectedName = file ? file->RemoteName() : QString();
                   });
  TDirListModel* model = FEditFrame->DirListModel();
  QObject::connect(model, &QAbstractItemModel::modelAboutToBeReset, this, [this] { KeepPlace(); });
  QObject::connect(model, &QAbstractItemModel::modelReset, this, [this] { RestorePlace(); });
}

// The list reads its rows from the directory itself (see TDirListModel).
void TPage::PopulateDirListBox() {
  if (!FDir) return;
  ShowDirModel();
  FModels->Refill(FDir);
}

void TPage::ClearDirListBox() { ShowListModel(nullptr); }

void TPage::KeepPlace() {
  const QModelIndex current = DirListBox()->currentIndex();
  FSelectedRow = current.isValid() ? current.row() : -1;
  FScrolled = DirListBox()->verticalScrollBar()->value();
}

// A folder listed again keeps the entry the user had selected, if it is
// still there (looked for near its old row: a refill mostly moves an entry
// by a few rows, if at all), and the place the list was scrolled to.
void TPage::RestorePlace() {
  QListView* list = DirListBox();
  list->doItemsLayout();  // the scroll range of the new row count
  const int row = FSelectedName.isEmpty() ? -1 : RowNamed(FSelectedName, FSelectedRow);
  if (row >= 0)
    list->selectionModel()->setCurrentIndex(FEditFrame->DirListModel()->index(row),
                                            QItemSelectionModel::ClearAndSelect);
  list->verticalScrollBar()->setValue(FScrolled);
}

int TPage::RowNamed(const QString& RemoteName, int Near) const {
  const TDirListModel* rows = FEditFrame->DirListModel();
  const int count = rows->rowCount();
  if (count == 0) return -1;
  const int start = std::clamp(Near, 0, count - 1);
  auto named = [&](int Row) {
    const TFile* file = rows->File(Row);
    return file && file->RemoteName() == RemoteName;
  };
  for (int step = 0; start - step >= 0 || start + step < count; ++step) {
    if (start + step < count && named(start + step)) return start + step;
    if (step > 0 && start - step >= 0 && named(start - step)) return start - step;
  }
  return -1;
}

TFile* TPage::SelectedFile() const {
  const QModelIndexList selected = DirListBox()->selectionModel()->selectedIndexes();
  if (selected.isEmpty()) return nullptr;
  return TDirListDelegate::FileOf(selected.first());
}

bool TPage::SelectFile(const QString& RemoteName) {
  const int row = RowNamed(RemoteName, 0);
  if (row < 0) return false;
  DirListBox()->selectionModel()->setCurrentIndex(FEditFrame->DirListModel()->index(row),
                                                  QItemSelectionModel::ClearAndSelect);
  return true;
}

void TPage::SetFrameConnected(bool Value) { FEditFrame->SetConnected(Value); }

// A tab shows "&" as the mark of a shortcut letter; file names keep theirs.
// The unsaved mark is only shown: Caption() stays the document's name,
// which is what every other reader of the name takes.
void TPage::ShowCaption() {
  QString shown = Caption();
  if (!Saved()) shown += QStringLiteral(" \u2022");
  if (FReceiving) shown += " (downloading...)";
  shown.replace("&", "&&");
  const int index = FTabs->indexOf(FTabSheet);
  if (FTabs->tabText(index) != shown) FTabs->setTabText(index, shown);
}

void TPage::DocumentChanged() {
  ShowCaption();
  UpdateHighlighter();
  if (FSavedChanged) FSavedChanged();
}

void TPage::SetSaved(bool Value) {
  const bool changed = FDocument.Saved != Value;
  FDocument.Saved = Value;
  if (changed) ShowCaption();
  if (FSavedChanged) FSavedChanged();
}

namespace {
// Enough of the text for its first line; a shebang or declaration is short.
constexpr long kFirstLineBytes = 256;
}  // namespace

// A file the table does not know is plain text, whatever the page showed
// before: a stylesheet's colours on a text file only mislead.
void TPage::UpdateHighlighter() {
  if (!FHighlighters) return;
  if (!FChosenFor.isNull() && FChosenFor == Caption()) return;
  FChosenFor = QString();
  const long length = std::min(kFirstLineBytes, long(FEditor->length()));
  const auto* text =
      reinterpret_cast<const char*>(FEditor->SendScintilla(QsciScintillaBase::SCI_GETRANGEPOINTER,
                                                           0UL, static_cast<long>(length)));
  ApplyLanguage(TLanguageTable::Choose(Caption(), QByteArrayView(text, length)));
}

void TPage::SetLanguage(TLanguage Value) {
  FChosenFor = Caption();
  ApplyLanguage(Value);
}

void TPage::ApplyLanguage(TLanguage Value) {
  FLanguage = Value;
  QsciLexer* chosen = FHighlighters ? FHighlighters->Lexer(Value) : nullptr;
  if (chosen != FEditor->lexer()) {
    // A lexer brings its own font per style, and leaving the old lexer resets
    // every style, the gutter's included: the page's font and gutter are
    // given back after the switch.
    if (FHighlighters) FHighlighters->SetFont(FEditFrame->EditorFont());
    FEditor->setLexer(chosen);
    FEditFrame->SetEditorFont(FEditFrame->EditorFont());
  }
  TellFacts();
}

void TPage::TellFacts() const {
  if (FFactsChanged) FFactsChanged();
}

// The editor holds UTF-8 and counts its text in bytes, NUL bytes included;
// setText() and text() pass through C strings and would stop at the first
// NUL. So the bytes go in and come out by length, without a QString copy.
// The highlighter chosen after loading styles only what is shown (TEditor).
void TPage::LoadFromFile(const QString& Path) {
  QFile file(Path);
  if (!file.open(QIODevice::ReadOnly))
    throw Exception(QString("Unable to read %1: %2").arg(Path, file.errorString()));
  if (file.size() > AtOnceLimit) {
    const int fd = dup(file.handle());
    if (fd < 0) throw Exception(QString("Unable to read %1: %2").arg(Path, strerror(errno)));
    LoadInTurns(fd, Path);
    return;
  }
  file.close();
  TTextFormat format;
  const QByteArray text = TTextFile::LoadUtf8(Path, format);  // throws before the editor changes
  StopLoad();
  const bool readOnly = FEditor->isReadOnly();
  FEditor->setReadOnly(false);
  FLoading = true;
  TTextLoad::Begin(FEditor, text.size());
  qsizetype end = text.size();
  TTextLoad::Insert(FEditor, text, end);
  TTextLoad::End(FEditor);
  FLoading = false;
  FEditor->setReadOnly(readOnly);
  FDocument.Format = format;
  FEditor->setEolMode(EolModeFor(FDocument.Format.LineEnd));
  TellFacts();
}

// The page shows what the load has come to; its old text stays until the
// file is read, and a file that cannot be read leaves it so.
void TPage::LoadInTurns(int Fd, const QString& Path) {
  StopLoad();
  FLoading = true;
  const QString name = QFileInfo(Path).fileName();
  TTextLoad::THooks hooks;
  hooks.Progress = [this, name](int Percent) {
    ShowProgress(QString("Opening %1\u2026 %2%").arg(name).arg(Percent));
  };
  hooks.Done = [this](const TTextFormat& Format) { Loaded(Format); };
  hooks.Failed = [this](const QString& Error) {
    FLoad->deleteLater();
    FLoad = nullptr;
    FLoading = false;
    ShowProgress(QString());
    ErrorReport::Report(Error);
  };
  FLoad = new TTextLoad(static_cast<TEditor*>(FEditor), Fd, Path, std::move(hooks));
  FLoad->setParent(this);
}

// The highlighter was chosen by the name alone while the text was not in:
// its first line may decide otherwise.
void TPage::Loaded(const TTextFormat& Format) {
  FLoad->deleteLater();
  FLoad = nullptr;
  FLoading = false;
  FDocument.Format = Format;
  FEditor->setEolMode(EolModeFor(FDocument.Format.LineEnd));
  ShowProgress(QString());
  UpdateHighlighter();
  TellFacts();
  if (FSavedChanged) FSavedChanged();
}

// A load stopped half way leaves part of a text that is nobody's: another
// load replaces it at once.
void TPage::StopLoad() {
  if (!FLoad) return;
  delete FLoad;
  FLoad = nullptr;
  static_cast<TEditor*>(FEditor)->Hold(false);
  FLoading = false;
  ShowProgress(QString());
}

void TPage::ShowProgress(const QString& Text) {
  FProgressOn = !Text.isEmpty();
  if (FProgressShown) FProgressShown(Text);
}

// Half a text must never overwrite a whole one.
void TPage::SaveToFile(const QString& Path) {
  if (FLoading) throw Exception(QString("%1 is still being opened").arg(Caption()));
  const long length = FEditor->SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
  // Valid until the next change of the text; saving changes none.
  const auto* text = reinterpret_cast<const char*>(
      FEditor->SendScintilla(QsciScintillaBase::SCI_GETCHARACTERPOINTER));
  TTextFile::SaveUtf8(Path, QByteArrayView(text, length), FDocument.Format);
}

// A large text is copied out over a few turns of the event loop and
// encoded and written on a worker, while the user may type on. Typing
// before the copy is whole has it taken again at once, with what was typed:
// the page then stays unsaved after the upload, as the save was asked for
// an older text (IPage::TextVersion), which is the safe side.
void TPage::SaveToFileThen(const QString& Path, std::function<void(const QString& Error)> Done) {
  if (FLoading || FEditor->SendScintilla(QsciScintillaBase::SCI_GETLENGTH) <= AtOnceLimit) {
    IPage::SaveToFileThen(Path, std::move(Done));
    return;
  }
  auto self = std::make_shared<TTextCopy*>(nullptr);
  auto* copy = new TTextCopy(
      FEditor, [this] { return FTextVersion; },
      [this, self, Path, Done = std::move(Done)](QByteArray Text) {
        (*self)->deleteLater();
        ShowProgress(QString("Saving %1\u2026").arg(QFileInfo(Path).fileName()));
        TTextFileWorker::Save(Path, std::move(Text), FDocument.Format, this,
                              [this, Done](const QString& Error) {
                                ShowProgress(QString());
                                Done(Error);
                              });
      });
  *self = copy;
  copy->setParent(this);
}
