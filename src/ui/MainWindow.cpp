// The main window's creation and wiring, and its pages.
#include "ui/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QFontDialog>
#include <QLabel>
#include <QListView>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <Qsci/qsciscintilla.h>

#include "core/ErrorReport.h"
#include "remote/editing/RemoteEditor.h"
#include "remote/editing/UnsavedGuard.h"
#include "remote/listing/Dir.h"
#include "remote/listing/File.h"
#include "remote/session/ConnectionDriver.h"
#include "store/Servers.h"
#include "store/Settings.h"
#include "ui/AboutBox.h"
#include "ui/DebugLogWindow.h"
#include "ui/DialogPrompts.h"
#include "ui/EditCommands.h"
#include "ui/EditFrame.h"
#include "ui/FindDialog.h"
#include "ui/Highlighters.h"
#include "ui/Icons.h"
#include "ui/LoginDialogs.h"
#include "ui/Pages.h"
#include "ui/SaveAsDialog.h"
#include "ui/SaveLock.h"
#include "ui/StatusPanels.h"
#include "ui/WindowPlacement.h"

namespace {
constexpr int kStartupDelay = 100;
}  // namespace

// ---------------------------------------------------------------- creation and wiring

TMainWindow::TMainWindow(QWidget* Parent)
    : QMainWindow(Parent), TMainActions(static_cast<QMainWindow&>(*this)) {
  setWindowTitle("Quillery");
  setWindowIcon(Icons::Fallback("quillery"));
  resize(850, 636);
  connect(CreateAll(), &QMenu::aboutToShow, this, &TMainWindow::UpdateEditActions);
  Tabs = new QTabWidget(this);
  Tabs->setObjectName("Tabs");
  Tabs->setDocumentMode(true);
  setCentralWidget(Tabs);
  connect(Tabs, &QTabWidget::currentChanged, this, &TMainWindow::TabsChange);
  FPages = std::make_unique<TPages>(
      Tabs, [this] { UpdateActions(); }, [this](TPage* Page) { FDriver->PageClosing(Page); });
  FStatusPanels = std::make_unique<TStatusPanels>(*statusBar());
  FSaveLock = std::make_unique<TSaveLock>(*this, *ToolBar, *Tabs);
  ConnectActionHandlers();

  FSettings = std::make_unique<TSettings>();
  FServers = std::make_unique<TServers>();
  FPlacement = std::make_unique<TWindowPlacement>(*this, *FSettings);
  // The driver shows the not-connected state as soon as it exists.
  FDriver = std::make_unique<TConnectionDriver>(*this, FVirtualRedirector);
  FDialogPrompts = std::make_unique<TDialogPrompts>(this);
  FLoginDialogs = std::make_unique<TLoginDialogs>(*this, *FDriver);
  TRemoteEditor::THooks hooks;
  hooks.NewPage = [this]() -> IPage* { return CreateTab(); };
  hooks.SaveAbandoned = [this](IPage* Page) { FUnsavedGuard->Abandon(FPages->Find(Page)); };
  FRemoteEditor = std::make_unique<TRemoteEditor>(*FDriver, *FDialogPrompts, std::move(hooks));
  TUnsavedGuard::THooks guardHooks;
  guardHooks.UploadInProgress = [this] { return UploadInProgress(); };
  guardHooks.Lock = [this](bool Locked, bool WholeWindow, IPage* Page) {
    LockForSave(Locked, WholeWindow, FPages->Find(Page));
  };
  guardHooks.BringToFront = [this](IPage* Page) {
    if (TPage* page = FPages->Find(Page)) Tabs->setCurrentWidget(page->TabSheet());
  };
  FUnsavedGuard = std::make_unique<TUnsavedGuard>(*FRemoteEditor, std::move(guardHooks));
  FHighlighters = std::make_unique<THighlighters>();
  FEditCommands = std::make_unique<TEditCommands>(*this, *FPages, *FSettings, *FHighlighters, *this,
                                                  [this](QFont& Font) { return AskFont(Font); });
  ErrorReport::Guarded([this] { FPlacement->Load(); });

  StartupTimer = new QTimer(this);
  StartupTimer->setInterval(kStartupDelay);
  connect(StartupTimer, &QTimer::timeout, this, &TMainWindow::StartupTimerTimer);
  StartupTimer->start();
}

