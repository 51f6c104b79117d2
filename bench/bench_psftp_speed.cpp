// The driver against psftp alone, on the loopback server, in one run. Each
// figure is the median of several repetitions; the two sides alternate, so
// that a busy machine slows both alike.
//  1. "cd" + "ls" of a 50,000-entry folder, login included: psftp from its
//     start to its exit, against the driver from ConnectActionExecute to the
//     page holding the entries.
//  2. "get" of a 20 MB file on a connected session: psftp from writing the
//     command to its next prompt, against the driver from DirListBoxDblClick
//     to the call of the page's LoadFromFile, and (2b) to its return: the
//     bench's page reads the whole file, which is the page's work rather than
//     the driver's. psftp's whole run ("get" and "bye" on its standard input,
//     login included) is shown for reference.
//  3. "cd" into a 20-entry folder on a connected session: the driver's time
//     to the page listing it, less psftp's to its second prompt.
//  4. The longest the user-interface thread goes without processing an
//     event (a 1 ms timer's longest interval) while the listing of case 1
//     arrives.
//  5. The peak memory growth of the listing of case 1, in a fresh process
//     (the program runs itself with --memory PORT), against the bytes psftp
//     prints for that "ls".
//  6. What closing each answer costs: psftp alone answering 200 "pwd"
//     commands (answered without the server), each followed by the driver's
//     closing command or not; the difference per command.
// Each goal is also printed as a row of the common table (GoalRow.h).
// Run it from a Release build: build/bench/bench_psftp_speed [--reps N]
// [--quick] (--quick: one repetition, three of cases 2 and 3).
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "GoalRow.h"
#include "core/ErrorReport.h"
#include "process/VirtualRedirector.h"
#include "remote/editing/DriverPage.h"
#include "remote/editing/RemoteEditor.h"
#include "remote/listing/Dir.h"
#include "remote/listing/File.h"
#include "remote/listing/ListingParser.h"
#include "remote/session/ConnectionDriver.h"
#include "remote/session/DriverView.h"

namespace {

constexpr int kBigEntries = 50000;
constexpr int kSmallEntries = 20;
constexpr int kClosedCommands = 200;
constexpr qsizetype kGetSize = 20 * 1024 * 1024;
constexpr int kTimeoutMs = 300000;
const char* const kPsftp = "/usr/bin/psftp";
// The goals: a listing and a download through the driver against psftp
// alone, and the memory a listing takes against the text psftp prints.
constexpr double kListGoal = 1.2;
constexpr double kGetGoal = 1.15;
constexpr double kMemoryGoal = 2.5;
const char* const kUser = "tester";
const char* const kPassword = "secret";

double Ms(qint64 Ns) { return double(Ns) / 1e6; }

double Median(std::vector<double> Values) {
  if (Values.empty()) return 0;
  std::sort(Values.begin(), Values.end());
  const size_t n = Values.size();
  return n % 2 ? Values[n / 2] : (Values[n / 2 - 1] + Values[n / 2]) / 2;
}

[[noreturn]] void Die(const QString& Why) {
  std::fprintf(stderr, "bench_psftp_speed: %s\n", qPrintable(Why));
  std::fflush(stderr);
  std::_Exit(1);
}

// ---------------------------------------------------------------- waiting

// The bench waits in an event loop, as the window does, and the hooks below
// end the wait as soon as what it waits for has happened, so that no polling
// interval is added to the driver's time.
struct TWait {
  QEventLoop* Loop = nullptr;
  std::function<bool()> Done;
} Waiting;

void Poke() {
  if (Waiting.Loop && Waiting.Done()) Waiting.Loop->quit();
}

bool RunUntil(const std::function<bool()>& Done, int TimeoutMs = kTimeoutMs) {
  if (Done()) return true;
  QEventLoop loop;
  QTimer timeout;
  timeout.setSingleShot(true);
  QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
  timeout.start(TimeoutMs);
  const TWait outer = Waiting;
  Waiting = {&loop, Done};
  loop.exec();
  Waiting = outer;
  return Done();
}

// ---------------------------------------------------------------- view

// A page as the window keeps it: the directory it shows, and no copy of
// the entries (the window's list draws straight from the directory).
class TBenchPage : public IPage {
 public:
  quint64 TextVersion() const override { return 0; }
  void SetReceiving(bool) override {}
  TDir* Dir() const override { return FDir; }
  void SetDir(TDir* Value) override {
    FDir = Value;
    Poke();
  }
  TFile* SelectedFile() const override {
    return FDir && Selected >= 0 && Selected < FDir->Count() ? FDir->Files(Selected) : nullptr;
  }
  TRemoteDocument& Document() override { return FDocument; }
  const TRemoteDocument& Document() const override { return FDocument; }
  void DocumentChanged() override {}
  void LoadFromFile(const QString& Path) override {
    LoadStartNs = Clock.nsecsElapsed();
    QFile file(Path);
    if (!file.open(QIODevice::ReadOnly)) Die("cannot read the download " + Path);
    Text = file.readAll();
    LoadEndNs = Clock.nsecsElapsed();
    ++Loads;
    Poke();
  }
  void SaveToFile(const QString&) override {}

