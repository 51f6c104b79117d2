#include "ui/Main.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFontDialog>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextDocument>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <Qsci/qsciscintilla.h>

#include "core/ErrorReport.h"
#include "remote/ConnectionDriver.h"
#include "remote/Dir.h"
#include "remote/File.h"
#include "store/MSettings.h"
#include "store/Servers.h"
#include "ui/FindDialog.h"
#include "ui/FindNext.h"
#include "ui/Highlighters.h"
#include "ui/HostKeyDialog.h"
#include "ui/Icons.h"
#include "ui/PasswordDialog.h"
#include "ui/UnsavedGuard.h"
#include "ui/frmAbout.h"
#include "ui/frmDebug.h"
#include "ui/frmEdit.h"
#include "ui/frmSaveAs.h"

namespace {
const int kStatusPanelWidths[] = {100, 200, 50};
constexpr int kStartupDelay = 100;

// The start-up switch is read leniently: "True" in any case, or any number
// other than zero.
bool GeneralStrToBool(const QString& S) {
  if (S.compare("true", Qt::CaseInsensitive) == 0) return true;
  bool ok = false;
  const double value = S.trimmed().toDouble(&ok);
  return ok && value != 0;
}

QFont EditorFont(QFont Font, const QString& Name, int Size) {
  Font.setFamily(Name);
  Font.setPointSize(Size);
  return Font;
}

// Scoped mark that the program, not the user, is switching tabs.
class TTabChangeGuard {
 public:
  explicit TTabChangeGuard(bool& Flag) : FFlag(Flag), FOld(Flag) { FFlag = true; }
  ~TTabChangeGuard() { FFlag = FOld; }

 private:
  bool& FFlag;
  bool FOld;
};
}  // namespace

// ---------------------------------------------------------------- creation

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
  for (int i = 0; i < PageCount(); ++i) {
    Pages(i)->SynEdit()->disconnect(this);
    Pages(i)->Frame()->disconnect(this);
  }
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
  file->addActions({ConnectAction, OpenAction, SaveAction, Action6, NewAction, Action7,
                    ExitAction});
  QMenu* edit = menuBar()->addMenu("&Edit");
  edit->addActions({CutAction, CopyAction, PasteAction, EditSelectAll1, EditUndo1, EditDelete1,
                    FindAction});
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
  connect(QApplication::clipboard(), &QClipboard::dataChanged, this,
          &TMainForm::UpdateEditActions);
}

void TMainForm::SetConnectDialog(QDialog* Dialog, std::function<TConnectValues()> Values) {
  FConnectDialog = Dialog;
  FConnectValues = std::move(Values);
}

void TMainForm::SetAboutForm(TAboutForm* Form) { FAboutForm = Form; }

void TMainForm::SetSaveAsForm(TSaveAsForm* Form) { FSaveAsForm = Form; }

void TMainForm::SetDebugForm(TDebugForm* Form) { FDebugForm = Form; }

// ---------------------------------------------------------------- showing

void TMainForm::showEvent(QShowEvent* Event) {
  QMainWindow::showEvent(Event);
  if (FShown) return;
  FShown = true;
  FormShow();
  QTimer::singleShot(0, this, &TMainForm::CorrectRestoredOuterSize);
}

void TMainForm::FormShow() {
  CreateTab(TPage::UntitledCaption());
  ErrorReport::Guarded([this] { ApplySettings(); });
}

void TMainForm::ApplySettings() {
  // Everything is read before anything changes, so a bad value changes nothing.
  const bool lineNumbers = FSettings->Get(TSettingKeys::ShowLineNumbers);
  const bool wrap = FSettings->Get(TSettingKeys::WrapLongLines);
  const QString fontName = FSettings->Get(TSettingKeys::FontName);
  const int fontSize = FSettings->Get(TSettingKeys::FontSize);
  const bool showConnectDialog = FSettings->Get(TSettingKeys::ShowConnectDialog);

  ShowConnectDialogAction->setChecked(showConnectDialog);
  WrapLinesAction->setChecked(wrap);
  ViewLineNumbersAction->setChecked(lineNumbers);
  for (int i = 0; i < PageCount(); ++i) {
    TEditFrame* frame = Pages(i)->Frame();
    frame->SetLineNumbersVisible(lineNumbers);
    frame->SetWordWrap(wrap);
    frame->SetEditorFont(EditorFont(frame->EditorFont(), fontName, fontSize));
  }
}

