// A save swapped in beside the file (put to a hidden name, chmod, mv, mv,
// rm) against a save written in place (one put, as a file with two hard
// links is saved), through the driver and the real psftp on the loopback
// server: the time from Save to the server's confirmation, and to the end of
// the update of the list that follows it. Then the goals, Ctrl+S through the
// editing controller (the check before the save included) to the driver's
// being idle again:
//  - a 1-byte file in a folder of 500,000 entries (a listing the server makes
//    up, beside the real file) against the same in a folder of ten;
//  - a 20 MB file older than two days, and one changed a moment ago, against
//    psftp's own "put" of 20 MB on a session of its own, in the same run.
// Each figure is the median of --reps repetitions; the sides alternate, so
// that a busy machine slows all alike. --quick takes fewer repetitions.
// Run it from a Release build: build/bench/bench_safe_save [--quick] [--reps N].
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
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

#include "GoalRow.h"
#include "PsftpAlone.h"
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
  // Counts the saves the editing controller confirms.
  void DocumentChanged() override {
    if (FDocument.Saved && FUnsaved) ++Saves;
    FUnsaved = !FDocument.Saved;
  }
  void SaveToFile(const QString& Path) override {
    QFile file(Path);
    if (!file.open(QIODevice::WriteOnly) || file.write(Text) != Text.size())
      Die("cannot write " + Path);
  }
  void LoadFromFile(const QString&) override { ++Loads; }
  // Marks the text edited, as typing would.
  void Edit() {
    FDocument.Saved = false;
    FUnsaved = true;
  }

  TDir* FDir = nullptr;
  QByteArray Text;
  int Saves = 0;
  int Loads = 0;

 private:
  TRemoteDocument FDocument;
  bool FUnsaved = false;
};

// Any question means the check found a change, which none of these saves makes.
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
    if (Listed) static_cast<TPage*>(Listed)->FDir = Dir;
  }
  void Log(TLog Kind, const QString& Text) override {
    if (Kind == TLog::Command) Commands << Text;
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

// Ctrl+S through the editing controller: the check, the save, and the
// update of the list after it, until the driver is idle again.
double CtrlS(TRemoteEditor& Editor, TConnectionDriver& Driver, TPage& Page) {
  const int saves = Page.Saves;
  Page.Edit();
  QElapsedTimer clock;
  clock.start();
  Editor.Save(&Page);
  RunUntil([&] { return Page.Saves > saves && !Driver.Busy(); }, "Ctrl+S");
  return double(clock.nsecsElapsed()) / 1e6;
}

// Lists Folder for Page and opens Name from it, as a double-click does.
void OpenIn(TConnectionDriver& Driver, TPage& Page, const QString& Folder, const QString& Name) {
  Driver.OpenFolder(&Page, Folder.toLocal8Bit(), {});
  RunUntil([&] { return Page.FDir && Page.FDir->Name() == Folder && !Driver.Busy(); },
           "the listing of a folder");
  const TFile* entry = Page.FDir->FindNamed(Name);
  if (!entry) Die("no entry " + Name + " in " + Folder);
  const int loads = Page.Loads;
  Driver.Open(&Page, *entry);
  RunUntil([&] { return Page.Loads > loads && !Driver.Busy(); }, "the download");
}

void SetTime(const QString& Path, const QDateTime& Time) {
  QFile file(Path);
  if (!file.open(QIODevice::ReadWrite) ||
      !file.setFileTime(Time, QFileDevice::FileModificationTime))
    Die("cannot date " + Path);
}

void WriteFile(const QString& Path, const QByteArray& Bytes) {
  QDir().mkpath(QFileInfo(Path).path());
  QFile file(Path);
  if (!file.open(QIODevice::WriteOnly) || file.write(Bytes) != Bytes.size())
    Die("cannot write " + Path);
}

// The made-up listing of the large folder: Entries files, and the real one
// the bench saves, as the server's own listing would show it.
void WriteListing(const QString& Path, int Entries) {
  QFile file(Path);
  if (!file.open(QIODevice::WriteOnly)) Die("cannot write " + Path);
  QByteArray text;
  for (int i = 0; i < Entries; ++i)
    text += QString("-rw-r--r--    1 tester   tester       4096 Jan  1  2020 page-%1.html\n")
                .arg(i, 6, 10, QChar('0'))
                .toLatin1();
  text += "-rw-r--r--    1 tester   tester          1 Jan  1  2020 save.txt\n";
  file.write(text);
}

}  // namespace

