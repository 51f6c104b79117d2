#include "process/RedirectorEvent.h"

#include <QCoreApplication>

TRedirectorEvent::TRedirectorEvent(TKind Kind, QByteArray Bytes, quint64 Reader)
    : QEvent(EventType()), FKind(Kind), FBytes(std::move(Bytes)), FReader(Reader) {}

QEvent::Type TRedirectorEvent::EventType() {
  static const QEvent::Type Type = QEvent::Type(QEvent::registerEventType());
  return Type;
}

void TRedirectorEvent::Post(QObject* Target, TKind Kind, QByteArray Bytes, quint64 Reader) {
  QCoreApplication::postEvent(Target, new TRedirectorEvent(Kind, std::move(Bytes), Reader));
}
