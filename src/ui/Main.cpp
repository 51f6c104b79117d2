// The main window's creation and wiring, and its pages.
#include "ui/Main.h"

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
#include "remote/ConnectionDriver.h"
#include "remote/Dir.h"
#include "remote/File.h"
#include "store/MSettings.h"
#include "store/Servers.h"
#include "ui/FindDialog.h"
#include "ui/Highlighters.h"
#include "ui/Icons.h"
#include "ui/Pages.h"
#include "ui/UnsavedGuard.h"
#include "ui/frmAbout.h"
#include "ui/frmDebug.h"
#include "ui/frmEdit.h"
#include "ui/frmSaveAs.h"

namespace {
const int kStatusPanelWidths[] = {100, 200, 50};
constexpr int kStartupDelay = 100;
}  // namespace

// ---------------------------------------------------------------- creation and wiring

TMainForm::TMainForm(QWidget* Parent) : QMainWindow(Parent) {
  setWindowTitle("Quillery");
  setWindowIcon(Icons::Fallback("quillery"));
  resize(850, 636);
  CreateActions();
  CreateMenus();
  CreateToolBar();
  PageControl = new QTabWidget(this);
  PageControl->setObjectName("PageControl");
  PageControl->setDocumentMode(true);
  setCentralWidget(PageControl);
  connect(PageControl, &QTabWidget::currentChanged, this, &TMainForm::PageControlChange);
  FPages = std::make_unique<TPages>(
      PageControl, [this] { UpdateActions(); },
      [this](TPage* Page) { FDriver->PageClosing(Page); });
  CreateStatusBar();
  ConnectActionHandlers();

  FSettings = std::make_unique<TSettings>();
  FServers = std::make_unique<TServers>();
  // Before the driver: the commands it enables consult the guard.
  FUnsavedGuard = new TUnsavedGuard(*this);
  // The driver shows the not-connected state as soon as it exists.
  FDriver = std::make_unique<TConnectionDriver>(*this, FVirtualRedirector);
  FHighlighters = std::make_unique<THighlighters>();
  FFindDialog = new TFindDialog(this);
  connect(FFindDialog, &TFindDialog::Find, this, &TMainForm::FindDialogFind);
  ErrorReport::Guarded([this] { LoadFormPosition(); });

  StartupTimer = new QTimer(this);
  StartupTimer->setInterval(kStartupDelay);
  connect(StartupTimer, &QTimer::timeout, this, &TMainForm::StartupTimerTimer);
  StartupTimer->start();
}

TMainForm::~TMainForm() {
  // Pages and dialogs outlive this body; keep their signals from reaching a
  // half-destroyed window.
  disconnect(qApp, nullptr, this, nullptr);
  disconnect(QApplication::clipboard(), nullptr, this, nullptr);
  PageControl->disconnect(this);
  FPages->ForEach([this](TPage* Page) {
    Page->SynEdit()->disconnect(this);
    Page->Frame()->disconnect(this);
  });
  delete PageControl;
  PageControl = nullptr;
  SetBusyCursor(false);
  FDriver.reset();
  FServers.reset();
  FSettings.reset();
}

QAction* TMainForm::MakeAction(const QString& Name, const QString& Text,
                               const QKeySequence& Shortcut, const QString& Hint,
                               const QString& IconName) {
  auto* action = new QAction(Text, this);
  action->setObjectName(Name);
  action->setShortcut(Shortcut);
  if (!Hint.isEmpty()) {
    // "Short|Long": the short text is the tooltip, the long one the status tip.
    action->setToolTip(Hint.section('|', 0, 0));
    action->setStatusTip(Hint.section('|', 1));
  }
  if (!IconName.isEmpty()) action->setIcon(Icons::Get(IconName));
  addAction(action);
  return action;
}

