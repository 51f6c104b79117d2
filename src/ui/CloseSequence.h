#pragma once

#include <functional>

class TPages;
class TUnsavedGuard;

// The window's close: each page with unsaved text is brought to the front
// and its save question asked. A failed save, or a cancelled Save As, keeps
// the window open: the user said the text matters, and it is stored nowhere
// yet. psftp uploads on its own time, so an upload the answers sent is
// waited for, and the window is closed again once the wait is over.
class TCloseSequence {
 public:
  TCloseSequence(TPages& Pages, TUnsavedGuard& Guard, std::function<bool()> UploadInProgress,
                 std::function<void()> Close)
      : FPages(Pages),
        FGuard(Guard),
        FUploadInProgress(std::move(UploadInProgress)),
        FClose(std::move(Close)) {}

  // False keeps the window open for now.
  bool MayClose();

 private:
  bool AskEveryPage(bool& UploadSent);

  TPages& FPages;
  TUnsavedGuard& FGuard;
  std::function<bool()> FUploadInProgress;
  std::function<void()> FClose;
  // Set when the wait for the answers' uploads is over.
  bool FQuestionsDone = false;
};
