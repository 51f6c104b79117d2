#include "process/ChildProcess.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <csignal>
#include <mutex>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include "core/Exception.h"
#include "process/CommandLine.h"
#include "process/PipeIo.h"
#include "process/SecretPipe.h"

extern char** environ;

namespace ChildProcess {
namespace {

// --- In the child, between fork and exec: async-signal-safe calls only. ---

bool CloseRange(unsigned First, unsigned Last) {
  if (First > Last) return true;
#ifdef SYS_close_range
  return syscall(SYS_close_range, First, Last, 0) == 0;
#else
  return false;
#endif
}

// Descriptors that Qt or a library opened without close-on-exec must not
// reach the child. Keep is the error pipe, which exec closes by itself, and
// Inherited (or -1) the one descriptor the child is meant to get.
void CloseAbove2(int Keep, int Inherited, int OpenMax) {
  const int Low = Inherited >= 0 && Inherited < Keep ? Inherited : Keep;
  const int High = Inherited > Keep ? Inherited : Keep;
  if (CloseRange(3, unsigned(Low) - 1) && CloseRange(unsigned(Low) + 1, unsigned(High) - 1) &&
      CloseRange(unsigned(High) + 1, ~0U))
    return;
  for (int Fd = 3; Fd < OpenMax; ++Fd)
    if (Fd != Keep && Fd != Inherited) close(Fd);
}

void ResetSignals() {
  struct sigaction Default = {};
  Default.sa_handler = SIG_DFL;
  sigemptyset(&Default.sa_mask);
  sigaction(SIGPIPE, &Default, nullptr);
  sigset_t None;
  sigemptyset(&None);
  sigprocmask(SIG_SETMASK, &None, nullptr);
}

[[noreturn]] void Fail(int ErrorPipe) {
  const int Error = errno;
  ssize_t Ignored = write(ErrorPipe, &Error, sizeof Error);
  (void)Ignored;
  _exit(127);
}

[[noreturn]] void ExecChild(const char* Program, const char* Directory, char* const* Argv,
                            const int* ChildEnds, int Inherited, int ErrorPipe, int OpenMax,
                            pid_t Parent) {
  ResetSignals();
  EndWithParent(Parent);
  // No controlling terminal: psftp must not ask the user's terminal anything.
  setsid();
  if (Directory && chdir(Directory) != 0) Fail(ErrorPipe);
  for (int Std = 0; Std < 3; ++Std)
    if (dup2(ChildEnds[Std], Std) < 0) Fail(ErrorPipe);
  CloseAbove2(ErrorPipe, Inherited, OpenMax);
  TSecretPipe::PassToChild(Inherited);
  execve(Program, Argv, environ);
  Fail(ErrorPipe);
}

// --- In the parent. ---

int OpenMax() {
  struct rlimit Limit = {};
  if (getrlimit(RLIMIT_NOFILE, &Limit) == 0 && Limit.rlim_cur != RLIM_INFINITY)
    return int(Limit.rlim_cur);
  return 65536;
}

[[noreturn]] void ThrowProcess() { throw Exception(QStringLiteral("Unable to Create Process")); }

// The child's report: nothing arrives when exec succeeded and closed the pipe.
bool ExecSucceeded(int ErrorRead) {
  int Error = 0;
  ssize_t Got;
  do {
    Got = read(ErrorRead, &Error, sizeof Error);
  } while (Got < 0 && errno == EINTR);
  return Got == 0;
}

}  // namespace

TStartInfo MakeStartInfo(const QString& FileName, const QString& InitialDirectory,
                         const QString& Parameters) {
  TStartInfo Info;
  Info.Program = QFile::encodeName(QFileInfo(FileName).absoluteFilePath());
  Info.Directory = QFile::encodeName(InitialDirectory);
  for (const QString& Word : SplitCommandLine(Parameters)) Info.Arguments << Word.toLocal8Bit();
  if (Info.Arguments.isEmpty()) Info.Arguments << Info.Program;
  return Info;
}

pid_t Start(const TStartInfo& Info, const int ChildEnds[3]) {
  std::vector<char*> Argv;
  for (const QByteArray& Argument : Info.Arguments)
    Argv.push_back(const_cast<char*>(Argument.constData()));
  Argv.push_back(nullptr);

  int ErrorRead = -1, ErrorWrite = -1;
  if (!PipeIo::CreatePipe(ErrorRead, ErrorWrite) || !PipeIo::MoveAbove2(ErrorWrite)) {
    PipeIo::Close(ErrorRead);
    PipeIo::Close(ErrorWrite);
    ThrowProcess();
  }
  const char* Program = Info.Program.constData();
  const char* Directory = Info.Directory.isEmpty() ? nullptr : Info.Directory.constData();
  const int Limit = OpenMax();
  const pid_t Parent = getpid();
  const pid_t Pid = fork();
  if (Pid == 0)
    ExecChild(Program, Directory, Argv.data(), ChildEnds, Info.InheritedFd, ErrorWrite, Limit,
              Parent);
  PipeIo::Close(ErrorWrite);
  const bool Started = Pid > 0 && ExecSucceeded(ErrorRead);
  PipeIo::Close(ErrorRead);
  if (Started) return Pid;
  if (Pid > 0) Reap(Pid);
  ThrowProcess();
}

void EndWithParent(pid_t Parent) {
#ifdef __linux__
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  // The parent may have ended before the request was made.
  if (getppid() != Parent) _exit(127);
#else
  (void)Parent;
#endif
}

void Kill(pid_t Pid) {
  if (Pid <= 0) return;
  // The child leads its own process group (setsid), so this also ends what
  // it started and would otherwise be left running.
  if (kill(-Pid, SIGKILL) != 0) kill(Pid, SIGKILL);
}

void Reap(pid_t Pid) {
  if (Pid <= 0) return;
  while (waitpid(Pid, nullptr, 0) < 0 && errno == EINTR) {
  }
}

bool HasEnded(pid_t Pid) {
  siginfo_t Info = {};
  int Result;
  do {
    Result = waitid(P_PID, id_t(Pid), &Info, WEXITED | WNOHANG | WNOWAIT);
  } while (Result < 0 && errno == EINTR);
  return Result < 0 || Info.si_pid != 0;
}

void IgnoreBrokenPipes() {
  static std::once_flag Once;
  std::call_once(Once, [] {
    struct sigaction Current = {};
    if (sigaction(SIGPIPE, nullptr, &Current) != 0) return;
    if (!(Current.sa_flags & SA_SIGINFO) && Current.sa_handler == SIG_DFL) signal(SIGPIPE, SIG_IGN);
  });
}

}  // namespace ChildProcess
