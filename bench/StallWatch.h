#pragma once
// The longest time the event loop of this thread went without turning, while
// a watch runs: a timer of no interval fires on every turn of the loop, and
// the longest gap between two firings (or between the start and the first
// one) is the longest the window could not answer the user. On a machine
// that others share, that gap also holds the time this thread waited for a
// processor; the most processor time the thread used between two turns
// (CpuMs) is the gap it would have had alone.
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <ctime>

class TStallWatch {
 public:
  TStallWatch() {
    FTimer.setInterval(0);
    QObject::connect(&FTimer, &QTimer::timeout, [this] { Tick(); });
  }
  void Start() {
    FLongestNs = 0;
    FLongestCpuNs = 0;
    FClock.start();
    FLastNs = 0;
    FLastCpuNs = CpuNs();
    FTimer.start();
  }
  // The longest gap in milliseconds, counting the time since the last turn.
  double Stop() {
    Tick();
    FTimer.stop();
    return FLongestNs / 1e6;
  }
  double CpuMs() const { return FLongestCpuNs / 1e6; }

 private:
  void Tick() {
    const qint64 now = FClock.nsecsElapsed();
    FLongestNs = std::max(FLongestNs, now - FLastNs);
    FLastNs = now;
    const qint64 cpu = CpuNs();
    FLongestCpuNs = std::max(FLongestCpuNs, cpu - FLastCpuNs);
    FLastCpuNs = cpu;
  }
  static qint64 CpuNs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
  }
  QTimer FTimer;
  QElapsedTimer FClock;
  qint64 FLastNs = 0;
  qint64 FLongestNs = 0;
  qint64 FLastCpuNs = 0;
  qint64 FLongestCpuNs = 0;
};
