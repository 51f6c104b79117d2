#include "DriverSessionTest.h"

#include "WaitFor.h"

DriverSessionTest::DriverSessionTest() {
  previous = ErrorReport::SetHandler([this](const QString& m) { reported << m; });
  view.Values.HostName = "127.0.0.1";
  view.Values.UserName = server.User().toUtf8();
  view.Values.Password = server.Password().toUtf8();
  view.Values.StartingDir = "/www";
}

DriverSessionTest::~DriverSessionTest() {
  if (redirector.Running()) {
    redirector.Kill();
    WaitFor([&] { return !redirector.Running(); });
  }
  ErrorReport::SetHandler(previous);
}
