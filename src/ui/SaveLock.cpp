#include "ui/SaveLock.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <Qsci/qsciscintilla.h>

#include "ui/EditFrame.h"
#include "ui/Page.h"

// The editor is made read-only as well as disabled: Cut and Paste reach the
// active editor whatever has the focus, and a change typed now would be
// marked saved by the upload that does not carry it.
void TSaveLock::Set(bool Locked, bool WholeWindow, TPage* Page) {
  if (WholeWindow) {
    FWindow.centralWidget()->setEnabled(!Locked);
    FWindow.menuBar()->setEnabled(!Locked);
    FToolBar.setEnabled(!Locked);
    return;
  }
  if (Locked) FFocusBefore = QApplication::focusWidget();
  FTabs.tabBar()->setEnabled(!Locked);
  if (Page) {
    Page->Frame()->setEnabled(!Locked);
    QsciScintilla* edit = Page->Editor();
    if (Locked) FReadOnlyBefore = edit->isReadOnly();
    edit->setReadOnly(Locked || FReadOnlyBefore);
  }
  if (!Locked && FFocusBefore && FFocusBefore->isEnabled()) FFocusBefore->setFocus();
}