  bool SelectFile(const QString& Name) override { return Select(Name); }
  // Selects the entry the window's list would show as ItemText ("[sub]" for a directory).
  bool Select(const QString& ItemText) {
    Selected = -1;
    for (int i = 0; FDir && i < FDir->Count(); ++i) {
      const TFile* file = FDir->Files(i);
      const QString shown =
          file->IsDirectory() ? "[" + file->RemoteName() + "]" : file->RemoteName();
      if (shown == ItemText) Selected = i;
    }
    return Selected >= 0;
  }
  bool Shows(const QString& DirName, int MinEntries) const {
    return FDir && FDir->Name() == DirName && FDir->Count() >= MinEntries;
  }

  int Selected = -1;
  QByteArray Text;
  int Loads = 0;
  // On the session's clock.
  QElapsedTimer Clock;
  qint64 LoadStartNs = 0, LoadEndNs = 0;

 private:
  TDir* FDir = nullptr;
  TRemoteDocument FDocument;
};

// The bench opens text files only: any question is a failure.
class TBenchPrompts : public IUserPrompts {
 public:
  void Inform(TTone, const QString& Text) override { Die(Text); }
  bool Confirm(const QString& Text) override { Die("asked: " + Text); }
  int Choose(const TChoice& Choice) override { Die("asked: " + Choice.Text); }
  std::optional<QString> AskText(const QString&, const QString&) override { Die("asked a name"); }
  std::optional<QString> AskFile(const QString&) override { Die("asked for a file"); }
  std::optional<QString> AskSaveFile(const QString&, const QString&) override {
    Die("asked for a file");
  }
};

// Answers the connect dialog and the host-key question at once. The debug
// text is counted, not kept: what the window's log costs is not the
// driver's.
class TBenchView : public IDriverView {
 public:
  void ConnectionChanged(bool, const QString&) override {}
  void MessageChanged(const QString&, const QString&) override {}
  void FolderChanged(const QString&) override {}
  void BusyChanged(bool) override {}
  void DirectoryListed(IPage* Listed, TDir* Dir) override {
    if (Listed) Page.SetDir(Dir);
  }
  void Log(TLog, const QString& Text) override { DebugChars += Text.size() + 1; }
  void Inform(const QString& Text, const QString&) override {
    Errors << Text;
    Poke();
  }
  void AskHostKey(const THostKeyRequest&) override {
    QTimer::singleShot(0, [this] { Driver->AnswerHostKey(THostKeyAnswer::Once); });
  }
  void AskPassword(const TPasswordRequest& Request) override {
    Errors << "psftp asked for a password: " + Request.Prompt;
    Poke();
  }

