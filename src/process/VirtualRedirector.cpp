#include "process/VirtualRedirector.h"

void TVirtualRedirector::DoErrorInput(const QByteArray& NewInput) {
  if (OnErrorInput) OnErrorInput(this, NewInput);
}

void TVirtualRedirector::DoInput(const QByteArray& NewInput) {
  if (OnInput) OnInput(this, NewInput);
}

void TVirtualRedirector::DoChildProcessEnd() {
  if (OnChildProcessEnd) OnChildProcessEnd(this);
}
