#include "remote/editing/LanguageTable.h"

#include <QRegularExpression>
#include <algorithm>

namespace {

using L = TLanguage;
using R = TLanguageTable;

// A first line longer than this is no shebang or declaration worth reading.
constexpr qsizetype kFirstLineLimit = 256;

const std::vector<TLanguageTable::TRule> kRules = {
    // The five original highlighters' extensions, as they always were.
    {R::Extension, ".html", L::Html},
    {R::Extension, ".jsp", L::Html},
    {R::Extension, ".js", L::JavaScript},
    {R::Extension, ".pl", L::Perl},
    {R::Extension, ".perl", L::Perl},
    {R::Extension, ".cgi", L::Perl},
    {R::Extension, ".java", L::Java},
    {R::Extension, ".css", L::Css},
    // More extensions.
    {R::Extension, ".htm", L::Html},
    {R::Extension, ".xhtml", L::Html},
    {R::Extension, ".shtml", L::Html},
    {R::Extension, ".mjs", L::JavaScript},
    {R::Extension, ".cjs", L::JavaScript},
    {R::Extension, ".pm", L::Perl},
    {R::Extension, ".sh", L::Shell},
    {R::Extension, ".bash", L::Shell},
    {R::Extension, ".zsh", L::Shell},
    {R::Extension, ".ksh", L::Shell},
    {R::Extension, ".py", L::Python},
    {R::Extension, ".pyw", L::Python},
    {R::Extension, ".php", L::Php},
    {R::Extension, ".phtml", L::Php},
    {R::Extension, ".rb", L::Ruby},
    {R::Extension, ".rake", L::Ruby},
    {R::Extension, ".gemspec", L::Ruby},
    {R::Extension, ".json", L::Json},
    {R::Extension, ".webmanifest", L::Json},
    {R::Extension, ".yaml", L::Yaml},
    {R::Extension, ".yml", L::Yaml},
    {R::Extension, ".xml", L::Xml},
    {R::Extension, ".svg", L::Xml},
    {R::Extension, ".xsd", L::Xml},
    {R::Extension, ".xsl", L::Xml},
    {R::Extension, ".xslt", L::Xml},
    {R::Extension, ".rss", L::Xml},
    {R::Extension, ".sql", L::Sql},
    {R::Extension, ".md", L::Markdown},
    {R::Extension, ".markdown", L::Markdown},
    {R::Extension, ".ini", L::Config},
    {R::Extension, ".conf", L::Config},
    {R::Extension, ".cfg", L::Config},
    {R::Extension, ".cnf", L::Config},
    {R::Extension, ".env", L::Config},
    {R::Extension, ".properties", L::Config},
    {R::Extension, ".service", L::Config},
    {R::Extension, ".socket", L::Config},
    {R::Extension, ".timer", L::Config},
    {R::Extension, ".mount", L::Config},
    {R::Extension, ".target", L::Config},
    {R::Extension, ".desktop", L::Config},
    {R::Extension, ".mk", L::Makefile},
    {R::Extension, ".mak", L::Makefile},
    {R::Extension, ".diff", L::Diff},
    {R::Extension, ".patch", L::Diff},
    {R::Extension, ".c", L::Cpp},
    {R::Extension, ".h", L::Cpp},
    {R::Extension, ".cpp", L::Cpp},
    {R::Extension, ".cc", L::Cpp},
    {R::Extension, ".cxx", L::Cpp},
    {R::Extension, ".hpp", L::Cpp},
    {R::Extension, ".hh", L::Cpp},
    {R::Extension, ".lua", L::Lua},
    {R::Extension, ".cmake", L::CMake},
    // Well-known file names.
    {R::FileName, "Makefile", L::Makefile},
    {R::FileName, "makefile", L::Makefile},
    {R::FileName, "GNUmakefile", L::Makefile},
    {R::FileName, "Dockerfile", L::Shell},
    {R::FileName, ".bashrc", L::Shell},
    {R::FileName, ".bash_profile", L::Shell},
    {R::FileName, ".bash_logout", L::Shell},
    {R::FileName, ".bash_aliases", L::Shell},
    {R::FileName, ".profile", L::Shell},
    {R::FileName, ".zshrc", L::Shell},
    {R::FileName, "crontab", L::Shell},
    {R::FileName, "nginx.conf", L::Config},
    {R::FileName, ".htaccess", L::Config},
    {R::FileName, ".env", L::Config},
    {R::FileName, ".gitconfig", L::Config},
    {R::FileName, ".editorconfig", L::Config},
    {R::FileName, "CMakeLists.txt", L::CMake},
    {R::FileName, "Rakefile", L::Ruby},
    {R::FileName, "Gemfile", L::Ruby},
    // The first line: an interpreter line or a declaration.
    {R::FirstLine, R"(^#!\S*(/|\s)(env\s+)?(ba|da|k|z)?sh\b)", L::Shell},
    {R::FirstLine, R"(^#!\S*(/|\s)(env\s+)?python[0-9.]*\b)", L::Python},
    {R::FirstLine, R"(^#!\S*(/|\s)(env\s+)?perl\b)", L::Perl},
    {R::FirstLine, R"(^#!\S*(/|\s)(env\s+)?(node|nodejs)\b)", L::JavaScript},
    {R::FirstLine, R"(^#!\S*(/|\s)(env\s+)?ruby\b)", L::Ruby},
    {R::FirstLine, R"(^#!\S*(/|\s)(env\s+)?lua\b)", L::Lua},
    {R::FirstLine, R"(^#!\S*(/|\s)(env\s+)?php\b)", L::Php},
    {R::FirstLine, R"(^<\?php\b)", L::Php},
    {R::FirstLine, R"(^<\?xml\b)", L::Xml},
    {R::FirstLine, R"(^<!doctype\s+html\b)", L::Html},
    {R::FirstLine, R"(^diff\s)", L::Diff},
};

// ".txt" for "dir/notes.txt", empty for "dir/a.b/file" and "README": a dot
// inside a folder name is no extension. ".bashrc" is its own extension, which
// no extension rule names, so the file-name rules decide it.
QString LowerExtension(const QString& FileName) {
  const qsizetype dot = FileName.lastIndexOf(u'.');
  if (dot < 0 || dot < FileName.lastIndexOf(u'/')) return QString();
  return FileName.mid(dot).toLower();
}

QString BaseName(const QString& FileName) { return FileName.mid(FileName.lastIndexOf(u'/') + 1); }

QString FirstLineText(QByteArrayView Text) {
  Text = Text.first(std::min(Text.size(), kFirstLineLimit));
  const qsizetype end = std::min(Text.indexOf('\n') < 0 ? Text.size() : Text.indexOf('\n'),
                                 Text.indexOf('\r') < 0 ? Text.size() : Text.indexOf('\r'));
  return QString::fromUtf8(Text.first(end));
}

// Compiled once: the table never changes while the program runs.
const std::vector<QRegularExpression>& FirstLinePatterns() {
  static const std::vector<QRegularExpression> patterns = [] {
    std::vector<QRegularExpression> compiled;
    for (const TLanguageTable::TRule& rule : kRules)
      compiled.emplace_back(rule.Kind == R::FirstLine ? QString::fromLatin1(rule.Text) : QString(),
                            QRegularExpression::CaseInsensitiveOption);
    return compiled;
  }();
  return patterns;
}

bool Matches(std::size_t Index, const QString& Extension, const QString& Name,
             const QString& FirstLine) {
  const TLanguageTable::TRule& rule = kRules[Index];
  switch (rule.Kind) {
    case R::Extension:
      return !Extension.isEmpty() && Extension == QLatin1String(rule.Text);
    case R::FileName:
      return Name == QLatin1String(rule.Text);
    case R::FirstLine:
      return FirstLinePatterns()[Index].match(FirstLine).hasMatch();
  }
  return false;
}

}  // namespace

