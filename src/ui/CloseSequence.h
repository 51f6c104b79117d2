#pragma once

#include <functional>
#include <vector>

class TPage;
class TPages;
class TRemoteEditor;
class TUnsavedGuard;

// The window's close. Closing ends psftp, which would cut an upload off and
// leave the server's file short, so an upload under way is asked about first
// (Wait, with no limit, or Stop the save). Then each page with unsaved text
// is brought to the front and its save question asked. A failed save, or a
// cancelled Save As, keeps the window open: the user said the text matters,
// and it is stored nowhere yet. An upload the answers sent is waited for, and
// the window is closed again once the wait is over.
class TCloseSequence {
 public:
  TCloseSequence(TPages& Pages, TUnsavedGuard& Guard, TRemoteEditor& Editor,
                 std::function<bool()> UploadInProgress, std::function<void()> Close)
      : FPages(Pages),
        FGuard(Guard),
        FEditor(Editor),
        FUploadInProgress(std::move(UploadInProgress)),
        FClose(std::move(Close)) {}

  // False keeps the window open for now.
  bool MayClose();

 private:
  bool Query();
  bool AskEveryPage(bool& UploadSent);
  void WaitThenClose();
  bool LetGo(const TPage* Page) const;

  TPages& FPages;
  TUnsavedGuard& FGuard;
  TRemoteEditor& FEditor;
  std::function<bool()> FUploadInProgress;
  std::function<void()> FClose;
  // Set when the wait for the answers' uploads is over and every page's
  // text is stored or let go.
  bool FQuestionsDone = false;
  // The user stopped the uploads the close waited for.
  bool FStopped = false;
  // Pages whose text the user let go (No) during the close under way; they
  // are not asked about again while it goes on.
  std::vector<const TPage*> FLetGo;
};
