// The child process redirector, driven with /bin/sh scripts as children, and
// the command-line splitting that builds the child's argument vector.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "core/ErrorReport.h"
#include "core/Exception.h"
#include "process/ChildProcess.h"
#include "process/CommandLine.h"
#include "process/PipeIo.h"
#include "process/PipeThread.h"
#include "process/RedirectorEvent.h"
#include "process/RedirectorHelper.h"
#include "process/SecretPipe.h"
#include "process/VirtualRedirector.h"

// Readable failure messages for Qt's text types.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& Text, std::ostream* Out) {
  *Out << '"' << Text.toStdString() << '"';
}
inline void PrintTo(const QByteArray& Bytes, std::ostream* Out) {
  *Out << '"' << Bytes.toPercentEncoding(" \"'|<>$;-_.,:()!?/").toStdString() << '"';
}
QT_END_NAMESPACE

namespace {

// --- Command lines ---

TEST(CommandLine, SplitsLikeTheMsvcRuntime) {
  const struct {
    QString Line;
    QStringList Words;
  } Cases[] = {
      {"", {}},
      {" \t ", {}},
      {"a  b\tc ", {"a", "b", "c"}},
      {R"("a b" c)", {"a b", "c"}},
      {R"(a"b c"d)", {"ab cd"}},
      {R"("")", {""}},
      {R"(a "" b)", {"a", "", "b"}},
      {R"("a""b")", {R"(a"b)"}},  // "" inside quotes: one literal quote
      {R"("""")", {R"(")"}},
      {R"(a\b c\\d)", {R"(a\b)", R"(c\\d)"}},  // no quote follows: literal
      {R"(a\"b)", {R"(a"b)"}},                 // 2n+1 backslashes: n and a quote
      {R"(a\\\"b)", {R"(a\"b)"}},
      {R"(a\\"b c")", {R"(a\b c)"}},  // 2n backslashes: n, and the quote toggles
      {R"("a b\\" c)", {R"(a b\)", "c"}},
      {R"("unterminated quote)", {"unterminated quote"}},
      {R"(psftp -l "my user" -pw "p\"w")", {"psftp", "-l", "my user", "-pw", R"(p"w)"}},
  };
  for (const auto& Case : Cases)
    EXPECT_EQ(SplitCommandLine(Case.Line), Case.Words) << qPrintable(Case.Line);
}

TEST(CommandLine, QuotesOnlyWhenNeeded) {
  const struct {
    QString Argument;
    QString Quoted;
  } Cases[] = {
      {"plain", "plain"},
      {R"(C:\dir\file)", R"(C:\dir\file)"},
      {"", R"("")"},
      {"a b", R"("a b")"},
      {"a\tb", "\"a\tb\""},
      {R"(say "hi")", R"("say \"hi\"")"},
      {R"(a\"b)", R"("a\\\"b")"},
      {R"(dir\ )", R"("dir\ ")"},
      {R"(end\ x\)", R"("end\ x\\")"},
  };
  for (const auto& Case : Cases) EXPECT_EQ(QuoteCommandLineArgument(Case.Argument), Case.Quoted);
}

// Any argument list, quoted and joined with blanks, splits back into itself.
TEST(CommandLine, QuotedArgumentsRoundTrip) {
  const QString Alphabet = QStringLiteral("ab \t\"\\é\n");
  QRandomGenerator Random(20240611);
  for (int Round = 0; Round < 20000; ++Round) {
    QStringList Arguments;
    const int Count = Random.bounded(1, 4);
    for (int A = 0; A < Count; ++A) {
      QString Argument;
      const int Length = Random.bounded(0, 8);
      for (int C = 0; C < Length; ++C) Argument += Alphabet[Random.bounded(int(Alphabet.size()))];
      Arguments << Argument;
    }
    QStringList Quoted;
    for (const QString& Argument : Arguments) Quoted << QuoteCommandLineArgument(Argument);
    const QString Line = Quoted.join(u' ');
    ASSERT_EQ(SplitCommandLine(Line), Arguments) << qPrintable(Line);
  }
}

// --- Helpers ---

QString CommandLine(const QStringList& Arguments) {
  QStringList Quoted;
  for (const QString& Argument : Arguments) Quoted << QuoteCommandLineArgument(Argument);
  return Quoted.join(u' ');
}

template <class F>
QString ThrownMessage(F&& Call) {
  try {
    Call();
  } catch (const Exception& E) {
    return E.Message();
  }
  return QStringLiteral("(nothing thrown)");
}

QStringList OpenFds() {
  QStringList Fds = QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System);
  Fds.sort();
  return Fds;
}

// The state letter in a stat file of /proc, or 0 when there is none.
char StatState(const QString& Path) {
  QFile Stat(Path);
  if (!Stat.open(QIODevice::ReadOnly)) return 0;
  const QByteArray Text = Stat.readAll();
  const qsizetype Paren = Text.lastIndexOf(") ");
  return Paren < 0 || Paren + 2 >= Text.size() ? 0 : Text[Paren + 2];
}

// The state letter of a process ('Z' for one that has ended but not been
// collected), or 0 when there is no such process.
char ProcessState(qint64 Pid) { return StatState(QStringLiteral("/proc/%1/stat").arg(Pid)); }

// The threads of this process, the calling one left out, found running or
// ready to run in at least half of Samples looks: a thread that waits as it
// should sleeps nearly always.
int BusyThreads(int Samples) {
  const QString Self = QString::number(gettid());
  QHash<QString, int> Running;
  for (int Sample = 0; Sample < Samples; ++Sample) {
    const QDir Tasks(QStringLiteral("/proc/self/task"));
    for (const QString& Task : Tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
      if (Task != Self && StatState(Tasks.filePath(Task + "/stat")) == 'R') ++Running[Task];
    QThread::msleep(10);
  }
  int Busy = 0;
  for (int Count : std::as_const(Running))
    if (2 * Count >= Samples) ++Busy;
  return Busy;
}

// The lines "First\n" to "Last\n", as seq prints them.
QByteArray Seq(int First, int Last) {
  QByteArray Lines;
  for (int Number = First; Number <= Last; ++Number) Lines += QByteArray::number(Number) + '\n';
  return Lines;
}

// Compares megabytes without printing them.
::testing::AssertionResult SameBytes(const QByteArray& Got, const QByteArray& Expected) {
  if (Got == Expected) return ::testing::AssertionSuccess();
  qsizetype At = 0;
  while (At < Got.size() && At < Expected.size() && Got[At] == Expected[At]) ++At;
  return ::testing::AssertionFailure()
         << Got.size() << " bytes instead of " << Expected.size() << ", the first difference at "
         << At << ": " << Got.mid(At, 20).toStdString() << " instead of "
         << Expected.mid(At, 20).toStdString();
}

bool Alive(qint64 Pid) {
  const char State = ProcessState(Pid);
  return State != 0 && State != 'Z';
}

// Waits without dispatching events, so the end notification stays queued.
bool WaitUntilZombie(qint64 Pid) {
  for (int Tries = 0; Tries < 1000; ++Tries) {
    if (ProcessState(Pid) == 'Z') return true;
    QThread::msleep(10);
  }
  return false;
}

constexpr int EndTimeout = 15000;

class Redirector : public ::testing::Test {
 protected:
  struct TEvent {
    char Kind;  // 'I' input, 'E' error input, 'X' end
    QByteArray Bytes;
    bool operator==(const TEvent& Other) const {
      return Kind == Other.Kind && Bytes == Other.Bytes;
    }
  };

  void SetUp() override {
    ASSERT_TRUE(FDir.isValid());
    R = std::make_unique<TVirtualRedirector>();
    R->OnInput = [this](QObject* Sender, const QByteArray& Bytes) {
      EXPECT_EQ(Sender, R.get());
      Events.push_back({'I', Bytes});
    };
    R->OnErrorInput = [this](QObject*, const QByteArray& Bytes) { Events.push_back({'E', Bytes}); };
    R->OnChildProcessEnd = [this](QObject* Sender) {
      EXPECT_EQ(Sender, R.get());
      EXPECT_FALSE(R->Running());
      Events.push_back({'X', {}});
      ++Ends;
    };
  }

  bool RunShell(const QString& Script, const QString& Directory = {}) {
    return R->Run(QStringLiteral("/bin/sh"), Directory, CommandLine({"sh", "-c", Script}));
  }

  // Waits for the end, then delivers what the reader posted after it.
  bool Finish() {
    const bool Ended = QTest::qWaitFor([this] { return Ends > 0; }, EndTimeout);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents();
    return Ended;
  }

  QByteArray Collected(char Kind) const {
    QByteArray All;
    for (const TEvent& Event : Events)
      if (Event.Kind == Kind) All += Event.Bytes;
    return All;
  }

  QString Path(const QString& Name) const { return FDir.filePath(Name); }

  QTemporaryDir FDir;
  std::unique_ptr<TVirtualRedirector> R;
  std::vector<TEvent> Events;
  int Ends = 0;
};

// --- Starting ---

TEST_F(Redirector, MissingProgramThrowsAndStaysIdle) {
  const QStringList FdsBefore = OpenFds();
  const QString Missing = Path("no-such-program");
  EXPECT_EQ(ThrownMessage([&] { R->Run(Missing, {}, "x"); }),
            "Unable to locate the application: " + Missing);
  EXPECT_EQ(ThrownMessage([&] { R->Run({}, {}, "x"); }), "Unable to locate the application: ");
  EXPECT_FALSE(R->Running());
  EXPECT_EQ(R->ChildProcessID(), 0);
  EXPECT_EQ(OpenFds(), FdsBefore);

  ASSERT_TRUE(RunShell("echo fine"));
  ASSERT_TRUE(Finish());
  EXPECT_EQ(Collected('I'), "fine\n");
}

TEST_F(Redirector, FailedStartReleasesEverything) {
  QFile NotExecutable(Path("data.txt"));
  ASSERT_TRUE(NotExecutable.open(QIODevice::WriteOnly));
  NotExecutable.close();
  const QStringList FdsBefore = OpenFds();

  EXPECT_EQ(ThrownMessage([&] { R->Run(NotExecutable.fileName(), {}, "data.txt"); }),
            "Unable to Create Process");
  EXPECT_EQ(ThrownMessage([&] { RunShell("true", Path("no-such-folder")); }),
            "Unable to Create Process");
  EXPECT_FALSE(R->Running());
  EXPECT_EQ(R->ChildProcessID(), 0);
  EXPECT_EQ(OpenFds(), FdsBefore);
  QTest::qWait(100);
  EXPECT_TRUE(Events.empty());

  ASSERT_TRUE(RunShell("echo fine"));
  ASSERT_TRUE(Finish());
  EXPECT_EQ(Collected('I'), "fine\n");
}

// Restores the descriptor limit however the test ends.
class TFdLimit {
 public:
  TFdLimit() { getrlimit(RLIMIT_NOFILE, &FSaved); }
  ~TFdLimit() { setrlimit(RLIMIT_NOFILE, &FSaved); }
  // Lowers the limit so that exactly Free descriptors can still be opened.
  bool LeaveFree(int Free) {
    int Fd = 0;
    for (int Found = 0;; ++Fd) {
      if (fcntl(Fd, F_GETFD) != -1 || errno != EBADF) continue;
      if (Found++ == Free) break;
    }
    struct rlimit Lower = FSaved;
    Lower.rlim_cur = rlim_t(Fd);
    return setrlimit(RLIMIT_NOFILE, &Lower) == 0;
  }

 private:
  struct rlimit FSaved = {};
};

// Running out of descriptors at each step of the start: the pipes (two
// descriptors each) or the pipe that reports a failed exec.
TEST_F(Redirector, RunningOutOfDescriptorsReleasesEverything) {
  const struct {
    int Free;
    const char* Message;
  } Cases[] = {{0, "Unable to Create Pipe"},    {1, "Unable to Create Pipe"},
               {3, "Unable to Create Pipe"},    {5, "Unable to Create Pipe"},
               {6, "Unable to Create Process"}, {7, "Unable to Create Process"}};
  // The same calls once with descriptors to spare: the sanitizers' first
  // look at a type needs a pipe of its own.
  ASSERT_TRUE(RunShell("true"));
  ASSERT_TRUE(Finish());
  ThrownMessage([&] { R->Run({}, {}, {}); });
  const QStringList FdsBefore = OpenFds();
  for (const auto& Case : Cases) {
    QString Message;
    {
      TFdLimit Limit;
      ASSERT_TRUE(Limit.LeaveFree(Case.Free));
      Message = ThrownMessage([&] { RunShell("true"); });
    }
    EXPECT_EQ(Message, Case.Message) << Case.Free << " free";
    EXPECT_FALSE(R->Running());
    EXPECT_EQ(OpenFds(), FdsBefore) << Case.Free << " free";
  }
}

// Parameters is split like a Windows command line and nothing is prepended:
// its first word is argv[0], the program's path appears nowhere.
TEST_F(Redirector, ArgumentVectorIsParametersSplit) {
  const QString Parameters =
      R"(argv0 -c "tr '\0' '|' < /proc/$$/cmdline; echo" "two words" say\"hi "" back\\slash)";
  ASSERT_TRUE(R->Run("/bin/sh", {}, Parameters));
  ASSERT_TRUE(Finish());
  EXPECT_EQ(Collected('I'),
            R"(argv0|-c|tr '\0' '|' < /proc/$$/cmdline; echo|two words|say"hi||back\\slash|)"
            "\n");
}

TEST_F(Redirector, ChildRunsDetachedInTheGivenFolder) {
  const int Inherited = ::open("/dev/null", O_RDONLY);  // deliberately not close-on-exec
  ASSERT_GT(Inherited, 2);
  const QString Script =
      "echo \"sid $(cut -d' ' -f6 /proc/$$/stat)\"\n"
      "echo \"pwd $(pwd -P)\"\n"
      "if sh -c 'exec 3</dev/tty' 2>/dev/null; then echo tty yes; else echo tty no; fi\n"
      "sh -c 'kill -PIPE $$'; echo \"sigpipe $?\"\n"
      "echo fds; ls /proc/$$/fd; echo end\n";
  ASSERT_TRUE(RunShell(Script, FDir.path()));
  const qint64 Pid = R->ChildProcessID();
  ASSERT_TRUE(Finish());
  ::close(Inherited);

  const QString Expected =
      QStringLiteral("sid %1\npwd %2\ntty no\nsigpipe 141\nfds\n0\n1\n2\nend\n")
          .arg(Pid)
          .arg(QDir(FDir.path()).canonicalPath());
  EXPECT_EQ(QString::fromLocal8Bit(Collected('I')), Expected);
  EXPECT_NE(Pid, qint64(getsid(0)));
}

// A secret reaches the child through the one descriptor it inherits, which
// it opens by name; no other descriptor of ours goes with it.
TEST_F(Redirector, ASecretPipeReachesTheChildAndNothingElseDoes) {
  const QByteArray Secret = "se cret\"pw";
  auto Pipe = std::make_unique<TSecretPipe>(Secret);
  const int Fd = Pipe->ReadEnd();
  const QString Script =
      QStringLiteral("cat %1; echo; ls /proc/$$/fd | sort -n | tr '\\n' ' '").arg(Pipe->Path());
  ASSERT_TRUE(R->Run(QStringLiteral("/bin/sh"), {}, CommandLine({"sh", "-c", Script}), Fd));
  Pipe.reset();  // the child holds its own copy
  ASSERT_TRUE(Finish());
  EXPECT_EQ(QString::fromLocal8Bit(Collected('I')),
            QString::fromLocal8Bit(Secret) + QString("\n0 1 2 %1 ").arg(Fd));
  // Too large for the pipe: refused instead of waiting for a reader.
  EXPECT_THROW(TSecretPipe(QByteArray(4 << 20, 'x')), Exception);
}

// A child must not outlive the program that started it: a psftp left
// running stays logged in. Here the starter ends at once; the test process,
// made the orphan's reaper, sees how the child ended.
TEST(ChildProcess, EndsWithTheProcessThatStartedIt) {
  ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
  int Report[2];
  ASSERT_EQ(pipe(Report), 0);
  const pid_t Starter = fork();
  ASSERT_GE(Starter, 0);
  if (Starter == 0) {
    const int Null = ::open("/dev/null", O_RDWR);
    const int Ends[3] = {Null, Null, Null};
    pid_t Child = -1;
    try {
      Child = ChildProcess::Start(ChildProcess::MakeStartInfo("/bin/sleep", QString(), "sleep 5"),
                                  Ends);
    } catch (...) {
    }
    ssize_t Ignored = write(Report[1], &Child, sizeof Child);
    (void)Ignored;
    _exit(0);
  }
  ::close(Report[1]);
  pid_t Child = -1;
  ASSERT_EQ(read(Report[0], &Child, sizeof Child), ssize_t(sizeof Child));
  ::close(Report[0]);
  ASSERT_GT(Child, 0);
  int Status = 0;
  ASSERT_EQ(waitpid(Starter, &Status, 0), Starter);
  // Once the starter has gone, the child is ours to reap, and was killed.
  ASSERT_EQ(waitpid(Child, &Status, 0), Child);
  EXPECT_TRUE(WIFSIGNALED(Status));
  EXPECT_EQ(WTERMSIG(Status), SIGKILL);
  prctl(PR_SET_CHILD_SUBREAPER, 0);
}

TEST_F(Redirector, RunWhileRunningIsIgnored) {
  ASSERT_TRUE(RunShell("exec sleep 30"));
  const qint64 First = R->ChildProcessID();
  EXPECT_FALSE(RunShell("echo second"));
  EXPECT_FALSE(R->Run(Path("missing"), {}, "x"));  // not even looked at
  EXPECT_TRUE(R->Running());
  EXPECT_EQ(R->ChildProcessID(), First);
  EXPECT_TRUE(Alive(First));

  R->Kill();
  ASSERT_TRUE(Finish());
  EXPECT_EQ(Ends, 1);
  EXPECT_TRUE(Collected('I').isEmpty());
}

// --- Writing ---

TEST_F(Redirector, WriteAddsCrLfAndWriteRawDoesNot) {
  ASSERT_TRUE(RunShell("head -c 8 > stdin.bin", FDir.path()));
  R->Write("ls");
  R->WriteRaw(QByteArray("y\n\0z", 4));
  ASSERT_TRUE(Finish());

  QFile Received(Path("stdin.bin"));
  ASSERT_TRUE(Received.open(QIODevice::ReadOnly));
  EXPECT_EQ(Received.readAll(), QByteArray("ls\r\ny\n\0z", 8));
}

TEST_F(Redirector, WriteWhileIdleDoesNothing) {
  EXPECT_NO_THROW(R->Write("ls"));
  EXPECT_NO_THROW(R->WriteRaw("y\n"));
  EXPECT_NO_THROW(R->Kill());
  ASSERT_TRUE(RunShell("true"));
  ASSERT_TRUE(Finish());
  EXPECT_NO_THROW(R->Write("ls"));
  EXPECT_NO_THROW(R->WriteRaw("y\n"));
  EXPECT_FALSE(R->Running());
}

// The child has gone but its end is not handled yet: the pipe has no reader.
// The write must fail with the message, not end the test with SIGPIPE.
TEST_F(Redirector, WriteToAChildThatHasGoneThrows) {
  ASSERT_TRUE(RunShell("exit 0"));
  ASSERT_TRUE(WaitUntilZombie(R->ChildProcessID()));
  EXPECT_TRUE(R->Running());
  EXPECT_EQ(ThrownMessage([&] { R->Write("bye"); }), "Error writing to the pipe");
  EXPECT_EQ(ThrownMessage([&] { R->WriteRaw("y"); }), "Error writing to the pipe");
  EXPECT_TRUE(R->Running());

  ASSERT_TRUE(Finish());
  EXPECT_NO_THROW(R->Write("bye"));
}

// --- Output ---

TEST_F(Redirector, ZeroByteEndsAPiece) {
  ASSERT_TRUE(RunShell("printf 'abc\\000def'"));
  ASSERT_TRUE(Finish());
  EXPECT_EQ(Collected('I'), "abc");
}

TEST_F(Redirector, ErrorOutputReachesOnlyOnErrorInput) {
  ASSERT_TRUE(RunShell("echo out; echo err >&2"));
  ASSERT_TRUE(Finish());
  EXPECT_EQ(Collected('I'), "out\n");
  EXPECT_EQ(Collected('E'), "err\n");

  Events.clear();
  Ends = 0;
  R->OnErrorInput = nullptr;
  ASSERT_TRUE(RunShell("echo err >&2; sleep 0.5; echo out"));
  ASSERT_TRUE(Finish());
  EXPECT_EQ(Collected('I'), "out\n");
  EXPECT_EQ(Collected('E'), "");
}

// One queue for both streams and the end; the gaps put each line in a cycle
// of its own.
TEST_F(Redirector, EventsArriveInPostingOrder) {
  ASSERT_TRUE(RunShell("echo a; sleep 0.6; echo b >&2; sleep 0.6; echo c; sleep 0.6"));
  ASSERT_TRUE(Finish());
  const std::vector<TEvent> Expected = {{'I', "a\n"}, {'E', "b\n"}, {'I', "c\n"}, {'X', {}}};
  EXPECT_EQ(Events, Expected);
}

// More than a pipe holds, written up to the child's last moment: nothing may
// be lost, also not what still waits in the pipe when the end is handled.
TEST_F(Redirector, AllOutputArrivesAlsoAfterTheEnd) {
  ASSERT_TRUE(RunShell("head -c 300000 /dev/zero | tr '\\0' x; echo; echo done"));
  ASSERT_TRUE(Finish());
  EXPECT_EQ(Collected('I'), QByteArray(300000, 'x') + "\ndone\n");
  EXPECT_EQ(Ends, 1);
}

// Megabytes written at once, on one stream, on both at the same time, or on
// each in turn: every stream arrives complete and in order, in pieces no
// larger than the bound, and all of it has been posted by the time the end
// is raised.
TEST_F(Redirector, LargeOutputArrivesCompleteInBoundedPieces) {
  const struct {
    const char* Name;
    QString Script;
    QByteArray Output;
    QByteArray ErrorOutput;
  } Cases[] = {
      {"standard output", "seq 1 800000", Seq(1, 800000), {}},
      {"standard error", "seq 1 800000 >&2", {}, Seq(1, 800000)},
      {"both at once", "seq 1 400000 & seq 400001 800000 >&2; wait", Seq(1, 400000),
       Seq(400001, 800000)},
      {"in turn",
       "for i in 0 1 2 3 4 5; do seq $((i*100000+1)) $((i*100000+100000)) >&$((i%2+1)); done",
       Seq(1, 100000) + Seq(200001, 300000) + Seq(400001, 500000),
       Seq(100001, 200000) + Seq(300001, 400000) + Seq(500001, 600000)},
  };
  R->OnChildProcessEnd = [this](QObject*) {
    QCoreApplication::sendPostedEvents();  // what the reader posted before the end
    Events.push_back({'X', {}});
    ++Ends;
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    Events.clear();
    Ends = 0;
    ASSERT_TRUE(RunShell(Case.Script));
    ASSERT_TRUE(Finish());
    EXPECT_TRUE(SameBytes(Collected('I'), Case.Output));
    EXPECT_TRUE(SameBytes(Collected('E'), Case.ErrorOutput));
    EXPECT_EQ(Ends, 1);
    ASSERT_FALSE(Events.empty());
    EXPECT_EQ(Events.back().Kind, 'X') << "output after the end";
    int BadPieces = 0;
    for (const TEvent& Event : Events)
      if (Event.Kind != 'X' &&
          (Event.Bytes.isEmpty() || Event.Bytes.size() > TPipeThread::PieceSize))
        ++BadPieces;
    EXPECT_EQ(BadPieces, 0) << "empty or larger than " << TPipeThread::PieceSize;
  }
}

// An owner that falls behind holds the child back instead of gathering its
// output in memory: while no event is handled, a child that writes far more
// than the reader may post cannot finish; once events are handled again,
// every byte arrives in order.
TEST_F(Redirector, AnOwnerThatFallsBehindHoldsTheChildBack) {
  const int Lines = 1200000;  // about 8 MB
  ASSERT_TRUE(RunShell("seq 1 " + QString::number(Lines) + "; : > " + Path("done")));
  QThread::msleep(1500);  // the event loop is not run: nothing posted is taken
  EXPECT_FALSE(QFile::exists(Path("done"))) << "the child wrote everything at once";
  ASSERT_TRUE(Finish());
  EXPECT_TRUE(QFile::exists(Path("done")));
  EXPECT_TRUE(SameBytes(Collected('I'), Seq(1, Lines)));
}

// A child that closes its output and goes on running: the reader must not
// spin on the closed pipe, and what comes on the other stream still arrives.
TEST_F(Redirector, ClosedOutputLeavesTheReaderAsleep) {
  const struct {
    const char* Name;
    QString Script;
    QByteArray Output;
    QByteArray ErrorOutput;
  } Cases[] = {
      {"standard error", "exec 2>&-; : > closed; read x; echo \"got $x\"", "got go\n", {}},
      {"standard output", "exec >&-; : > closed; read x; echo \"got $x\" >&2", {}, "got go\n"},
      {"both", "exec >&- 2>&-; : > closed; read x", {}, {}},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    Events.clear();
    Ends = 0;
    QFile::remove(Path("closed"));
    ASSERT_TRUE(RunShell(Case.Script, FDir.path()));
    ASSERT_TRUE(QTest::qWaitFor([this] { return QFile::exists(Path("closed")); }, EndTimeout));
    EXPECT_EQ(BusyThreads(40), 0);
    R->WriteRaw("go\n");
    ASSERT_TRUE(Finish());
    EXPECT_EQ(Collected('I'), Case.Output);
    EXPECT_EQ(Collected('E'), Case.ErrorOutput);
  }
}

// Fills the pipe until it takes no more; returns what it took.
QByteArray FillPipe(int WriteEnd, const QByteArray& Bytes) {
  qsizetype Taken = 0;
  while (Taken < Bytes.size()) {
    const qsizetype Chunk = std::min<qsizetype>(4096, Bytes.size() - Taken);
    const ssize_t Written = ::write(WriteEnd, Bytes.constData() + Taken, size_t(Chunk));
    if (Written <= 0) break;
    Taken += Written;
  }
  return Bytes.left(Taken);
}

// What the child printed before it ended may still wait when Terminate
// comes; here the reader is told to end before it has looked even once, so
// its last look alone must deliver both full pipes, in bounded pieces.
TEST(PipeThread, LastLookDeliversWhatWaits) {
  int Ends[4] = {-1, -1, -1, -1};  // output read, write; error read, write
  ASSERT_TRUE(PipeIo::CreatePipe(Ends[0], Ends[1]) && PipeIo::CreatePipe(Ends[2], Ends[3]));
  for (int Fd : Ends) ASSERT_TRUE(PipeIo::SetNonBlocking(Fd));
  // Pipes larger than a piece, so that each takes several.
  for (int Fd : {Ends[1], Ends[3]})
    ASSERT_GE(fcntl(Fd, F_SETPIPE_SZ, int(4 * TPipeThread::PieceSize)), 0);
  const QByteArray More = Seq(1, 80000);  // more than a pipe holds
  const QByteArray Output = FillPipe(Ends[1], More);
  const QByteArray ErrorOutput = FillPipe(Ends[3], More);
  ASSERT_LT(Output.size(), More.size()) << "the pipe was not filled";

  QByteArray Got[2];
  int BadPieces = 0;
  TRedirectorHelper Target([&](const TRedirectorEvent& Event) {
    if (Event.Kind() == TRedirectorEvent::ChildProcessEnd) return;
    Got[Event.Kind() == TRedirectorEvent::ChildInput ? 0 : 1] += Event.Bytes();
    if (Event.Bytes().isEmpty() || Event.Bytes().size() > TPipeThread::PieceSize) ++BadPieces;
  });
  {
    TPipeThread Reader(&Target, Ends[0], Ends[2]);
    Reader.Terminate();
    Reader.Resume();
    Reader.WaitFor();
  }
  QCoreApplication::sendPostedEvents(&Target);
  for (int& Fd : Ends) PipeIo::Close(Fd);

  EXPECT_TRUE(SameBytes(Got[0], Output));
  EXPECT_TRUE(SameBytes(Got[1], ErrorOutput));
  EXPECT_EQ(BadPieces, 0);
}

// --- Ending ---

TEST_F(Redirector, EndLeavesItIdleAndReadyForANewChild) {
  QCoreApplication::processEvents();
  const QStringList FdsBefore = OpenFds();
  ASSERT_TRUE(RunShell("echo one"));
  const qint64 Pid = R->ChildProcessID();
  EXPECT_GT(Pid, 0);
  ASSERT_TRUE(Finish());
  EXPECT_EQ(Ends, 1);
  EXPECT_FALSE(R->Running());
  EXPECT_EQ(R->ChildProcessID(), 0);
  EXPECT_EQ(ProcessState(Pid), 0) << "collected";
  EXPECT_EQ(OpenFds(), FdsBefore);

  Ends = 0;
  ASSERT_TRUE(RunShell("echo two"));
  EXPECT_NE(R->ChildProcessID(), 0);
  ASSERT_TRUE(Finish());
  EXPECT_EQ(Collected('I'), "one\ntwo\n");
  EXPECT_EQ(Ends, 1);
}

TEST_F(Redirector, KillReturnsAtOnceAndTheEndFollows) {
  // The shell prints the id of a process it started and waits for it.
  ASSERT_TRUE(RunShell("sleep 30 & echo $!; wait"));
  const qint64 Pid = R->ChildProcessID();
  ASSERT_TRUE(QTest::qWaitFor([this] { return Collected('I').endsWith('\n'); }, EndTimeout));
  const qint64 Grandchild = Collected('I').trimmed().toLongLong();
  ASSERT_GT(Grandchild, 0);

  R->Kill();
  EXPECT_TRUE(R->Running());
  EXPECT_EQ(R->ChildProcessID(), Pid);
  EXPECT_EQ(Ends, 0);
  ASSERT_TRUE(Finish());
  EXPECT_EQ(Ends, 1);
  EXPECT_FALSE(R->Running());
  EXPECT_EQ(ProcessState(Pid), 0);
  // What the child started goes with it.
  EXPECT_TRUE(QTest::qWaitFor([&] { return !Alive(Grandchild); }, EndTimeout));
}

TEST_F(Redirector, DestructionKillsTheChildWithoutAnEndEvent) {
  ASSERT_TRUE(RunShell("echo started; exec sleep 30"));
  const qint64 Pid = R->ChildProcessID();
  ASSERT_TRUE(QTest::qWaitFor([this] { return !Collected('I').isEmpty(); }, EndTimeout));

  R.reset();
  EXPECT_EQ(kill(pid_t(Pid), 0), -1);
  EXPECT_EQ(errno, ESRCH);
  QTest::qWait(300);
  EXPECT_EQ(Ends, 0);
}

// Output and the end, posted but not yet delivered, are dropped with the
// component and never reach a handler.
TEST_F(Redirector, DestructionDropsQueuedNotifications) {
  ASSERT_TRUE(RunShell("echo queued; echo queued >&2"));
  ASSERT_TRUE(WaitUntilZombie(R->ChildProcessID()));
  QThread::msleep(2 * 250 + 100);  // the reader has posted, the watcher too

  R.reset();
  QTest::qWait(300);
  EXPECT_TRUE(Events.empty());
}

// An exception from a handler goes to the error display and the component
// carries on; it must not unwind through Qt's event dispatch.
TEST_F(Redirector, HandlerExceptionsAreReported) {
  QStringList Reported;
  const ErrorReport::Handler Previous =
      ErrorReport::SetHandler([&](const QString& Message) { Reported << Message; });
  R->OnInput = [this](QObject*, const QByteArray& Bytes) {
    Events.push_back({'I', Bytes});
    throw Exception("input handler failed");
  };
  R->OnChildProcessEnd = [this](QObject*) {
    ++Ends;
    throw std::runtime_error("end handler failed");
  };
  ASSERT_TRUE(RunShell("echo one"));
  const bool Ended = Finish();
  ErrorReport::SetHandler(Previous);

  ASSERT_TRUE(Ended);
  EXPECT_EQ(Collected('I'), "one\n");
  Reported.sort();  // the output may arrive after the end
  EXPECT_EQ(Reported, QStringList({"end handler failed", "input handler failed"}));
  EXPECT_FALSE(R->Running());
}

}  // namespace
