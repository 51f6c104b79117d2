// The reader's hold-back under load: a child that answers command after
// command with megabytes of listing text, as psftp does in a big folder,
// read through the real redirector by an owner that is busy at random
// moments, so that it falls behind the reader and catches up again around
// every point where the reader holds the child back and lets it go.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include "WaitFor.h"
#include "process/CommandLine.h"
#include "process/PipeThread.h"
#include "process/VirtualRedirector.h"

namespace {

// Listing-like lines, a little more than Size bytes of them.
QByteArray ListingText(qsizetype Size) {
  QByteArray Text;
  Text.reserve(Size + 100);
  for (int Line = 0; Text.size() < Size; ++Line)
    Text += "-rw-r--r--    1 www-data www-data    18231 Dec 10 00:10 page-" +
            QByteArray::number(Line) + ".html\n";
  return Text;
}

// The far side: one answer per line read, each the whole listing followed by
// a line that names the command, as psftp's answer ends with its prompt.
const char* const kAnswering = "while read n; do cat \"$1\"; echo \"end $n\"; done";

// An owner that is busy at random moments: inside its handler (a piece
// that takes long to handle) and between events (the window doing something
// else), each time for up to a few times the reader's interval, so the
// amount posted and not yet handled crosses the hold-back's limit both ways
// at every kind of moment.
class TBusyOwner {
 public:
  TBusyOwner(TVirtualRedirector& Redirector, quint32 Seed)
      : FRedirector(Redirector), FRandom(Seed) {
    FRedirector.OnInput = [this](QObject*, const QByteArray& Bytes) { Take(Bytes); };
    FRedirector.OnChildProcessEnd = [this](QObject*) { FEnded = true; };
  }

  // Asks for answer Number and runs the owner's thread until it has arrived
  // whole, or until nothing has arrived for StallMs. True when it arrived.
  bool Ask(int Number, int StallMs) {
    FAnswer.clear();
    FEndLine = "end " + QByteArray::number(Number) + "\n";
    FRedirector.WriteRaw(QByteArray::number(Number) + "\n");
    QElapsedTimer SinceProgress;
    SinceProgress.start();
    qsizetype Seen = 0;
    while (!FAnswer.endsWith(FEndLine)) {
      if (FEnded || SinceProgress.elapsed() > StallMs) return false;
      if (FRandom.bounded(8) == 0) QThread::msleep(FRandom.bounded(400));
      QCoreApplication::processEvents(QEventLoop::AllEvents, FRandom.bounded(1, 40));
      if (FAnswer.size() != Seen) {
        Seen = FAnswer.size();
        SinceProgress.restart();
      }
    }
    return true;
  }

  const QByteArray& Answer() const { return FAnswer; }

 private:
  void Take(const QByteArray& Bytes) {
    FAnswer += Bytes;
    const int What = FRandom.bounded(12);
    if (What < 2) QThread::msleep(FRandom.bounded(300));
    if (What == 2 && FNested < 3) {
      // A question asked while a piece is handled: its own event loop
      // handles later pieces before this one is done.
      ++FNested;
      QElapsedTimer Clock;
      Clock.start();
      const int For = FRandom.bounded(400);
      while (Clock.elapsed() < For) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
      --FNested;
    }
  }

