// The main window's creation and wiring, and its pages.
#include "ui/MainWindow.h"

#include <QAction>
#include <QFontDialog>
#include <QInputDialog>
#include <QMenu>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <Qsci/qsciscintilla.h>

#include "core/ErrorReport.h"
#include "remote/editing/RemoteEditor.h"
#include "remote/editing/UnsavedGuard.h"
#include "remote/listing/Dir.h"
#include "remote/session/ConnectionDriver.h"
#include "store/Servers.h"
#include "store/Settings.h"
#include "ui/AboutBox.h"
#include "ui/CloseSequence.h"
#include "ui/ConnectionView.h"
#include "ui/DialogPrompts.h"
#include "ui/EditCommands.h"
#include "ui/EditFrame.h"
#include "ui/EditorManager.h"
#include "ui/EditorStatus.h"
#include "ui/Highlighters.h"
#include "ui/Icons.h"
#include "ui/ListCommands.h"
#include "ui/LoginDialogs.h"
#include "ui/Pages.h"
#include "ui/SaveLock.h"
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
      Tabs, [this] { UpdateActions(); },
      [this](TPage* Page) {
        // Nothing queued for the page (an answer, a question, a wait) may
        // reach it once it has gone.
        FUnsavedGuard->PageClosing(Page);
        FRemoteEditor->PageClosing(Page);
      });
  FConnectionView = std::make_unique<TConnectionView>(*this, *this, *FPages);
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
  FEditCommands->SetAskLine([this](int& Line, int Last) { return AskLine(Line, Last); });
  FEditorStatus = new TEditorStatus(*statusBar());
  CreateListCommands();
  CreateEditorManager();
  FCloseSequence = std::make_unique<TCloseSequence>(
      *FPages, *FUnsavedGuard, *FRemoteEditor, [this] { return UploadInProgress(); },
      [this] { close(); });
  ErrorReport::Guarded([this] { FPlacement->Load(); });

  StartupTimer = new QTimer(this);
  StartupTimer->setInterval(kStartupDelay);
  connect(StartupTimer, &QTimer::timeout, this, &TMainWindow::StartupTimerTimer);
  StartupTimer->start();
}

TMainWindow::~TMainWindow() {
  // Pages and dialogs outlive this body; keep their signals from reaching a
  // half-destroyed window.
  FEditorManager.reset();
  FEditCommands.reset();
  Tabs->disconnect(this);
  delete Tabs;
  Tabs = nullptr;
  FUnsavedGuard.reset();
  FRemoteEditor.reset();
  FDriver.reset();
  FServers.reset();
  FSettings.reset();
}

void TMainWindow::ConnectActionHandlers() {
  const std::pair<QAction*, std::function<void()>> handlers[] = {
      {ConnectAction, [this] { ConnectActionExecute(); }},
      {OpenAction, [this] { FEditorManager->OpenLocalFile(); }},
      {SaveAction, [this] { SaveActionExecute(); }},
      {CloseTabAction, [this] { FEditorManager->CloseFront(); }},
      {NewAction, [this] { CreateTab(); }},
      {ExitAction, [this] { close(); }},
      {ShowConnectDialogAction, [this] { ShowConnectDialogActionExecute(); }},
      {AboutAction,
       [this] {
         if (FAboutForm) FAboutForm->exec();
       }},
      {ViewDebugLogAction, [this] { FConnectionView->ShowDebugLog(); }},
  };
  for (const auto& [action, handler] : handlers)
    connect(action, &QAction::triggered, this, handler);
}

void TMainWindow::CreateListCommands() {
  TListCommands::THooks hooks;
  hooks.Prompts = [this]() -> IUserPrompts& { return Prompts(); };
  hooks.OpenSelected = [this] { FEditorManager->OpenSelected(); };
  // One at a time, as drops go, each with the drop's question.
  hooks.Upload = [this](TPage* Page, const QStringList& Files) {
    for (const QString& file : Files) FRemoteEditor->Drop(Page, Page->Frame()->Connected(), {file});
  };
  FListCommands = new TListCommands(*this, *FPages, *FDriver, *RefreshAction, *GoToFolderAction,
                                    std::move(hooks));
  TFileCommands::THooks files;
  files.ForEachPage = [this](const std::function<void(IPage*)>& Visit) {
    FPages->ForEach([&Visit](TPage* Page) { Visit(Page); });
  };
  files.NewPage = [this]() -> IPage* { return CreateTab(); };
  FDriver->Files().SetHooks(std::move(files));
}

