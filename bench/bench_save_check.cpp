// A save with the check before it, against a save without, through the
// driver and the real psftp on the loopback server: the time from the call
// (Check, or Save) to the server's confirmation of the upload. Each figure is
// the median of --reps repetitions; the two sides alternate, so that a busy
// machine slows both alike.
//
// The files, each saved unchanged:
//   recent-4k.txt, recent-1m.txt  changed a moment ago: the check reads the
//                                 bytes ("get" into a work file)
//   old-4k.txt, old-1m.txt        changed a month ago: the check reads the
//                                 listing ("ls" of the one name)
// An upload makes a file recent, so before each save of an old file its time
// and the page's fingerprint are put back to those it was opened with.
// Run it from a Release build: build/bench/bench_save_check [--reps N]
// [--quick] (--quick: 3 repetitions).
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "core/ErrorReport.h"
#include "process/VirtualRedirector.h"
#include "remote/editing/DriverPage.h"
#include "remote/editing/RemoteEditor.h"
#include "remote/listing/Dir.h"
#include "remote/listing/File.h"
#include "remote/local/TempFolder.h"
#include "remote/session/ConnectionDriver.h"
#include "remote/session/DriverView.h"

namespace {

const char* const kUser = "tester";
const char* const kPassword = "secret";

[[noreturn]] void Die(const QString& Why) {
  std::fprintf(stderr, "bench_save_check: %s\n", qPrintable(Why));
  std::fflush(stderr);
  std::_Exit(1);
}

double Median(std::vector<double> Values) {
  std::sort(Values.begin(), Values.end());
  const size_t n = Values.size();
  return n % 2 ? Values[n / 2] : (Values[n / 2 - 1] + Values[n / 2]) / 2;
}

// Waits in an event loop, as the window does, until Done holds.
void RunUntil(const std::function<bool()>& Done, const char* What) {
  QElapsedTimer clock;
  clock.start();
  while (!Done()) {
    if (clock.hasExpired(60000)) Die(QString("timed out: ") + What);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
  }
}

// A page as the editing controller sees it; it counts the files loaded
// into it and the saves confirmed.
class TPage : public IPage {
 public:
  quint64 TextVersion() const override { return 0; }
  void SetReceiving(bool) override {}
  TDir* Dir() const override { return FDir; }
  void SetDir(TDir* Value) override { FDir = Value; }
  TFile* SelectedFile() const override { return nullptr; }
  bool SelectFile(const QString&) override { return false; }
  TRemoteDocument& Document() override { return FDocument; }
  const TRemoteDocument& Document() const override { return FDocument; }
  void DocumentChanged() override {
    if (FDocument.Saved && FUnsaved) ++Uploads;
    FUnsaved = !FDocument.Saved;
  }
  void SaveToFile(const QString& Path) override {
    QFile file(Path);
    if (!file.open(QIODevice::WriteOnly) || file.write(Text) != Text.size())
      Die("cannot write " + Path);
  }
  void LoadFromFile(const QString& Path) override {
    QFile file(Path);
    if (!file.open(QIODevice::ReadOnly)) Die("cannot read " + Path);
    Text = file.readAll();
    ++Downloads;
  }
  // Marks the text edited, as typing would.
  void Edit() {
    FDocument.Saved = false;
    FUnsaved = true;
  }

  TDir* FDir = nullptr;
  QByteArray Text;
  int Downloads = 0;
  int Uploads = 0;

 private:
  TRemoteDocument FDocument;
  bool FUnsaved = false;
};

// Any question means the check found a change, which an unchanged file must not.
class TNoQuestions : public IUserPrompts {
 public:
  void Inform(TTone, const QString& Text) override { Die(Text); }
  bool Confirm(const QString& Text) override { Die("asked: " + Text); }
  int Choose(const TChoice& Choice) override { Die("the check found a change: " + Choice.Text); }
  std::optional<QString> AskText(const QString&, const QString&) override { Die("asked a name"); }
  std::optional<QString> AskFile(const QString&) override { Die("asked for a file"); }
  std::optional<QString> AskSaveFile(const QString&, const QString&) override {
    Die("asked for a file");
  }
};

class TView : public IDriverView {
 public:
  void ConnectionChanged(bool, const QString&) override {}
  void MessageChanged(const QString&, const QString&) override {}
  void FolderChanged(const QString&) override {}
  void BusyChanged(bool) override {}
  void DirectoryListed(IPage* Listed, TDir* Dir) override {
    if (Listed) Page.FDir = Dir;
  }
  void Log(TLog Kind, const QString& Text) override {
    if (Kind == TLog::Command) LastCommands << Text.section(' ', 0, 0);
  }
  void Inform(const QString& Text, const QString&) override { Die(Text); }
  void AskHostKey(const THostKeyRequest&) override {
    QTimer::singleShot(0, [this] { Driver->AnswerHostKey(THostKeyAnswer::Once); });
  }
  void AskPassword(const TPasswordRequest&) override { Die("psftp asked for a password"); }

