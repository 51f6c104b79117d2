#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

#include "remote/operations/PsftpOperation.h"

class IDriverView;
class IPage;
class TDir;
class ITransferListener;
class TDirectories;

// What the login, the check before a save and the sending of a save use of
// the connection driver.
// They decide which commands psftp gets and what the answers mean; the
// driver alone writes the commands, reads psftp's output and keeps the
// status panel, so there is one conversation however many parts ask.
class IConversation {
 public:
  using TOperationPtr = std::unique_ptr<TPsftpOperation>;

  virtual ~IConversation() = default;

  // Operation, with Owner's Meaning to act on its outcome at the prompt.
  template <class TOperation, class TOwner>
  static TOperationPtr Bind(std::unique_ptr<TOperation> Operation, TOwner& Owner,
                            void (TOwner::*Meaning)(TOperation&)) {
    TOperation& self = *Operation;
    self.OnFinish([&Owner, Meaning, &self] { (Owner.*Meaning)(self); });
    return TOperationPtr(std::move(Operation));
  }

  // Queues Operation; psftp gets it once every earlier one is answered.
  virtual void Start(TOperationPtr Operation) = 0;
  // A new psftp runs: what the last one left half done is dropped, and what
  // the new one prints up to its first prompt is Login's answer.
  virtual void Restart(TOperationPtr Login) = 0;
  // Forgets the commands not yet written, reporting nothing for them; true
  // when a command that was written is still unanswered.
  virtual bool ForgetQueued() = 0;
  // True when Test holds for the open operation or a queued one.
  virtual bool AnyOperation(const std::function<bool(const TPsftpOperation&)>& Test) const = 0;
  // What its asker does with a listing once Page shows it; never called
  // when psftp refused the folder or Page has gone.
  using TListed = std::function<void(IPage* Page, TDir* Dir)>;
  // Enters Dir for Page and lists it there; then Listed, when given.
  virtual void EnterDir(IPage* Page, const QByteArray& Dir, TListed Listed) = 0;
  // Lists psftp's current directory again, for the pages that show it.
  virtual void ListCurrentDir() = 0;
  // True while psftp runs: only then can anything reach the server.
  virtual bool PsftpRunning() const = 0;
  // Downloads the remote file Path into Page, as opening it from a list does.
  virtual void OpenFile(IPage* Page, const QByteArray& Path) = 0;
  // The folder the login started in, as the server named it.
  virtual QString HomeDir() const = 0;
  // The user name psftp logs in with; empty when psftp asks for it.
  virtual QByteArray UserName() const = 0;

  // Tells the user that psftp refused Operation, in the status panel.
  virtual void ReportFailure(const TPsftpOperation& Operation) = 0;
  // One line of the debug log.
  virtual void Debug(const QString& S) = 0;
  // Panel 0 (what the connection does; Detail is its tooltip) or 1 (the
  // remote folder).
  virtual void SetStatus(const QString& S, int Index, const QString& Detail = QString()) = 0;
  virtual void SetCurrentDir(const QString& Value) = 0;
  virtual IDriverView& View() = 0;
  virtual ITransferListener& Listener() = 0;

  // psftp's current remote directory, and the directories pages have listed.
  virtual const QString& CurrentDir() const = 0;
  virtual TDirectories& Directories() = 0;
};
