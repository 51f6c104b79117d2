#include "ui/StatusPanels.h"

#include <QLabel>
#include <QStatusBar>
#include <QTextDocument>

namespace {
const int kWidths[TStatusPanels::Count] = {100, 200, 50};
const char* const kNames[TStatusPanels::Count] = {"MessagePanel", "FolderPanel", "SparePanel"};
}  // namespace

TStatusPanels::TStatusPanels(QStatusBar& Bar) {
  for (int i = 0; i < Count; ++i) {
    FPanels[i] = new QLabel(&Bar);
    // The message panel carries messages that must be read whole; it may
    // shrink back to its width, so a long one never widens the window.
    if (i == 0)
      FPanels[i]->setMinimumWidth(kWidths[i]);
    else
      FPanels[i]->setFixedWidth(kWidths[i]);
    // Server-chosen names pass through here; none may be taken for markup.
    FPanels[i]->setTextFormat(Qt::PlainText);
    FPanels[i]->setObjectName(kNames[i]);
    Bar.addWidget(FPanels[i]);
  }
}

// A tooltip is taken for markup when it looks like some, so such a text is
// turned into markup that shows it as it is.
void TStatusPanels::Set(int Index, const QString& Text, const QString& ToolTip) {
  if (Index < 0 || Index >= Count) return;
  FPanels[Index]->setText(Text);
  const QString tip = ToolTip.isEmpty() ? Text : ToolTip;
  FPanels[Index]->setToolTip(Qt::mightBeRichText(tip) ? Qt::convertFromPlainText(tip) : tip);
}

QString TStatusPanels::Text(int Index) const {
  return Index >= 0 && Index < Count ? FPanels[Index]->text() : QString();
}
