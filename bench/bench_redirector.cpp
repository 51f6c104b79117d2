// A child that writes a lot at once, as psftp does for a large listing:
// from starting `cat` on a prepared file of about 5 MB to the redirector's
// end notification, with every byte delivered through OnInput.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

#include "process/VirtualRedirector.h"

namespace {

constexpr qsizetype kOutputSize = 5000000;

// Lines of text: the redirector cuts a piece at a zero byte.
QByteArray MakeOutput() {
  QByteArray Output;
  Output.reserve(kOutputSize);
  for (int Line = 0; Output.size() < kOutputSize; ++Line)
    Output += "-rw-r--r--    1 www-data www-data    18231 Dec 10 00:10 file-" +
              QByteArray::number(Line) + ".html\n";
  Output.truncate(kOutputSize);
  return Output;
}

void BM_LargeOutput(benchmark::State& State) {
  QTemporaryDir Dir;
  const QString Path = Dir.filePath("output.txt");
  QFile File(Path);
  if (!File.open(QIODevice::WriteOnly) || File.write(MakeOutput()) != kOutputSize)
    return State.SkipWithError("cannot write the sample");
  File.close();

  TVirtualRedirector Redirector;
  qsizetype Received = 0;
  bool Ended = false;
  QEventLoop Loop;
  QTimer Timeout;
  Timeout.setSingleShot(true);
  QObject::connect(&Timeout, &QTimer::timeout, &Loop, &QEventLoop::quit);
  Redirector.OnInput = [&](QObject*, const QByteArray& Bytes) { Received += Bytes.size(); };
  Redirector.OnChildProcessEnd = [&](QObject*) {
    Ended = true;
    Loop.quit();
  };

  for (auto _ : State) {
    Received = 0;
    Ended = false;
    QElapsedTimer Clock;
    Clock.start();
    Redirector.Run("/bin/cat", {}, "cat " + Path);
    Timeout.start(120000);
    Loop.exec();
    Timeout.stop();
    if (!Ended) return State.SkipWithError("no end");
    QCoreApplication::sendPostedEvents();
    State.SetIterationTime(double(Clock.nsecsElapsed()) / 1e9);
    if (Received != kOutputSize) return State.SkipWithError("output incomplete");
  }
  State.SetBytesProcessed(int64_t(State.iterations()) * kOutputSize);
}
BENCHMARK(BM_LargeOutput)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication App(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
