#pragma once

#include <QByteArrayView>
#include <QString>
#include <vector>

// The languages a page can be highlighted as; None is plain text.
enum class TLanguage {
  None,
  Html,
  JavaScript,
  Java,
  Perl,
  Css,
  Shell,
  Python,
  Php,
  Ruby,
  Json,
  Yaml,
  Xml,
  Sql,
  Markdown,
  Config,
  Makefile,
  Diff,
  Cpp,
  Lua,
  CMake,
};

// Which language a server file is written in, from its name and its first
// line. One table holds every rule; rules are tried in its order: extensions
// (the five original highlighters' rows first), then whole file names, then
// the first line. Files on servers often carry no extension (scripts, dot
// files, Makefile), which is why the name and the first line count at all.
class TLanguageTable {
 public:
  enum TRuleKind { Extension, FileName, FirstLine };
  struct TRule {
    TRuleKind Kind;
    // An extension with its dot, compared in lower case; a whole file name,
    // compared as it is; or a regular expression the first line must match.
    const char* Text;
    TLanguage Language;
  };

  static const std::vector<TRule>& Rules();
  // FileName may hold folders ('/' separated); FirstLine is the text's
  // first line as UTF-8, or more of the text (only the first line counts).
  static TLanguage Choose(const QString& FileName, QByteArrayView FirstLine);
  // The name the user sees ("Plain Text" for None).
  static QString Name(TLanguage Language);
  // Every language, None first, in the order a menu lists them.
  static const std::vector<TLanguage>& All();
};
