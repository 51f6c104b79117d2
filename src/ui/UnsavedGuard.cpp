#include "ui/UnsavedGuard.h"

#include <QApplication>
#include <QMenuBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <Qsci/qsciscintilla.h>

#include "core/ErrorReport.h"
#include "remote/session/ConnectionDriver.h"
#include "ui/EditFrame.h"
#include "ui/MainWindow.h"
#include "ui/Page.h"

namespace {
constexpr int kPoll = 100;
}

TUnsavedGuard::TUnsavedGuard(TMainWindow& Window) : QObject(&Window), FWindow(Window) {
  FTimer = new QTimer(this);
  FTimer->setInterval(kPoll);
  connect(FTimer, &QTimer::timeout, this, &TUnsavedGuard::Tick);
}

bool TUnsavedGuard::Waiting() const { return FTimer->isActive(); }

TUnsavedGuard::TAnswer TUnsavedGuard::Ask(TPage* Page) {
  IUserPrompts::TChoice question;
  question.Title = "Confirm";
  question.Text = QString("Save changes to %1?").arg(Page->Caption());
  question.Answers = QStringList{"Yes", "No", "Cancel"};
  question.Escape = 2;
  const int answer = FWindow.Prompts().Choose(question);
  if (answer == 1) return TAnswer::GoOn;
  if (answer != 0) return TAnswer::Stop;
  bool sent = false;
  ErrorReport::Guarded([&] { sent = FWindow.SavePage(Page); });
  if (!sent) return TAnswer::Stop;
  return TAnswer::Saving;
}

void TUnsavedGuard::Protect(TPage* Page, std::function<void()> Command) {
  if (Waiting()) return;
  if (!Page || Page->Saved()) {
    Command();
    return;
  }
  switch (Ask(Page)) {
    case TAnswer::GoOn:
      Command();
      return;
    case TAnswer::Stop:
      return;
    case TAnswer::Saving:
      break;
  }
  if (Page->Saved()) {
    Command();
    return;
  }
  // Only a confirmed upload stores the text; with none on its way (psftp
  // not running, the command refused at once) nothing ever will.
  if (!FWindow.UploadInProgress()) return;
  Start(Page, std::move(Command));
}

void TUnsavedGuard::WaitForUploads(std::function<void()> Then) {
  if (Waiting()) return;
  Start(nullptr, std::move(Then));
}

void TUnsavedGuard::Abandon(TPage* Page) {
  if (!Waiting() || (FForPage && FPage != Page)) return;
  Finish(false);
}

void TUnsavedGuard::Start(TPage* Page, std::function<void()> Then) {
  FForPage = Page != nullptr;
  FPage = Page;
  FThen = std::move(Then);
  FClock.start();
  FTimer->start();
  Lock(true);
}

// A page's upload counts only once confirmed: a refusal or psftp ending ends
// the upload too, but leaves the page unsaved. The window's close goes on
// either way, as it always has.
void TUnsavedGuard::Tick() {
  // A person answers the question a checked save asks in their own time;
  // the limit is psftp's, and runs again from the answer.
  if (FWindow.AskingAboutSave()) {
    FClock.start();
    return;
  }
  const bool confirmed = FForPage && FPage && FPage->Saved();
  if (!confirmed && FWindow.UploadInProgress() && !FClock.hasExpired(FWaitLimit)) return;
  Finish(confirmed || !FForPage);
}

void TUnsavedGuard::Finish(bool GoOn) {
  FTimer->stop();
  Lock(false);
  const std::function<void()> then = std::move(FThen);
  FThen = nullptr;
  const QPointer<TPage> page = FPage;
  FPage = nullptr;
  if (!GoOn) return;
  if (FForPage) {
    if (!page) return;
    // The command acts on the active page; make sure it is still this one.
    FWindow.Tabs->setCurrentWidget(page->TabSheet());
  }
  then();
}

// The tab bar stays off so the active page cannot change under the command.
// The editor is made read-only as well as disabled: Cut and Paste reach the
// active editor whatever has the focus, and a change typed now would be
// marked saved by the upload that does not carry it.
void TUnsavedGuard::Lock(bool Locked) {
  if (!FForPage) {
    FWindow.centralWidget()->setEnabled(!Locked);
    FWindow.menuBar()->setEnabled(!Locked);
    FWindow.ToolBar->setEnabled(!Locked);
  } else {
    if (Locked) FFocusBefore = QApplication::focusWidget();
    FWindow.Tabs->tabBar()->setEnabled(!Locked);
    if (FPage) {
      FPage->Frame()->setEnabled(!Locked);
      QsciScintilla* edit = FPage->Editor();
      if (Locked) FReadOnlyBefore = edit->isReadOnly();
      edit->setReadOnly(Locked || FReadOnlyBefore);
    }
    if (!Locked && FFocusBefore && FFocusBefore->isEnabled()) FFocusBefore->setFocus();
  }
  FWindow.UpdateActions();
}
