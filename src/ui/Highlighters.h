#pragma once

#include <QString>
#include <memory>

class QFont;
class QsciLexer;
class QsciLexerCSS;
class QsciLexerHTML;
class QsciLexerJava;
class QsciLexerJavaScript;
class QsciLexerPerl;

// The five syntax highlighters, one instance each, shared by every page: an
// editor refers to one of them and never owns it, so this object must outlive
// the editors.
class THighlighters {
 public:
  enum TKind { Keep, Html, Js, Perl, Java, Css };

  THighlighters();
  ~THighlighters();
  THighlighters(const THighlighters&) = delete;
  THighlighters& operator=(const THighlighters&) = delete;

  QsciLexerHTML* HtmlSyn() const { return FHtmlSyn.get(); }
  QsciLexerJavaScript* JsSyn() const { return FJsSyn.get(); }
  QsciLexerJava* JavaSyn() const { return FJavaSyn.get(); }
  QsciLexerPerl* PerlSyn() const { return FPerlSyn.get(); }
  QsciLexerCSS* CssSyn() const { return FCssSyn.get(); }

  // The highlighter a page captioned Caption should get; Keep when the
  // extension is not one we highlight (the page keeps what it had).
  static TKind KindForCaption(const QString& Caption);
  // The lexer for Caption, or Current when the extension asks to keep it.
  QsciLexer* ForCaption(const QString& Caption, QsciLexer* Current) const;
  // Null for Keep.
  QsciLexer* Lexer(TKind Kind) const;

  // A lexer overrides the editor's font with its own per style; this gives
  // every style of every highlighter Font's family and size, keeping the
  // style's own bold and italic.
  void SetFont(const QFont& Font);

 private:
  std::unique_ptr<QsciLexerHTML> FHtmlSyn;
  std::unique_ptr<QsciLexerJavaScript> FJsSyn;
  std::unique_ptr<QsciLexerJava> FJavaSyn;
  std::unique_ptr<QsciLexerPerl> FPerlSyn;
  std::unique_ptr<QsciLexerCSS> FCssSyn;
};
