// The whole window (TMainWindow, offscreen, with its driver, editing
// controller and pages) against psftp alone, on a local OpenSSH sshd and on
// the tests' loopback server, serving the same folder. On each server:
//  - open a 20 MB text file by a double-click in the list, until the page
//    shows it (the download, the load into the editor and one paint), against
//    psftp alone's "get" of it on a connected session plus a bare
//    QsciScintilla's load and paint of the same bytes;
//  - Ctrl+S of that page (one letter changed; the file was changed today, so
//    the check before the save reads it back), until the page is saved,
//    against psftp alone's "put" of the same bytes;
//  - list a folder of 50,000 entries (and 500,000 on OpenSSH, without
//    --quick) by a double-click, until the list holds them, against psftp
//    alone's "cd" and "ls"; with the longest the event loop went without
//    turning while the listing arrived, and the peak memory growth of the
//    first listing against the text psftp prints for it.
// Figures are medians of --reps repetitions (default 5, 2 with --quick), the
// two sides alternating so that a busy machine slows both alike; the goals
// are printed as rows of the common table (GoalRow.h).
// Run it from a Release build: build/bench/bench_window_transfers [--quick]
// [--reps N] [--server openssh|loopback].
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <Qsci/qsciscintilla.h>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <malloc.h>
#include <optional>
#include <unistd.h>
#include <vector>

#include "BenchServers.h"
#include "GoalRow.h"
#include "core/ErrorReport.h"
#include "remote/listing/Dir.h"
#include "ui/HostKeyDialog.h"
#include "ui/MainWindow.h"

using BenchServers::Die;
using BenchServers::TServer;

namespace {

constexpr qsizetype kFileSize = 20 * 1024 * 1024;
constexpr int kFolderEntries = 50000;
constexpr int kLargeFolderEntries = 500000;
constexpr int kTimeoutMs = 120000;
constexpr double kOpenGoal = 1.2;
constexpr double kRecentSaveGoal = 1.7;
constexpr double kListGoal = 1.2;
constexpr double kListStallGoalMs = 50;
constexpr double kMemoryGoal = 2.5;

double Median(std::vector<double> Values) {
  std::sort(Values.begin(), Values.end());
  const size_t n = Values.size();
  return n == 0 ? 0 : n % 2 ? Values[n / 2] : (Values[n / 2 - 1] + Values[n / 2]) / 2;
}

double MsSince(const QElapsedTimer& Clock) { return double(Clock.nsecsElapsed()) / 1e6; }

qint64 StatusKb(const char* Field) {
  QFile status("/proc/self/status");
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith(Field))
      return line.mid(qstrlen(Field)).trimmed().split(' ').value(0).toLongLong();
  return -1;
}

// ---------------------------------------------------------------- the served tree

void Touch(const QString& Path) {
  const int fd = ::open(QFile::encodeName(Path).constData(), O_WRONLY | O_CREAT, 0644);
  if (fd < 0) Die("cannot write " + Path);
  ::close(fd);
}

void MakeFolder(const QString& Path, int Entries) {
  QDir().mkpath(Path);
  for (int i = 0; i < Entries; ++i)
    Touch(Path + QString("/page-%1.html").arg(i, 6, 10, QChar('0')));
}

// Lines of plain text, 20 MB of them.
void MakeTextFile(const QString& Path) {
  QFile file(Path);
  if (!file.open(QIODevice::WriteOnly)) Die("cannot write " + Path);
  QByteArray text;
  text.reserve(kFileSize);
  for (int line = 0; text.size() < kFileSize; ++line)
    text += "line " + QByteArray::number(line) + ": the quick brown fox jumps over the lazy dog\n";
  text.truncate(kFileSize - 1);
  text += '\n';
  file.write(text);
}

// ---------------------------------------------------------------- psftp alone

// A psftp that stays connected, driven a command at a time: the time from
// writing the commands to the prompt after the last of them.
class TPsftpAlone {
 public:
  TPsftpAlone(const TServer& Server, const QString& PasswordFile) {
    FProcess.start("/usr/bin/psftp", Server.PsftpArguments(PasswordFile));
    if (!WaitPrompts(1)) Die("psftp alone did not log in: " + FProcess.readAllStandardError());
  }
  ~TPsftpAlone() {
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
    return MsSince(clock);
  }
  const QByteArray& Output() const { return FOutput; }

