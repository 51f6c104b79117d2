#pragma once

#include <functional>

// A desktop ends its programs at logout with SIGTERM, and a terminal's
// close sends SIGHUP. Left to the default, either kills Quillery on the
// spot: unsaved pages are gone, and an upload is cut off. Install() turns
// them into a call of OnSignal on the event loop's thread (the window's
// close), where asking and saving are safe. On systems without these
// signals it does nothing.
namespace TerminationSignal {
// Call once, on the event loop's thread, after the application object exists.
void Install(std::function<void()> OnSignal);
}  // namespace TerminationSignal