int main(int argc, char** argv) {
  QTemporaryDir home;
  for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "PUTTYDIR"})
    qputenv(name, (home.path() + "/" + QString(name).toLower()).toLocal8Bit());
  QCoreApplication app(argc, argv);
  ErrorReport::SetHandler([](const QString& Message) { Die("error reported: " + Message); });
  int reps = 11;
  for (int i = 1; i < argc; ++i) {
    if (QByteArray(argv[i]) == "--quick") reps = 3;
    if (QByteArray(argv[i]) == "--reps" && i + 1 < argc)
      reps = std::max(1, QByteArray(argv[++i]).toInt());
  }
  constexpr int kBigEntries = 500000;
  constexpr qsizetype kGoalBytes = 20 * 1024 * 1024;

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
  // The goals' files: one to save in a small folder and in a large one, and
  // 20 MB files changed a month ago and a moment ago.
  for (int i = 0; i < 10; ++i) WriteFile(root.path() + QString("/small/note-%1.txt").arg(i), "a\n");
  WriteFile(root.path() + "/small/save.txt", "x");
  WriteFile(root.path() + "/big/save.txt", "x");
  const QDateTime monthAgo = QDateTime::currentDateTime().addDays(-30);
  WriteFile(root.path() + "/www/old-20m.txt", QByteArray(kGoalBytes, 'x'));
  SetTime(root.path() + "/www/old-20m.txt", monthAgo);
  WriteFile(root.path() + "/www/recent-20m.txt", QByteArray(kGoalBytes, 'x'));
  QTemporaryDir own;
  WriteListing(own.filePath("big.txt"), kBigEntries);
  WriteFile(own.filePath("password"), kPassword);
  WriteFile(own.filePath("put-20m.txt"), QByteArray(kGoalBytes, 'y'));

  QProcess server;
  server.start("/usr/bin/python3",
               {QCoreApplication::applicationDirPath() + "/../../tests/server/sftp_server.py",
                "--root", root.path(), "--user", kUser, "--password", kPassword, "--listing",
                "/big=" + own.filePath("big.txt")});
  int port = 0;
  QString hostKey;
  QByteArray out;
  while (!port && server.waitForReadyRead(20000)) {
    out += server.readAllStandardOutput();
    const qsizetype key = out.indexOf("HOSTKEY ");
    if (key >= 0 && out.indexOf('\n', key) > key)
      hostKey = out.mid(key + 8, out.indexOf('\n', key) - key - 8).trimmed();
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
      "the driver's being idle after it\n",
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
        RunUntil([&] { return !driver.Busy(); }, "the update after the save");
        idle[swap].push_back(double(clock.nsecsElapsed()) / 1e6);
        QStringList words;
        for (const QString& command : view.Commands) words << command.section(' ', 0, 0);
        route[swap] = words.join('+');
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
  // The goals, through the editing controller, which from now on hears the
  // driver's reports.
  TNoQuestions prompts;
  TRemoteEditor editor(driver, prompts);
  TPage small, big, old, recent;
  OpenIn(driver, small, "/small", "save.txt");
  OpenIn(driver, big, "/big", "save.txt");
  if (big.FDir->Count() < kBigEntries) Die("the large folder was not listed whole");
  small.Text = big.Text = "y";
  std::vector<double> inSmall, inBig;
  for (int rep = 0; rep < reps; ++rep) {
    inSmall.push_back(CtrlS(editor, driver, small));
    view.Commands.clear();
    inBig.push_back(CtrlS(editor, driver, big));
    const bool listed =
        std::any_of(view.Commands.begin(), view.Commands.end(),
                    [](const QString& C) { return C == "ls" || C.startsWith("cd "); });
    if (listed) Die("a save listed the large folder: " + view.Commands.join(" | "));
  }
  std::printf("Ctrl+S of 1 byte, median of %d, ms: folder of 10 %.2f | of %d %.2f\n", reps,
              Median(inSmall), kBigEntries, Median(inBig));
  GoalRow::Ratio("Ctrl+S in a 500,000-entry folder vs a small one", Median(inBig), Median(inSmall),
                 "ms", 1.2);

  OpenIn(driver, old, "/www", "old-20m.txt");
  OpenIn(driver, recent, "/www", "recent-20m.txt");
  const TRemoteFingerprint opened = old.RemoteFingerprint();
  old.Text = recent.Text = QByteArray(kGoalBytes, 'y');
  TPsftpAlone alone;
  if (!alone.Start(port, hostKey, kUser, own.filePath("password"))) Die("psftp alone failed");
  const QByteArray put = "put \"" + own.filePath("put-20m.txt").toLocal8Bit() + "\" /www/put.txt\n";
  std::vector<double> putAlone, oldSave, recentSave;
  for (int rep = 0; rep < reps; ++rep) {
    putAlone.push_back(alone.Run(put));
    if (putAlone.back() < 0) Die("psftp alone did not answer its put");
    // An upload makes the file recent: its time and the page's fingerprint
    // go back to those it was opened with.
    SetTime(root.path() + "/www/old-20m.txt", monthAgo);
    old.SetRemoteFingerprint(opened);
    oldSave.push_back(CtrlS(editor, driver, old));
    recentSave.push_back(CtrlS(editor, driver, recent));
  }
  std::printf("20 MB, median of %d, ms: put alone %.2f | Ctrl+S old %.2f | Ctrl+S recent %.2f\n",
              reps, Median(putAlone), Median(oldSave), Median(recentSave));
  GoalRow::Ratio("Ctrl+S of a 20 MB file older than two days vs put alone", Median(oldSave),
                 Median(putAlone), "ms", 1.2);
  GoalRow::Ratio("Ctrl+S of a 20 MB file changed today vs put alone", Median(recentSave),
                 Median(putAlone), "ms", 1.7);

  driver.Disconnect();
  RunUntil([&] { return !redirector.Running(); }, "psftp's end");
  server.closeWriteChannel();
  if (!server.waitForFinished(5000)) server.kill();
  return 0;
}
