#include "store/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryFile>
#include <memory>

#include "core/Exception.h"
#include "store/ConfigFolder.h"

namespace {

// A fresh QSettings at every call: nothing is cached between calls, and the
// location follows the environment as it is now. On Windows the native
// store is the registry key HKEY_CURRENT_USER\Software\Quillery; elsewhere
// it is the file Quillery.conf in the user's configuration folder, the same
// file QSettings' native format would pick for organisation "Quillery".
std::unique_ptr<QSettings> OpenStore() {
#if defined(Q_OS_WIN) || defined(Q_OS_DARWIN)
  return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, "Quillery");
#else
  return std::make_unique<QSettings>(UserConfigFolder() + "/Quillery.conf", QSettings::IniFormat);
#endif
}

QString StoreName(const QSettings& Store) {
#ifdef Q_OS_WIN
  Q_UNUSED(Store);
  return "HKEY_CURRENT_USER\\Software\\Quillery";
#else
  return Store.fileName();
#endif
}

// QSettings keeps a file's contents, and any change it failed to store,
// in a process-wide cache: a failed write would stay pending there, make
// every later read of the file fail and be written by the next good write.
// So the file is checked before QSettings is given the change, the same
// way QSettings' atomic save will need it: a folder that exists or can be
// made, room for a new file in it, and a file that can be opened to write.
bool CanStoreTo(const QString& FileName) {
#ifdef Q_OS_WIN
  Q_UNUSED(FileName);
  return true;
#else
  const QFileInfo info(FileName);
  if (!QDir().mkpath(info.absolutePath())) return false;
  QTemporaryFile probe(FileName + ".XXXXXX");
  if (!probe.open()) return false;
  if (!info.exists()) return true;
  QFile file(FileName);
  return file.open(QIODevice::ReadWrite);
#endif
}

// The cache also answers for a file that has become unreadable without
// changing, so readability is asked of the file itself.
bool CanReadFrom(const QString& FileName) {
#ifdef Q_OS_WIN
  Q_UNUSED(FileName);
  return true;
#else
  const QFileInfo info(FileName);
  return !info.exists() || info.isReadable();
#endif
}

}  // namespace

// Only text is ours: anything else under the name (a number or a list that
// another program stored) counts as unreadable, as does a store that cannot
// be read at all.
QString TSettings::Read(const QString& SettingName, const QString& Default) const {
  const auto store = OpenStore();
  if (!CanReadFrom(store->fileName())) return Default;
  const QVariant value = store->value(SettingName);
  if (store->status() == QSettings::AccessError || value.typeId() != QMetaType::QString)
    return Default;
  return value.toString();
}

void TSettings::Write(const QString& SettingName, const QString& Value) {
  const auto store = OpenStore();
  if (CanStoreTo(store->fileName())) {
    store->setValue(SettingName, Value);
    store->sync();
    if (store->status() == QSettings::NoError) return;
  }
  throw Exception(QString("Unable to open key \"%1\" for write").arg(StoreName(*store)));
}

bool TSettings::Get(const TBoolSetting& Key) const { return StrToBool(Text(Key)); }

int TSettings::Get(const TIntSetting& Key) const {
  bool ok = false;
  const int value = Read(Key.Name, QString::number(Key.Default)).trimmed().toInt(&ok);
  return ok && value >= Key.Minimum ? value : Key.Default;
}

QString TSettings::Get(const TTextSetting& Key) const { return Read(Key.Name, Key.Default); }

QString TSettings::Text(const TBoolSetting& Key) const {
  return Read(Key.Name, BoolToStr(Key.Default));
}

void TSettings::Set(const TBoolSetting& Key, bool Value) { Write(Key.Name, BoolToStr(Value)); }

void TSettings::Set(const TIntSetting& Key, int Value) { Write(Key.Name, QString::number(Value)); }

void TSettings::Set(const TTextSetting& Key, const QString& Value) { Write(Key.Name, Value); }

QString TSettings::BoolToStr(bool Value) { return Value ? "1" : "0"; }

bool TSettings::StrToBool(const QString& S) {
  if (S == "1") return true;
  if (S == "0") return false;
  throw Exception(QString("Settings.StrToBool: %1 is not a valid boolean string").arg(S));
}
