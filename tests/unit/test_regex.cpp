// The regular-expression object every parse of psftp's output goes through:
// UTF-8 mode, newline convention "any", optional multiline, no empty matches.
#include <gtest/gtest.h>

#include "core/Exception.h"
#include "remote/listing/PerlRegEx.h"

namespace {

QString Utf8(const char* Text) { return QString::fromUtf8(Text); }

TEST(PerlRegEx, SharedObjectFindsAResultLineInsideAPiece) {
  // The way the conversation uses it: multiline, a whole CR LF piece as subject.
  TPerlRegEx regex;
  regex.SetOptions(preMultiLine);
  regex.SetRegEx("^Remote directory is now (.*)$");
  regex.SetSubject("Listing follows\r\nRemote directory is now /www/my site\r\npsftp> ");
  ASSERT_TRUE(regex.Match());
  // "." stops before the CR, and "$" matches just before CR LF.
  EXPECT_EQ(regex.Groups(1), "/www/my site");
  EXPECT_EQ(regex.Groups(0), "Remote directory is now /www/my site");
  EXPECT_EQ(regex.GroupCount(), 1);
}

TEST(PerlRegEx, WithoutMultilineAnchorsHoldOnlyAtTheSubjectsEnds) {
  TPerlRegEx regex;
  regex.SetSubject("x\r\nRemote\r\n");
  regex.SetRegEx("^Remote");
  EXPECT_FALSE(regex.Match());
  regex.SetRegEx("^x$");
  EXPECT_FALSE(regex.Match());
  regex.SetRegEx("Remote$");  // before the final line end only
  EXPECT_TRUE(regex.Match());

  // Changing the options of the same pattern takes effect.
  regex.SetRegEx("^x$");
  regex.SetOptions(preMultiLine);
  EXPECT_TRUE(regex.Match());
  regex.SetOptions(0);
  EXPECT_FALSE(regex.Match());
}

TEST(PerlRegEx, EveryKindOfLineEndEndsALine) {
  const QString ends[] = {"\r",
                          "\n",
                          "\r\n",
                          "\x0b",
                          "\x0c",
                          QString(QChar(0x85)),
                          QString(QChar(0x2028)),
                          QString(QChar(0x2029))};
  TPerlRegEx lines;
  lines.SetOptions(preMultiLine);
  lines.SetRegEx("^(b)$");
  TPerlRegEx dot;
  dot.SetRegEx("a.b");
  for (const QString& end : ends) {
    SCOPED_TRACE(end.toUtf8().toHex().toStdString());
    lines.SetSubject("a" + end + "b" + end + "c");
    EXPECT_TRUE(lines.Match());
    EXPECT_EQ(lines.Groups(1), "b");
    dot.SetSubject("a" + end + "b");
    EXPECT_FALSE(dot.Match());  // "." takes no line end
  }
  // A tab is no line end: "." takes it.
  dot.SetSubject("a\tb");
  EXPECT_TRUE(dot.Match());
}

TEST(PerlRegEx, GroupsComeBackDecodedFromUtf8) {
  TPerlRegEx regex;
  regex.SetRegEx("name: (.+)$");
  regex.SetSubject(Utf8("name: caf\xc3\xa9+(1) \xf0\x9f\x98\x80.txt"));
  ASSERT_TRUE(regex.Match());
  EXPECT_EQ(regex.Groups(1), Utf8("caf\xc3\xa9+(1) \xf0\x9f\x98\x80.txt"));

  // UTF mode: "." is one character, however many bytes it takes.
  regex.SetRegEx("^(.)(.)$");
  regex.SetSubject(Utf8("\xc3\xa9\xf0\x9f\x98\x80"));
  ASSERT_TRUE(regex.Match());
  EXPECT_EQ(regex.Groups(1), Utf8("\xc3\xa9"));
  EXPECT_EQ(regex.Groups(2), Utf8("\xf0\x9f\x98\x80"));
}

TEST(PerlRegEx, GroupsThatTookNoPartAreEmpty) {
  TPerlRegEx regex;
  regex.SetRegEx("(a)|(b)(c)?");
  regex.SetSubject("xb");
  ASSERT_TRUE(regex.Match());
  EXPECT_EQ(regex.GroupCount(), 2);  // the highest group that took part
  EXPECT_TRUE(regex.Groups(1).isEmpty());
  EXPECT_EQ(regex.Groups(2), "b");
  EXPECT_TRUE(regex.Groups(3).isEmpty());
  EXPECT_TRUE(regex.Groups(-1).isEmpty());

  // A new subject forgets the last match.
  regex.SetSubject("a");
  EXPECT_EQ(regex.GroupCount(), 0);
  EXPECT_TRUE(regex.Groups(2).isEmpty());
  ASSERT_TRUE(regex.Match());
  EXPECT_EQ(regex.Groups(1), "a");
  regex.SetSubject("zzz");
  EXPECT_FALSE(regex.Match());
  EXPECT_TRUE(regex.Groups(0).isEmpty());
}

TEST(PerlRegEx, EmptyMatchesAreRefused) {
  TPerlRegEx regex;
  regex.SetRegEx("x*");
  regex.SetSubject("abxx");
  ASSERT_TRUE(regex.Match());  // not the empty match at the start
  EXPECT_EQ(regex.Groups(0), "xx");
  regex.SetSubject("abc");
  EXPECT_FALSE(regex.Match());
  regex.SetRegEx("^");
  EXPECT_FALSE(regex.Match());
  regex.SetSubject("");
  EXPECT_FALSE(regex.Match());
}

TEST(PerlRegEx, BadPatternThrowsWithPcresReasonEveryTime) {
  TPerlRegEx regex;
  regex.SetSubject("(unclosed");
  regex.SetRegEx("(unclosed");
  try {
    regex.Match();
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_TRUE(e.Message().contains("(unclosed")) << e.what();
    EXPECT_TRUE(e.Message().contains("missing closing parenthesis")) << e.what();
  }
  EXPECT_THROW(regex.Match(), Exception);  // nothing half-compiled is kept

  // The object is usable again with a good pattern.
  regex.SetRegEx("\\((\\w+)");
  ASSERT_TRUE(regex.Match());
  EXPECT_EQ(regex.Groups(1), "unclosed");
}

TEST(PerlRegEx, SwitchingBetweenPatternsKeepsEachOneRight) {
  // The driver tries several patterns on every line with one object.
  const QString download = "^remote:(.+) => local:(.+)$";
  const QString upload = "^local:(.+) => remote:(.+)$";
  const QString lines[] = {"remote:/a.txt => local:a.txt", "local:b.txt => remote:/b.txt"};
  TPerlRegEx regex;
  regex.SetOptions(preMultiLine);
  for (int round = 0; round < 12; ++round) {  // more patterns in use than kept, too
    for (const QString& line : lines) {
      regex.SetSubject(line);
      regex.SetRegEx(download);
      EXPECT_EQ(regex.Match(), line.startsWith("remote:"));
      regex.SetRegEx(upload);
      EXPECT_EQ(regex.Match(), line.startsWith("local:"));
      regex.SetRegEx(QString("^(x{%1})?").arg(round));  // a new pattern each round
      regex.Match();
    }
  }
  regex.SetSubject(lines[0]);
  regex.SetRegEx(download);
  ASSERT_TRUE(regex.Match());
  EXPECT_EQ(regex.Groups(1), "/a.txt");
  EXPECT_EQ(regex.Groups(2), "a.txt");
}

}  // namespace
