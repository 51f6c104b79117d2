#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <functional>

#include "TempHome.h"
#include "core/Exception.h"
#include "store/IniFile.h"
#include "store/PasswordScramble.h"

namespace {

QString ErrorOf(const std::function<void()>& Action) {
  try {
    Action();
  } catch (const Exception& e) {
    return e.Message();
  }
  return QString();
}

// --- Password scrambling -------------------------------------------------

TEST(TScramble, KnownValues) {
  EXPECT_EQ(ScramblePassword(""), "");
  EXPECT_EQ(ScramblePassword("abc"), "5898D8");
  EXPECT_EQ(ScramblePassword("\xFF"), "FF");
  EXPECT_EQ(ScramblePassword("\x01"), "40");
  EXPECT_EQ(UnscramblePassword("5898D8"), "abc");
  EXPECT_EQ(UnscramblePassword("5898d8"), "abc");
  EXPECT_EQ(UnscramblePassword(""), "");
}

TEST(TScramble, EveryByteRoundTrips) {
  QByteArray all;
  for (int b = 0; b < 256; ++b) all += char(b);
  const QString scrambled = ScramblePassword(all);
  EXPECT_EQ(scrambled.size(), 512);
  EXPECT_EQ(UnscramblePassword(scrambled), all);
  EXPECT_EQ(UnscramblePassword(ScramblePassword("p\xC3\xA4ss\x80\xFE")), "p\xC3\xA4ss\x80\xFE");
}

TEST(TScramble, DamagedTextFails) {
  const std::pair<const char*, const char*> cases[] = {
      {"ABC", "Error 22"},
      {"5", "Error 22"},
      {"58ZZ", "''$ZZ'' is not a valid integer value"},
      {"5G", "''$5G'' is not a valid integer value"},
      {" 58 ", "''$ 5'' is not a valid integer value"},
      {"-1", "''$-1'' is not a valid integer value"},
  };
  for (const auto& [text, message] : cases)
    EXPECT_EQ(ErrorOf([&] { UnscramblePassword(text); }), message) << text;
}

// --- One server ----------------------------------------------------------

TEST(TServerTest, DisplayNameNeedsHostAndUser) {
  TServer server;
  const QString notSet = "TServer.GetDisplayName: HostName or UserName not set";
  EXPECT_EQ(ErrorOf([&] { server.GetDisplayName(); }), notSet);
  server.SetHostName("host");
  EXPECT_EQ(ErrorOf([&] { server.GetDisplayName(); }), notSet);
  server.SetUserName("bob");
  EXPECT_EQ(server.DisplayName(), "host - bob");
  server.SetHostName("");
  EXPECT_EQ(ErrorOf([&] { server.GetDisplayName(); }), notSet);
}

TEST(TServerTest, PortMustBeInRange) {
  TServer server;
  EXPECT_EQ(server.Port(), 0);
  server.SetPort(65535);
  EXPECT_EQ(server.Port(), 65535);
  server.SetPort(0);
  for (int bad : {-1, 65536, 70000}) {
    EXPECT_EQ(ErrorOf([&] { server.SetPort(bad); }),
              QString("TServer.SetPort: Port number out of range: %1").arg(bad));
    EXPECT_EQ(server.Port(), 0);
  }
}

// --- The list and its file -------------------------------------------------

class ServersTest : public ::testing::Test {
 protected:
  static void Put(const QByteArray& Text) {
    QDir().mkpath(QFileInfo(TServers::FileName()).path());
    QFile file(TServers::FileName());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(Text);
  }
  static QByteArray Get() {
    QFile file(TServers::FileName());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
  }
  // "display name|password|dir|port" of each server, in list order.
  QStringList List() const {
    QStringList list;
    for (int i = 0; i < Servers.Count(); ++i) {
      const TServer* s = Servers.GetServer(i);
      list << QString("%1|%2|%3|%4")
                  .arg(QString(s->DisplayName()), QString(s->Password()), QString(s->StartingDir()))
                  .arg(s->Port());
    }
    return list;
  }

