#pragma once
// Starting, ending and collecting the redirector's child process.
#include <QByteArray>
#include <QList>
#include <QString>
#include <sys/types.h>

namespace ChildProcess {

// Everything the child needs, prepared before forking: between fork and exec
// the child may only do async-signal-safe work, so it must not allocate.
struct TStartInfo {
  QByteArray Program;           // absolute: the child changes folder before exec
  QByteArray Directory;         // empty: the parent's working folder
  QList<QByteArray> Arguments;  // argv, argv[0] included
  // A descriptor above 2 the child keeps under its number (see TSecretPipe);
  // -1: none. Every other one above 2 is closed.
  int InheritedFd = -1;
};

// Parameters is split like a Windows command line; its first word becomes
// argv[0]. An empty Parameters gives the program's path as argv[0], since
// many programs misbehave without one.
TStartInfo MakeStartInfo(const QString& FileName, const QString& InitialDirectory,
                         const QString& Parameters);

// Starts the child in a session of its own with ChildEnds (stdin, stdout,
// stderr; each above 2) as its standard descriptors. Throws "Unable to
// Create Process" when the fork, the change of folder or the exec fails.
pid_t Start(const TStartInfo& Info, const int ChildEnds[3]);

// Ends the child and whatever it started in its session's process group.
// The child must not have been collected yet, so its id is still ours.
void Kill(pid_t Pid);

// Collects the ended child. Blocks while it still runs.
void Reap(pid_t Pid);

// Whether the child has ended, without collecting it (so that its id stays
// reserved for Kill and Reap). An error counts as ended: the child cannot be
// waited for any more, typically because someone else collected it.
bool HasEnded(pid_t Pid);

// Ignores SIGPIPE for this process when nothing else has set it, so that a
// write to a child that has gone fails with EPIPE instead of ending us.
void IgnoreBrokenPipes();

// In a child, between fork and exec: the child is killed when the process
// that started it (Parent) ends, however it ends, so no logged-in psftp or
// key conversion outlives Quillery. Async-signal-safe; Linux only, elsewhere
// it does nothing.
void EndWithParent(pid_t Parent);

}  // namespace ChildProcess
