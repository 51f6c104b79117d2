#include "process/RedirectorHelper.h"

#include "process/RedirectorEvent.h"

TRedirectorHelper::TRedirectorHelper(THandler Handler) : FHandler(std::move(Handler)) {}

bool TRedirectorHelper::event(QEvent* Event) {
  if (Event->type() != TRedirectorEvent::EventType()) return QObject::event(Event);
  FHandler(static_cast<const TRedirectorEvent&>(*Event));
  return true;
}
