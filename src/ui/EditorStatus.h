#pragma once

#include <QObject>
#include <QString>

class QLabel;
class QStatusBar;
class TPage;
struct TTextFormat;

// The status bar's facts about the page in front, at its right end: the
// caret's line and column, the text's encoding and line ends as loaded, and
// its language. Only shown: nothing here converts or changes the text.
class TEditorStatus : public QObject {
 public:
  enum TFact { Position, Encoding, LineEnds, Language, FactCount };

  explicit TEditorStatus(QStatusBar& Bar);

  // The page in front, or null; its caret and facts are followed until the
  // next call.
  void Show(TPage* Page);
  // The page's facts changed (a load, a language); shown when it is in front.
  void FactsChanged(TPage* Page);
  QString Text(TFact Fact) const;

  static QString EncodingName(const TTextFormat& Format);
  static QString LineEndsName(const TTextFormat& Format);

 private:
  void ShowPosition(int Line, int Index);
  void ShowFacts();

  QLabel* FLabels[FactCount] = {};
  TPage* FPage = nullptr;
  QMetaObject::Connection FCursorConnection;
  QMetaObject::Connection FGoneConnection;
};