  TBenchPage Page;
  TConnectValues Values;
  TConnectionDriver* Driver = nullptr;
  QStringList Errors;
  qint64 DebugChars = 0;
};

// The real redirector; it also times the user-interface thread's handling of
// each piece of psftp's output, to tell where a long gap comes from.
class TBenchRedirector : public TVirtualRedirector {
 public:
  QElapsedTimer Clock;  // the session's
  qint64 LastInputAtNs = 0;
  qint64 InputPieces = 0;
  qint64 InputBytes = 0;
  qint64 InputNs = 0;
  qint64 LongestInputNs = 0;

 protected:
  void DoInput(const QByteArray& NewInput) override {
    LastInputAtNs = Clock.nsecsElapsed();
    QElapsedTimer clock;
    clock.start();
    TVirtualRedirector::DoInput(NewInput);
    const qint64 ns = clock.nsecsElapsed();
    ++InputPieces;
    InputBytes += NewInput.size();
    InputNs += ns;
    LongestInputNs = std::max(LongestInputNs, ns);
    Poke();
  }
  void DoChildProcessEnd() override {
    TVirtualRedirector::DoChildProcessEnd();
    Poke();
  }
};

// One window's worth: the view, a real redirector and the driver.
struct TSession {
  TBenchView View;
  TBenchRedirector Redirector;
  TConnectionDriver Driver{View, Redirector};
  // Downloads reach the page through the real editing controller.
  TBenchPrompts Prompts;
  TRemoteEditor Editor{Driver, Prompts};

  explicit TSession(int Port, const QByteArray& StartingDir) {
    View.Page.Clock.start();
    Redirector.Clock = View.Page.Clock;
    View.Driver = &Driver;
    View.Values = {"127.0.0.1", kUser, kPassword, StartingDir, Port, QString(), QString()};
  }
  ~TSession() { Close(); }

  void Connect() { Driver.Connect(View.Values, &View.Page); }
  bool Failed() const { return !View.Errors.isEmpty() || !Redirector.Running(); }
  QString Why() const {
    return View.Errors.isEmpty() ? QString("psftp ended") : View.Errors.join("; ");
  }
  void Close() {
    if (!Redirector.Running()) return;
    Driver.Disconnect();
    RunUntil([this] { return !Redirector.Running(); }, 20000);
    if (Redirector.Running()) Redirector.Kill();
    RunUntil([this] { return !Redirector.Running(); }, 5000);
  }
  // Lists as the user sees it: entered by a double-click on its list item.
  void Open(const QString& ItemText) {
    if (!View.Page.Select(ItemText)) Die("no item " + ItemText + " on the page");
    Driver.Open(&View.Page, *View.Page.SelectedFile());
  }
  void WaitFor(const std::function<bool()>& Done, const char* What) {
    if (!RunUntil([&] { return Done() || Failed(); }) || !Done())
      Die(QString("%1: %2").arg(What, Failed() ? Why() : QString("timed out")));
  }
};

// ---------------------------------------------------------------- server

// The tests' loopback server, serving a tree of the bench's own:
//   /big/     50,000 empty files
//   /small/   20 files
//   /www/big.bin  20 MB of random bytes
class TServer {
 public:
  void MakeTree() {
    if (!FRoot.isValid()) Die("no temporary folder");
    for (const char* dir : {"/big", "/small", "/www"}) QDir().mkpath(FRoot.path() + dir);
    for (int i = 0; i < kBigEntries; ++i) {
      QFile file(FRoot.path() + QString("/big/page-%1.html").arg(i, 5, 10, QChar('0')));
      if (!file.open(QIODevice::WriteOnly)) Die("cannot write " + file.fileName());
    }
    for (int i = 0; i < kSmallEntries; ++i) {
      QFile file(FRoot.path() + QString("/small/note-%1.txt").arg(i));
      if (!file.open(QIODevice::WriteOnly)) Die("cannot write " + file.fileName());
      file.write("a small file\n");
    }
    QFile big(FRoot.path() + "/www/big.bin");
    if (!big.open(QIODevice::WriteOnly)) Die("cannot write " + big.fileName());
    QByteArray piece(1024 * 1024, Qt::Uninitialized);
    for (qsizetype written = 0; written < kGetSize; written += piece.size()) {
      QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(piece.data()),
                                            piece.size() / 4);
      big.write(piece);
    }
  }

