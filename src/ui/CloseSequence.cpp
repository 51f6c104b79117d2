#include "ui/CloseSequence.h"

#include "remote/editing/UnsavedGuard.h"
#include "ui/Page.h"
#include "ui/Pages.h"

bool TCloseSequence::MayClose() {
  if (FGuard.Waiting()) return false;
  if (FQuestionsDone) {
    FQuestionsDone = false;
    return true;
  }
  bool uploadSent = false;
  if (!AskEveryPage(uploadSent)) return false;
  // Closing now would kill psftp mid-transfer.
  if (uploadSent && FUploadInProgress()) {
    FGuard.WaitForUploads([this] {
      FQuestionsDone = true;
      FClose();
    });
    return false;
  }
  return true;
}

bool TCloseSequence::AskEveryPage(bool& UploadSent) {
  return FPages.ForEachWhile([&](TPage* Page) {
    if (Page->Saved()) return true;
    FPages.Activate(Page);
    const TUnsavedGuard::TAnswer answer = FGuard.Ask(Page);
    if (answer == TUnsavedGuard::TAnswer::Stop) return false;
    if (answer == TUnsavedGuard::TAnswer::Saving && FUploadInProgress()) UploadSent = true;
    return true;
  });
}
