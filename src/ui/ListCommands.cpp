#include "ui/ListCommands.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QListView>
#include <QMenu>

#include "core/ErrorReport.h"
#include "remote/editing/UserPrompts.h"
#include "remote/listing/Dir.h"
#include "remote/listing/File.h"
#include "remote/session/ConnectionDriver.h"
#include "ui/EditFrame.h"
#include "ui/Page.h"
#include "ui/Pages.h"

TListCommands::TListCommands(QWidget& Window, TPages& Pages, TConnectionDriver& Driver,
                             QAction& Refresh, QAction& GoToFolder, THooks Hooks)
    : QObject(&Window),
      FWindow(Window),
      FPages(Pages),
      FDriver(Driver),
      FRefresh(Refresh),
      FGoToFolder(GoToFolder),
      FHooks(std::move(Hooks)) {
  // The keys are the list's alone (see eventFilter): Delete in the editor
  // stays the editor's.
  OpenAction = Make("ListOpenAction", "&Open", QKeySequence(Qt::Key_Return));
  NewFileAction = Make("NewFileAction", "New &File...");
  NewFolderAction = Make("NewFolderAction", "New Fol&der...");
  RenameAction = Make("RenameAction", "&Rename...", QKeySequence(Qt::Key_F2));
  DeleteAction = Make("ListDeleteAction", "De&lete...", QKeySequence(Qt::Key_Delete));
  CopyPathAction = Make("CopyPathAction", "Copy &Path");
  DownloadCopyAction = Make("DownloadCopyAction", "Download a &Copy...");
  UploadFilesAction = Make("UploadFilesAction", "&Upload Files...");
  const std::pair<QAction*, void (TListCommands::*)()> handlers[] = {
      {NewFileAction, &TListCommands::NewFile},
      {NewFolderAction, &TListCommands::NewFolder},
      {RenameAction, &TListCommands::Rename},
      {DeleteAction, &TListCommands::Delete},
      {CopyPathAction, &TListCommands::CopyPath},
      {DownloadCopyAction, &TListCommands::DownloadCopy},
      {UploadFilesAction, &TListCommands::UploadFiles},
      {&FRefresh, &TListCommands::Refresh},
      {&FGoToFolder, &TListCommands::GoToFolder},
  };
  for (const auto& [action, handler] : handlers)
    connect(action, &QAction::triggered, this,
            [this, handler = handler] { ErrorReport::Guarded([&] { (this->*handler)(); }); });
  connect(OpenAction, &QAction::triggered, this, [this] { FHooks.OpenSelected(); });
  FMenu = new QMenu(&FWindow);
  FMenu->addActions({OpenAction, &FRefresh});
  FMenu->addSeparator();
  FMenu->addActions({NewFileAction, NewFolderAction, RenameAction, DeleteAction});
  FMenu->addSeparator();
  FMenu->addActions({CopyPathAction, DownloadCopyAction, UploadFilesAction});
  Update();
}

QAction* TListCommands::Make(const QString& Name, const QString& Text, const QKeySequence& Key) {
  auto* action = new QAction(Text, this);
  action->setObjectName(Name);
  // Shown in the menu only; the list's event filter handles the key.
  action->setShortcut(Key);
  action->setShortcutContext(Qt::WidgetShortcut);
  return action;
}

void TListCommands::Wire(TPage* Page) {
  QListView* list = Page->DirListBox();
  list->setContextMenuPolicy(Qt::CustomContextMenu);
  list->installEventFilter(this);
  connect(list, &QListView::customContextMenuRequested, this, [this, list](const QPoint& At) {
    Update();
    FMenu->popup(list->viewport()->mapToGlobal(At));
  });
}

// The window's Delete command belongs to the editor; while the list has the
// focus, Delete, F2 and Enter are the list's. Taking the shortcut override
// keeps the window's shortcut from firing (or clashing) first.
bool TListCommands::eventFilter(QObject* Watched, QEvent* Event) {
  const QEvent::Type type = Event->type();
  if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress)
    return QObject::eventFilter(Watched, Event);
  const auto* key = static_cast<QKeyEvent*>(Event);
  QAction* action = nullptr;
  if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
    if (key->key() == Qt::Key_Delete) action = DeleteAction;
    if (key->key() == Qt::Key_F2) action = RenameAction;
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) action = OpenAction;
  }
  if (!action) return QObject::eventFilter(Watched, Event);
  Event->accept();
  if (type == QEvent::KeyPress) {
    Update();
    if (action->isEnabled()) action->trigger();
  }
  return true;
}

