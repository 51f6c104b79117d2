#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

class IPage;

// One psftp command and its answer: the lines psftp prints up to the prompt
// that follows. Each kind knows its command, which line is its result, and
// which lines mean it failed; the outcome is decided only at the prompt,
// because psftp prints a transfer's result line before it moves a byte and
// any failure after it.
//
// Lines reach an operation only while its answer is open, so a line that a
// server put in a listing can never pass for the result of a transfer.
//
// What the outcome means is bound by whoever asked for the operation
// (OnFinish), so the conversation that carries it need not know its kind.
class TPsftpOperation {
 public:
  explicit TPsftpOperation(IPage* Page) : FPage(Page) {}
  virtual ~TPsftpOperation() = default;
  TPsftpOperation(const TPsftpOperation&) = delete;
  TPsftpOperation& operator=(const TPsftpOperation&) = delete;

  // The command line to write; empty for the login, which the start begins.
  virtual QByteArray Command() const = 0;
  // One line of the answer, without its line end.
  virtual void Line(const QString& Text) = 0;
  // After the prompt: did psftp do what was asked?
  virtual bool Succeeded() const { return !Failed(); }
  // After the prompt: acts on the outcome as its asker bound it.
  void Finish() {
    if (FFinish) FFinish();
  }
  void OnFinish(std::function<void()> Meaning) { FFinish = std::move(Meaning); }

  // What the status panel shows while the answer is open; empty for nothing.
  virtual QString Progress() const { return QString(); }
  // A look at the remote file before a save; it says "Checking..." at once.
  virtual bool IsCheck() const { return false; }
  // True while it is unanswered, the user's upload has not been confirmed;
  // a check goes before a save's upload, so it counts with it.
  virtual bool CountsAsUpload() const { return IsCheck(); }
  // An upload of its page's own text: its success saves the page.
  virtual bool SavesPage() const { return false; }
  // The remote file it writes, as the user knows it; empty for none.
  virtual QString Writes() const { return QString(); }
  // It writes that file itself, so breaking it off may cut the file short.
  virtual bool WritesInPlace() const { return false; }
  // psftp ended with this answer open: whatever it had begun to write locally
  // is of no use.
  virtual void Abandon() {}
  // psftp ended before this operation was answered (open or still queued):
  // Abandon(), then what its asker bound for that (OnDrop).
  void Drop() {
    Abandon();
    if (FDrop) FDrop();
  }
  void OnDrop(std::function<void()> Meaning) { FDrop = std::move(Meaning); }

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
  // psftp's answer to a command on one path ("rm D/NAME: OK", "mkdir
  // D/NAME: OK"), D being the folder as the server resolved it: true when
  // Text is that answer for exactly the last part of Path.
  static bool AnsweredOk(const QString& Text, const QString& Word, const QByteArray& Path);
  // Fails the operation with Missing when no line did and no result came.
  void SetMissing(const QString& Missing) { FMissing = Missing; }

 private:
  IPage* FPage;
  std::function<void()> FFinish;
  std::function<void()> FDrop;
  bool FPageClosed = false;
  bool FFailed = false;
  QString FError;
  QString FMissing;
};
