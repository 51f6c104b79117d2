#pragma once
#include <QString>

#include "store/SettingKeys.h"

// Named text settings, read with a default at the moment they are needed and
// written at once. Stored through QSettings (organisation "Quillery", no
// application name, native format): ~/.config/Quillery.conf on Linux.
class TSettings {
 public:
  // The typed value of a key from TSettingKeys. A boolean that is stored as
  // anything but "1" or "0" throws, as StrToBool does.
  bool Get(const TBoolSetting& Key) const;
  int Get(const TIntSetting& Key) const;
  QString Get(const TTextSetting& Key) const;
  // The stored text of a boolean, or its default as stored text, for a
  // reader that accepts more than "1" and "0".
  QString Text(const TBoolSetting& Key) const;
  // Store at once, as Write does.
  void Set(const TBoolSetting& Key, bool Value);
  void Set(const TIntSetting& Key, int Value);
  void Set(const TTextSetting& Key, const QString& Value);

  // The stored text, or Default when it cannot be read. Never fails.
  QString Read(const QString& SettingName, const QString& Default) const;
  // Stores Value at once; throws Exception when the store cannot be written.
  void Write(const QString& SettingName, const QString& Value);

  static QString BoolToStr(bool Value);
  // "1" or "0" exactly; anything else throws
  // "Settings.StrToBool: %s is not a valid boolean string".
  static bool StrToBool(const QString& S);
};
