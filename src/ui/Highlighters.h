#pragma once

#include <QFont>
#include <QString>
#include <map>
#include <memory>

#include "remote/editing/LanguageTable.h"

class QsciLexer;
class QsciLexerCSS;
class QsciLexerHTML;
class QsciLexerJava;
class QsciLexerJavaScript;
class QsciLexerPerl;

// The syntax highlighters, one instance per language, shared by every page:
// an editor refers to one of them and never owns it, so this object must
// outlive the editors. A language's lexer is made when a page first needs
// it, so a start-up pays for none it does not show.
class THighlighters {
 public:
  THighlighters();
  ~THighlighters();
  THighlighters(const THighlighters&) = delete;
  THighlighters& operator=(const THighlighters&) = delete;

  QsciLexerHTML* HtmlSyn();
  QsciLexerJavaScript* JsSyn();
  QsciLexerJava* JavaSyn();
  QsciLexerPerl* PerlSyn();
  QsciLexerCSS* CssSyn();

  // Null for TLanguage::None, which is plain text.
  QsciLexer* Lexer(TLanguage Language);
  // The language whose lexer Lexer is; None for null or a stranger's lexer.
  TLanguage LanguageOf(const QsciLexer* Lexer) const;

  // A lexer overrides the editor's font with its own per style; this gives
  // every style of every highlighter, made now or later, Font's family and
  // size, keeping the style's own bold and italic.
  void SetFont(const QFont& Font);

 private:
  std::map<TLanguage, std::unique_ptr<QsciLexer>> FLexers;
  QFont FFont;
  bool FFontSet = false;
};
