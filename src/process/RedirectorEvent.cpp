#include "process/RedirectorEvent.h"

#include <QCoreApplication>

TRedirectorEvent::TRedirectorEvent(TKind Kind, QByteArray Bytes)
    : QEvent(EventType()), FKind(Kind), FBytes(std::move(Bytes)) {}

QEvent::Type TRedirectorEvent::EventType() {
  static const QEvent::Type Type = QEvent::Type(QEvent::registerEventType());
  return Type;
}

void TRedirectorEvent::Post(QObject* Target, TKind Kind, QByteArray Bytes) {
  QCoreApplication::postEvent(Target, new TRedirectorEvent(Kind, std::move(Bytes)));
}