void TMainWindow::CreateEditorManager() {
  TEditorManager::THooks hooks;
  hooks.ConnectRequested = [this] { ConnectActionExecute(); };
  hooks.FrontChanged = [this] {
    UpdateActions();
    UpdateEditActions();
    FEditorStatus->Show(ActivePage());
  };
  hooks.PageMade = [this](TPage* Page) {
    Page->SetFactsChanged([this, Page] { FEditorStatus->FactsChanged(Page); });
    Page->SetProgressShown([this](const QString& Text) { FConnectionView->ShowWork(Text); });
    FListCommands->Wire(Page);
  };
  hooks.EditChanged = [this] { UpdateEditActions(); };
  hooks.Prompts = [this]() -> IUserPrompts& { return Prompts(); };
  FEditorManager =
      std::make_unique<TEditorManager>(*FPages, *FDriver, *FRemoteEditor, *FUnsavedGuard,
                                       *FEditCommands, std::move(hooks));
}

void TMainWindow::SetConnectDialog(QDialog* Dialog, std::function<TConnectValues()> Values) {
  FConnectionView->SetConnectDialog(Dialog, std::move(Values));
}

void TMainWindow::SetAboutForm(TAboutBox* Form) { FAboutForm = Form; }

void TMainWindow::SetSaveAsForm(TSaveAsDialog* Form) { FDialogPrompts->SetTextDialog(Form); }

void TMainWindow::SetDebugForm(TDebugLogWindow* Form) { FConnectionView->SetDebugForm(Form); }

IUserPrompts& TMainWindow::DialogPromptsAsPrompts() { return *FDialogPrompts; }

void TMainWindow::SetPrompts(IUserPrompts* Prompts) {
  FPrompts = Prompts;
  FRemoteEditor->SetPrompts(this->Prompts());
}

// ---------------------------------------------------------------- pages

TPage* TMainWindow::ActivePage() { return FPages->Active(); }

int TMainWindow::PageCount() { return FPages->Count(); }

TPage* TMainWindow::Pages(int Index) { return FPages->At(Index); }

TPage* TMainWindow::CreateTab() { return FEditorManager->Create(); }

void TMainWindow::CloseActiveTab() { FPages->CloseActive(); }

void TMainWindow::EditFileDrop(TPage* Page, const QStringList& Files) {
  FEditorManager->EditFileDrop(Page, Files);
}

void TMainWindow::DirListBoxDblClick() { FEditorManager->OpenSelected(); }

void TMainWindow::TabsChange() {
  if (FPages->Switching()) return;
  UpdateActions();
  TPage* page = ActivePage();
  SetStatus(page && page->Dir() ? page->Dir()->Name() : QString(), 1);
  UpdateEditActions();
  if (FEditorStatus) FEditorStatus->Show(page);
}

// While the save question waits for its upload nothing may save, close or
// replace a page, nor bring another to the front.
void TMainWindow::UpdateActions() {
  // The driver reports its state before the guard exists.
  const bool free = !FUnsavedGuard || !FUnsavedGuard->Waiting();
  TPage* page = ActivePage();
  SaveAction->setEnabled(free && page && !page->Saved());
  CloseTabAction->setEnabled(free);
  const bool connected = FConnectionView->Connected();
  NewAction->setEnabled(free && connected);
  OpenAction->setEnabled(free && connected);
  if (FListCommands) FListCommands->Update();
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

bool TMainWindow::AskLine(int& Line, int Last) {
  bool ok = false;
  const int chosen =
      QInputDialog::getInt(this, "Go to Line", QString("Line number (1 - %1):").arg(Last), Line, 1,
                           std::max(1, Last), 1, &ok);
  if (ok) Line = chosen;
  return ok;
}

void TMainWindow::ShowConnectDialogActionExecute() {
  const bool show = ShowConnectDialogAction->isChecked();
  ErrorReport::Guarded([&] { FSettings->Set(TSettingKeys::ShowConnectDialog, show); });
}
