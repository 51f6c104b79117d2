#pragma once

#include <QIcon>
#include <QString>

// Pictures for actions and buttons. The desktop theme's icon comes first so
// the window fits the user's desktop; our own drawing stands in where the
// theme has none (or there is no theme at all, as on the offscreen platform),
// so no toolbar button is ever blank.
namespace Icons {

// ThemeName is a freedesktop icon name ("document-save"); the stand-in is
// resources/icons/<ThemeName>.svg.
QIcon Get(const QString& ThemeName);

// Our own picture alone, without asking the theme.
QIcon Fallback(const QString& ThemeName);

}  // namespace Icons
