#include "WindowTest.h"

#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QWidget>

#include "store/Settings.h"

WindowTest::WindowTest() {
  FPrevious = ErrorReport::SetHandler([this](const QString& M) { Reported << M; });
  Store("FormTop", "-1");
  Store("ShowConnectDialog", "0");
  Store("FormMaximized", "0");
}

// The windows a test made are gone by now, so what they report while they
// close still lands in Reported.
WindowTest::~WindowTest() { ErrorReport::SetHandler(FPrevious); }

void WindowTest::Store(const QString& Name, const QString& Value) {
  TSettings().Write(Name, Value);
}

QString WindowTest::Stored(const QString& Name) { return TSettings().Read(Name, "<none>"); }

bool WindowTest::ShowAndWait(QWidget& Window) {
  Window.show();
  return QTest::qWaitForWindowExposed(&Window);
}

std::unique_ptr<TScriptedForm> WindowTest::ShowForm() {
  auto form = std::make_unique<TScriptedForm>();
  EXPECT_TRUE(ShowAndWait(*form));
  return form;
}

void WindowTest::ClickTab(TMainWindow& Form, int Index) {
  QTabBar* bar = Form.Tabs->tabBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(Index).center());
}