void TMainForm::StartupTimerTimer() {
  if (!FFirstTick) return;
  StartupTimer->stop();
  if (GeneralStrToBool(FSettings->Text(TSettingKeys::ShowConnectDialog))) ConnectActionExecute();
  FFirstTick = false;
}

// ---------------------------------------------------------------- geometry

void TMainForm::LoadFormPosition() {
  const bool maximized = FSettings->Get(TSettingKeys::FormMaximized);
  const int top = FSettings->Get(TSettingKeys::FormTop);
  const int left = FSettings->Get(TSettingKeys::FormLeft);
  const int width = FSettings->Get(TSettingKeys::FormWidth);
  const int height = FSettings->Get(TSettingKeys::FormHeight);
  if (top == -1 || left == -1 || width == -1 || height == -1) return;
  // The stored size is the outer one; the frame is added again once the
  // window manager has framed the window (CorrectRestoredOuterSize).
  const QSize frame = frameGeometry().size() - size();
  move(left, top);
  resize(width - frame.width(), height - frame.height());
  FRestoredOuterSize = QSize(width, height);
  if (maximized) setWindowState(windowState() | Qt::WindowMaximized);
}

void TMainForm::changeEvent(QEvent* Event) {
  QMainWindow::changeEvent(Event);
  // A window that started maximised gets its stored normal size when it
  // first leaves that state.
  if (Event->type() == QEvent::WindowStateChange && FRestoredOuterSize.isValid() && !isMaximized())
    QTimer::singleShot(0, this, &TMainForm::CorrectRestoredOuterSize);
}

void TMainForm::CorrectRestoredOuterSize() {
  if (!FRestoredOuterSize.isValid() || isMaximized()) return;
  const QSize frame = frameGeometry().size() - size();
  if (!frame.isNull()) resize(FRestoredOuterSize - frame);
  FRestoredOuterSize = QSize();
}

void TMainForm::SaveFormPosition() {
  const bool maximized = isMaximized();
  FSettings->Set(TSettingKeys::FormMaximized, maximized);
  if (maximized) return;
  const QRect outer = frameGeometry();
  FSettings->Set(TSettingKeys::FormTop, outer.top());
  FSettings->Set(TSettingKeys::FormLeft, outer.left());
  FSettings->Set(TSettingKeys::FormWidth, outer.width());
  FSettings->Set(TSettingKeys::FormHeight, outer.height());
}

// ---------------------------------------------------------------- closing

void TMainForm::closeEvent(QCloseEvent* Event) {
  if (FUnsavedGuard->Waiting()) {
    Event->ignore();
    return;
  }
  if (!FCloseQueryDone) {
    bool uploadSent = false;
    if (!FormCloseQuery(uploadSent)) {
      Event->ignore();
      return;
    }
    // psftp uploads on its own time; closing now would kill it mid-transfer.
    if (uploadSent && UploadInProgress()) {
      FUnsavedGuard->WaitForUploads([this] {
        FCloseQueryDone = true;
        close();
      });
      Event->ignore();
      return;
    }
  }
  FCloseQueryDone = false;
  FormClose();
  Event->accept();
}

// A save that failed, or whose Save As was cancelled, keeps the window open:
// the user said the text matters, and it is stored nowhere yet.
bool TMainForm::FormCloseQuery(bool& UploadSent) {
  for (int i = 0; i < PageCount(); ++i) {
    TPage* page = Pages(i);
    if (page->Saved()) continue;
    ActivateTab(i);
    const TUnsavedGuard::TAnswer answer = FUnsavedGuard->Ask(page);
    if (answer == TUnsavedGuard::TAnswer::Stop) return false;
    if (answer == TUnsavedGuard::TAnswer::Saving && UploadInProgress()) UploadSent = true;
  }
  return true;
}