const std::vector<TLanguageTable::TRule>& TLanguageTable::Rules() { return kRules; }

TLanguage TLanguageTable::Choose(const QString& FileName, QByteArrayView FirstLine) {
  const QString extension = LowerExtension(FileName);
  const QString name = BaseName(FileName);
  const QString firstLine = FirstLineText(FirstLine);
  for (std::size_t i = 0; i < kRules.size(); ++i)
    if (Matches(i, extension, name, firstLine)) return kRules[i].Language;
  return TLanguage::None;
}

QString TLanguageTable::Name(TLanguage Language) {
  switch (Language) {
    case L::None:
      return "Plain Text";
    case L::Html:
      return "HTML";
    case L::JavaScript:
      return "JavaScript";
    case L::Java:
      return "Java";
    case L::Perl:
      return "Perl";
    case L::Css:
      return "CSS";
    case L::Shell:
      return "Shell";
    case L::Python:
      return "Python";
    case L::Php:
      return "PHP";
    case L::Ruby:
      return "Ruby";
    case L::Json:
      return "JSON";
    case L::Yaml:
      return "YAML";
    case L::Xml:
      return "XML";
    case L::Sql:
      return "SQL";
    case L::Markdown:
      return "Markdown";
    case L::Config:
      return "Configuration (INI)";
    case L::Makefile:
      return "Makefile";
    case L::Diff:
      return "Diff";
    case L::Cpp:
      return "C/C++";
    case L::Lua:
      return "Lua";
    case L::CMake:
      return "CMake";
  }
  return QString();
}

const std::vector<TLanguage>& TLanguageTable::All() {
  static const std::vector<TLanguage> all = {L::None,       L::CMake, L::Cpp,  L::Config,
                                             L::Css,        L::Diff,  L::Html, L::Java,
                                             L::JavaScript, L::Json,  L::Lua,  L::Makefile,
                                             L::Markdown,   L::Perl,  L::Php,  L::Python,
                                             L::Ruby,       L::Shell, L::Sql,  L::Xml,
                                             L::Yaml};
  return all;
}