  TPage Page;
  TConnectionDriver* Driver = nullptr;
  QStringList LastCommands;
};

// The tests' loopback server on a folder of the bench's own.
class TServer {
 public:
  void Write(const QString& Name, qsizetype Size, const QDateTime& Time) {
    QDir().mkpath(FRoot.path() + "/www");
    QFile file(Path(Name));
    if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray(Size, 'x')) != Size)
      Die("cannot write " + file.fileName());
    file.close();  // before the time is set: closing writes what is buffered
    SetTime(Name, Time);
  }
  void SetTime(const QString& Name, const QDateTime& Time) {
    QFile file(Path(Name));
    if (!file.open(QIODevice::ReadWrite) ||
        !file.setFileTime(Time, QFileDevice::FileModificationTime))
      Die("cannot date " + file.fileName());
  }
  QString Path(const QString& Name) const { return FRoot.path() + "/www/" + Name; }
  void Start() {
    // The program lives in build/bench of the source tree.
    const QString script =
        QCoreApplication::applicationDirPath() + "/../../tests/server/sftp_server.py";
    FProcess.start("/usr/bin/python3",
                   {script, "--root", FRoot.path(), "--user", kUser, "--password", kPassword});
    if (!FProcess.waitForStarted(10000)) Die("the loopback server did not start");
    QByteArray out;
    while (FProcess.waitForReadyRead(20000)) {
      out += FProcess.readAllStandardOutput();
      const qsizetype at = out.indexOf("PORT ");
      const qsizetype end = out.indexOf('\n', at);
      if (at >= 0 && end > at) {
        Port = out.mid(at + 5, end - at - 5).trimmed().toInt();
        return;
      }
    }
    Die("the loopback server gave no port: " +
        QString::fromLocal8Bit(FProcess.readAllStandardError().right(600)));
  }
  ~TServer() {
    FProcess.closeWriteChannel();
    if (!FProcess.waitForFinished(5000)) FProcess.kill();
    FProcess.waitForFinished(5000);
  }
  int Port = 0;

 private:
  QTemporaryDir FRoot;
  QProcess FProcess;
};

struct TFileCase {
  const char* Name;
  qsizetype Size;
  bool Old;
};

}  // namespace

int main(int argc, char** argv) {
  QTemporaryDir home;
  for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "PUTTYDIR"})
    qputenv(name, (home.path() + "/" + QString(name).toLower()).toLocal8Bit());
  QCoreApplication app(argc, argv);
  ErrorReport::SetHandler([](const QString& Message) { Die("error reported: " + Message); });
  int reps = 15;
  for (int i = 1; i < argc; ++i) {
    if (QByteArray(argv[i]) == "--reps" && i + 1 < argc)
      reps = std::max(1, QByteArray(argv[++i]).toInt());
    if (QByteArray(argv[i]) == "--quick") reps = 3;
  }

  const TFileCase files[] = {{"recent-4k.txt", 4096, false},
                             {"old-4k.txt", 4096, true},
                             {"recent-1m.txt", 1024 * 1024, false},
                             {"old-1m.txt", 1024 * 1024, true}};
  const QDateTime monthAgo = QDateTime::currentDateTime().addDays(-30);
  TServer server;
  for (const TFileCase& file : files)
    server.Write(file.Name, file.Size, file.Old ? monthAgo : QDateTime::currentDateTime());
  server.Start();

  TView view;
  TVirtualRedirector redirector;
  TConnectionDriver driver(view, redirector);
  TNoQuestions prompts;
  TRemoteEditor editor(driver, prompts);
  view.Driver = &driver;
  TConnectValues values;
  values.HostName = "127.0.0.1";
  values.UserName = kUser;
  values.Password = kPassword;
  values.StartingDir = "/www";
  values.Port = server.Port;
  driver.Connect(values, &view.Page);
  RunUntil([&] { return view.Page.FDir && !driver.Busy(); }, "the first listing");

  std::printf("save of an unchanged file, median of %d, ms: without check | with check | ratio\n",
              reps);
  for (const TFileCase& file : files) {
    const TFile* entry = nullptr;
    for (int i = 0; i < view.Page.FDir->Count(); ++i)
      if (view.Page.FDir->Files(i)->RemoteName() == file.Name) entry = view.Page.FDir->Files(i);
    if (!entry) Die(QString("no entry ") + file.Name);
    const int downloads = view.Page.Downloads;
    driver.Open(&view.Page, *entry);
    RunUntil([&] { return view.Page.Downloads > downloads && !driver.Busy(); }, "the download");
    const TRemoteFingerprint opened = view.Page.RemoteFingerprint();
    const QString localPath = GetTempFolder() + file.Name;

    std::vector<double> without, with;
    QString route;
    for (int rep = 0; rep < reps; ++rep) {
      for (const bool check : {false, true}) {
        if (file.Old) {
          server.SetTime(file.Name, monthAgo);
          view.Page.SetRemoteFingerprint(opened);
        }
        view.LastCommands.clear();
        const int uploads = view.Page.Uploads;
        QElapsedTimer clock;
        clock.start();
        view.Page.Edit();
        if (check)
          editor.Save(&view.Page);
        else
          driver.Save(&view.Page, localPath);
        RunUntil([&] { return view.Page.Uploads > uploads; }, "the upload");
        (check ? with : without).push_back(double(clock.nsecsElapsed()) / 1e6);
        if (check) route = view.LastCommands.join('+');
        RunUntil([&] { return !driver.Busy(); }, "the listing after the upload");
      }
    }
    const double a = Median(without), b = Median(with);
    std::printf("  %-14s %8.2f | %8.2f | %5.2f   (%s)\n", file.Name, a, b, b / a,
                qPrintable(route));
  }
  driver.Disconnect();
  RunUntil([&] { return !redirector.Running(); }, "psftp's end");
  return 0;
}