  void Start() {
    // Run from BUILD/bench, BUILD being a folder of the source tree: a
    // compiler cache may turn __FILE__ into a path relative to the build.
    const QString script =
        QCoreApplication::applicationDirPath() + "/../../tests/server/sftp_server.py";
    FProcess.start("/usr/bin/python3",
                   {script, "--root", FRoot.path(), "--user", kUser, "--password", kPassword});
    if (!FProcess.waitForStarted(10000)) Die("the loopback server did not start");
    QByteArray out;
    while (FProcess.waitForReadyRead(20000)) {
      out += FProcess.readAllStandardOutput();
      const int key = out.indexOf("HOSTKEY ");
      const int at = out.indexOf("PORT ");
      const int end = out.indexOf('\n', at);
      if (at >= 0 && end > at) {
        Port = out.mid(at + 5, end - at - 5).trimmed().toInt();
        if (key >= 0) HostKey = out.mid(key + 8, out.indexOf('\n', key) - key - 8).trimmed();
        if (Port > 0 && !HostKey.isEmpty()) return;
        break;
      }
    }
    Die("the loopback server gave no port; " + FProcess.readAllStandardError());
  }

  ~TServer() {
    FProcess.closeWriteChannel();
    if (!FProcess.waitForFinished(5000)) FProcess.kill();
    FProcess.waitForFinished(5000);
  }

  int Port = 0;
  QString HostKey;

 private:
  QTemporaryDir FRoot;
  QProcess FProcess;
};

// ---------------------------------------------------------------- psftp alone

// The driver's arguments (see TConnectionDriver::ConnectToHost), with the
// host key given rather than asked for.
QStringList PsftpArguments(const TServer& Server, const QString& PasswordFile) {
  return {"-v",       "-P",         QString::number(Server.Port),
          "-pwfile",  PasswordFile, "-l",
          kUser,      "-hostkey",   Server.HostKey,
          "127.0.0.1"};
}

struct TWholeRun {
  double Ms = 0;
  QByteArray Output;
};

// psftp from its start to its exit, with Input on its standard input.
TWholeRun RunPsftp(const TServer& Server, const QString& PasswordFile, const QString& Folder,
                   const QByteArray& Input) {
  QProcess psftp;
  psftp.setWorkingDirectory(Folder);
  QElapsedTimer clock;
  clock.start();
  psftp.start(kPsftp, PsftpArguments(Server, PasswordFile));
  psftp.write(Input);
  if (!psftp.waitForFinished(kTimeoutMs) || psftp.exitCode() != 0)
    Die("psftp alone failed: " + psftp.readAllStandardError().right(400));
  TWholeRun run{Ms(clock.nsecsElapsed()), psftp.readAllStandardOutput()};
  return run;
}

// What psftp printed for "ls": from its header to the prompt after it.
QByteArray ListingText(const QByteArray& Output, const QByteArray& Dir) {
  const qsizetype start = Output.indexOf(TListingParser::Header.toUtf8() + Dir);
  const qsizetype end = Output.indexOf("psftp>", start);
  if (start < 0 || end < 0) Die("no listing of " + Dir + " in psftp's output");
  return Output.mid(start, end - start);
}

