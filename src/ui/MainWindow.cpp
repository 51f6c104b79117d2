// The main window's creation and wiring, and its pages.
#include "ui/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
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
#include "ui/EditFrame.h"
#include "ui/FindDialog.h"
#include "ui/Highlighters.h"
#include "ui/Icons.h"
#include "ui/Pages.h"
#include "ui/SaveAsDialog.h"
#include "ui/WindowPlacement.h"

namespace {
const int kStatusPanelWidths[] = {100, 200, 50};
// The message panel, the folder panel, and a spare one the layout keeps.
const char* const kStatusPanelNames[] = {"MessagePanel", "FolderPanel", "SparePanel"};
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
  CreateStatusBar();
  ConnectActionHandlers();

  FSettings = std::make_unique<TSettings>();
  FServers = std::make_unique<TServers>();
  FPlacement = std::make_unique<TWindowPlacement>(*this, *FSettings);
  // The driver shows the not-connected state as soon as it exists.
  FDriver = std::make_unique<TConnectionDriver>(*this, FVirtualRedirector);
  FDialogPrompts = std::make_unique<TDialogPrompts>(this);
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
  FFindDialog = new TFindDialog(this);
  connect(FFindDialog, &TFindDialog::Find, this, &TMainWindow::FindDialogFind);
  ErrorReport::Guarded([this] { LoadFormPosition(); });

  StartupTimer = new QTimer(this);
  StartupTimer->setInterval(kStartupDelay);
  connect(StartupTimer, &QTimer::timeout, this, &TMainWindow::StartupTimerTimer);
  StartupTimer->start();
}

TMainWindow::~TMainWindow() {
  // Pages and dialogs outlive this body; keep their signals from reaching a
  // half-destroyed window.
  disconnect(qApp, nullptr, this, nullptr);
  disconnect(QApplication::clipboard(), nullptr, this, nullptr);
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

void TMainWindow::CreateStatusBar() {
  for (int i = 0; i < 3; ++i) {
    FStatusPanels[i] = new QLabel(this);
    // Panel 0 carries the messages, which must be read whole; it may shrink
    // back to its width, so a long one never widens the window.
    if (i == 0)
      FStatusPanels[i]->setMinimumWidth(kStatusPanelWidths[i]);
    else
      FStatusPanels[i]->setFixedWidth(kStatusPanelWidths[i]);
    // Server-chosen names pass through here; none may be taken for markup.
    FStatusPanels[i]->setTextFormat(Qt::PlainText);
    FStatusPanels[i]->setObjectName(kStatusPanelNames[i]);
    statusBar()->addWidget(FStatusPanels[i]);
  }
}

void TMainWindow::ConnectActionHandlers() {
  const std::pair<QAction*, void (TMainWindow::*)()> handlers[] = {
      {ConnectAction, &TMainWindow::ConnectActionExecute},
      {OpenAction, &TMainWindow::OpenActionExecute},
      {SaveAction, &TMainWindow::SaveActionExecute},
      {CloseTabAction, &TMainWindow::CloseTabActionExecute},
      {NewAction, &TMainWindow::NewActionExecute},
      {ExitAction, &TMainWindow::ExitActionExecute},
      {CutAction, &TMainWindow::CutActionExecute},
      {CopyAction, &TMainWindow::CopyActionExecute},
      {PasteAction, &TMainWindow::PasteActionExecute},
      {SelectAllAction, &TMainWindow::SelectAllActionExecute},
      {UndoAction, &TMainWindow::UndoActionExecute},
      {DeleteAction, &TMainWindow::DeleteActionExecute},
      {FindAction, &TMainWindow::FindActionExecute},
      {ViewLineNumbersAction, &TMainWindow::ViewLineNumbersActionExecute},
      {WrapLinesAction, &TMainWindow::WrapLinesActionExecute},
      {FontAction, &TMainWindow::FontActionExecute},
      {ShowConnectDialogAction, &TMainWindow::ShowConnectDialogActionExecute},
      {AboutAction, &TMainWindow::AboutActionExecute},
      {ViewDebugLogAction, &TMainWindow::ViewDebugLogActionExecute},
  };
  for (const auto& [action, handler] : handlers)
    connect(action, &QAction::triggered, this, handler);
  connect(qApp, &QApplication::focusChanged, this, &TMainWindow::UpdateEditActions);
  connect(QApplication::clipboard(), &QClipboard::dataChanged, this,
          &TMainWindow::UpdateEditActions);
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

QsciScintilla* TMainWindow::ActiveEdit() {
  TPage* page = ActivePage();
  return page ? page->Editor() : nullptr;
}

QListView* TMainWindow::ActiveDirListBox() {
  TPage* page = ActivePage();
  return page ? page->DirListBox() : nullptr;
}

TPage* TMainWindow::CreateTab() {
  TPage* page = FPages->Create([this](TPage* Page) {
    TEditFrame* frame = Page->Frame();
    frame->SetConnected(FDriver->Connected());
    Page->SetHighlighters(FHighlighters.get());
    ConnectPage(Page);
    frame->SetEditorFont(EditorFont(frame->EditorFont(), FSettings->Get(TSettingKeys::FontName),
                                    FSettings->Get(TSettingKeys::FontSize)));
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
        ErrorReport::Guarded([&] { DirListFileDrop(frame->Connected(), Files); });
      },
      Qt::QueuedConnection);
  connect(
      frame, &TEditFrame::EditFilesDropped, Page,
      [this, Page](const QStringList& Files) { EditFileDrop(Page, Files); }, Qt::QueuedConnection);
  QsciScintilla* edit = Page->Editor();
  connect(edit, &QsciScintilla::textChanged, this, [this, Page] { EditorChanged(Page); });
  connect(edit, &QsciScintilla::selectionChanged, this, &TMainWindow::UpdateEditActions);
}

void TMainWindow::EditFileDrop(TPage* Page, const QStringList& Files) {
  if (Files.size() >= 2) {
    ShowMessage("You can drop only one file at a time!");
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

void TMainWindow::EditorChanged(TPage* Page) {
  if (Page->Loading()) return;
  Page->SetSaved(false);
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
