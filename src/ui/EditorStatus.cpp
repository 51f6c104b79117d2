#include "ui/EditorStatus.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStatusBar>
#include <Qsci/qsciscintilla.h>

#include "remote/editing/LanguageTable.h"
#include "remote/local/TextFile.h"
#include "ui/Page.h"

namespace {
const char* const kNames[TEditorStatus::FactCount] = {"PositionPanel", "EncodingPanel",
                                                      "LineEndsPanel", "LanguagePanel"};
}  // namespace

// The facts take only the room the message panel leaves: a message must be
// read whole, the facts are there to glance at. Their box asks for no width
// of its own (its size policy ignores its contents) and takes the rest of
// the bar, with the facts at its right end.
TEditorStatus::TEditorStatus(QStatusBar& Bar) : QObject(&Bar) {
  auto* box = new QWidget(&Bar);
  box->setObjectName("EditorFacts");
  box->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  auto* layout = new QHBoxLayout(box);
  layout->setSizeConstraint(QLayout::SetNoConstraint);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(12);
  layout->addStretch(1);
  for (int i = 0; i < FactCount; ++i) {
    FLabels[i] = new QLabel(box);
    FLabels[i]->setObjectName(kNames[i]);
    FLabels[i]->setTextFormat(Qt::PlainText);
    layout->addWidget(FLabels[i]);
  }
  Bar.addPermanentWidget(box, 1);
}

void TEditorStatus::Show(TPage* Page) {
  disconnect(FCursorConnection);
  disconnect(FGoneConnection);
  FPage = Page;
  if (FPage) {
    FCursorConnection = connect(FPage->Editor(), &QsciScintilla::cursorPositionChanged, this,
                                &TEditorStatus::ShowPosition);
    // The page may go before the next Show; its editor's end ends the link.
    FGoneConnection = connect(FPage->Editor(), &QObject::destroyed, this, [this] {
      FPage = nullptr;
      ShowFacts();
    });
  }
  ShowFacts();
}

void TEditorStatus::FactsChanged(TPage* Page) {
  if (Page == FPage) ShowFacts();
}

QString TEditorStatus::Text(TFact Fact) const { return FLabels[Fact]->text(); }

QString TEditorStatus::EncodingName(const TTextFormat& Format) {
  switch (Format.Encoding) {
    case TTextFormat::Utf8:
      return Format.ByteOrderMark ? "UTF-8 with BOM" : "UTF-8";
    case TTextFormat::Utf16LE:
      return "UTF-16 LE";
    case TTextFormat::Utf16BE:
      return "UTF-16 BE";
    case TTextFormat::Latin1:
      return "Latin-1";
  }
  return QString();
}

QString TEditorStatus::LineEndsName(const TTextFormat& Format) {
  if (Format.MixedLineEnds) return "Mixed";
  if (Format.LineEnd == "\r\n") return "CRLF";
  if (Format.LineEnd == "\r") return "CR";
  return "LF";
}

// Scintilla counts the column in bytes; the user counts characters.
void TEditorStatus::ShowPosition(int Line, int Index) {
  QsciScintilla* edit = FPage->Editor();
  const long lineStart = edit->positionFromLineIndex(Line, 0);
  const long caret = edit->positionFromLineIndex(Line, Index);
  const long column = edit->SendScintilla(QsciScintillaBase::SCI_COUNTCHARACTERS, lineStart, caret);
  FLabels[Position]->setText(QString("Ln %1, Col %2").arg(Line + 1).arg(column + 1));
}

void TEditorStatus::ShowFacts() {
  if (!FPage) {
    for (QLabel* label : FLabels) label->clear();
    return;
  }
  int line = 0, index = 0;
  FPage->Editor()->getCursorPosition(&line, &index);
  ShowPosition(line, index);
  FLabels[Encoding]->setText(EncodingName(FPage->Format()));
  FLabels[LineEnds]->setText(LineEndsName(FPage->Format()));
  FLabels[Language]->setText(TLanguageTable::Name(FPage->Language()));
}
