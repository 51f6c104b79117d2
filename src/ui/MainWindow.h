#pragma once

#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <functional>
#include <memory>

#include "process/VirtualRedirector.h"
#include "remote/editing/UserPrompts.h"
#include "remote/session/Conversation.h"
#include "remote/session/DriverView.h"
#include "ui/MainActions.h"
#include "ui/Page.h"

class QDialog;
class QFont;
class QTabWidget;
class QTimer;
class TAboutBox;
class TCloseSequence;
class TConnectionDriver;
class TConnectionView;
class TDialogPrompts;
class TRemoteEditor;
class TDebugLogWindow;
class TEditCommands;
class TEditorManager;
class TEditorStatus;
class TFindDialog;
class THighlighters;
class THostKeyDialog;
class TLinkHost;
class TListCommands;
class TLoginDialogs;
class TPages;
class TPasswordDialog;
class TRemoteLink;
class TSaveAsDialog;
class TSaveLock;
class TServers;
class TSettings;
class TUnsavedGuard;
class TWindowPlacement;

// The main window: menu, toolbar, one editor page per tab and the status bar.
// It owns the psftp child process, the connection driver that talks to it, the
// settings and the saved hosts. What the driver reports is shown by
// TConnectionView, the pages are made and wired by TEditorManager, and the
// close is TCloseSequence's; the window puts its parts together and forwards.
//
// One class, several files, one per part of the window; the sections below
// follow them:
//   MainWindow.cpp            creation and wiring, the pages, and the
//                             commands that are neither the driver's nor
//                             TEditCommands' nor TEditorManager's
//   MainWindowStartup.cpp     the first showing, settings, the stored geometry
//   MainWindowClosing.cpp     closing, and the upload it may wait for
//   MainWindowConnection.cpp  the driver's commands and reports
//   MainWindowLinks.cpp       links to remote files and folders
class TMainWindow : public QMainWindow, public TMainActions, public IDriverView {
  Q_OBJECT

  // ------------------------------------------------ creation and wiring (MainWindow.cpp)
 public:
  explicit TMainWindow(QWidget* Parent = nullptr);
  ~TMainWindow() override;

  // The windows made after this one; the main program hands them over.
  // Values reads the connect dialog's fields after it closed with OK.
  void SetConnectDialog(QDialog* Dialog, std::function<TConnectValues()> Values);
  void SetAboutForm(TAboutBox* Form);
  void SetSaveAsForm(TSaveAsDialog* Form);
  void SetDebugForm(TDebugLogWindow* Form);

  TConnectionDriver& Driver() { return *FDriver; }
  // Where the window's questions go: its dialogs, unless another answerer
  // (a test's script) is set. Prompts must outlive the window.
  IUserPrompts& Prompts() { return FPrompts ? *FPrompts : DialogPromptsAsPrompts(); }
  void SetPrompts(IUserPrompts* Prompts);
  TDialogPrompts& DialogPrompts() { return *FDialogPrompts; }
  TSettings& Settings() { return *FSettings; }
  TServers& Servers() { return *FServers; }
  TVirtualRedirector& VirtualRedirector() { return FVirtualRedirector; }
  // One lexer of each kind, shared by every page.
  THighlighters& Highlighters() { return *FHighlighters; }
  // The save question asked before a page's text is thrown away.
  TUnsavedGuard& UnsavedGuard() { return *FUnsavedGuard; }

  QTabWidget* Tabs;
  QTimer* StartupTimer;

 private:
  IUserPrompts& DialogPromptsAsPrompts();
  void ConnectActionHandlers();
  void CreateListCommands();
  void CreateEditorManager();

  // The driver talks through the child process, so the process comes first
  // here and is destroyed last.
  TVirtualRedirector FVirtualRedirector;
  std::unique_ptr<TSettings> FSettings;
  std::unique_ptr<TServers> FServers;
  std::unique_ptr<TConnectionDriver> FDriver;
  std::unique_ptr<TDialogPrompts> FDialogPrompts;
  IUserPrompts* FPrompts = nullptr;
  std::unique_ptr<TRemoteEditor> FRemoteEditor;
  std::unique_ptr<THighlighters> FHighlighters;
  std::unique_ptr<TUnsavedGuard> FUnsavedGuard;
  std::unique_ptr<TWindowPlacement> FPlacement;
  QPointer<TAboutBox> FAboutForm;

  // ------------------------------------------------ pages (MainWindow.cpp)
 public:
  // Forwarders to the page list and TEditorManager, kept for the commands
  // and their tests.
  TPage* ActivePage();
  int PageCount();
  TPage* Pages(int Index);
  // A new page, in front, with an unnamed document.
  TPage* CreateTab();
  void CloseActiveTab();
  void TabsChange();
  void EditFileDrop(TPage* Page, const QStringList& Files);
  void DirListBoxDblClick();
  void UpdateActions();

