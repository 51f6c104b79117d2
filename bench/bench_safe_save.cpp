// A save swapped in beside the file (put to a hidden name, chmod, mv, mv,
// rm) against a save written in place (one put, as a file with two hard
// links is saved), through the driver and the real psftp on the loopback
// server: the time from Save to the server's confirmation, and to the end of
// the listing that follows it. Each figure is the median of --reps
// repetitions; the two sides alternate, so that a busy machine slows both
// alike. Run it from a Release build: build/bench/bench_safe_save [--reps N].
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <unistd.h>
#include <vector>

#include "core/ErrorReport.h"
#include "process/VirtualRedirector.h"
#include "remote/editing/DriverPage.h"
#include "remote/listing/Dir.h"
#include "remote/local/TempFolder.h"
#include "remote/session/ConnectionDriver.h"
#include "remote/session/DriverView.h"

namespace {

const char* const kUser = "tester";
const char* const kPassword = "secret";

[[noreturn]] void Die(const QString& Why) {
  std::fprintf(stderr, "bench_safe_save: %s\n", qPrintable(Why));
  std::fflush(stderr);
  std::_Exit(1);
}

double Median(std::vector<double> Values) {
  std::sort(Values.begin(), Values.end());
  const size_t n = Values.size();
  return n % 2 ? Values[n / 2] : (Values[n / 2 - 1] + Values[n / 2]) / 2;
}

void RunUntil(const std::function<bool()>& Done, const char* What) {
  QElapsedTimer clock;
  clock.start();
  while (!Done()) {
    if (clock.hasExpired(120000)) Die(QString("timed out: ") + What);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
  }
}

// A page that counts its confirmed saves; the driver reports them through
// the transfer listener below.
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
  void DocumentChanged() override {}
  void SaveToFile(const QString& Path) override {
    QFile file(Path);
    if (!file.open(QIODevice::WriteOnly) || file.write(Text) != Text.size())
      Die("cannot write " + Path);
  }
  void LoadFromFile(const QString&) override {}

  TDir* FDir = nullptr;
  QByteArray Text;

 private:
  TRemoteDocument FDocument;
};

class TListener : public ITransferListener {
 public:
  void FileDownloaded(IPage*, const QString&, const QByteArray&) override {}
  void DownloadEnded(IPage*) override {}
  void FileUploaded(IPage*, quint64) override { ++Uploads; }
  void UploadFailed(IPage*, bool) override { Die("a save failed"); }
  void RemoteChecked(IPage*, const TRemoteCheck&) override {}
  int Uploads = 0;
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
    if (Kind == TLog::Command) Commands << Text.section(' ', 0, 0);
  }
  void Inform(const QString& Text, const QString&) override { Die(Text); }
  void AskHostKey(const THostKeyRequest&) override {
    QTimer::singleShot(0, [this] { Driver->AnswerHostKey(THostKeyAnswer::Once); });
  }
  void AskPassword(const TPasswordRequest&) override { Die("psftp asked for a password"); }

  TPage Page;
  TConnectionDriver* Driver = nullptr;
  QStringList Commands;
};

}  // namespace

int main(int argc, char** argv) {
  QTemporaryDir home;
  for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "PUTTYDIR"})
    qputenv(name, (home.path() + "/" + QString(name).toLower()).toLocal8Bit());
  QCoreApplication app(argc, argv);
  ErrorReport::SetHandler([](const QString& Message) { Die("error reported: " + Message); });
  int reps = 11;
  for (int i = 1; i + 1 < argc; ++i)
    if (QByteArray(argv[i]) == "--reps") reps = std::max(1, QByteArray(argv[++i]).toInt());

  // Per size, a file of one link (swapped) and one of two (written in place).
  struct TSize {
    const char* Label;
    qsizetype Bytes;
  } const sizes[] = {{"4k", 4096}, {"20m", 20 * 1024 * 1024}};
  QTemporaryDir root;
  QDir().mkpath(root.path() + "/www");
  for (const TSize& size : sizes) {
    for (const char* way : {"swap", "inplace"}) {
      QFile file(root.path() + "/www/" + QString(way) + "-" + size.Label + ".txt");
      if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray(size.Bytes, 'x')) != size.Bytes)
        Die("cannot write " + file.fileName());
    }
    const QString inPlace = root.path() + "/www/inplace-" + size.Label + ".txt";
    if (link(QFile::encodeName(inPlace), QFile::encodeName(inPlace + ".link")) != 0)
      Die("cannot link " + inPlace);
  }
  QProcess server;
  server.start("/usr/bin/python3",
               {QCoreApplication::applicationDirPath() + "/../../tests/server/sftp_server.py",
                "--root", root.path(), "--user", kUser, "--password", kPassword});
  int port = 0;
  QByteArray out;
  while (!port && server.waitForReadyRead(20000)) {
    out += server.readAllStandardOutput();
    const qsizetype at = out.indexOf("PORT ");
    if (at >= 0 && out.indexOf('\n', at) > at) port = out.mid(at + 5).trimmed().toInt();
  }
  if (!port) Die("the loopback server gave no port");

  TView view;
  TVirtualRedirector redirector;
  TConnectionDriver driver(view, redirector);
  TListener listener;
  driver.SetTransferListener(&listener);
  view.Driver = &driver;
  TConnectValues values;
  values.HostName = "127.0.0.1";
  values.UserName = kUser;
  values.Password = kPassword;
  values.StartingDir = "/www";
  values.Port = port;
  driver.Connect(values, &view.Page);
  RunUntil([&] { return view.Page.FDir && !driver.Busy(); }, "the first listing");

  std::printf(
      "save, median of %d, ms: in place | swap | ratio; to the confirmation, then to "
      "the end of the listing after it\n",
      reps);
  for (const TSize& size : sizes) {
    view.Page.Text = QByteArray(size.Bytes, 'y');
    std::vector<double> saved[2], idle[2];
    QString route[2];
    for (int rep = 0; rep < reps; ++rep) {
      for (const int swap : {0, 1}) {
        const QString name = QString(swap ? "swap-" : "inplace-") + size.Label + ".txt";
        view.Page.Document().RemotePath = ("/www/" + name).toLocal8Bit();
        view.Commands.clear();
        const int uploads = listener.Uploads;
        QElapsedTimer clock;
        clock.start();
        driver.Save(&view.Page, GetTempFolder() + name);
        RunUntil([&] { return listener.Uploads > uploads; }, "the save");
        saved[swap].push_back(double(clock.nsecsElapsed()) / 1e6);
        RunUntil([&] { return !driver.Busy(); }, "the listing after the save");
        idle[swap].push_back(double(clock.nsecsElapsed()) / 1e6);
        route[swap] = view.Commands.join('+');
      }
    }
    for (const auto& [what, figures] :
         {std::pair<const char*, std::vector<double>*>{"saved", saved}, {"idle", idle}}) {
      const double a = Median(figures[0]), b = Median(figures[1]);
      std::printf("  %-4s %-6s %9.2f | %9.2f | %5.2f\n", size.Label, what, a, b, b / a);
    }
    std::printf("       in place: %s\n       swap:     %s\n", qPrintable(route[0]),
                qPrintable(route[1]));
  }
  driver.Disconnect();
  RunUntil([&] { return !redirector.Running(); }, "psftp's end");
  server.closeWriteChannel();
  if (!server.waitForFinished(5000)) server.kill();
  return 0;
}
