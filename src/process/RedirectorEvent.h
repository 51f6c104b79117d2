#pragma once
// A notification that a worker thread posts to the redirector's hidden
// notification object. Posted events reach it in posting order.
#include <QByteArray>
#include <QEvent>

class QObject;

class TRedirectorEvent : public QEvent {
 public:
  enum TKind { ChildInput, ChildErrorInput, ChildProcessEnd };

  TRedirectorEvent(TKind Kind, QByteArray Bytes = {}, quint64 Reader = 0);

  TKind Kind() const { return FKind; }
  const QByteArray& Bytes() const { return FBytes; }
  // The serial number of the reader that read Bytes (see TPipeThread).
  quint64 Reader() const { return FReader; }

  // The event type shared by the three kinds; one type keeps them in one queue.
  static QEvent::Type EventType();
  // Thread-safe: the event and its bytes belong to the queue from here on.
  static void Post(QObject* Target, TKind Kind, QByteArray Bytes = {}, quint64 Reader = 0);

 private:
  TKind FKind;
  QByteArray FBytes;
  quint64 FReader;
};