  TVirtualRedirector& FRedirector;
  QRandomGenerator FRandom;
  QByteArray FAnswer;
  QByteArray FEndLine;
  bool FEnded = false;
  int FNested = 0;
};

// Twelve answers of three times the hold-back's limit each, one after the
// other. Each must arrive whole and in order; an answer that stops arriving
// for several seconds while the child still waits to write is a reader that
// held the child back and was never let go again.
TEST(OutputHoldBack, ManyLargeAnswersInARowReachABusyOwner) {
  QTemporaryDir Dir;
  ASSERT_TRUE(Dir.isValid());
  const QByteArray Listing = ListingText(3 * TPipeThread::MostInFlight);
  QFile File(Dir.filePath("listing.txt"));
  ASSERT_TRUE(File.open(QIODevice::WriteOnly));
  ASSERT_EQ(File.write(Listing), Listing.size());
  File.close();

  const quint32 Seed = QRandomGenerator::global()->generate();
  SCOPED_TRACE(testing::Message() << "random seed " << Seed);
  TVirtualRedirector Redirector;
  TBusyOwner Owner(Redirector, Seed);
  QStringList Quoted;
  for (const QString& Argument :
       {QString("sh"), QString("-c"), QString(kAnswering), QString("sh"), File.fileName()})
    Quoted << QuoteCommandLineArgument(Argument);
  ASSERT_TRUE(Redirector.Run("/bin/sh", Dir.path(), Quoted.join(u' ')));

  for (int Number = 1; Number <= 12; ++Number) {
    ASSERT_TRUE(Owner.Ask(Number, 5000))
        << "answer " << Number << " stopped after " << Owner.Answer().size() << " of "
        << Listing.size() << " and its end line";
    ASSERT_TRUE(Owner.Answer() == Listing + "end " + QByteArray::number(Number) + "\n")
        << "answer " << Number << " garbled: " << Owner.Answer().size() << " bytes";
  }
  Redirector.Kill();
}

// Waits, without handling events, until the child Pid has ended.
bool WaitUntilEnded(qint64 Pid) {
  for (QDeadlineTimer Deadline(15000); !Deadline.hasExpired(); QThread::msleep(10)) {
    QFile Stat(QString("/proc/%1/stat").arg(Pid));
    if (!Stat.open(QIODevice::ReadOnly)) return false;
    const QByteArray Text = Stat.readAll();
    const qsizetype At = Text.lastIndexOf(") ") + 2;
    if (At >= 2 && At < Text.size() && Text[At] == 'Z') return true;
  }
  return false;
}

// The end of a run may be handled before the last pieces its reader posted,
// and the owner may start the next run from the end's handler, as a new
// connection does. Those pieces must not count against the next reader:
// they would let it read as much again beyond the hold-back's limit. Here
// the first child leaves most of a megabyte in a pipe it made that large and
// ends while the owner handles nothing; the second then writes more than the
// limit and a pipe hold, and must not finish while the owner is busy. Whether
// pieces come after the end depends on the threads, so it is tried thrice.
TEST(OutputHoldBack, PiecesOfAnEndedRunLeaveTheNextRunsLimitAsItWas) {
  const qsizetype First = 1900000;
  const qsizetype Second = 1600000;
  const QString FirstScript = QString(
                                  "import fcntl, os\n"
                                  "fcntl.fcntl(1, 1031, 1 << 20)\n"  // F_SETPIPE_SZ
                                  "data = b'x' * %1\n"
                                  "while data: data = data[os.write(1, data):]\n")
                                  .arg(First);
  for (int Round = 0; Round < 3; ++Round) {
    SCOPED_TRACE(testing::Message() << "round " << Round);
    QTemporaryDir Dir;
    ASSERT_TRUE(Dir.isValid());
    const QString Done = Dir.filePath("done");
    const QString SecondScript =
        QString("sleep 0.5; head -c %1 /dev/zero | tr '\\0' y; : > %2").arg(Second).arg(Done);
    TVirtualRedirector Redirector;
    qsizetype Got[2] = {0, 0};
    int Ends = 0;
    // The first child writes x, the second y, so each piece tells its run.
    Redirector.OnInput = [&](QObject*, const QByteArray& Bytes) {
      Got[0] += Bytes.count('x');
      Got[1] += Bytes.count('y');
    };
    Redirector.OnChildProcessEnd = [&](QObject*) {
      if (Ends++ > 0) return;
      Redirector.Run("/bin/sh", Dir.path(), "sh -c " + QuoteCommandLineArgument(SecondScript));
    };
    ASSERT_TRUE(Redirector.Run("/usr/bin/python3", Dir.path(),
                               "python3 -c " + QuoteCommandLineArgument(FirstScript)));
    ASSERT_TRUE(WaitUntilEnded(Redirector.ChildProcessID()));
    // The owner takes everything of the first run, the second starting meanwhile.
    ASSERT_TRUE(WaitFor([&] { return Got[0] == First && Ends == 1; })) << Got[0];
    QThread::msleep(2000);  // busy again, while the second child writes
    EXPECT_FALSE(QFile::exists(Done)) << "the second reader took more than its limit";
    ASSERT_TRUE(WaitFor([&] { return Ends == 2; }));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(Got[1], Second);
  }
}

// A child that ends with output the reader has not yet taken: the reader
// holds back past a megabyte not handled, the rest waits in a pipe the
// child made large enough for it, and the child ends. That rest is read by
// the reader's last look, once the end is handled; the owner must still get
// it before the end, which may start the next run.
TEST(OutputHoldBack, TheEndComesAfterTheLastOutput) {
  const qsizetype Size = 1500000;
  const QString Script = QString(
                             "import fcntl, os\n"
                             "fcntl.fcntl(1, 1031, 1 << 20)\n"  // F_SETPIPE_SZ
                             "data = b'x' * %1\n"
                             "while data: data = data[os.write(1, data):]\n")
                             .arg(Size);
  QTemporaryDir Dir;
  ASSERT_TRUE(Dir.isValid());
  TVirtualRedirector Redirector;
  qsizetype Got = 0;
  qsizetype GotAtEnd = -1;
  Redirector.OnInput = [&](QObject*, const QByteArray& Bytes) { Got += Bytes.size(); };
  Redirector.OnChildProcessEnd = [&](QObject*) { GotAtEnd = Got; };
  ASSERT_TRUE(Redirector.Run("/usr/bin/python3", Dir.path(),
                             "python3 -c " + QuoteCommandLineArgument(Script)));
  ASSERT_TRUE(WaitUntilEnded(Redirector.ChildProcessID()));
  ASSERT_TRUE(WaitFor([&] { return GotAtEnd >= 0; }));
  EXPECT_EQ(GotAtEnd, Size);
  EXPECT_EQ(Got, Size);
}

}  // namespace