TPage* TListCommands::Page() const { return FPages.Active(); }

const TFile* TListCommands::Selected() const {
  const TPage* page = Page();
  const TFile* file = page ? page->SelectedFile() : nullptr;
  if (!file || file->RemoteName() == "..") return nullptr;
  return file;
}

void TListCommands::Update() {
  const TPage* page = Page();
  const bool listed = FDriver.Connected() && page && page->Dir();
  const TFile* file = listed ? Selected() : nullptr;
  for (QAction* action : {&FRefresh, NewFileAction, NewFolderAction, UploadFilesAction})
    action->setEnabled(listed);
  FGoToFolder.setEnabled(FDriver.Connected() && page);
  OpenAction->setEnabled(listed && page->SelectedFile());
  for (QAction* action : {RenameAction, DeleteAction, CopyPathAction}) action->setEnabled(file);
  DownloadCopyAction->setEnabled(file && !file->IsDirectory());
}

void TListCommands::Refused(const QString& Text) {
  if (!Text.isEmpty()) Prompts().Inform(IUserPrompts::TTone::Error, Text);
}

void TListCommands::Refresh() {
  if (TPage* page = Page()) Refused(FDriver.Files().Refresh(page));
}

void TListCommands::GoToFolder() {
  TPage* page = Page();
  if (!page) return;
  const QString current = page->Dir() ? page->Dir()->Name() : FDriver.CurrentDir();
  const std::optional<QString> typed = Prompts().AskName("Go to Folder", "Folder:", current);
  if (typed) Refused(FDriver.Files().GoToFolder(page, *typed));
}

void TListCommands::NewFile() {
  TPage* page = Page();
  if (!page) return;
  const std::optional<QString> name = Prompts().AskName("New File", "Name:", QString());
  if (name) Refused(FDriver.Files().NewFile(page, *name));
}

void TListCommands::NewFolder() {
  TPage* page = Page();
  if (!page) return;
  const std::optional<QString> name = Prompts().AskName("New Folder", "Name:", QString());
  if (name) Refused(FDriver.Files().NewFolder(page, *name));
}

void TListCommands::Rename() {
  TPage* page = Page();
  const TFile* file = Selected();
  if (!file) return;
  const QString old = file->RemoteName();
  const std::optional<QString> name = Prompts().AskName("Rename", "New name:", old);
  // The list may have been refilled while the question was open.
  if (name && Selected() && Selected()->RemoteName() == old)
    Refused(FDriver.Files().Rename(page, *Selected(), *name));
}

void TListCommands::Delete() {
  TPage* page = Page();
  const TFile* file = Selected();
  if (!file) return;
  const QString name = file->RemoteName();
  IUserPrompts::TChoice choice;
  choice.Title = "Delete";
  choice.Text = QString("Delete %1 from the server?").arg(name);
  choice.Answers = QStringList{"Yes", "No"};
  choice.Default = 0;
  choice.Escape = 1;
  if (Prompts().Choose(choice) != 0) return;
  if (Selected() && Selected()->RemoteName() == name)
    Refused(FDriver.Files().Delete(page, {Selected()}));
}

void TListCommands::CopyPath() {
  if (const TFile* file = Selected())
    QGuiApplication::clipboard()->setText(FDriver.Files().PathIn(*Page(), file->RemoteName()));
}

void TListCommands::DownloadCopy() {
  const TFile* file = Selected();
  if (!file) return;
  const QString name = file->RemoteName();
  const std::optional<QString> local = Prompts().AskSaveFile("Download a Copy", name);
  if (local && Selected() && Selected()->RemoteName() == name)
    Refused(FDriver.Files().DownloadCopy(Page(), *Selected(), *local));
}

void TListCommands::UploadFiles() {
  TPage* page = Page();
  if (!page) return;
  const QStringList files = Prompts().AskFiles("Upload Files");
  if (!files.isEmpty()) FHooks.Upload(page, files);
}
