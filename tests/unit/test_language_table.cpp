#include <gtest/gtest.h>

#include <set>

#include "remote/editing/LanguageTable.h"

namespace {

struct TCase {
  const char* FileName;
  const char* FirstLine;
  TLanguage Expected;
};

void PrintTo(const TCase& Case, std::ostream* Out) {
  *Out << '"' << Case.FileName << "\" / \"" << Case.FirstLine << '"';
}

class LanguageChoice : public ::testing::TestWithParam<TCase> {};

TEST_P(LanguageChoice, ComesFromTheNameThenTheFirstLine) {
  const TCase& c = GetParam();
  EXPECT_EQ(TLanguageTable::Choose(QString::fromUtf8(c.FileName), c.FirstLine), c.Expected)
      << TLanguageTable::Name(TLanguageTable::Choose(QString::fromUtf8(c.FileName), c.FirstLine))
             .toStdString();
}

using L = TLanguage;

// The five original highlighters keep their extensions, compared in lower
// case, and a dot in a folder's name is no extension.
INSTANTIATE_TEST_SUITE_P(
    OriginalRows, LanguageChoice,
    ::testing::Values(TCase{"INDEX.HTML", "", L::Html}, TCase{"view.jsp", "", L::Html},
                      TCase{"script.JS", "", L::JavaScript}, TCase{"run.CGI", "", L::Perl},
                      TCase{"x.perl", "", L::Perl}, TCase{"a.pl", "", L::Perl},
                      TCase{"Main.java", "", L::Java}, TCase{"/tmp/x/site.css", "", L::Css},
                      TCase{".css", "", L::Css}, TCase{"dir.js/file", "", L::None},
                      TCase{"archive.css.bak", "", L::None}));

INSTANTIATE_TEST_SUITE_P(
    Extensions, LanguageChoice,
    ::testing::Values(TCase{"page.htm", "", L::Html}, TCase{"deploy.sh", "", L::Shell},
                      TCase{"app.py", "", L::Python}, TCase{"index.php", "", L::Php},
                      TCase{"task.rb", "", L::Ruby}, TCase{"package.json", "", L::Json},
                      TCase{"ci.yml", "", L::Yaml}, TCase{"compose.YAML", "", L::Yaml},
                      TCase{"pom.xml", "", L::Xml}, TCase{"logo.svg", "", L::Xml},
                      TCase{"schema.xsd", "", L::Xml}, TCase{"dump.sql", "", L::Sql},
                      TCase{"README.md", "", L::Markdown}, TCase{"php.ini", "", L::Config},
                      TCase{"my.cnf", "", L::Config}, TCase{"app.cfg", "", L::Config},
                      TCase{"prod.env", "", L::Config}, TCase{"nginx.service", "", L::Config},
                      TCase{"app.properties", "", L::Config}, TCase{"rules.mk", "", L::Makefile},
                      TCase{"fix.patch", "", L::Diff}, TCase{"a.diff", "", L::Diff},
                      TCase{"main.c", "", L::Cpp}, TCase{"x.hpp", "", L::Cpp},
                      TCase{"init.lua", "", L::Lua}, TCase{"Find.cmake", "", L::CMake}));

// The name decides before the first line, and only a whole name counts.
INSTANTIATE_TEST_SUITE_P(
    FileNames, LanguageChoice,
    ::testing::Values(TCase{"/srv/app/Makefile", "", L::Makefile},
                      TCase{"Dockerfile", "", L::Shell}, TCase{"home/.bashrc", "", L::Shell},
                      TCase{".profile", "", L::Shell}, TCase{"crontab", "", L::Shell},
                      TCase{"/etc/nginx/nginx.conf", "", L::Config},
                      TCase{".htaccess", "", L::Config}, TCase{".env", "", L::Config},
                      TCase{"CMakeLists.txt", "", L::CMake}, TCase{"Makefile.old", "", L::None},
                      TCase{"my.bashrc", "", L::None},
                      TCase{"deploy.sh", "#!/usr/bin/env python3", L::Shell}));

INSTANTIATE_TEST_SUITE_P(
    FirstLines, LanguageChoice,
    ::testing::Values(
        TCase{"start", "#!/bin/sh\necho hi\n", L::Shell},
        TCase{"start", "#!/bin/bash -e", L::Shell}, TCase{"start", "#!/usr/bin/env bash", L::Shell},
        TCase{"tool", "#!/usr/bin/env python3\r\nimport os", L::Python},
        TCase{"tool", "#!/usr/bin/python2.7", L::Python},
        TCase{"index.cgi2", "#!/usr/bin/perl -w", L::Perl},
        TCase{"server", "#!/usr/bin/env node", L::JavaScript},
        TCase{"rake", "#!/usr/bin/env ruby", L::Ruby}, TCase{"page", "<?php echo 1; ?>", L::Php},
        TCase{"feed", "<?xml version=\"1.0\"?>", L::Xml}, TCase{"page", "<!DOCTYPE html>", L::Html},
        TCase{"notes.txt", "#!/bin/sh", L::Shell},
        // Only the first line counts, and only at its start.
        TCase{"notes", "hello\n#!/bin/sh", L::None}, TCase{"notes", " #!/bin/sh", L::None},
        TCase{"notes", "#!/usr/bin/shellcheck", L::None},
        TCase{"notes.txt", "plain words", L::None}, TCase{"", "", L::None}));

TEST(LanguageTable, EveryLanguageHasItsOwnNameAndTheMenuListsEachOnce) {
  std::set<QString> names;
  std::set<TLanguage> listed;
  for (const TLanguage language : TLanguageTable::All()) {
    names.insert(TLanguageTable::Name(language));
    listed.insert(language);
  }
  EXPECT_EQ(names.size(), TLanguageTable::All().size());
  EXPECT_EQ(listed.size(), TLanguageTable::All().size());
  for (const TLanguageTable::TRule& rule : TLanguageTable::Rules())
    EXPECT_EQ(listed.count(rule.Language), 1u) << rule.Text;
}

}  // namespace
