#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPoint>
#include <QSettings>
#include <QStringList>
#include <functional>
#include <utility>
#include <vector>

#include "TempHome.h"
#include "core/Exception.h"
#include "store/SettingKeys.h"
#include "store/Settings.h"

// Readable failure messages for settings' texts.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& Text, std::ostream* Out) {
  *Out << '"' << Text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace {

class SettingsTest : public ::testing::Test {
 protected:
  QString StoreFile() const { return Home.ConfigHome() + "/Quillery.conf"; }
  QByteArray StoreText() const {
    QFile file(StoreFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  static QString WriteError(TSettings& Settings, const QString& Name, const QString& Value) {
    try {
      Settings.Write(Name, Value);
    } catch (const Exception& e) {
      return e.Message();
    }
    return QString();
  }

  TempHome Home;
  TSettings Settings;
};

TEST_F(SettingsTest, ReadsGiveDefaultsUntilWrittenAndCreateNothing) {
  EXPECT_EQ(Settings.Read("FontName", "Consolas"), "Consolas");
  EXPECT_EQ(Settings.Read("FontSize", "10"), "10");
  EXPECT_EQ(Settings.Read("SelectedServer", ""), "");
  EXPECT_FALSE(QFileInfo::exists(StoreFile()));

  // The first write creates the store where XDG_CONFIG_HOME points.
  Settings.Write("FontName", "Mono");
  EXPECT_TRUE(QFileInfo::exists(StoreFile()));
  EXPECT_EQ(Settings.Read("FontName", "Consolas"), "Mono");
  EXPECT_EQ(Settings.Read("FontSize", "10"), "10");
}

// Texts that the file format could mistake for something else (a list, an
// escaped variant, an empty value) must come back exactly as written.
TEST_F(SettingsTest, EveryTextReadsBackAsWritten) {
  const QStringList values{"",
                           "Consolas",
                           "-1",
                           "a, b",
                           "@Variant(x)",
                           "@x",
                           " lead",
                           "trail ",
                           "x=y;z",
                           "\"q\"",
                           "back\\slash",
                           "two\nlines",
                           "[Sect]",
                           QString::fromUtf8("Gr\xC3\xBC\xC3\x9F"
                                             "e \xE2\x82\xAC")};
  for (const QString& value : values) {
    Settings.Write("SelectedServer", value);
    EXPECT_EQ(TSettings().Read("SelectedServer", "DEFAULT"), value) << value.toStdString();
  }
}

TEST_F(SettingsTest, EmptyTextIsAValueNotADefault) {
  Settings.Write("SelectedServer", "");
  EXPECT_EQ(Settings.Read("SelectedServer", "DEFAULT"), "");
  EXPECT_FALSE(Settings.Read("SelectedServer", "DEFAULT").isNull());
}

TEST_F(SettingsTest, ValuesThatAreNotTextReadAsDefault) {
  Settings.Write("FontName", "Mono");
  {
    QSettings other(StoreFile(), QSettings::IniFormat);
    other.setValue("FontSize", QStringList{"1", "2"});
    other.setValue("FormTop", QPoint(3, 4));
    other.setValue("FormLeft", QByteArray("12"));
  }
  EXPECT_EQ(Settings.Read("FontSize", "10"), "10");
  EXPECT_EQ(Settings.Read("FormTop", "-1"), "-1");
  EXPECT_EQ(Settings.Read("FormLeft", "-1"), "-1");
  EXPECT_EQ(Settings.Read("FontName", "Consolas"), "Mono");
}

// The system's own file, written as another editor would leave it.
TEST_F(SettingsTest, ReadsAHandWrittenFile) {
  QDir().mkpath(Home.ConfigHome());
  QFile file(StoreFile());
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("[General]\nFontName=Courier New\nFontSize=abc\nShowLineNumbers=true\n");
  file.close();
  EXPECT_EQ(Settings.Read("FontName", "Consolas"), "Courier New");
  EXPECT_EQ(Settings.Read("FontSize", "10"), "abc");
  EXPECT_THROW(TSettings::StrToBool(Settings.Read("ShowLineNumbers", "1")), Exception);
}

// A file in the way of the configuration folder defeats even root.
TEST_F(SettingsTest, WriteFailsWhereNoFileCanBeMade) {
  const QString blocked = Home.Path() + "/blocked";
  QFile file(blocked);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  qputenv("XDG_CONFIG_HOME", blocked.toLocal8Bit());
  EXPECT_EQ(WriteError(Settings, "FontName", "Mono"),
            QString("Unable to open key \"%1/Quillery.conf\" for write").arg(blocked));
  EXPECT_EQ(Settings.Read("FontName", "Consolas"), "Consolas");
}

TEST_F(SettingsTest, WriteFailsOnAReadOnlyStoreAndKeepsOldValues) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes read-only files";
  Settings.Write("FontName", "Mono");
  QFile::setPermissions(StoreFile(), QFile::ReadOwner);
  EXPECT_EQ(WriteError(Settings, "FontName", "Other"),
            QString("Unable to open key \"%1\" for write").arg(StoreFile()));
  EXPECT_EQ(Settings.Read("FontName", "Consolas"), "Mono");

  // The refused value must not come back with the next good write.
  QFile::setPermissions(StoreFile(), QFile::ReadOwner | QFile::WriteOwner);
  Settings.Write("FontSize", "12");
  EXPECT_EQ(Settings.Read("FontName", "Consolas"), "Mono");
  EXPECT_EQ(Settings.Read("FontSize", "10"), "12");

  // A read-only folder without the file yet.
  QFile::remove(StoreFile());
  QFile::setPermissions(Home.ConfigHome(), QFile::ReadOwner | QFile::ExeOwner);
  EXPECT_EQ(WriteError(Settings, "FontName", "Other"),
            QString("Unable to open key \"%1\" for write").arg(StoreFile()));
  EXPECT_FALSE(QFileInfo::exists(StoreFile()));
  QFile::setPermissions(Home.ConfigHome(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(SettingsTest, UnreadableStoreReadsAsDefault) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads unreadable files";
  Settings.Write("FontName", "Mono");
  QFile::setPermissions(StoreFile(), QFile::WriteOwner);
  EXPECT_EQ(Settings.Read("FontName", "Consolas"), "Consolas");
  QFile::setPermissions(StoreFile(), QFile::ReadOwner | QFile::WriteOwner);
}

// ---------------------------------------------------------------- typed keys

// One row per key, whatever its type: the name it has in users' files, what
// it reads with nothing stored, and another value with its stored text.
// Values are compared as text so one table holds all types.
struct TKeyCase {
  QString Name;
  QString Default;
  QString Other;
  QString OtherStored;
  std::function<QString(const TSettings&)> Get;
  std::function<void(TSettings&)> SetOther;
};

QString Shown(bool Value) { return Value ? "true" : "false"; }
QString Shown(int Value) { return QString::number(Value); }
QString Shown(const QString& Value) { return "\"" + Value + "\""; }

template <typename TKey>
using TValueOf = decltype(std::declval<const TSettings&>().Get(std::declval<const TKey&>()));

template <typename TKey>
TKeyCase Case(const TKey& Key, const char* Name, TValueOf<TKey> Default, TValueOf<TKey> Other,
              const char* OtherStored) {
  EXPECT_STREQ(Key.Name, Name);
  return {Name,
          Shown(Default),
          Shown(Other),
          OtherStored,
          [&Key](const TSettings& S) { return Shown(S.Get(Key)); },
          [&Key, Other](TSettings& S) { S.Set(Key, Other); }};
}

std::vector<TKeyCase> EveryKey() {
  return {
      Case(TSettingKeys::ShowLineNumbers, "ShowLineNumbers", true, false, "0"),
      Case(TSettingKeys::WrapLongLines, "WrapLongLines", false, true, "1"),
      Case(TSettingKeys::FontName, "FontName", "Consolas", "DejaVu Sans Mono", "DejaVu Sans Mono"),
      Case(TSettingKeys::FontSize, "FontSize", 10, 14, "14"),
      Case(TSettingKeys::ShowConnectDialog, "ShowConnectDialog", false, true, "1"),
      Case(TSettingKeys::FormMaximized, "FormMaximized", false, true, "1"),
      Case(TSettingKeys::FormTop, "FormTop", -1, -20, "-20"),
      Case(TSettingKeys::FormLeft, "FormLeft", -1, -1280, "-1280"),
      Case(TSettingKeys::FormWidth, "FormWidth", -1, 600, "600"),
      Case(TSettingKeys::FormHeight, "FormHeight", -1, 450, "450"),
      Case(TSettingKeys::SelectedServer, "SelectedServer", "", "alpha - ann", "alpha - ann"),
      Case(TSettingKeys::PasswordFileNoticeShown, "PasswordFileNoticeShown", false, true, "1"),
  };
}

TEST_F(SettingsTest, EveryKeyReadsItsDefaultWhileNothingIsStored) {
  for (const TKeyCase& key : EveryKey())
    EXPECT_EQ(key.Get(Settings), key.Default) << key.Name.toStdString();
  EXPECT_FALSE(QFileInfo::exists(StoreFile()));
}

// A file left by an earlier run, or written by hand: every key is found by
// its name.
TEST_F(SettingsTest, EveryKeyReadsAFileStoredEarlier) {
  QByteArray text = "[General]\n";
  for (const TKeyCase& key : EveryKey()) text += (key.Name + "=" + key.OtherStored + "\n").toUtf8();
  QDir().mkpath(Home.ConfigHome());
  QFile file(StoreFile());
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(text);
  file.close();
  for (const TKeyCase& key : EveryKey())
    EXPECT_EQ(key.Get(Settings), key.Other) << key.Name.toStdString();
}

TEST_F(SettingsTest, EveryKeyStoresItsValueAsTextUnderItsName) {
  for (const TKeyCase& key : EveryKey()) {
    SCOPED_TRACE(key.Name.toStdString());
    key.SetOther(Settings);
    EXPECT_EQ(Settings.Read(key.Name, "<none>"), key.OtherStored);
    EXPECT_EQ(key.Get(TSettings()), key.Other);
  }
  // Each write touched its own key only.
  for (const TKeyCase& key : EveryKey())
    EXPECT_EQ(key.Get(Settings), key.Other) << key.Name.toStdString();
}

TEST_F(SettingsTest, StoredNumbersOutsideTheirKeysRangeReadAsDefault) {
  const struct {
    TIntSetting Key;
    const char* Stored;
    int Expected;
  } cases[] = {
      {TSettingKeys::FontSize, "12", 12},    {TSettingKeys::FontSize, " 12 ", 12},
      {TSettingKeys::FontSize, "+7", 7},     {TSettingKeys::FontSize, "1", 1},
      {TSettingKeys::FontSize, "0", 10},     {TSettingKeys::FontSize, "-3", 10},
      {TSettingKeys::FontSize, "large", 10}, {TSettingKeys::FontSize, "1.5", 10},
      {TSettingKeys::FontSize, "", 10},      {TSettingKeys::FontSize, "99999999999", 10},
      {TSettingKeys::FormTop, "-5", -5},     {TSettingKeys::FormTop, "0", 0},
      {TSettingKeys::FormTop, "abc", -1},    {TSettingKeys::FormWidth, "0x10", -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Key.Name) + "=" + c.Stored);
    Settings.Write(c.Key.Name, c.Stored);
    EXPECT_EQ(Settings.Get(c.Key), c.Expected);
  }
}

// A boolean other than "1" or "0" is refused, not guessed at; its text is
// still there for a reader that accepts more.
TEST_F(SettingsTest, StoredBooleansOtherThanOneAndZeroThrow) {
  for (const char* text : {"true", "yes", "", " 1", "2", "-1"}) {
    SCOPED_TRACE(text);
    Settings.Write(TSettingKeys::FormMaximized.Name, text);
    try {
      Settings.Get(TSettingKeys::FormMaximized);
      ADD_FAILURE() << "accepted";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(),
                QString("Settings.StrToBool: %1 is not a valid boolean string").arg(text));
    }
    EXPECT_EQ(Settings.Text(TSettingKeys::FormMaximized), text);
  }
  EXPECT_EQ(Settings.Text(TSettingKeys::ShowLineNumbers), "1");
  EXPECT_EQ(Settings.Text(TSettingKeys::WrapLongLines), "0");
}

// Values of another type, as another program might store them, are missing
// values to every typed key: a boolean among them gives its default and
// does not throw.
TEST_F(SettingsTest, ValuesThatAreNotTextGiveEveryTypedKeyItsDefault) {
  {
    QSettings other(StoreFile(), QSettings::IniFormat);
    for (const TKeyCase& key : EveryKey()) other.setValue(key.Name, QStringList{"1", "2"});
  }
  for (const TKeyCase& key : EveryKey())
    EXPECT_EQ(key.Get(Settings), key.Default) << key.Name.toStdString();
}

TEST(TSettingsBool, StrToBoolTakesExactlyOneAndZero) {
  EXPECT_TRUE(TSettings::StrToBool("1"));
  EXPECT_FALSE(TSettings::StrToBool("0"));
  EXPECT_EQ(TSettings::BoolToStr(true), "1");
  EXPECT_EQ(TSettings::BoolToStr(false), "0");
  for (const char* text : {"true", "True", " 1", "1 ", "01", "", "-1", "%1"}) {
    try {
      TSettings::StrToBool(text);
      ADD_FAILURE() << "accepted \"" << text << "\"";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(),
                QString("Settings.StrToBool: %1 is not a valid boolean string").arg(text));
    }
  }
}

}  // namespace
