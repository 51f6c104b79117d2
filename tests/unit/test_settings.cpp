#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPoint>
#include <QSettings>
#include <QStringList>

#include "TempHome.h"
#include "core/Exception.h"
#include "store/MSettings.h"

namespace {

class TSettingsTest : public ::testing::Test {
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

TEST_F(TSettingsTest, ReadsGiveDefaultsUntilWrittenAndCreateNothing) {
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
TEST_F(TSettingsTest, EveryTextReadsBackAsWritten) {
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

TEST_F(TSettingsTest, EmptyTextIsAValueNotADefault) {
  Settings.Write("SelectedServer", "");
  EXPECT_EQ(Settings.Read("SelectedServer", "DEFAULT"), "");
  EXPECT_FALSE(Settings.Read("SelectedServer", "DEFAULT").isNull());
}

TEST_F(TSettingsTest, ValuesThatAreNotTextReadAsDefault) {
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
TEST_F(TSettingsTest, ReadsAHandWrittenFile) {
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
TEST_F(TSettingsTest, WriteFailsWhereNoFileCanBeMade) {
  const QString blocked = Home.Path() + "/blocked";
  QFile file(blocked);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  qputenv("XDG_CONFIG_HOME", blocked.toLocal8Bit());
  EXPECT_EQ(WriteError(Settings, "FontName", "Mono"),
            QString("Unable to open key \"%1/Quillery.conf\" for write").arg(blocked));
  EXPECT_EQ(Settings.Read("FontName", "Consolas"), "Consolas");
}

TEST_F(TSettingsTest, WriteFailsOnAReadOnlyStoreAndKeepsOldValues) {
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

TEST_F(TSettingsTest, UnreadableStoreReadsAsDefault) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads unreadable files";
  Settings.Write("FontName", "Mono");
  QFile::setPermissions(StoreFile(), QFile::WriteOwner);
  EXPECT_EQ(Settings.Read("FontName", "Consolas"), "Consolas");
  QFile::setPermissions(StoreFile(), QFile::ReadOwner | QFile::WriteOwner);
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
      EXPECT_EQ(e.Message(), QString("Settings.StrToBool: %1 is not a valid boolean string").arg(text));
    }
  }
}

}  // namespace
