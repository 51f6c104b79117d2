#pragma once

#include <QString>
#include <functional>

// The application's general error display. Errors that escape an event
// handler land here instead of unwinding through Qt's event loop; the window
// installs a handler that shows a message box, tests install one that records.
namespace ErrorReport {

using Handler = std::function<void(const QString& message)>;

// Replaces the handler; returns the previous one. Without a handler the
// message goes to qWarning().
Handler SetHandler(Handler handler);

void Report(const QString& message);

// Runs fn, reporting an Exception or std::exception it throws.
void Guarded(const std::function<void()>& fn);

}  // namespace ErrorReport
