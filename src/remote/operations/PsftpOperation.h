#pragma once

#include <QByteArray>
#include <QString>

class IPage;

// One psftp command and its answer: the lines psftp prints up to the prompt
// that follows. Each kind knows its command, which line is its result, and
// which lines mean it failed; the outcome is decided only at the prompt,
// because psftp prints a transfer's result line before it moves a byte and
// any failure after it.
//
// Lines reach an operation only while its answer is open, so a line that a
// server put in a listing can never pass for the result of a transfer.
class TPsftpOperation {
 public:
  // Stat and Compare check a remote file before a save.
  enum class TKind { Login, ChangeDir, List, Get, Put, Stat, Compare };

  TPsftpOperation(TKind Kind, IPage* Page) : FKind(Kind), FPage(Page) {}
  virtual ~TPsftpOperation() = default;
  TPsftpOperation(const TPsftpOperation&) = delete;
  TPsftpOperation& operator=(const TPsftpOperation&) = delete;

  TKind Kind() const { return FKind; }
  // The command line to write; empty for the login, which the start begins.
  virtual QByteArray Command() const = 0;
  // One line of the answer, without its line end.
  virtual void Line(const QString& Text) = 0;
  // After the prompt: did psftp do what was asked?
  virtual bool Succeeded() const { return !Failed(); }

  bool Failed() const { return FFailed; }
  // The first line that failed the operation, or what was missing.
  QString Error() const;

  // The page the answer belongs to: the one that asked. Null once its tab has
  // closed (the answer is then dropped) or for work no page asked for.
  IPage* Page() const { return FPage; }
  bool PageClosed() const { return FPageClosed; }
  void PageClosing(IPage* Page);

 protected:
  void Fail(const QString& Line);
  // Fails the operation with Missing when no line did and no result came.
  void SetMissing(const QString& Missing) { FMissing = Missing; }

 private:
  const TKind FKind;
  IPage* FPage;
  bool FPageClosed = false;
  bool FFailed = false;
  QString FError;
  QString FMissing;
};