// A psftp that stays connected, driven a command at a time: the time from
// writing the commands to the prompt after the last of them.
class TPsftpSession {
 public:
  TPsftpSession(const TServer& Server, const QString& PasswordFile, const QString& Folder) {
    FProcess.setWorkingDirectory(Folder);
    FProcess.start(kPsftp, PsftpArguments(Server, PasswordFile));
    if (!WaitPrompts(1)) Die("psftp alone did not log in");
  }
  ~TPsftpSession() {
    FProcess.write("bye\n");
    if (!FProcess.waitForFinished(10000)) FProcess.kill();
    FProcess.waitForFinished(5000);
  }
  double Run(const QByteArray& Commands, int Prompts) {
    FOutput.clear();
    FSeen = 0;
    QElapsedTimer clock;
    clock.start();
    FProcess.write(Commands);
    if (!WaitPrompts(Prompts)) Die("psftp alone did not answer " + Commands);
    return Ms(clock.nsecsElapsed());
  }
  const QByteArray& Output() const { return FOutput; }

 private:
  bool WaitPrompts(int Count) {
    int found = 0;
    while (true) {
      // Only the new part is searched: a 20 MB "get" prints little, but a
      // listing may print a lot.
      for (qsizetype at; (at = FOutput.indexOf("psftp> ", FSeen)) >= 0;) {
        FSeen = at + 7;
        if (++found == Count) return true;
      }
      FSeen = std::max(FSeen, FOutput.size() - 6);
      if (!FProcess.waitForReadyRead(kTimeoutMs)) return false;
      FOutput += FProcess.readAllStandardOutput();
    }
  }

  QProcess FProcess;
  QByteArray FOutput;
  qsizetype FSeen = 0;
};

// ---------------------------------------------------------------- memory

qint64 StatusKb(const char* Field) {
  QFile status("/proc/self/status");
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith(Field))
      return line.mid(qstrlen(Field)).trimmed().split(' ').value(0).toLongLong();
  return -1;
}

// One listing of /big through the driver in this fresh process: prints the
// growth of the peak resident size in KB, from just before the connection.
int MeasureMemory(int Port) {
  auto session = std::make_unique<TSession>(Port, "/big");
  QCoreApplication::processEvents();
  QFile clear("/proc/self/clear_refs");
  if (!clear.open(QIODevice::WriteOnly) || clear.write("5") != 1) Die("cannot reset VmHWM");
  clear.close();
  const qint64 before = StatusKb("VmRSS:");
  session->Connect();
  session->WaitFor([&] { return session->View.Page.Shows("/big", kBigEntries); }, "listing");
  const qint64 peak = StatusKb("VmHWM:");
  std::printf("GROWTH %lld\n", peak - before);
  return 0;
}

double MemoryGrowthKb(int Port) {
  QProcess child;
  child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  child.start(QCoreApplication::applicationFilePath(), {"--memory", QString::number(Port)});
  if (!child.waitForFinished(kTimeoutMs) || child.exitCode() != 0) Die("the memory run failed");
  const QByteArray out = child.readAllStandardOutput();
  const qsizetype at = out.indexOf("GROWTH ");
  if (at < 0) Die("the memory run printed no growth");
  return out.mid(at + 7).trimmed().toDouble();
}

// ---------------------------------------------------------------- report

void Row(const char* Case, double Alone, double Driver, const char* Unit, double Compared,
         const char* ComparedUnit, double Goal, bool Met) {
  std::printf("%-40s %12.1f %12.1f %-4s %10.2f%-3s %8s %.2f%s  %s\n", Case, Alone, Driver, Unit,
              Compared, ComparedUnit, "<=", Goal, ComparedUnit, Met ? "met" : "NOT MET");
}

}  // namespace

