#include <gtest/gtest.h>

#include "core/Exception.h"
#include "remote/operations/AnswerEnd.h"
#include "remote/operations/PsftpCommand.h"

TEST(PsftpCommand, QuotesEveryArgumentTheWayPsftpSplitsWords) {
  struct Case {
    QByteArray verb;
    QByteArrayList args;
    QByteArray expected;
  } cases[] = {
      {"ls", {}, "ls"},
      {"cd", {"/www"}, "cd \"/www\""},
      {"get", {"my notes.txt"}, "get \"my notes.txt\""},
      {"get", {"a\"b"}, "get \"a\"\"b\""},
      {"get", {"\"quoted\""}, "get \"\"\"quoted\"\"\""},
      {"put", {"/tmp/a b", "/www/c d"}, "put \"/tmp/a b\" \"/www/c d\""},
      {"get", {"back\\slash"}, "get \"back\\slash\""},
      {"get", {"caf\xc3\xa9+(1).txt"}, "get \"caf\xc3\xa9+(1).txt\""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TPsftpCommand::Build(c.verb, c.args), c.expected) << c.expected.constData();
}

TEST(PsftpCommand, RefusesWhatPsftpCannotReceive) {
  // A line break would end the command early; "" reads as a literal quote.
  for (const QByteArray& arg : {QByteArray("a\nb"), QByteArray("a\rb"), QByteArray()}) {
    EXPECT_THROW(TPsftpCommand::Build("get", {arg}), Exception) << arg.constData();
  }
}

// The line that ends an answer is psftp's refusal of the closing command
// with this command's value, wherever a read cut psftp's prompt from it.
TEST(AnswerEnd, OnlyTheRefusalOfThisCommandsValueEndsTheAnswer) {
  TAnswerEnd end;
  EXPECT_FALSE(end.Pending());
  const QByteArray first = end.Next();
  const QString firstPath = QString::fromLatin1(first.mid(5, first.size() - 6));
  const QByteArray command = end.Next();
  EXPECT_TRUE(command.startsWith("lcd \"/dev/null/")) << command.constData();
  EXPECT_NE(command, first);  // a new value for every command
  const QString path = QString::fromLatin1(command.mid(5, command.size() - 6));
  const QString refusal = "lcd: unable to change directory: " + path + ": chdir: Not a directory";
  const struct {
    QString line;
    bool ends;
    QString before;
  } cases[] = {
      {refusal, true, ""},
      {"psftp> " + refusal, true, ""},
      {"no line endpsftp> " + refusal, true, "no line end"},
      {"lcd: unable to change directory: " + firstPath + ": chdir: Not a directory", false, ""},
      {"psftp> lcd: unable to change directory: /dev/null/", false, ""},
      {"-rw-r--r--    1 u  g  5 Jan  1 00:00 psftp> ", false, ""},
  };
  for (const auto& c : cases) {
    QString before = "unset";
    EXPECT_EQ(end.Ends(c.line, before), c.ends) << c.line.toStdString();
    if (c.ends) {
      EXPECT_EQ(before, c.before) << c.line.toStdString();
    }
  }
  end.Forget();
  EXPECT_FALSE(end.Pending());
  QString before;
  EXPECT_FALSE(end.Ends(refusal, before));
}
