// Listings of more than a megabyte, one after another, through the real
// psftp, the reader and the driver, while this thread (the window's) is busy
// at random moments: inside the handling of a piece of output, in a
// question's own event loop opened there, and between events. The reader
// holds psftp back whenever a megabyte waits to be handled, so each listing
// crosses that limit both ways several times. Some connections end while
// their listing arrives, and the next one starts from the end's handler, as
// the window's link to another host does: the ended reader's last pieces are
// then handled while the new reader runs. Every listing must arrive whole; a
// listing that stops arriving while psftp waits to write is a reader that
// was never let go again.
// Run it a few times after a change to the reader: it picks a new random
// seed each time, and prints it when it fails.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QThread>
#include <QTimer>

#include "DriverSessionTest.h"
#include "remote/listing/Dir.h"

namespace {

constexpr int kEntries = 30000;  // about 2.1 MB as psftp prints it
constexpr int kListings = 4;
// A cut listing ends this far in: psftp, held back at a megabyte not yet
// handled, is still writing it then.
constexpr qint64 kCutAfter = 300 * 1024;
constexpr int kStallMs = 10000;

QString EntryName(int Index) { return QString("page-%1.html").arg(Index, 5, 10, QChar('0')); }

QStringList LongNames() {
  QStringList lines;
  for (int i = 0; i < kEntries; ++i)
    lines << "-rw-r--r--    1 www-data www-data    18231 Dec 10 00:10 " + EntryName(i);
  return lines;
}

class ListingHoldBackTest : public DriverSessionTest {
 protected:
  ListingHoldBackTest() : seed(QRandomGenerator::global()->generate()), random(seed) {}
  // The base ends the session after this object's members are gone: the
  // handlers that use them go first.
  ~ListingHoldBackTest() override {
    elsewhere.stop();
    if (plainInput) redirector.OnInput = plainInput;
    if (plainEnd) redirector.OnChildProcessEnd = plainEnd;
  }

  // From here on this thread is busy at random moments.
  void BeBusy() {
    const TRedirectorInputEvent input = plainInput = redirector.OnInput;
    redirector.OnInput = [this, input](QObject* Sender, const QByteArray& Bytes) {
      input(Sender, Bytes);
      handled += Bytes.size();
      if (cutAt > 0 && handled >= cutAt) {
        cutAt = 0;
        reconnect = true;
        redirector.Kill();
      }
      // Busy after the driver has had the piece and before the reader is
      // told: pieces keep arriving, and the reader's count keeps growing.
      const int what = int(random.bounded(16));
      if (what < 2) QThread::msleep(random.bounded(250));
      if (what == 2 && nested < 2) {
        ++nested;
        QElapsedTimer clock;
        clock.start();
        const qint64 spell = random.bounded(300);
        while (clock.elapsed() < spell) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        --nested;
      }
    };
    const TRedirectorChildProcessEndEvent end = plainEnd = redirector.OnChildProcessEnd;
    redirector.OnChildProcessEnd = [this, end](QObject* Sender) {
      end(Sender);
      if (!reconnect) return;
      reconnect = false;
      view.ConnectAction(driver);
    };
    QObject::connect(&elsewhere, &QTimer::timeout, [this] {
      if (random.bounded(8) == 0) QThread::msleep(random.bounded(150));
    });
    elsewhere.start(50);
  }

  // Runs the event loop until Done; false when nothing arrived for kStallMs.
  bool Arrives(const std::function<bool()>& Done) {
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    qint64 seen = handled;
    while (!Done()) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
      if (handled != seen) {
        seen = handled;
        sinceProgress.restart();
      } else if (sinceProgress.elapsed() > kStallMs) {
        return false;
      } else {
        QThread::msleep(2);
      }
    }
    return true;
  }

  // The state and the log without the listings' lines.
  std::string Diagnostics() const {
    QStringList log;
    for (const QString& line : view.DebugText.split('\n'))
      if (!line.startsWith("-rw-r--r--")) log << line;
    return QString("connected %1, busy %2, status \"%3\", errors: %4\n%5")
        .arg(driver.Connected())
        .arg(driver.Busy())
        .arg(view.Status.count(0) ? view.Status.at(0) : QString())
        .arg(view.Errors.join("; "), log.join('\n').right(6000))
        .toStdString();
  }

  bool ListsBig(FakePage* Page) {
    const TDir* dir = Page->Dir();
    return dir && dir->Name() == "/www/big" && dir->Count() > kEntries && !driver.Busy();
  }

  void DoubleClick(FakePage* Page, const QString& Name) {
    ASSERT_TRUE(Page->Select(Name)) << Name.toStdString();
    editing.OpenSelected(Page);
  }

  const quint32 seed;
  QRandomGenerator random;
  QTimer elsewhere;
  qint64 handled = 0;
  int nested = 0;
  qint64 cutAt = 0;  // when handled reaches it, psftp is killed
  bool reconnect = false;
  TRedirectorInputEvent plainInput;
  TRedirectorChildProcessEndEvent plainEnd;
};

TEST_F(ListingHoldBackTest, ManyLargeListingsInARowArriveWholeToABusyWindow) {
  server.SetListing("/www/big", LongNames());
  Connect();
  SCOPED_TRACE(testing::Message() << "random seed " << seed);
  BeBusy();
  FakePage* page = view.Page(0);
  view.Values.StartingDir = "/www/big";
  for (int round = 0; round < kListings; ++round) {
    SCOPED_TRACE(testing::Message() << "listing " << round);
    // Every other listing is cut off while it arrives, and the next
    // connection lists the folder from the end's handler.
    if (round % 2 == 1) cutAt = handled + kCutAfter;
    DoubleClick(page, "[big]");
    ASSERT_TRUE(Arrives([&] { return ListsBig(page); }))
        << "the listing stopped; " << handled << " bytes handled in all\n"
        << Diagnostics();
    EXPECT_TRUE(page->Items.contains(EntryName(0)) && page->Items.contains(EntryName(kEntries - 1)))
        << page->Items.size() << " items";
    DoubleClick(page, "[..]");
    ASSERT_TRUE(Arrives([&] { return page->Items.contains("notes.txt") && !driver.Busy(); }))
        << Diagnostics();
  }
  EXPECT_TRUE(reported.isEmpty()) << reported.join("; ").toStdString();
}

}  // namespace