void TMainForm::CreateActions() {
  ConnectAction = MakeAction("ConnectAction", "&Connect to Server...", {}, {}, "network-connect");
  OpenAction = MakeAction("OpenAction", "&Open...", QKeySequence("Ctrl+O"),
                          "Open|Opens an existing file", "document-open");
  SaveAction = MakeAction("SaveAction", "&Save", QKeySequence("Ctrl+S"), {}, "document-save");
  Action6 = MakeAction("Action6", "C&lose Tab", QKeySequence("Ctrl+W"));
  NewAction = MakeAction("NewAction", "&New", QKeySequence("Ctrl+T"), {}, "document-new");
  Action7 = MakeAction("Action7", "&Print...", {});
  ExitAction = MakeAction("ExitAction", "&Exit", {}, {}, "application-exit");
  CutAction = MakeAction("CutAction", "Cu&t", QKeySequence("Ctrl+X"),
                         "Cut|Cuts the selection and puts it on the Clipboard", "edit-cut");
  CopyAction = MakeAction("CopyAction", "&Copy", QKeySequence("Ctrl+C"),
                          "Copy|Copies the selection and puts it on the Clipboard", "edit-copy");
  PasteAction = MakeAction("PasteAction", "&Paste", QKeySequence("Ctrl+V"),
                           "Paste|Inserts Clipboard contents", "edit-paste");
  EditSelectAll1 = MakeAction("EditSelectAll1", "Select &All", QKeySequence("Ctrl+A"),
                              "Select All|Selects the entire document");
  EditUndo1 = MakeAction("EditUndo1", "&Undo", QKeySequence("Ctrl+Z"),
                         "Undo|Reverts the last action", "edit-undo");
  EditDelete1 = MakeAction("EditDelete1", "&Delete", QKeySequence(Qt::Key_Delete),
                           "Delete|Erases the selection");
  FindAction = MakeAction("FindAction", "&Find...", QKeySequence("Ctrl+F"));
  RedoAction = MakeAction("RedoAction", "Redo", {}, {}, "edit-redo");
  ViewLineNumbersAction = MakeAction("ViewLineNumbersAction", "&Line Numbers", {});
  WrapLinesAction = MakeAction("WrapLinesAction", "&Wrap Long Lines", {});
  FontAction = MakeAction("FontAction", "&Font...", {});
  ShowConnectDialogAction =
      MakeAction("ShowConnectDialogAction", "&Show Connect Dialog on Startup", {});
  Action4 = MakeAction("Action4", "&About...", {});
  ViewDebugLogAction =
      MakeAction("ViewDebugLogAction", "ViewDebugLogAction", QKeySequence("Ctrl+Alt+D"));

  for (QAction* action : {ViewLineNumbersAction, WrapLinesAction, ShowConnectDialogAction})
    action->setCheckable(true);
  // Commands without a handler of their own.
  Action7->setEnabled(false);
  RedoAction->setEnabled(false);
  SaveAction->setEnabled(false);
}

void TMainForm::CreateMenus() {
  QMenu* file = menuBar()->addMenu("&File");
  file->addActions(
      {ConnectAction, OpenAction, SaveAction, Action6, NewAction, Action7, ExitAction});
  QMenu* edit = menuBar()->addMenu("&Edit");
  edit->addActions(
      {CutAction, CopyAction, PasteAction, EditSelectAll1, EditUndo1, EditDelete1, FindAction});
  connect(edit, &QMenu::aboutToShow, this, &TMainForm::UpdateEditActions);
  menuBar()->addMenu("&View")->addActions({ViewLineNumbersAction, WrapLinesAction});
  menuBar()->addMenu("&Settings")->addActions({FontAction, ShowConnectDialogAction});
  menuBar()->addMenu("&Help")->addAction(Action4);
}

void TMainForm::CreateToolBar() {
  ActionToolBar1 = addToolBar(tr("Toolbar"));
  ActionToolBar1->setObjectName("ActionToolBar1");
  ActionToolBar1->setMovable(false);
  ActionToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
  ActionToolBar1->setIconSize(QSize(16, 16));
  ActionToolBar1->addAction(ConnectAction);
  ActionToolBar1->addSeparator();
  ActionToolBar1->addActions({NewAction, OpenAction, SaveAction});
  ActionToolBar1->addSeparator();
  ActionToolBar1->addActions({CutAction, CopyAction, PasteAction, EditUndo1, RedoAction});
  ActionToolBar1->addSeparator();
  ActionToolBar1->addAction(ExitAction);
}

void TMainForm::CreateStatusBar() {
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
    FStatusPanels[i]->setObjectName(QString("StatusPanel%1").arg(i));
    statusBar()->addWidget(FStatusPanels[i]);
  }
}

void TMainForm::ConnectActionHandlers() {
  const std::pair<QAction*, void (TMainForm::*)()> handlers[] = {
      {ConnectAction, &TMainForm::ConnectActionExecute},
      {OpenAction, &TMainForm::OpenActionExecute},
      {SaveAction, &TMainForm::SaveActionExecute},
      {Action6, &TMainForm::Action6Execute},
      {NewAction, &TMainForm::NewActionExecute},
      {ExitAction, &TMainForm::ExitActionExecute},
      {CutAction, &TMainForm::CutActionExecute},
      {CopyAction, &TMainForm::CopyActionExecute},
      {PasteAction, &TMainForm::PasteActionExecute},
      {EditSelectAll1, &TMainForm::EditSelectAll1Execute},
      {EditUndo1, &TMainForm::EditUndo1Execute},
      {EditDelete1, &TMainForm::EditDelete1Execute},
      {FindAction, &TMainForm::FindActionExecute},
      {ViewLineNumbersAction, &TMainForm::ViewLineNumbersActionExecute},
      {WrapLinesAction, &TMainForm::WrapLinesActionExecute},
      {FontAction, &TMainForm::FontActionExecute},
      {ShowConnectDialogAction, &TMainForm::ShowConnectDialogActionExecute},
      {Action4, &TMainForm::Action4Execute},
      {ViewDebugLogAction, &TMainForm::ViewDebugLogActionExecute},
  };
  for (const auto& [action, handler] : handlers)
    connect(action, &QAction::triggered, this, handler);
  connect(qApp, &QApplication::focusChanged, this, &TMainForm::UpdateEditActions);
  connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &TMainForm::UpdateEditActions);
}

