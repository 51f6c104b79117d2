#pragma once
// API fixed for the callers; the implementation fills in the rest.
#include <QString>

// Named text settings, read with a default at the moment they are needed and
// written at once. Stored through QSettings (organisation "Quillery", no
// application name, native format): ~/.config/Quillery.conf on Linux.
class TSettings {
 public:
  // The stored text, or Default when it cannot be read. Never fails.
  QString Read(const QString& SettingName, const QString& Default) const;
  // Stores Value at once; throws Exception when the store cannot be written.
  void Write(const QString& SettingName, const QString& Value);

  static QString BoolToStr(bool Value);
  // "1" or "0" exactly; anything else throws
  // "Settings.StrToBool: %s is not a valid boolean string".
  static bool StrToBool(const QString& S);
};
