#pragma once

#include "remote/editing/RemoteCheck.h"
#include "remote/operations/GetOperation.h"

// A "get" of a page's remote file into a private work file, before a save,
// whose bytes are compared with those the page last saw. Only the bytes are
// exact: a listing gives the time to the minute.
class TCompareOperation : public TGetOperation {
 public:
  TCompareOperation(IPage* Page, const TRemoteCheck& Check, const QString& WorkFile);
  bool IsCheck() const override { return true; }
  // "Checking..." stays for the whole check: how much of the file has come
  // says nothing to someone who is saving.
  QString Progress() const override { return QString(); }
  TRemoteCheck& Check() { return FCheck; }
  // After the prompt: the download failed because there is no such file.
  bool FileMissing() const;

 private:
  TRemoteCheck FCheck;
};