  TempHome Home;
  TServers Servers;
};

TEST_F(ServersTest, FileFollowsTheConfigurationHome) {
  EXPECT_EQ(TServers::FileName(), Home.ConfigHome() + "/Quillery/Servers.ini");
}

TEST_F(ServersTest, AddFindAndPositions) {
  Servers.Add("a - b", "c", "pw", "/d", 22);
  Servers.Add("a", "b - c", "", "", 23);
  Servers.Add("Server1", "bob", "", "", 24);
  EXPECT_EQ(ErrorOf([&] { Servers.Add("h", "u", "", "", 65536); }),
            "TServer.SetPort: Port number out of range: 65536");
  EXPECT_EQ(Servers.Count(), 3);

  // Display names are the identity: "a - b"/"c" and "a"/"b - c" are one host.
  EXPECT_EQ(Servers.Find("a", "b - c"), Servers.GetServer(0));
  EXPECT_EQ(Servers.Find("a - b", "c"), Servers.GetServer(0));
  EXPECT_EQ(Servers.Find("Server1", "bob"), Servers.GetServer(2));
  EXPECT_EQ(Servers.Find("server1", "bob"), nullptr);
  EXPECT_EQ(Servers.Find("", ""), nullptr);

  for (int bad : {-1, 3})
    EXPECT_EQ(ErrorOf([&] { Servers.GetServer(bad); }), "Argument out of range");
}

TEST_F(ServersTest, NoFileMeansNoHostsAndNothingCreated) {
  Servers.Add("h", "u", "", "", 22);
  Servers.Load();
  EXPECT_EQ(Servers.Count(), 0);
  EXPECT_FALSE(QFileInfo::exists(QFileInfo(TServers::FileName()).path()));
}

TEST_F(ServersTest, SaveWritesEveryKeyInOrderAndLoadsBack) {
  Servers.Add("alpha", "ann", "abc", "/home/ann", 2222);
  Servers.Add("beta", "bob", "", "", 22);
  Servers.Add("gamma", "gus", "p\xC3\xA4\xFF", " /odd dir ", 0);
  Servers.Save();
  EXPECT_EQ(
      Get(),
      "[alpha - "
      "ann]\nHostName=alpha\nUserName=ann\nPassword=5898D8\nStartingDir=/home/ann\nPort=2222\n"
      "[beta - bob]\nHostName=beta\nUserName=bob\nPassword=\nStartingDir=\nPort=22\n"
      "[gamma - gus]\nHostName=gamma\nUserName=gus\nPassword=1CF029FF\nStartingDir=\" /odd dir "
      "\"\nPort=0\n");
  const QStringList saved = List();
  Servers.Load();
  EXPECT_EQ(List(), saved);
  Servers.Load();
  EXPECT_EQ(List(), saved) << "loading twice must not double the list";
  EXPECT_EQ(Servers.GetServer(2)->Password(), "p\xC3\xA4\xFF");
}

// The key file is the one key newer than the rest: a file written before it
// existed loads and saves back byte for byte, and a host with a key carries
// it after the older keys.
TEST_F(ServersTest, PrivateKeyFileFollowsTheOlderKeys) {
  const QByteArray old =
      "[alpha - ann]\nHostName=alpha\nUserName=ann\nPassword=5898D8\nStartingDir=/a\nPort=2222\n"
      "[beta - bob]\nHostName=beta\nUserName=bob\nPassword=\nStartingDir=\nPort=22\n";
  Put(old);
  Servers.Load();
  EXPECT_EQ(List(), (QStringList{"alpha - ann|abc|/a|2222", "beta - bob|||22"}));
  EXPECT_EQ(Servers.GetServer(0)->PrivateKeyFile(), "");
  Servers.Save();
  EXPECT_EQ(Get(), old);

  const QString key = QString::fromUtf8("/home/b\xC3\xB6\x62/.ssh/id ed25519");
  Servers.GetServer(1)->SetPrivateKeyFile(key);
  Servers.Add("gamma", "gus", "", "", 22)->SetPrivateKeyFile("/k.ppk");
  Servers.Save();
  EXPECT_EQ(
      Get(),
      "[alpha - ann]\nHostName=alpha\nUserName=ann\nPassword=5898D8\nStartingDir=/a\nPort=2222\n"
      "[beta - bob]\nHostName=beta\nUserName=bob\nPassword=\nStartingDir=\nPort=22\n"
      "PrivateKeyFile=/home/b\xC3\xB6\x62/.ssh/id ed25519\n"
      "[gamma - gus]\nHostName=gamma\nUserName=gus\nPassword=\nStartingDir=\nPort=22\n"
      "PrivateKeyFile=/k.ppk\n");
  Servers.Load();
  EXPECT_EQ(Servers.GetServer(1)->PrivateKeyFile(), key);
  EXPECT_EQ(Servers.GetServer(2)->PrivateKeyFile(), "/k.ppk");

  // A key taken away is written empty, so the old one does not come back.
  Servers.GetServer(2)->SetPrivateKeyFile("");
  Servers.Save();
  EXPECT_TRUE(Get().endsWith("Port=22\nPrivateKeyFile=\n")) << Get().toStdString();
  Servers.Load();
  EXPECT_EQ(Servers.GetServer(2)->PrivateKeyFile(), "");
}

// Removing takes the host out of the list and the file: the section it was
// read from and its display name's (left there by an earlier save), with any
// copy of either; the other hosts and the file's comments stay.
TEST_F(ServersTest, RemoveTakesTheHostOutOfListAndFile) {
  Put("; my hosts\n"
      "[a - b]\nHostName=x\nUserName=y\nPassword=\n"
      "[keep - k]\nHostName=keep\nUserName=k\n"
      "[x - y]\nHostName=x\nUserName=y\nStartingDir=/saved\n"
      "[X - Y]\nHostName=shadowed\n");
  Servers.Load();
  ASSERT_EQ(List(), (QStringList{"x - y|||22", "keep - k|||22", "x - y||/saved|22"}));
  Servers.Remove(0);
  EXPECT_EQ(List(), (QStringList{"keep - k|||22", "x - y||/saved|22"}));
  EXPECT_EQ(Get(), "; my hosts\n[keep - k]\nHostName=keep\nUserName=k\n");
  Servers.Load();
  EXPECT_EQ(List(), QStringList{"keep - k|||22"});

  EXPECT_EQ(ErrorOf([&] { Servers.Remove(1); }), "Argument out of range");

  // A folder where the file should be: the error, and the list as it was.
  QFile::remove(TServers::FileName());
  QDir().mkpath(TServers::FileName());
  EXPECT_FALSE(ErrorOf([&] { Servers.Remove(0); }).isEmpty());
  EXPECT_EQ(List(), QStringList{"keep - k|||22"});
}

// A password that could go nowhere safer lands in its host's section, in
// place; a host no longer in the file is not brought back by it.
TEST_F(ServersTest, WritePasswordFillsOnlyAnExistingSection) {
  Put("[alpha - ann]\nHostName=alpha\nUserName=ann\nPassword=\nStartingDir=/a\nPort=22\n");
  TServers::WritePassword("ALPHA - ann", "abc");
  EXPECT_EQ(
      Get(),
      "[alpha - ann]\nHostName=alpha\nUserName=ann\nPassword=5898D8\nStartingDir=/a\nPort=22\n");
  const QByteArray before = Get();
  TServers::WritePassword("gone - x", "abc");
  EXPECT_EQ(Get(), before);
}

TEST_F(ServersTest, SavedFileIsPrivate) {
  QDir(Home.ConfigHome()).removeRecursively();
  Servers.Add("h", "u", "secret", "", 22);
  Servers.Save();
  const auto owner = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
  EXPECT_EQ(QFileInfo(TServers::FileName()).permissions(), owner);
  EXPECT_EQ(QFileInfo(Home.ConfigHome() + "/Quillery").permissions(),
            owner | QFile::ExeOwner | QFile::ExeUser);
  EXPECT_EQ(QFileInfo(Home.ConfigHome()).permissions(), owner | QFile::ExeOwner | QFile::ExeUser);
}

TEST_F(ServersTest, ReadsAFileWrittenByAnotherTool) {
  Put("; my hosts\r\n"
      "\r\n"
      "[Alpha - Ann]\r\n"
      "  hostNAME = alpha \r\n"
      "username=ann\r\n"
      "PASSWORD = 5898D8\r\n"
      "port=70000\r\n"
      "\r\n"
      "[nopass - x]\r\n"
      "HostName=nopass\r\n"
      "UserName=x\r\n"
      "StartingDir = /srv/www \r\n"
      "Port=abc\r\n"
      "[blankpass - y]\r\n"
      "HostName=blankpass\r\n"
      "UserName=y\r\n"
      "Password=\"  \"\r\n"
      "Port=\r\n"
      "[quoted - z]\r\n"
      "HostName=\"quoted\"\r\n"
      "UserName='z'\r\n"
      "Password=\r\n");
  Servers.Load();
  EXPECT_EQ(List(), (QStringList{"alpha - ann|abc||70000", "nopass - x||/srv/www|22",
                                 "blankpass - y|||22", "quoted - z|||22"}));

  // A port out of range loads and saves unchanged; only the dialog refuses it.
  Servers.Save();
  Servers.Load();
  EXPECT_EQ(Servers.GetServer(0)->Port(), 70000);
  EXPECT_TRUE(Get().contains("port=70000\r\n")) << Get().toStdString();
  EXPECT_TRUE(Get().startsWith("; my hosts\r\n\r\n[Alpha - Ann]\r\n")) << Get().toStdString();
}

// The section name is only where a host is kept: the keys say who it is.
TEST_F(ServersTest, SectionNameIsNotTheHost) {
  const QByteArray ab = "[a - b]\nHostName=x\nUserName=y\nPassword=\nStartingDir=\nPort=22\n";
  Put(ab);
  Servers.Load();
  EXPECT_EQ(List(), QStringList{"x - y|||22"});
  Servers.GetServer(0)->SetStartingDir("/new");
  Servers.Save();
  EXPECT_EQ(Get(), ab + "[x - y]\nHostName=x\nUserName=y\nPassword=\nStartingDir=/new\nPort=22\n");
}

// Two hosts the list tells apart by letter case share one section: the
// later one in the list wins.
TEST_F(ServersTest, HostsDifferingInCaseShareOneSection) {
  Servers.Add("Server1", "bob", "one", "/1", 22);
  Servers.Add("server1", "bob", "two", "/2", 23);
  EXPECT_NE(Servers.Find("Server1", "bob"), Servers.Find("server1", "bob"));
  Servers.Save();
  EXPECT_EQ(Get().count('['), 1) << Get().toStdString();
  Servers.Load();
  EXPECT_EQ(List(), QStringList{"server1 - bob|two|/2|23"});
}

TEST_F(ServersTest, DamagedSectionsAreReportedLeftOutAndKeptInTheFile) {
  const QByteArray odd = "[odd - x]\nHostName=odd\nUserName=x\nPassword=ABC\n";
  const QByteArray bad = "[bad - x]\nHostName=bad\nUserName=x\nPassword=58ZZ\n";
  const QByteArray noHost = "[nohost]\nUserName=x\n";
  const QByteArray noUser = "[nouser]\nHostName=h\nUserName=\n";
  Put("[good - a]\nHostName=good\nUserName=a\nPassword=5898D8\n" + odd + bad + noHost + noUser +
      "[fine - b]\nHostName=fine\nUserName=b\n");
  Servers.Add("stale", "entry", "", "", 22);
  const QString notSet = "TServer.GetDisplayName: HostName or UserName not set";
  EXPECT_EQ(ErrorOf([&] { Servers.Load(); }),
            QString("Servers.ini \"%1\": section \"odd - x\": Error 22; "
                    "section \"bad - x\": ''$ZZ'' is not a valid integer value; "
                    "section \"nohost\": %2; section \"nouser\": %2")
                .arg(TServers::FileName(), notSet));
  EXPECT_EQ(List(), (QStringList{"good - a|abc||22", "fine - b|||22"}));

  Servers.Add("new", "c", "", "", 22);
  Servers.Save();
  const QByteArray saved = Get();
  for (const QByteArray& section : {odd, bad, noHost, noUser})
    EXPECT_TRUE(saved.contains(section)) << saved.toStdString();
  EXPECT_TRUE(
      saved.endsWith("[new - c]\nHostName=new\nUserName=c\nPassword=\nStartingDir=\nPort=22\n"));
}

TEST_F(ServersTest, FailedSaveNamesTheFileAndKeepsTheOldOne) {
  // A file where the Quillery folder should be.
  QFile blocker(Home.ConfigHome() + "/Quillery");
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  Servers.Add("h", "u", "", "", 22);
  EXPECT_EQ(ErrorOf([&] { Servers.Save(); }), "Unable to write to " + TServers::FileName());

  // A server that cannot name its section stops the save before anything is written.
  QFile::remove(Home.ConfigHome() + "/Quillery");
  Put("[keep]\nHostName=k\nUserName=k\n");
  Servers.Add("", "nobody", "", "", 22);
  EXPECT_EQ(ErrorOf([&] { Servers.Save(); }),
            "TServer.GetDisplayName: HostName or UserName not set");
  EXPECT_EQ(Get(), "[keep]\nHostName=k\nUserName=k\n");
}

}  // namespace
