#include "ui/EditorManager.h"

#include <Qsci/qsciscintilla.h>

#include "core/ErrorReport.h"
#include "remote/editing/RemoteEditor.h"
#include "remote/editing/UnsavedGuard.h"
#include "remote/editing/UserPrompts.h"
#include "remote/session/ConnectionDriver.h"
#include "ui/EditCommands.h"
#include "ui/EditFrame.h"
#include "ui/Page.h"
#include "ui/Pages.h"

TEditorManager::TEditorManager(TPages& Pages, TConnectionDriver& Driver,
                               TRemoteEditor& RemoteEditor, TUnsavedGuard& Guard,
                               TEditCommands& EditCommands, THooks Hooks)
    : FPages(Pages),
      FDriver(Driver),
      FRemoteEditor(RemoteEditor),
      FGuard(Guard),
      FEditCommands(EditCommands),
      FHooks(std::move(Hooks)) {}

TPage* TEditorManager::Create() {
  TPage* page = FPages.Create([this](TPage* Page) {
    Page->Frame()->SetConnected(FDriver.Connected());
    FEditCommands.SetUpPage(Page);
    Wire(Page);
    if (FHooks.PageMade) FHooks.PageMade(Page);
  });
  FHooks.FrontChanged();
  return page;
}

void TEditorManager::CloseFront() {
  if (FPages.Count() == 1) return;
  FGuard.Protect(FPages.Active(), [this] {
    FPages.CloseActive();
    FHooks.FrontChanged();
  });
}

// Loading a whole file is no edit: caption, remote name, highlighter and the
// saved state stay, so a page that came from the server still saves there.
void TEditorManager::OpenLocalFile() {
  const std::optional<QString> fileName = FHooks.Prompts().AskFile("Open");
  TPage* page = FPages.Active();
  if (!fileName || fileName->isEmpty() || !page) return;
  FGuard.Protect(page, [this, page, fileName] {
    ErrorReport::Guarded([&] { page->LoadFromFile(*fileName); });
    FHooks.EditChanged();
  });
}

void TEditorManager::Wire(TPage* Page) {
  TEditFrame* frame = Page->Frame();
  connect(frame, &TEditFrame::ConnectRequested, this, [this] { FHooks.ConnectRequested(); });
  connect(frame, &TEditFrame::DirListDoubleClicked, this, &TEditorManager::OpenSelected);
  // Drops are handled after the drag has finished: the questions they ask
  // must not run inside the platform's drag and drop.
  connect(
      frame, &TEditFrame::DirListFilesDropped, frame,
      [this, frame](const QStringList& Files) {
        ErrorReport::Guarded(
            [&] { FRemoteEditor.Drop(FPages.Active(), frame->Connected(), Files); });
      },
      Qt::QueuedConnection);
  connect(
      frame, &TEditFrame::EditFilesDropped, Page,
      [this, Page](const QStringList& Files) { EditFileDrop(Page, Files); }, Qt::QueuedConnection);
  QsciScintilla* edit = Page->Editor();
  connect(edit, &QsciScintilla::textChanged, this, [this, Page] {
    if (Page->Loading()) return;
    Page->SetSaved(false);
    FHooks.EditChanged();
  });
  connect(edit, &QsciScintilla::selectionChanged, this, [this] { FHooks.EditChanged(); });
}

void TEditorManager::EditFileDrop(TPage* Page, const QStringList& Files) {
  if (Files.size() >= 2) {
    FHooks.Prompts().Inform(IUserPrompts::TTone::Message, "You can drop only one file at a time!");
    return;
  }
  if (Files.isEmpty()) return;
  ErrorReport::Guarded([&] { Page->LoadFromFile(Files.first()); });
}

void TEditorManager::OpenSelected() { FGuard.OpenSelected(FPages.Active()); }
