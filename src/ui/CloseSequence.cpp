#include "ui/CloseSequence.h"

#include <algorithm>

#include "remote/editing/RemoteEditor.h"
#include "remote/editing/UnsavedGuard.h"
#include "ui/Page.h"
#include "ui/Pages.h"

using TUploadAnswer = TRemoteEditor::TUploadAnswer;

bool TCloseSequence::MayClose() {
  if (FGuard.Waiting()) {
    // Asked again while the close waits for an upload, it may stop it.
    if (!FGuard.WaitingForPage() && FEditor.AskAboutUploads() == TUploadAnswer::Stop) {
      FStopped = true;
      FEditor.StopUploads();
    }
    return false;
  }
  if (FQuestionsDone) {
    FQuestionsDone = false;
    FLetGo.clear();
    return true;
  }
  if (Query()) {
    FLetGo.clear();
    return true;
  }
  return false;
}

bool TCloseSequence::Query() {
  switch (FEditor.AskAboutUploads()) {
    case TUploadAnswer::None:
      break;
    case TUploadAnswer::Wait:
      WaitThenClose();
      return false;
    case TUploadAnswer::Stop:
      FEditor.StopUploads();
      return false;
  }
  bool uploadSent = false;
  if (!AskEveryPage(uploadSent)) {
    FLetGo.clear();
    return false;
  }
  if (uploadSent && FUploadInProgress()) {
    WaitThenClose();
    return false;
  }
  return true;
}

bool TCloseSequence::AskEveryPage(bool& UploadSent) {
  return FPages.ForEachWhile([&](TPage* Page) {
    if (Page->Saved() || LetGo(Page)) return true;
    FPages.Activate(Page);
    const TUnsavedGuard::TAnswer answer = FGuard.Ask(Page);
    if (answer == TUnsavedGuard::TAnswer::Stop) return false;
    if (answer == TUnsavedGuard::TAnswer::GoOn) FLetGo.push_back(Page);
    if (answer == TUnsavedGuard::TAnswer::Saving && FUploadInProgress()) UploadSent = true;
    return true;
  });
}

// When the wait is over the window closes only if every page's text is
// stored or was let go; a page whose upload failed is asked about again. A
// stopped save keeps the window open.
void TCloseSequence::WaitThenClose() {
  FStopped = false;
  FGuard.WaitForUploads([this] {
    if (FStopped) {
      FStopped = false;
      FLetGo.clear();
      return;
    }
    FQuestionsDone =
        FPages.ForEachWhile([this](TPage* Page) { return Page->Saved() || LetGo(Page); });
    FClose();
  });
}

bool TCloseSequence::LetGo(const TPage* Page) const {
  return std::find(FLetGo.begin(), FLetGo.end(), Page) != FLetGo.end();
}