QMessageBox::StandardButton TMainForm::AskSaveChanges(const QString& Text) {
  return QMessageBox::question(this, "Confirm", Text,
                               QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
}

bool TMainForm::UploadInProgress() {
  return FDriver->UploadPending() && FVirtualRedirector.Running();
}

void TMainForm::SetUploadWaitLimit(int Milliseconds) { FUnsavedGuard->SetWaitLimit(Milliseconds); }

bool TMainForm::WaitingForUploadToClose() const {
  return FUnsavedGuard->Waiting() && !FUnsavedGuard->WaitingForPage();
}

void TMainForm::FormClose() {
  // The geometry is a convenience: a store that cannot be written is
  // reported, and the window still closes.
  ErrorReport::Guarded([this] { SaveFormPosition(); });
}

void TMainForm::ExitActionExecute() { close(); }

// ---------------------------------------------------------------- pages

TPage* TMainForm::ActivePage() { return TPage::OfTabSheet(PageControl->currentWidget()); }

int TMainForm::PageCount() { return PageControl ? PageControl->count() : 0; }

TPage* TMainForm::Pages(int Index) { return TPage::OfTabSheet(PageControl->widget(Index)); }

QsciScintilla* TMainForm::ActiveEdit() {
  TPage* page = ActivePage();
  return page ? page->SynEdit() : nullptr;
}

QListView* TMainForm::ActiveDirListBox() {
  TPage* page = ActivePage();
  return page ? page->DirListBox() : nullptr;
}

void TMainForm::ActivateTab(int Index) {
  TTabChangeGuard guard(FChangingTab);
  PageControl->setCurrentIndex(Index);
}

TPage* TMainForm::CreateTab(const QString& Caption) {
  TPage* previous = ActivePage();
  auto* sheet = new QWidget;
  auto* layout = new QVBoxLayout(sheet);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* frame = new TEditFrame(sheet);
  layout->addWidget(frame);
  {
    TTabChangeGuard guard(FChangingTab);
    PageControl->addTab(sheet, QString());
  }
  frame->SetConnected(FDriver->Connected());
  auto* page = new TPage(PageControl, sheet, frame, [this] { UpdateActions(); });
  page->SetHighlighters(FHighlighters.get());
  page->SetCaption(Caption);
  ConnectPage(page);
  frame->SetEditorFont(EditorFont(frame->EditorFont(), FSettings->Get(TSettingKeys::FontName),
                                  FSettings->Get(TSettingKeys::FontSize)));
  page->SetSaved(true);
  if (previous) page->SetDir(previous->Dir());
  ActivateTab(PageControl->count() - 1);
  frame->SynEdit()->setFocus();
  UpdateActions();
  UpdateEditActions();
  return page;
}

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
      [this, Page](const QStringList& Files) { EditFileDrop(Page, Files); },
      Qt::QueuedConnection);
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

void TMainForm::CloseActiveTab() {
  TPage* page = ActivePage();
  if (!page) return;
  FDriver->PageClosing(page);
  QWidget* sheet = page->TabSheet();
  {
    TTabChangeGuard guard(FChangingTab);
    PageControl->removeTab(PageControl->indexOf(sheet));
    delete sheet;
  }
  ActivateTab(PageControl->count() - 1);
  if (QsciScintilla* edit = ActiveEdit()) edit->setFocus();
}

