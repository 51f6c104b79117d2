#include "ui/Page.h"

#include <QListWidget>
#include <QTabWidget>
#include <QVariant>
#include <Qsci/qsciscintilla.h>

#include "remote/Dir.h"
#include "ui/DirListDelegate.h"
#include "ui/frmEdit.h"

namespace {
const char* const kPageProperty = "QuilleryPage";

QsciScintilla::EolMode EolModeFor(const QByteArray& LineEnd) {
  if (LineEnd == "\r\n") return QsciScintilla::EolWindows;
  if (LineEnd == "\r") return QsciScintilla::EolMac;
  return QsciScintilla::EolUnix;
}
}  // namespace

TPage::TPage(QTabWidget* PageControl, QWidget* TabSheet, TEditFrame* EditFrame,
             std::function<void()> SavedChanged)
    : QObject(TabSheet),
      FEditFrame(EditFrame),
      FSynEdit(EditFrame->SynEdit()),
      FTabSheet(TabSheet),
      FPageControl(PageControl),
      FSavedChanged(std::move(SavedChanged)) {
  TabSheet->setProperty(kPageProperty, QVariant::fromValue(static_cast<void*>(this)));
  FSynEdit->setEolMode(EolModeFor(FFormat.LineEnd));
}

TPage* TPage::OfTabSheet(const QWidget* TabSheet) {
  if (!TabSheet) return nullptr;
  return static_cast<TPage*>(TabSheet->property(kPageProperty).value<void*>());
}

QListWidget* TPage::DirListBox() const { return FEditFrame->DirListBox(); }

void TPage::SetDir(TDir* Value) {
  FDir = Value;
  PopulateDirListBox();
}

void TPage::PopulateDirListBox() {
  if (!FDir) return;
  QListWidget* list = DirListBox();
  list->clear();
  for (int i = 0; i < FDir->Count(); ++i) {
    TFile* file = FDir->Files(i);
    const QString text = file->IsDirectory() ? QString("[%1]").arg(file->RemoteName())
                                             : file->RemoteName();
    auto* item = new QListWidgetItem(text, list);
    item->setData(Qt::UserRole, QVariant::fromValue(static_cast<void*>(file)));
  }
}

void TPage::ClearDirListBox() { DirListBox()->clear(); }

TFile* TPage::SelectedFile() const {
  const QList<QListWidgetItem*> selected = DirListBox()->selectedItems();
  if (selected.isEmpty()) return nullptr;
  return TDirListDelegate::FileOf(DirListBox()->indexFromItem(selected.first()));
}

void TPage::SetFrameConnected(bool Value) { FEditFrame->SetConnected(Value); }

QString TPage::Caption() const { return FCaption; }

// A tab shows "&" as the mark of a shortcut letter; file names keep theirs.
void TPage::SetCaption(const QString& Value) {
  FCaption = Value;
  QString shown = Value;
  FPageControl->setTabText(FPageControl->indexOf(FTabSheet), shown.replace("&", "&&"));
}

void TPage::SetSaved(bool Value) {
  FSaved = Value;
  if (FSavedChanged) FSavedChanged();
}

void TPage::UpdateHighlighter() {}

void TPage::LoadFromFile(const QString& Path) {
  TTextFormat format;
  const QString text = TTextFile::Load(Path, format);
  FLoading = true;
  FSynEdit->setText(text);
  FLoading = false;
  // The loaded text is where undo stops; the old file's text is gone.
  FSynEdit->SendScintilla(QsciScintillaBase::SCI_EMPTYUNDOBUFFER);
  FSynEdit->setModified(false);
  FFormat = format;
  FSynEdit->setEolMode(EolModeFor(FFormat.LineEnd));
}

void TPage::SaveToFile(const QString& Path) { TTextFile::Save(Path, FSynEdit->text(), FFormat); }
