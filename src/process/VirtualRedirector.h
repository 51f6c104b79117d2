#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <sys/types.h>

class TPipeThread;
class TProcessTerminateThread;
class TRedirectorEvent;
class TRedirectorHelper;

using TRedirectorInputEvent = std::function<void(QObject* Sender, const QByteArray& NewInput)>;
using TRedirectorChildProcessEndEvent = std::function<void(QObject* Sender)>;

// Runs one console program with its standard input, output and error on pipes.
// Output reaches the user-interface thread as events, in the order the worker
// threads posted it; the child's end is reported once, after its last
// output. An unbound event is not raised.
class TVirtualRedirector : public QObject {
  Q_OBJECT
 public:
  explicit TVirtualRedirector(QObject* AOwner = nullptr);
  ~TVirtualRedirector() override;

  // Starts FileName with the argument vector split from Parameters the way a
  // Windows command line is split; the first word takes the place of argv[0].
  // Ignored while a child runs (returns false); true once the child runs.
  // Throws Exception on failure, leaving nothing of the attempt behind.
  // InheritedFd, when not -1, stays open in the child under its number.
  virtual bool Run(const QString& FileName, const QString& InitialDirectory,
                   const QString& Parameters, int InheritedFd = -1);
  // Sends Command followed by CR LF. Ignored while no child runs.
  virtual void Write(const QByteArray& Command);
  // Sends Bytes unchanged (answers to the child's questions). Ignored while no child runs.
  virtual void WriteRaw(const QByteArray& Bytes);
  void Kill();

  virtual bool Running() const;
  qint64 ChildProcessID() const;

  TRedirectorInputEvent OnErrorInput;
  TRedirectorInputEvent OnInput;
  TRedirectorChildProcessEndEvent OnChildProcessEnd;

 protected:
  // Raise the events; a subclass may wrap them.
  virtual void DoErrorInput(const QByteArray& NewInput);
  virtual void DoInput(const QByteArray& NewInput);
  virtual void DoChildProcessEnd();

 private:
  void HandleEvent(const TRedirectorEvent& Event);
  void ChildProcessEnded();
  void CreatePipes(int ChildEnds[3]);
  void StartThreads();
  void StopThreads();
  void ClosePipes();
  void AbandonRun();
  void WriteToPipe(const QByteArray& Bytes);

  bool FRunning = false;
  int FPipeIn = -1;       // our read end of the child's standard output
  int FPipeOut = -1;      // our write end of the child's standard input
  int FPipeErrorIn = -1;  // our read end of the child's standard error
  pid_t FChildPid = 0;    // collected only when the end is handled
  std::unique_ptr<TRedirectorHelper> FHelper;
  std::unique_ptr<TPipeThread> FPipeThread;
  std::unique_ptr<TProcessTerminateThread> FProcessTerminateThread;
};
