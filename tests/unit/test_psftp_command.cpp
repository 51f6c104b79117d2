#include <gtest/gtest.h>

#include "core/Exception.h"
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