 private:
  bool WaitPrompts(int Count) {
    for (int found = 0;;) {
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

QByteArray Quoted(const QString& Path) { return "\"" + Path.toUtf8() + "\""; }

// ---------------------------------------------------------------- the window

// The real window; the connect dialog gives the bench's values and any
// other question ends the bench.
class TBenchWindow : public TMainWindow, public IUserPrompts {
 public:
  TBenchWindow() { SetPrompts(this); }
  using TMainWindow::Inform;

  std::optional<TConnectValues> Values;
  bool Busy = false;
  int BusyStarts = 0;
  bool Connected = false;

  bool ShowConnectDialog() override { return Values.has_value(); }
  TConnectValues ConnectDialogValues() override { return *Values; }
  void ConnectionChanged(bool Value, const QString& HostName) override {
    TMainWindow::ConnectionChanged(Value, HostName);
    Connected = Value;
  }
  void BusyChanged(bool Value) override {
    TMainWindow::BusyChanged(Value);
    Busy = Value;
    if (Value) ++BusyStarts;
  }

  void Inform(TTone, const QString& Text) override { Die("the window said: " + Text); }
  bool Confirm(const QString& Text) override { Die("the window asked: " + Text); }
  int Choose(const TChoice& Choice) override { Die("the window asked: " + Choice.Text); }
  std::optional<QString> AskText(const QString& Title, const QString&) override {
    Die("the window asked: " + Title);
  }
  std::optional<QString> AskFile(const QString& Title) override {
    Die("the window asked: " + Title);
  }
  std::optional<QString> AskSaveFile(const QString& Title, const QString&) override {
    Die("the window asked: " + Title);
  }

  int Rows() { return ActivePage()->DirListBox()->model()->rowCount(); }
  bool Shows(const QString& Folder, int MinRows) {
    const TDir* dir = ActivePage()->Dir();
    return dir && dir->Name() == Folder && Rows() >= MinRows && !Busy;
  }
  long Length() { return ActivePage()->Editor()->SendScintilla(QsciScintillaBase::SCI_GETLENGTH); }
};

// Runs the event loop until Done, answering the host-key question of the
// first connection with "Trust"; Longest, when given, gets the longest the
// loop went without turning (a 1 ms timer's longest interval), in ms.
void RunUntil(TBenchWindow& Window, const std::function<bool()>& Done, const char* What,
              double* Longest = nullptr) {
  QTimer tick;
  tick.setTimerType(Qt::PreciseTimer);
  tick.setInterval(1);
  QElapsedTimer since, clock;
  qint64 longest = 0;
  QObject::connect(&tick, &QTimer::timeout, [&] {
    longest = std::max(longest, since.nsecsElapsed());
    since.restart();
  });
  since.start();
  clock.start();
  tick.start();
  while (!Done()) {
    if (clock.elapsed() > kTimeoutMs)
      Die(QString("timed out waiting for %1; the window says \"%2\"%3")
              .arg(What, Window.StatusText(0), Window.Busy ? ", busy" : ""));
    QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    THostKeyDialog* question = Window.HostKeyDialog();
    if (question && question->isVisible()) question->TrustButton()->click();
  }
  longest = std::max(longest, since.nsecsElapsed());
  if (Longest) *Longest = double(longest) / 1e6;
}

// Double-clicks Name in the active page's list.
void DoubleClick(TBenchWindow& Window, const QString& Name) {
  if (!Window.ActivePage()->SelectFile(Name)) Die("no " + Name + " in the list");
  Window.DirListBoxDblClick();
}

// ---------------------------------------------------------------- the cases

struct TOptions {
  int Reps = 5;
  bool Large = true;
  QString OnlyServer;
};

class TServerBench {
 public:
  TServerBench(const TServer& Server, const TOptions& Options, const QString& Work)
      : FServer(Server), FOptions(Options), FWork(Work), FWww(Server.Base + "/www") {
    FWindow.resize(1000, 700);
    FWindow.show();
    QApplication::processEvents();
    // What the start-up would do later (the connect dialog, when the
    // settings ask for it) is done now, while the dialog gives nothing.
    FWindow.StartupTimerTimer();
    FWindow.Values = TConnectValues{"127.0.0.1", Server.User,       Server.Password, FWww.toUtf8(),
                                    Server.Port, Server.PrivateKey, QString()};
    FWindow.ConnectActionExecute();
    RunUntil(
        FWindow, [&] { return FWindow.Shows(FWww, 3); }, "the first listing");
    FAlone.emplace(Server, Work + "/pw");
  }

  void Open() {
    std::vector<double> alone, bare, window, stalls;
    const QString copy = FWork + "/copy.txt";
    for (int rep = -1; rep < FOptions.Reps; ++rep) {  // rep -1 warms the caches
      const double get =
          FAlone->Run("get " + Quoted(FWww + "/big.txt") + " " + Quoted(copy) + "\n", 1);
      const double load = BareLoad(copy);
      TPage* page = FWindow.ActivePage();
      const int starts = FWindow.BusyStarts;
      double stall = 0;
      QElapsedTimer clock;
      clock.start();
      DoubleClick(FWindow, "big.txt");
      RunUntil(
          FWindow,
          [&] {
            return FWindow.BusyStarts > starts && !FWindow.Busy && !page->Receiving() &&
                   !page->Loading() && FWindow.Length() == kFileSize;
          },
          "the opened file", &stall);
      page->Editor()->viewport()->repaint();
      if (rep < 0) continue;
      window.push_back(MsSince(clock));
      alone.push_back(get);
      bare.push_back(load);
      stalls.push_back(stall);
    }
    std::printf(
        "%s: open 20 MB, ms: psftp get %.1f + bare load %.1f | window %.1f"
        " (longest UI stall %.1f)\n",
        qPrintable(FServer.Name), Median(alone), Median(bare), Median(window), Median(stalls));
    GoalRow::Ratio(Case("open 20 MB: window vs psftp get + bare QScintilla load"), Median(window),
                   Median(alone) + Median(bare), "ms", kOpenGoal);
  }

  void Save() {
    std::vector<double> alone, saved, stalls;
    const QString copy = FWork + "/copy.txt";
    TPage* page = FWindow.ActivePage();
    QsciScintilla* edit = page->Editor();
    for (int rep = 0; rep < FOptions.Reps; ++rep) {
      alone.push_back(
          FAlone->Run("put " + Quoted(copy) + " " + Quoted(FWww + "/alone.txt") + "\n", 1));
      const char* letter = rep % 2 ? "l" : "L";
      edit->SendScintilla(QsciScintillaBase::SCI_SETTARGETSTART, 0UL);
      edit->SendScintilla(QsciScintillaBase::SCI_SETTARGETEND, 1UL);
      edit->SendScintilla(QsciScintillaBase::SCI_REPLACETARGET, 1UL, letter);
      QApplication::processEvents();
      if (page->Saved()) Die("the change did not reach the page");
      double stall = 0;
      QElapsedTimer clock;
      clock.start();
      FWindow.SaveActionExecute();
      RunUntil(
          FWindow, [&] { return page->Saved(); }, "the save", &stall);
      saved.push_back(MsSince(clock));
      stalls.push_back(stall);
    }
    std::printf(
        "%s: Ctrl+S of 20 MB changed today, ms: psftp put %.1f | window to saved %.1f"
        " (longest UI stall %.1f)\n",
        qPrintable(FServer.Name), Median(alone), Median(saved), Median(stalls));
    GoalRow::Ratio(Case("Ctrl+S of 20 MB changed today: window vs psftp put"), Median(saved),
                   Median(alone), "ms", kRecentSaveGoal);
  }

  void List(const QString& Folder, int Entries, const char* Label) {
    std::vector<double> alone, window, stalls;
    const QString path = FWww + "/" + Folder;
    double growthMb = 0, textMb = 0;
    for (int rep = 0; rep < FOptions.Reps; ++rep) {
      alone.push_back(FAlone->Run("cd " + Quoted(path) + "\nls\n", 2));
      const QByteArray& out = FAlone->Output();
      const qsizetype start = out.indexOf("Listing directory");
      textMb = double(out.indexOf("psftp>", start) - start) / 1048576.0;
      FAlone->Run("cd " + Quoted(FWww) + "\n", 1);

      // Freed memory goes back to the system first, so that the listing's
      // own shows in the resident size; the peak starts from here.
      malloc_trim(0);
      QFile clear("/proc/self/clear_refs");
      const bool reset = clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
      clear.close();
      const qint64 before = StatusKb("VmRSS:");
      double stall = 0;
      QElapsedTimer clock;
      clock.start();
      DoubleClick(FWindow, Folder);
      RunUntil(
          FWindow, [&] { return FWindow.Shows(path, Entries); }, "the listing", &stall);
      window.push_back(MsSince(clock));
      stalls.push_back(stall);
      if (rep == 0 && reset) growthMb = double(StatusKb("VmHWM:") - before) / 1024.0;
      DoubleClick(FWindow, "..");
      RunUntil(
          FWindow, [&] { return FWindow.Shows(FWww, 3); }, "the listing of www");
    }
    std::printf(
        "%s: list %d entries (%.1f MB of text), ms: psftp %.1f | window %.1f"
        " (longest UI stall %.1f); memory growth %.1f MB\n",
        qPrintable(FServer.Name), Entries, textMb, Median(alone), Median(window), Median(stalls),
        growthMb);
    GoalRow::Ratio(Case(QString("list %1: window vs psftp cd + ls").arg(Label)), Median(window),
                   Median(alone), "ms", kListGoal);
    GoalRow::Bound(Case(QString("list %1: longest UI stall").arg(Label)), Median(stalls), "ms",
                   kListStallGoalMs);
    GoalRow::Ratio(Case(QString("list %1: peak memory growth vs listing text").arg(Label)),
                   growthMb, textMb, "MB", kMemoryGoal);
  }

  void Disconnect() {
    FAlone.reset();
    FWindow.ConnectActionExecute();
    RunUntil(
        FWindow, [&] { return !FWindow.Connected && !FWindow.Busy; }, "the end");
  }

 private:
  std::string Case(const QString& What) const { return (FServer.Name + ", " + What).toStdString(); }

  // A bare editor's load of the same bytes, shown and painted once.
  double BareLoad(const QString& Path) {
    QElapsedTimer clock;
    clock.start();
    QFile file(Path);
    if (!file.open(QIODevice::ReadOnly)) Die("cannot read " + Path);
    const QByteArray text = file.readAll();
    QsciScintilla edit;
    edit.resize(800, 600);
    edit.setUtf8(true);
    // Without Scintilla's change notices, which feed QScintilla's
    // accessibility: the window's editors leave that out while no assistive
    // technology listens, and the yardstick is the load at its cheapest.
    edit.SendScintilla(QsciScintillaBase::SCI_SETMODEVENTMASK, 0UL);
    edit.SendScintilla(QsciScintillaBase::SCI_ALLOCATE,
                       static_cast<unsigned long>(text.size() + 1));
    edit.SendScintilla(QsciScintillaBase::SCI_APPENDTEXT, static_cast<unsigned long>(text.size()),
                       text.constData());
    edit.SendScintilla(QsciScintillaBase::SCI_SETMODEVENTMASK,
                       static_cast<unsigned long>(QsciScintillaBase::SC_MODEVENTMASKALL));
    const double loaded = MsSince(clock);
    edit.show();
    QApplication::processEvents();
    edit.viewport()->repaint();
    std::fprintf(stderr, "bare load: %.1f ms to the text in the editor, %.1f ms in all\n", loaded,
                 MsSince(clock));
    return MsSince(clock);
  }

  const TServer& FServer;
  const TOptions FOptions;
  const QString FWork;
  const QString FWww;
  TBenchWindow FWindow;
  std::optional<TPsftpAlone> FAlone;
};

void RunOn(const TServer& Server, const TOptions& Options, const QString& Work) {
  std::printf("%s: port %d\n", qPrintable(Server.Name), Server.Port);
  std::fflush(stdout);
  TServerBench bench(Server, Options, Work);
  bench.Open();
  bench.Save();
  bench.List("big", kFolderEntries, "50k");
  // psftp alone takes half a minute for 500,000 entries from the loopback
  // server: only OpenSSH lists them.
  if (Options.Large && Server.Name == "OpenSSH") bench.List("huge", kLargeFolderEntries, "500k");
  bench.Disconnect();
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM",
          qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QTemporaryDir home;
  for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"})
    qputenv(name, (home.path() + "/" + QString(name).toLower()).toLocal8Bit());
  QDir().mkpath(home.path() + "/xdg_runtime_dir");
  QFile::setPermissions(home.path() + "/xdg_runtime_dir",
                        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  QApplication app(argc, argv);
  ErrorReport::SetHandler([](const QString& Message) { Die("error reported: " + Message); });

  TOptions options;
  for (int i = 1; i < argc; ++i) {
    const QByteArray arg = argv[i];
    if (arg == "--quick") {
      options.Reps = 2;
      options.Large = false;
    } else if (arg == "--reps" && i + 1 < argc) {
      options.Reps = std::max(1, QByteArray(argv[++i]).toInt());
    } else if (arg == "--server" && i + 1 < argc) {
      options.OnlyServer = QString(argv[++i]).toLower();
    } else {
      Die("unknown argument " + arg);
    }
  }

  QTemporaryDir root, work;
  if (!root.isValid() || !work.isValid()) Die("no temporary folder");
  {
    QFile pw(work.filePath("pw"));
    if (!pw.open(QIODevice::WriteOnly) || pw.write("secret") != 6) Die("no password file");
  }
  std::printf("Making the served tree...\n");
  std::fflush(stdout);
  QDir().mkpath(root.path() + "/www");
  MakeTextFile(root.path() + "/www/big.txt");
  MakeFolder(root.path() + "/www/big", kFolderEntries);
  if (options.Large) MakeFolder(root.path() + "/www/huge", kLargeFolderEntries);

  if (options.OnlyServer.isEmpty() || options.OnlyServer == "openssh") {
    BenchServers::TOpenSshServer server(root.path());
    RunOn(server, options, work.path());
  }
  if (options.OnlyServer.isEmpty() || options.OnlyServer == "loopback") {
    BenchServers::TLoopbackServer server(root.path());
    RunOn(server, options, work.path());
  }
  return 0;
}