void TMainForm::Action6Execute() {
  if (PageControl->count() == 1) return;
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
  if (FChangingTab) return;
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

// ---------------------------------------------------------------- edit commands

QsciScintilla* TMainForm::FocusedEditor() {
  for (QWidget* widget = focusWidget(); widget; widget = widget->parentWidget())
    if (auto* edit = qobject_cast<QsciScintilla*>(widget)) return edit;
  return nullptr;
}

// An editor with the focus decides; without one, Cut, Copy and Paste stay
// available for their own handlers and the editor-only commands are off.
void TMainForm::UpdateEditActions() {
  QsciScintilla* edit = FocusedEditor();
  if (!edit) {
    for (QAction* action : {CutAction, CopyAction, PasteAction}) action->setEnabled(true);
    for (QAction* action : {EditSelectAll1, EditUndo1, EditDelete1}) action->setEnabled(false);
    return;
  }
  const QMimeData* clipboard = QApplication::clipboard()->mimeData();
  CutAction->setEnabled(edit->hasSelectedText() && !edit->isReadOnly());
  CopyAction->setEnabled(edit->hasSelectedText());
  PasteAction->setEnabled(clipboard && clipboard->hasText());
  EditUndo1->setEnabled(edit->isUndoAvailable());
  EditSelectAll1->setEnabled(true);
  EditDelete1->setEnabled(true);
}

void TMainForm::EditSelectAll1Execute() {
  if (QsciScintilla* edit = FocusedEditor()) edit->selectAll();
}

void TMainForm::EditUndo1Execute() {
  if (QsciScintilla* edit = FocusedEditor()) edit->undo();
}

void TMainForm::EditDelete1Execute() {
  if (QsciScintilla* edit = FocusedEditor()) edit->SendScintilla(QsciScintillaBase::SCI_CLEAR);
}

// The clipboard commands act on the active page whatever has the focus; the
// editor's own Ctrl+X/C/V are released to them (see TEditFrame).
void TMainForm::CutActionExecute() {
  QsciScintilla* edit = ActiveEdit();
  if (!edit || !edit->hasSelectedText()) return;
  edit->cut();
  ActivePage()->SetSaved(false);
}

void TMainForm::CopyActionExecute() {
  QsciScintilla* edit = ActiveEdit();
  if (edit && edit->hasSelectedText()) edit->copy();
}

// The page counts as changed even when the clipboard held nothing to paste.
void TMainForm::PasteActionExecute() {
  QsciScintilla* edit = ActiveEdit();
  if (!edit) return;
  edit->paste();
  ActivePage()->SetSaved(false);
}

void TMainForm::FindActionExecute() {
  FFindDialog->show();
  FFindDialog->raise();
  FFindDialog->activateWindow();
}

void TMainForm::FindDialogFind() {
  FindNext(ActiveEdit(), FFindDialog->FindText(), FFindDialog->MatchCase(), FFindDialog->Up());
}

// What the active page shows decides; the check mark is only flipped (Qt did
// that already), so after a new page brought its gutter back the two may
// disagree until the next restart reads the stored value.
void TMainForm::ViewLineNumbersActionExecute() {
  TPage* active = ActivePage();
  if (!active) return;
  const bool show = !active->Frame()->LineNumbersVisible();
  for (int i = 0; i < PageCount(); ++i) Pages(i)->Frame()->SetLineNumbersVisible(show);
  ErrorReport::Guarded([&] { FSettings->Set(TSettingKeys::ShowLineNumbers, show); });
}

void TMainForm::WrapLinesActionExecute() {
  const bool wrap = WrapLinesAction->isChecked();
  for (int i = 0; i < PageCount(); ++i) Pages(i)->Frame()->SetWordWrap(wrap);
  ErrorReport::Guarded([&] { FSettings->Set(TSettingKeys::WrapLongLines, wrap); });
}

// The whole font goes to every page; only its name and size are stored, so
// style and effects last until the window closes.
void TMainForm::FontActionExecute() {
  TPage* active = ActivePage();
  QFont font = active ? active->Frame()->EditorFont() : QFont();
  if (!AskFont(font)) return;
  // Pages with a highlighter take their text font from the shared lexers.
  FHighlighters->SetFont(font);
  for (int i = 0; i < PageCount(); ++i) Pages(i)->Frame()->SetEditorFont(font);
  const int size = font.pointSize() > 0 ? font.pointSize() : QFontInfo(font).pointSize();
  ErrorReport::Guarded([&] {
    FSettings->Set(TSettingKeys::FontName, font.family());
    FSettings->Set(TSettingKeys::FontSize, size);
  });
}

bool TMainForm::AskFont(QFont& Font) {
  bool ok = false;
  const QFont chosen = QFontDialog::getFont(&ok, Font, this, "Font", QFontDialog::MonospacedFonts);
  if (ok) Font = chosen;
  return ok;
}

void TMainForm::ShowConnectDialogActionExecute() {
  const bool show = ShowConnectDialogAction->isChecked();
  ErrorReport::Guarded([&] { FSettings->Set(TSettingKeys::ShowConnectDialog, show); });
}

void TMainForm::OpenActionExecute() {
  const QString fileName = AskOpenFileName();
  if (!fileName.isEmpty()) OpenActionAccept(fileName);
}

QString TMainForm::AskOpenFileName() { return QFileDialog::getOpenFileName(this, "Open"); }

// Loading a whole file is no edit: caption, remote name, highlighter and the
// saved state stay, so a page that came from the server still saves there.
void TMainForm::OpenActionAccept(const QString& FileName) {
  TPage* page = ActivePage();
  if (!page) return;
  FUnsavedGuard->Protect(page, [this, page, FileName] {
    ErrorReport::Guarded([&] { page->LoadFromFile(FileName); });
    UpdateEditActions();
  });
}

void TMainForm::Action4Execute() {
  if (FAboutForm) FAboutForm->exec();
}

void TMainForm::ViewDebugLogActionExecute() {
  if (FDebugForm) FDebugForm->exec();
}

