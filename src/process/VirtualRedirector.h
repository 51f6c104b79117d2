#pragma once
#include <functional>

#include "process/CustomVirtualRedirector.h"

using TRedirectorInputEvent = std::function<void(QObject* Sender, const QByteArray& NewInput)>;
using TRedirectorChildProcessEndEvent = std::function<void(QObject* Sender)>;

// Publishes the three events; an unbound event is not raised.
class TVirtualRedirector : public TCustomVirtualRedirector {
  Q_OBJECT
 public:
  using TCustomVirtualRedirector::TCustomVirtualRedirector;

  TRedirectorInputEvent OnErrorInput;
  TRedirectorInputEvent OnInput;
  TRedirectorChildProcessEndEvent OnChildProcessEnd;

 protected:
  void DoErrorInput(const QByteArray& NewInput) override;
  void DoInput(const QByteArray& NewInput) override;
  void DoChildProcessEnd() override;
};