void TMainForm::SetConnectDialog(QDialog* Dialog, std::function<TConnectValues()> Values) {
  FConnectDialog = Dialog;
  FConnectValues = std::move(Values);
}

void TMainForm::SetAboutForm(TAboutForm* Form) { FAboutForm = Form; }

void TMainForm::SetSaveAsForm(TSaveAsForm* Form) { FSaveAsForm = Form; }

void TMainForm::SetDebugForm(TDebugForm* Form) { FDebugForm = Form; }

// ---------------------------------------------------------------- pages

TPage* TMainForm::ActivePage() { return FPages->Active(); }

int TMainForm::PageCount() { return FPages->Count(); }

TPage* TMainForm::Pages(int Index) { return FPages->At(Index); }

QsciScintilla* TMainForm::ActiveEdit() {
  TPage* page = ActivePage();
  return page ? page->SynEdit() : nullptr;
}

QListView* TMainForm::ActiveDirListBox() {
  TPage* page = ActivePage();
  return page ? page->DirListBox() : nullptr;
}

TPage* TMainForm::CreateTab(const QString& Caption) {
  TPage* page = FPages->Create(Caption, [this](TPage* Page) {
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

void TMainForm::CloseActiveTab() { FPages->CloseActive(); }

void TMainForm::ConnectPage(TPage* Page) {
  TEditFrame* frame = Page->Frame();
  connect(frame, &TEditFrame::ConnectRequested, this, &TMainForm::ConnectActionExecute);
  connect(frame, &TEditFrame::DirListDoubleClicked, this, &TMainForm::DirListBoxDblClick);
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
  QsciScintilla* edit = Page->SynEdit();
  connect(edit, &QsciScintilla::textChanged, this, [this, Page] { SynEditChanged(Page); });
  connect(edit, &QsciScintilla::selectionChanged, this, &TMainForm::UpdateEditActions);
}

void TMainForm::EditFileDrop(TPage* Page, const QStringList& Files) {
  if (Files.size() >= 2) {
    ShowMessage("You can drop only one file at a time!");
    return;
  }
  if (Files.isEmpty()) return;
  ErrorReport::Guarded([&] { Page->LoadFromFile(Files.first()); });
}

void TMainForm::Action6Execute() {
  if (PageCount() == 1) return;
  FUnsavedGuard->Protect(ActivePage(), [this] {
    CloseActiveTab();
    // The Save command follows the page that is now in front.
    UpdateActions();
    UpdateEditActions();
  });
}

// Entering a folder replaces no text; opening a file replaces the page's.
// The listing that follows an upload refills the list and drops its
// selection, so the entry is found again by name.
void TMainForm::DirListBoxDblClick() {
  TPage* page = ActivePage();
  const TFile* file = page ? page->SelectedFile() : nullptr;
  if (!file || file->IsDirectory()) {
    ErrorReport::Guarded([this] { OpenSelectedEntry(); });
    return;
  }
  FUnsavedGuard->Protect(page, [this, page, name = file->RemoteName()] {
    if (page->SelectFile(name)) ErrorReport::Guarded([this] { OpenSelectedEntry(); });
  });
}

void TMainForm::NewActionExecute() { CreateTab(TPage::UntitledCaption()); }

void TMainForm::PageControlChange() {
  if (FPages->Switching()) return;
  UpdateActions();
  TPage* page = ActivePage();
  SetStatus(page && page->Dir() ? page->Dir()->Name() : QString(), 1);
  UpdateEditActions();
}

void TMainForm::SynEditChanged(TPage* Page) {
  if (Page->Loading()) return;
  Page->SetSaved(false);
  UpdateEditActions();
}

// While the save question waits for its upload nothing may save, close or
// replace a page, nor bring another to the front.
void TMainForm::UpdateActions() {
  const bool free = !FUnsavedGuard->Waiting();
  TPage* page = ActivePage();
  SaveAction->setEnabled(free && page && !page->Saved());
  Action6->setEnabled(free);
  NewAction->setEnabled(free && FNewOpenEnabled);
  OpenAction->setEnabled(free && FNewOpenEnabled);
}
