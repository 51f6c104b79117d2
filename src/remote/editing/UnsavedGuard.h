#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

class IPage;
class TRemoteEditor;

// Asks "Save changes to NAME?" before a command throws a page's unsaved text
// away (closing its tab, loading another file into it, closing the window)
// and, after Yes, holds the command back until the upload is answered.
//
// psftp answers an upload on its own time, so the wait is a timer rather
// than a blocking loop; while it lasts the window keeps anything from
// changing, closing or re-saving that page (the Lock hook), since the
// command that runs afterwards assumes the page is the one that was saved.
class TUnsavedGuard {
 public:
  enum class TAnswer {
    GoOn,    // No: the text may go
    Saving,  // Yes, and the save went out
    Stop,    // Cancel, or the save failed at once (error, Save As cancelled)
  };
  struct THooks {
    // True while an upload (or a save's check or question) is on its way.
    std::function<bool()> UploadInProgress;
    // Keeps the user from changing anything in the window (WholeWindow), or
    // Page and which page is in front, while Locked. Page is null once it
    // has gone.
    std::function<void(bool Locked, bool WholeWindow, IPage* Page)> Lock;
    // Brings Page to the front before the held command runs on it.
    std::function<void(IPage* Page)> BringToFront;
  };

  TUnsavedGuard(TRemoteEditor& Editor, THooks Hooks);

  // The question for Page, which must be the active page: Yes saves it.
  TAnswer Ask(IPage* Page);

  // Runs Command (which replaces or removes the active page Page) at once
  // when Page has nothing unsaved or the answer is No; after Yes, once
  // Page's upload is confirmed. Cancel, a failed or refused save, psftp
  // ending or no answer within the limit leave the page as it was and drop
  // Command. Ignored while another wait lasts.
  void Protect(IPage* Page, std::function<void()> Command);

  // Opens the entry selected in Page's list (see TRemoteEditor::OpenSelected):
  // a folder at once, as entering one replaces no text; a file once Page's
  // unsaved text has been dealt with.
  void OpenSelected(IPage* Page);

  // Closing the window: waits, with the whole window locked, until no
  // upload is in progress, however long that takes, then runs Then whatever
  // came of it.
  void WaitForUploads(std::function<void()> Then);

  // The user kept Page's text from the server (Cancel on the question a
  // checked save asked, or the server's version opened beside it): the wait
  // for its upload, or for the window's close, ends without the command,
  // which would throw that text away.
  void Abandon(IPage* Page);
  // Before Page goes: a wait for it ends without its command.
  void PageClosing(IPage* Page);

  bool Waiting() const { return FTimer.isActive(); }
  // True while the wait is for one page's upload, not for the window's close.
  bool WaitingForPage() const { return Waiting() && FForPage; }
  void SetWaitLimit(int Milliseconds) { FWaitLimit = Milliseconds; }

 private:
  void Start(IPage* Page, std::function<void()> Then);
  void Tick();
  void Finish(bool GoOn);

  TRemoteEditor& FEditor;
  THooks FHooks;
  QTimer FTimer;
  QElapsedTimer FClock;
  int FWaitLimit = 10000;
  bool FForPage = false;
  IPage* FPage = nullptr;
  std::function<void()> FThen;
};
