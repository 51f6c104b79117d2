#pragma once

#include <QPointer>

class QMainWindow;
class QTabWidget;
class QToolBar;
class QWidget;
class TPage;

// What a save that must finish first locks: the whole window while the
// window's close waits for an upload, else the page being saved and the tab
// bar, so the page in front cannot change under the command that waits.
class TSaveLock {
 public:
  TSaveLock(QMainWindow& Window, QToolBar& ToolBar, QTabWidget& Tabs)
      : FWindow(Window), FToolBar(ToolBar), FTabs(Tabs) {}

  // Unlocking gives back what locking changed: the editor's read-only state
  // and the focus.
  void Set(bool Locked, bool WholeWindow, TPage* Page);

 private:
  QMainWindow& FWindow;
  QToolBar& FToolBar;
  QTabWidget& FTabs;
  bool FReadOnlyBefore = false;
  QPointer<QWidget> FFocusBefore;
};