 private:
  std::unique_ptr<TPages> FPages;
  std::unique_ptr<TEditorManager> FEditorManager;

  // ------------------------------------------------ commands (MainWindow.cpp)
 public:
  // The commands on the text and its view are TEditCommands'.
  TEditCommands& EditCommands() { return *FEditCommands; }
  // The facts about the page in front at the status bar's end.
  TEditorStatus& EditorStatus() { return *FEditorStatus; }
  TFindDialog* FindDialog() const;
  void UpdateEditActions();
  void ShowConnectDialogActionExecute();

 protected:
  // The font dialog preset with Font; false when cancelled.
  virtual bool AskFont(QFont& Font);
  // The Go to Line question, preset with Line, between 1 and Last; false
  // when cancelled.
  virtual bool AskLine(int& Line, int Last);

 private:
  std::unique_ptr<TEditCommands> FEditCommands;
  TEditorStatus* FEditorStatus = nullptr;
  // The directory list's commands; a child of the window.
  TListCommands* FListCommands = nullptr;

 public:
  TListCommands& ListCommands() { return *FListCommands; }

 private:
  // ------------------------------------------------ start-up (MainWindowStartup.cpp)
 public:
  void ApplySettings();
  void StartupTimerTimer();

 protected:
  void showEvent(QShowEvent* Event) override;
  void changeEvent(QEvent* Event) override;

 private:
  void FormShow();

  bool FShown = false;
  bool FFirstTick = true;

  // ------------------------------------------------ closing (MainWindowClosing.cpp)
 public:
  // How long a command, or the window's close, waits for an upload that the
  // save question started.
  void SetUploadWaitLimit(int Milliseconds);
  bool WaitingForUploadToClose() const;
  // True while a save the save question began has not been answered: its
  // check, the question that may follow it, or its upload.
  virtual bool UploadInProgress();

 protected:
  void closeEvent(QCloseEvent* Event) override;

 private:
  // While the save question waits for an upload: the whole window for the
  // window's close, else Page and the tab bar.
  void LockForSave(bool Locked, bool WholeWindow, TPage* Page);

  std::unique_ptr<TCloseSequence> FCloseSequence;
  std::unique_ptr<TSaveLock> FSaveLock;

  // ------------------------------------------------ the connection (MainWindowConnection.cpp)
 public:
  void ConnectActionExecute();
  void SaveActionExecute();

  // What the connection driver reports, shown by TConnectionView. Tests
  // listen in on Log and answer AskHostKey.
  void ConnectionChanged(bool Connected, const QString& HostName) override;
  void MessageChanged(const QString& Text, const QString& Detail) override {
    SetStatus(Text, 0, Detail);
  }
  void FolderChanged(const QString& Path) override { SetStatus(Path, 1); }
  void BusyChanged(bool Busy) override { SetBusyCursor(Busy); }
  void DirectoryListed(IPage* Page, TDir* Dir) override;
  void Log(TLog Kind, const QString& Text) override;
  void Inform(const QString& Text, const QString& Detail) override;
  void AskHostKey(const THostKeyRequest& Request) override;
  void AskPassword(const TPasswordRequest& Request) override;

  // How the window shows it, and the questions it asks; tests answer those
  // that are virtual.
  virtual void SetStatus(const QString& S, int Index, const QString& ToolTip = QString());
  QString StatusText(int Index) const;
  void SetBusyCursor(bool Busy);
  virtual bool ShowConnectDialog();
  virtual TConnectValues ConnectDialogValues();
  THostKeyDialog* HostKeyDialog();
  TPasswordDialog* PasswordDialog();

 private:
  std::unique_ptr<TConnectionView> FConnectionView;
  std::unique_ptr<TLoginDialogs> FLoginDialogs;

  // ------------------------------------------------ links (MainWindowLinks.cpp)
 public:
  // Opens a link to a folder or file (sftp://..., host:path, ALIAS:path):
  // connects when nothing is connected, opens it in a tab beside the
  // connection to its host, and asks before leaving another host for it.
  void OpenLink(const QString& Link);

 private:
  void OpenLinkNow(const QString& Link);
  void ConnectForLink(const TRemoteLink& Link, const TLinkHost& Host);
  void OpenLinkHere(const TRemoteLink& Link);
  // After the disconnect a link asked for, the link.
  void OpenLinkAfterDisconnect();
  TPage* PageForLink();
  IConversation::TListed OpenWhenListed(const QString& Name);
  void OpenListedEntry(TPage* Page, const QString& Name);
  QString ConnectionName() const;

  QString FLinkAfterDisconnect;
};
