#include "core/ErrorReport.h"

#include <QtGlobal>

#include "core/Exception.h"

namespace ErrorReport {
namespace {
Handler& CurrentHandler() {
  static Handler handler;
  return handler;
}
}  // namespace

Handler SetHandler(Handler handler) {
  Handler previous = std::move(CurrentHandler());
  CurrentHandler() = std::move(handler);
  return previous;
}

void Report(const QString& message) {
  if (CurrentHandler())
    CurrentHandler()(message);
  else
    qWarning("%s", qPrintable(message));
}

void Guarded(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const Exception& e) {
    Report(e.Message());
  } catch (const std::exception& e) {
    Report(QString::fromLocal8Bit(e.what()));
  }
}

}  // namespace ErrorReport
