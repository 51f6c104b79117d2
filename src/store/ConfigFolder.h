#pragma once
#include <QString>

// The per-user folder that holds our settings and the saved hosts:
// $XDG_CONFIG_HOME (default ~/.config) on Unix, the roaming application-data
// folder on Windows. Looked up at every call, so a changed environment (a
// test's temporary home) takes effect at once.
QString UserConfigFolder();
