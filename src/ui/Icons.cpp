#include "ui/Icons.h"

#include "ui/SvgIconEngine.h"

// The pictures live in a static library; referencing its resource initialiser
// keeps the linker from dropping them.
static void InitIconResources() { Q_INIT_RESOURCE(quillery); }

namespace Icons {

QIcon Fallback(const QString& ThemeName) {
  static const bool initialised = (InitIconResources(), true);
  (void)initialised;
  return QIcon(new TSvgIconEngine(":/icons/" + ThemeName + ".svg"));
}

QIcon Get(const QString& ThemeName) { return QIcon::fromTheme(ThemeName, Fallback(ThemeName)); }

}  // namespace Icons
