#pragma once

#include <QString>

// The per-user download folder, with a trailing separator: psftp's working
// folder and the home of every local copy. On Linux
// $XDG_CACHE_HOME/Quillery/Temp/ (default ~/.cache/Quillery/Temp/), created
// readable by the user alone, because the executable's folder is usually not
// writable there; on Windows the "Temp\" folder beside the executable.
QString GetTempFolder();
