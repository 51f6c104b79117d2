#pragma once
// The redirector's hidden notification object.
#include <QObject>
#include <functional>

class TRedirectorEvent;

// Lives on the thread that created the redirector and hands the workers'
// notifications to it there. Deleting it drops the notifications still
// queued for it.
class TRedirectorHelper : public QObject {
 public:
  using THandler = std::function<void(const TRedirectorEvent& Event)>;

  explicit TRedirectorHelper(THandler Handler);

  bool event(QEvent* Event) override;

 private:
  THandler FHandler;
};