TMainWindow::~TMainWindow() {
  // Pages and dialogs outlive this body; keep their signals from reaching a
  // half-destroyed window.
  FEditCommands.reset();
  Tabs->disconnect(this);
  FPages->ForEach([this](TPage* Page) {
    Page->Editor()->disconnect(this);
    Page->Frame()->disconnect(this);
  });
  delete Tabs;
  Tabs = nullptr;
  SetBusyCursor(false);
  FUnsavedGuard.reset();
  FRemoteEditor.reset();
  FDriver.reset();
  FServers.reset();
  FSettings.reset();
}

void TMainWindow::ConnectActionHandlers() {
  const std::pair<QAction*, void (TMainWindow::*)()> handlers[] = {
      {ConnectAction, &TMainWindow::ConnectActionExecute},
      {OpenAction, &TMainWindow::OpenActionExecute},
      {SaveAction, &TMainWindow::SaveActionExecute},
      {CloseTabAction, &TMainWindow::CloseTabActionExecute},
      {NewAction, &TMainWindow::NewActionExecute},
      {ExitAction, &TMainWindow::ExitActionExecute},
      {ShowConnectDialogAction, &TMainWindow::ShowConnectDialogActionExecute},
      {AboutAction, &TMainWindow::AboutActionExecute},
      {ViewDebugLogAction, &TMainWindow::ViewDebugLogActionExecute},
  };
  for (const auto& [action, handler] : handlers)
    connect(action, &QAction::triggered, this, handler);
}

void TMainWindow::SetConnectDialog(QDialog* Dialog, std::function<TConnectValues()> Values) {
  FConnectDialog = Dialog;
  FConnectValues = std::move(Values);
}

void TMainWindow::SetAboutForm(TAboutBox* Form) { FAboutForm = Form; }

void TMainWindow::SetSaveAsForm(TSaveAsDialog* Form) { FDialogPrompts->SetTextDialog(Form); }

void TMainWindow::SetDebugForm(TDebugLogWindow* Form) { FDebugForm = Form; }

IUserPrompts& TMainWindow::DialogPromptsAsPrompts() { return *FDialogPrompts; }

void TMainWindow::SetPrompts(IUserPrompts* Prompts) {
  FPrompts = Prompts;
  FRemoteEditor->SetPrompts(this->Prompts());
}

// ---------------------------------------------------------------- pages

TPage* TMainWindow::ActivePage() { return FPages->Active(); }

int TMainWindow::PageCount() { return FPages->Count(); }

TPage* TMainWindow::Pages(int Index) { return FPages->At(Index); }

TPage* TMainWindow::CreateTab() {
  TPage* page = FPages->Create([this](TPage* Page) {
    Page->Frame()->SetConnected(FDriver->Connected());
    FEditCommands->SetUpPage(Page);
    ConnectPage(Page);
  });
  UpdateActions();
  UpdateEditActions();
  return page;
}

void TMainWindow::CloseActiveTab() { FPages->CloseActive(); }