int main(int argc, char** argv) {
  // psftp keeps host keys under HOME and the download folder is under the
  // cache folder: both go to a folder of this run's own. A child for the
  // memory figure inherits the parent's.
  std::unique_ptr<QTemporaryDir> home;
  if (qEnvironmentVariable("QUILLERY_BENCH_HOME").isEmpty()) {
    home = std::make_unique<QTemporaryDir>();
    qputenv("QUILLERY_BENCH_HOME", home->path().toLocal8Bit());
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "PUTTYDIR"})
      qputenv(name, (home->path() + "/" + QString(name).toLower()).toLocal8Bit());
  }
  QCoreApplication app(argc, argv);
  ErrorReport::SetHandler([](const QString& Message) { Die("error reported: " + Message); });

  int reps = 5;
  for (int i = 1; i < argc; ++i) {
    const QByteArray arg = argv[i];
    if (arg == "--memory" && i + 1 < argc) return MeasureMemory(QByteArray(argv[i + 1]).toInt());
    if (arg == "--reps" && i + 1 < argc) reps = std::max(1, QByteArray(argv[++i]).toInt());
    if (arg == "--quick") reps = 1;
  }

  std::printf("Making the served tree (%d files)...\n", kBigEntries + kSmallEntries + 1);
  std::fflush(stdout);
  TServer server;
  server.MakeTree();
  server.Start();
  QTemporaryDir work;
  const QString passwordFile = work.filePath("pw");
  {
    QFile pw(passwordFile);
    if (!pw.open(QIODevice::WriteOnly) || pw.write(kPassword) != qint64(qstrlen(kPassword)))
      Die("cannot write the password file");
    pw.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
  }

  // 1. cd + ls of 50,000 entries, login included.
  std::printf("Case 1: cd + ls of %d entries, %d repetitions each...\n", kBigEntries, reps);
  std::fflush(stdout);
  std::vector<double> listAlone, listDriver;
  qint64 listingBytes = 0, listingLines = 0;
  double inputMs = 0, longestInputMs = 0, pieces = 0, debugChars = 0;
  for (int r = 0; r < reps; ++r) {
    const TWholeRun alone = RunPsftp(server, passwordFile, work.path(), "cd /big\nls\nbye\n");
    listAlone.push_back(alone.Ms);
    const QByteArray text = ListingText(alone.Output, "/big");
    listingBytes = text.size();
    listingLines = text.count('\n');

    TSession session(server.Port, "/big");
    QElapsedTimer clock;
    clock.start();
    session.Connect();
    session.WaitFor([&] { return session.View.Page.Shows("/big", kBigEntries); }, "listing");
    listDriver.push_back(Ms(clock.nsecsElapsed()));
    inputMs = Ms(session.Redirector.InputNs);
    longestInputMs = Ms(session.Redirector.LongestInputNs);
    pieces = double(session.Redirector.InputPieces);
    debugChars = double(session.View.DebugChars);
  }

  // 4. The user-interface thread while that listing arrives, in runs of its
  // own so that the timer does not weigh on case 1.
  std::printf("Case 4: the event loop during the listing, %d repetitions...\n", reps);
  std::fflush(stdout);
  std::vector<double> gaps;
  for (int r = 0; r < reps; ++r) {
    TSession session(server.Port, "/big");
    QElapsedTimer since;
    qint64 longest = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
      longest = std::max(longest, since.nsecsElapsed());
      since.restart();
    });
    tick.start();
    since.start();
    session.Connect();
    session.WaitFor([&] { return session.View.Page.Shows("/big", kBigEntries); }, "listing");
    longest = std::max(longest, since.nsecsElapsed());
    tick.stop();
    gaps.push_back(Ms(longest));
  }

  // 5. Memory, in fresh processes.
  std::printf("Case 5: peak memory of the listing, %d fresh processes...\n", reps);
  std::fflush(stdout);
  std::vector<double> growths;
  for (int r = 0; r < reps; ++r) growths.push_back(MemoryGrowthKb(server.Port));

  // 2. and 3. on connected sessions.
  std::printf("Cases 2 and 3: get of 20 MB and cd into %d entries, %d repetitions each...\n",
              kSmallEntries, reps * 3);
  std::fflush(stdout);
  std::vector<double> getWhole, getAlone, getDriver, cdAlone, cdDriver;
  std::vector<double> getDriverRead, getTransfer, getBeforeLoad, getLoad;
  std::vector<double> pwdBare, pwdClosed;
  for (int r = 0; r < reps; ++r)
    getWhole.push_back(RunPsftp(server, passwordFile, work.path(), "get /www/big.bin\nbye\n").Ms);
  {
    TPsftpSession alone(server, passwordFile, work.path());
    TSession session(server.Port, "/www");
    session.Connect();
    session.WaitFor([&] { return session.View.Page.Shows("/www", 1); }, "listing of /www");
    const QString copy = work.filePath("copy.bin");
    for (int r = 0; r < reps * 3; ++r) {
      getAlone.push_back(alone.Run("get \"/www/big.bin\" \"" + copy.toLocal8Bit() + "\"\n", 1));
      // The copy stays: psftp writes over it the next time, as the driver
      // replaces its earlier copy.
      if (QFileInfo(copy).size() != kGetSize) Die("psftp alone did not download the file");

      TBenchPage& page = session.View.Page;
      const int loads = page.Loads;
      const qint64 click = page.Clock.nsecsElapsed();
      session.Open("big.bin");
      session.WaitFor([&] { return page.Loads > loads; }, "download");
      getDriver.push_back(Ms(page.LoadStartNs - click));
      getDriverRead.push_back(Ms(page.LoadEndNs - click));
      getTransfer.push_back(Ms(session.Redirector.LastInputAtNs - click));
      getBeforeLoad.push_back(Ms(page.LoadStartNs - session.Redirector.LastInputAtNs));
      getLoad.push_back(Ms(page.LoadEndNs - page.LoadStartNs));
      if (session.View.Page.Text.size() != kGetSize) Die("the page did not get the whole file");
      session.View.Page.Text.clear();
    }

    for (int r = 0; r < reps * 3; ++r) {
      QByteArray bare, closed;
      for (int i = 0; i < kClosedCommands; ++i) {
        bare += "pwd\n";
        closed += "pwd\nlcd \"/dev/null/" + QByteArray(32, 'f') + "\"\n";
      }
      pwdBare.push_back(alone.Run(bare, kClosedCommands));
      pwdClosed.push_back(alone.Run(closed, 2 * kClosedCommands));
    }

    session.Open("[..]");
    session.WaitFor([&] { return session.View.Page.Shows("/", 3); }, "listing of /");
    for (int r = 0; r < reps * 3; ++r) {
      cdAlone.push_back(alone.Run("cd /small\nls\n", 2));
      if (!alone.Output().contains("Listing directory /small")) Die("psftp alone did not list");
      alone.Run("cd /\n", 1);

      QElapsedTimer clock;
      clock.start();
      session.Open("[small]");
      session.WaitFor([&] { return session.View.Page.Shows("/small", kSmallEntries); },
                      "listing of /small");
      cdDriver.push_back(Ms(clock.nsecsElapsed()));
      session.Open("[..]");
      session.WaitFor([&] { return session.View.Page.Shows("/", 3); }, "listing of /");
    }
  }

  const double listRatio = Median(listDriver) / Median(listAlone);
  const double getRatio = Median(getDriver) / Median(getAlone);
  const double getReadRatio = Median(getDriverRead) / Median(getAlone);
  const double cdDifference = Median(cdDriver) - Median(cdAlone);
  const double gap = Median(gaps);
  const double memoryRatio = Median(growths) * 1024.0 / double(listingBytes);

  std::printf("\nMedians; the listing is %lld lines, %.2f MB as psftp prints it.\n", listingLines,
              listingBytes / 1048576.0);
  std::printf("%-40s %12s %12s %-4s %13s %14s\n", "case", "psftp alone", "driver", "", "compared",
              "goal");
  Row("1. cd + ls, 50,000 entries (with login)", Median(listAlone), Median(listDriver), "ms",
      listRatio, "x", kListGoal, listRatio <= kListGoal);
  Row("2. get 20 MB (connected)", Median(getAlone), Median(getDriver), "ms", getRatio, "x",
      kGetGoal, getRatio <= kGetGoal);
  Row("2b. the same with the page's read", Median(getAlone), Median(getDriverRead), "ms",
      getReadRatio, "x", kGetGoal, getReadRatio <= kGetGoal);
  Row("3. cd + ls, 20 entries (connected)", Median(cdAlone), Median(cdDriver), "ms", cdDifference,
      "ms", 20, cdDifference <= 20);
  std::printf("%-40s %12s %12.1f %-4s %13s %8s %.0fms  %s\n", "4. longest UI gap, 50,000 listing",
              "-", gap, "ms", "", "<=", 100.0, gap <= 100 ? "met" : "NOT MET");
  std::printf("%-40s %12.1f %12.1f %-4s %10.2fx   %8s %.2fx  %s\n",
              "5. peak memory growth vs listing text", listingBytes / 1048576.0,
              Median(growths) / 1024.0, "MB", memoryRatio, "<=", kMemoryGoal,
              memoryRatio <= kMemoryGoal ? "met" : "NOT MET");

  const double closingMs = (Median(pwdClosed) - Median(pwdBare)) / kClosedCommands;
  std::printf("%-40s %12.2f %12.2f %-4s %11.3fms %8s 1ms  %s\n",
              "6. closing each answer, per command", Median(pwdBare) / kClosedCommands,
              Median(pwdClosed) / kClosedCommands, "ms", closingMs,
              "<=", closingMs <= 1 ? "met" : "NOT MET");

  std::printf("\n");
  GoalRow::Ratio("list 50k, loopback: driver vs psftp alone (with login)", Median(listDriver),
                 Median(listAlone), "ms", kListGoal);
  GoalRow::Ratio("get 20 MB, loopback: driver vs psftp alone", Median(getDriver), Median(getAlone),
                 "ms", kGetGoal);
  GoalRow::Bound("cd + ls 20 entries, loopback: driver less psftp alone", cdDifference, "ms", 20);
  GoalRow::Bound("longest UI gap while 50k listing arrives, loopback", gap, "ms", 100);
  GoalRow::Ratio("list 50k, loopback: peak memory growth vs listing text", Median(growths) / 1024.0,
                 listingBytes / 1048576.0, "MB", kMemoryGoal);
  GoalRow::Bound("closing each answer, per command", closingMs, "ms", 1);

  std::printf("\nFor reference:\n");
  std::printf("  case 1, driver less psftp alone: %.1f ms\n",
              Median(listDriver) - Median(listAlone));
  std::printf("  case 2, psftp alone's whole run (login, get, bye): %.1f ms\n", Median(getWhole));
  std::printf(
      "  case 2, driver: %.1f ms to the piece with psftp's prompt, %.1f ms from there to"
      " LoadFromFile, %.1f ms in LoadFromFile\n",
      Median(getTransfer), Median(getBeforeLoad), Median(getLoad));
  std::printf("  all runs (ms): list alone");
  for (double v : listAlone) std::printf(" %.0f", v);
  std::printf(" | list driver");
  for (double v : listDriver) std::printf(" %.0f", v);
  std::printf("\n                get alone");
  for (double v : getAlone) std::printf(" %.0f", v);
  std::printf(" | get driver (to LoadFromFile)");
  for (double v : getDriver) std::printf(" %.0f", v);
  std::printf("\n                cd alone");
  for (double v : cdAlone) std::printf(" %.1f", v);
  std::printf(" | cd driver");
  for (double v : cdDriver) std::printf(" %.1f", v);
  std::printf("\n                UI gap");
  for (double v : gaps) std::printf(" %.1f", v);
  std::printf(" | memory growth (MB)");
  for (double v : growths) std::printf(" %.1f", v / 1024.0);
  std::printf(
      "\n  last listing through the driver: %.0f pieces of output, %.1f ms handling them"
      " on the UI thread, the longest %.1f ms; %.0f characters of debug text\n",
      pieces, inputMs, longestInputMs, debugChars);
  return 0;
}
