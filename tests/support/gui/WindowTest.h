#pragma once

#include <QString>
#include <QStringList>
#include <gtest/gtest.h>
#include <memory>

#include "ScriptedForm.h"
#include "TempHome.h"
#include "core/ErrorReport.h"

class QWidget;

// What every test of the main window starts from: a home folder of its own,
// the application's error display recorded in Reported, and stored settings
// that leave the window at its designed place and size and skip the connect
// dialog at start-up. The window reads its settings as it is made and first
// shown, so a test stores any others before it creates one.
class WindowTest : public ::testing::Test {
 protected:
  WindowTest();
  ~WindowTest() override;

  static void Store(const QString& Name, const QString& Value);
  // "<none>" when nothing is stored under Name.
  static QString Stored(const QString& Name);

  // Shows Window and waits until it is on the screen; false if it never is.
  static bool ShowAndWait(QWidget& Window);
  // A new scripted window, shown.
  std::unique_ptr<TScriptedForm> ShowForm();
  // Clicks the tab at Index, as a person switches pages.
  static void ClickTab(TMainWindow& Form, int Index);

  TempHome Home;
  QStringList Reported;

 private:
  ErrorReport::Handler FPrevious;
};