void TMainWindow::ConnectPage(TPage* Page) {
  TEditFrame* frame = Page->Frame();
  connect(frame, &TEditFrame::ConnectRequested, this, &TMainWindow::ConnectActionExecute);
  connect(frame, &TEditFrame::DirListDoubleClicked, this, &TMainWindow::DirListBoxDblClick);
  // Drops are handled after the drag has finished: the questions they ask
  // must not run inside the platform's drag and drop.
  connect(
      frame, &TEditFrame::DirListFilesDropped, frame,
      [this, frame](const QStringList& Files) {
        ErrorReport::Guarded([&] { FRemoteEditor->Drop(ActivePage(), frame->Connected(), Files); });
      },
      Qt::QueuedConnection);
  connect(
      frame, &TEditFrame::EditFilesDropped, Page,
      [this, Page](const QStringList& Files) { EditFileDrop(Page, Files); }, Qt::QueuedConnection);
  QsciScintilla* edit = Page->Editor();
  connect(edit, &QsciScintilla::textChanged, this, [this, Page] {
    if (Page->Loading()) return;
    Page->SetSaved(false);
    UpdateEditActions();
  });
  connect(edit, &QsciScintilla::selectionChanged, this, &TMainWindow::UpdateEditActions);
}

void TMainWindow::EditFileDrop(TPage* Page, const QStringList& Files) {
  if (Files.size() >= 2) {
    Prompts().Inform(IUserPrompts::TTone::Message, "You can drop only one file at a time!");
    return;
  }
  if (Files.isEmpty()) return;
  ErrorReport::Guarded([&] { Page->LoadFromFile(Files.first()); });
}

void TMainWindow::CloseTabActionExecute() {
  if (PageCount() == 1) return;
  FUnsavedGuard->Protect(ActivePage(), [this] {
    CloseActiveTab();
    // The Save command follows the page that is now in front.
    UpdateActions();
    UpdateEditActions();
  });
}

void TMainWindow::DirListBoxDblClick() { FUnsavedGuard->OpenSelected(ActivePage()); }

void TMainWindow::NewActionExecute() { CreateTab(); }

void TMainWindow::TabsChange() {
  if (FPages->Switching()) return;
  UpdateActions();
  TPage* page = ActivePage();
  SetStatus(page && page->Dir() ? page->Dir()->Name() : QString(), 1);
  UpdateEditActions();
}

// While the save question waits for its upload nothing may save, close or
// replace a page, nor bring another to the front.
void TMainWindow::UpdateActions() {
  // The driver reports its state before the guard exists.
  const bool free = !FUnsavedGuard || !FUnsavedGuard->Waiting();
  TPage* page = ActivePage();
  SaveAction->setEnabled(free && page && !page->Saved());
  CloseTabAction->setEnabled(free);
  NewAction->setEnabled(free && FNewOpenEnabled);
  OpenAction->setEnabled(free && FNewOpenEnabled);
}

// ---------------------------------------------------------------- commands

void TMainWindow::UpdateEditActions() {
  // The menus are made, and report, before the commands exist.
  if (FEditCommands) FEditCommands->Update();
}

TFindDialog* TMainWindow::FindDialog() const { return FEditCommands->FindDialog(); }

bool TMainWindow::AskFont(QFont& Font) {
  bool ok = false;
  const QFont chosen = QFontDialog::getFont(&ok, Font, this, "Font", QFontDialog::MonospacedFonts);
  if (ok) Font = chosen;
  return ok;
}

void TMainWindow::ShowConnectDialogActionExecute() {
  const bool show = ShowConnectDialogAction->isChecked();
  ErrorReport::Guarded([&] { FSettings->Set(TSettingKeys::ShowConnectDialog, show); });
}

void TMainWindow::OpenActionExecute() {
  const std::optional<QString> fileName = Prompts().AskFile("Open");
  if (fileName && !fileName->isEmpty()) OpenActionAccept(*fileName);
}

// Loading a whole file is no edit: caption, remote name, highlighter and the
// saved state stay, so a page that came from the server still saves there.
void TMainWindow::OpenActionAccept(const QString& FileName) {
  TPage* page = ActivePage();
  if (!page) return;
  FUnsavedGuard->Protect(page, [this, page, FileName] {
    ErrorReport::Guarded([&] { page->LoadFromFile(FileName); });
    UpdateEditActions();
  });
}

void TMainWindow::AboutActionExecute() {
  if (FAboutForm) FAboutForm->exec();
}

void TMainWindow::ViewDebugLogActionExecute() {
  if (FDebugForm) FDebugForm->exec();
}
