#include "ui/Highlighters.h"

#include <QFont>
#include <Qsci/qscilexercss.h>
#include <Qsci/qscilexerhtml.h>
#include <Qsci/qscilexerjava.h>
#include <Qsci/qscilexerjavascript.h>
#include <Qsci/qscilexerperl.h>
#include <Qsci/qsciscintillabase.h>

namespace {

// ".txt" for "dir/notes.txt", empty for "dir/a.b/file" and "README": a dot
// inside a folder name is no extension. The caption is a local file name,
// in which '/' alone separates folders, so this is not the listing's rule
// (remote/File.cpp: an extension ends at '\' or ':', and only A to Z are
// lower-cased); no highlighter's extension holds '\' or ':'.
QString LowerExtension(const QString& Caption) {
  const qsizetype dot = Caption.lastIndexOf(u'.');
  if (dot < 0 || dot < Caption.lastIndexOf(u'/')) return QString();
  return Caption.mid(dot).toLower();
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

THighlighters::THighlighters()
    : FHtmlSyn(std::make_unique<QsciLexerHTML>()),
      FJsSyn(std::make_unique<QsciLexerJavaScript>()),
      FJavaSyn(std::make_unique<QsciLexerJava>()),
      FPerlSyn(std::make_unique<QsciLexerPerl>()),
      FCssSyn(std::make_unique<QsciLexerCSS>()) {
  FHtmlSyn->setColor(Qt::red, QsciLexerHTML::Entity);
}

THighlighters::~THighlighters() = default;

THighlighters::TKind THighlighters::KindForCaption(const QString& Caption) {
  const QString ext = LowerExtension(Caption);
  if (ext == ".html" || ext == ".jsp") return Html;
  if (ext == ".js") return Js;
  if (ext == ".pl" || ext == ".perl" || ext == ".cgi") return Perl;
  if (ext == ".java") return Java;
  if (ext == ".css") return Css;
  return Keep;
}

QsciLexer* THighlighters::Lexer(TKind Kind) const {
  switch (Kind) {
    case Html:
      return FHtmlSyn.get();
    case Js:
      return FJsSyn.get();
    case Perl:
      return FPerlSyn.get();
    case Java:
      return FJavaSyn.get();
    case Css:
      return FCssSyn.get();
    case Keep:
      break;
  }
  return nullptr;
}

QsciLexer* THighlighters::ForCaption(const QString& Caption, QsciLexer* Current) const {
  const TKind kind = KindForCaption(Caption);
  return kind == Keep ? Current : Lexer(kind);
}

void THighlighters::SetFont(const QFont& Font) {
  for (QsciLexer* lexer : {Lexer(Html), Lexer(Js), Lexer(Perl), Lexer(Java), Lexer(Css)})
    SetLexerFont(*lexer, Font);
}
