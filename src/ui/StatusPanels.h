#pragma once

#include <QString>

class QLabel;
class QStatusBar;

// The status bar's three panels: the message, the current folder, and a
// spare one the layout keeps. Each shows plain text; its tooltip holds the
// whole text, or a detail, where the panel is cut short.
class TStatusPanels {
 public:
  static constexpr int Count = 3;

  explicit TStatusPanels(QStatusBar& Bar);

  // An Index outside the panels is ignored.
  void Set(int Index, const QString& Text, const QString& ToolTip = QString());
  QString Text(int Index) const;

 private:
  QLabel* FPanels[Count] = {};
};
