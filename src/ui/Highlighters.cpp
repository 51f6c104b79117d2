#include "ui/Highlighters.h"

#include <Qsci/qscilexerbash.h>
#include <Qsci/qscilexercmake.h>
#include <Qsci/qscilexercpp.h>
#include <Qsci/qscilexercss.h>
#include <Qsci/qscilexerdiff.h>
#include <Qsci/qscilexerhtml.h>
#include <Qsci/qscilexerjava.h>
#include <Qsci/qscilexerjavascript.h>
#include <Qsci/qscilexerjson.h>
#include <Qsci/qscilexerlua.h>
#include <Qsci/qscilexermakefile.h>
#include <Qsci/qscilexermarkdown.h>
#include <Qsci/qscilexerperl.h>
#include <Qsci/qscilexerproperties.h>
#include <Qsci/qscilexerpython.h>
#include <Qsci/qscilexerruby.h>
#include <Qsci/qscilexersql.h>
#include <Qsci/qscilexerxml.h>
#include <Qsci/qscilexeryaml.h>
#include <Qsci/qsciscintillabase.h>

namespace {

using L = TLanguage;

std::unique_ptr<QsciLexer> MakeLexer(TLanguage Language) {
  switch (Language) {
    case L::Html: {
      auto html = std::make_unique<QsciLexerHTML>();
      html->setColor(Qt::red, QsciLexerHTML::Entity);
      return html;
    }
    // The HTML lexer colours the PHP between <?php and ?> as well.
    case L::Php:
      return std::make_unique<QsciLexerHTML>();
    case L::JavaScript:
      return std::make_unique<QsciLexerJavaScript>();
    case L::Java:
      return std::make_unique<QsciLexerJava>();
    case L::Perl:
      return std::make_unique<QsciLexerPerl>();
    case L::Css:
      return std::make_unique<QsciLexerCSS>();
    case L::Shell:
      return std::make_unique<QsciLexerBash>();
    case L::Python:
      return std::make_unique<QsciLexerPython>();
    case L::Ruby:
      return std::make_unique<QsciLexerRuby>();
    case L::Json:
      return std::make_unique<QsciLexerJSON>();
    case L::Yaml:
      return std::make_unique<QsciLexerYAML>();
    case L::Xml:
      return std::make_unique<QsciLexerXML>();
    case L::Sql:
      return std::make_unique<QsciLexerSQL>();
    case L::Markdown:
      return std::make_unique<QsciLexerMarkdown>();
    case L::Config:
      return std::make_unique<QsciLexerProperties>();
    case L::Makefile:
      return std::make_unique<QsciLexerMakefile>();
    case L::Diff:
      return std::make_unique<QsciLexerDiff>();
    case L::Cpp:
      return std::make_unique<QsciLexerCPP>();
    case L::Lua:
      return std::make_unique<QsciLexerLua>();
    case L::CMake:
      return std::make_unique<QsciLexerCMake>();
    case L::None:
      break;
  }
  return nullptr;
}

void SetLexerFont(QsciLexer& Lexer, const QFont& Font) {
  Lexer.setDefaultFont(Font);
  for (int style = 0; style <= QsciScintillaBase::STYLE_MAX; ++style) {
    if (Lexer.description(style).isEmpty()) continue;
    QFont font = Font;
    font.setBold(Lexer.font(style).bold());
    font.setItalic(Lexer.font(style).italic());
    Lexer.setFont(font, style);
  }
}

}  // namespace

THighlighters::THighlighters() = default;
THighlighters::~THighlighters() = default;

QsciLexer* THighlighters::Lexer(TLanguage Language) {
  if (Language == L::None) return nullptr;
  std::unique_ptr<QsciLexer>& lexer = FLexers[Language];
  if (!lexer) {
    lexer = MakeLexer(Language);
    if (FFontSet) SetLexerFont(*lexer, FFont);
  }
  return lexer.get();
}

TLanguage THighlighters::LanguageOf(const QsciLexer* Lexer) const {
  for (const auto& [language, lexer] : FLexers)
    if (Lexer && lexer.get() == Lexer) return language;
  return L::None;
}

QsciLexerHTML* THighlighters::HtmlSyn() { return static_cast<QsciLexerHTML*>(Lexer(L::Html)); }
QsciLexerJavaScript* THighlighters::JsSyn() {
  return static_cast<QsciLexerJavaScript*>(Lexer(L::JavaScript));
}
QsciLexerJava* THighlighters::JavaSyn() { return static_cast<QsciLexerJava*>(Lexer(L::Java)); }
QsciLexerPerl* THighlighters::PerlSyn() { return static_cast<QsciLexerPerl*>(Lexer(L::Perl)); }
QsciLexerCSS* THighlighters::CssSyn() { return static_cast<QsciLexerCSS*>(Lexer(L::Css)); }

void THighlighters::SetFont(const QFont& Font) {
  FFont = Font;
  FFontSet = true;
  for (const auto& entry : FLexers) SetLexerFont(*entry.second, Font);
}
