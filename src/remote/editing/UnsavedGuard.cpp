#include "remote/editing/UnsavedGuard.h"

#include "core/ErrorReport.h"
#include "remote/editing/DriverPage.h"
#include "remote/editing/RemoteEditor.h"
#include "remote/listing/File.h"

namespace {
constexpr int kPoll = 100;
}

TUnsavedGuard::TUnsavedGuard(TRemoteEditor& Editor, THooks Hooks)
    : FEditor(Editor), FHooks(std::move(Hooks)) {
  FTimer.setInterval(kPoll);
  QObject::connect(&FTimer, &QTimer::timeout, [this] { Tick(); });
}

TUnsavedGuard::TAnswer TUnsavedGuard::Ask(IPage* Page) {
  IUserPrompts::TChoice question;
  question.Title = "Confirm";
  question.Text = QString("Save changes to %1?").arg(Page->Document().DisplayName());
  question.Answers = QStringList{"Yes", "No", "Cancel"};
  question.Escape = 2;
  const int answer = FEditor.Prompts().Choose(question);
  if (answer == 1) return TAnswer::GoOn;
  if (answer != 0) return TAnswer::Stop;
  bool sent = false;
  ErrorReport::Guarded([&] { sent = FEditor.Save(Page); });
  if (!sent) return TAnswer::Stop;
  return TAnswer::Saving;
}

void TUnsavedGuard::Protect(IPage* Page, std::function<void()> Command) {
  if (Waiting()) return;
  if (!Page || Page->Document().Saved) {
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
  if (Page->Document().Saved) {
    Command();
    return;
  }
  // Only a confirmed upload stores the text; with none on its way (psftp
  // not running, the command refused at once) nothing ever will.
  if (!FHooks.UploadInProgress()) return;
  Start(Page, std::move(Command));
}

// The listing that follows an upload refills the list and drops its
// selection, so the entry is found again by name.
void TUnsavedGuard::OpenSelected(IPage* Page) {
  const TFile* file = Page ? Page->SelectedFile() : nullptr;
  if (!file || file->IsDirectory()) {
    ErrorReport::Guarded([&] { FEditor.OpenSelected(Page); });
    return;
  }
  Protect(Page, [this, Page, name = file->RemoteName()] {
    if (Page->SelectFile(name)) ErrorReport::Guarded([&] { FEditor.OpenSelected(Page); });
  });
}

void TUnsavedGuard::WaitForUploads(std::function<void()> Then) {
  if (Waiting()) return;
  Start(nullptr, std::move(Then));
}

void TUnsavedGuard::Abandon(IPage* Page) {
  if (!Waiting() || (FForPage && FPage != Page)) return;
  Finish(false);
}

void TUnsavedGuard::PageClosing(IPage* Page) {
  if (FPage == Page) FPage = nullptr;
}

void TUnsavedGuard::Start(IPage* Page, std::function<void()> Then) {
  FForPage = Page != nullptr;
  FPage = Page;
  FThen = std::move(Then);
  FClock.start();
  FTimer.start();
  FHooks.Lock(true, !FForPage, Page);
}

// A page's upload counts only once confirmed: a refusal or psftp ending ends
// the upload too, but leaves the page unsaved. The window's close waits with
// no limit: giving up would end psftp in the middle of the upload; the
// window decides what comes after it.
void TUnsavedGuard::Tick() {
  // A person answers the question a checked save asks in their own time;
  // the limit is psftp's, and runs again from the answer.
  if (FEditor.Asking()) {
    FClock.start();
    return;
  }
  const bool confirmed = FForPage && FPage && FPage->Document().Saved;
  const bool patient = !FForPage || !FClock.hasExpired(FWaitLimit);
  if (!confirmed && FHooks.UploadInProgress() && patient) return;
  Finish(confirmed || !FForPage);
}

void TUnsavedGuard::Finish(bool GoOn) {
  FTimer.stop();
  IPage* const page = FPage;
  FPage = nullptr;
  FHooks.Lock(false, !FForPage, page);
  const std::function<void()> then = std::move(FThen);
  FThen = nullptr;
  if (!GoOn) return;
  if (FForPage) {
    if (!page) return;
    // The command acts on the active page; make sure it is still this one.
    FHooks.BringToFront(page);
  }
  then();
}
