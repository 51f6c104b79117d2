#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <functional>

// Runs the event loop until Condition holds or TimeoutMs pass; returns Condition().
inline bool WaitFor(const std::function<bool()>& Condition, int TimeoutMs = 15000) {
  QDeadlineTimer deadline(TimeoutMs);
  while (!Condition()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  return true;
}
