#include "ServerWindowTest.h"

#include <QListView>
#include <QPushButton>
#include <QTest>

#include "WaitFor.h"
#include "ui/HostKeyDialog.h"

ServerWindowTest::ServerWindowTest() { Form.SetDebugForm(&Log); }

TConnectValues ServerWindowTest::LoginValues() const {
  TConnectValues values;
  values.HostName = "127.0.0.1";
  values.UserName = Server.User().toUtf8();
  values.Password = Server.Password().toUtf8();
  values.Port = Server.Port();
  values.StartingDir = "/www";
  return values;
}

void ServerWindowTest::TrustHostKey() {
  THostKeyDialog* question = Form.HostKeyDialog();
  ASSERT_TRUE(WaitFor([&] { return question->isVisible(); })) << Diagnostics();
  question->TrustButton()->click();
}

QListView* ServerWindowTest::List() { return Form.ActivePage()->DirListBox(); }

QModelIndex ServerWindowTest::Item(const QString& Text) {
  QAbstractItemModel* rows = List()->model();
  return rows->match(rows->index(0, 0), Qt::DisplayRole, Text, 1, Qt::MatchExactly).value(0);
}

bool ServerWindowTest::Listed(const QString& Text) {
  return WaitFor([&] { return Item(Text).isValid(); });
}

void ServerWindowTest::DoubleClick(const QString& Text) {
  const QModelIndex item = Item(Text);
  ASSERT_TRUE(item.isValid()) << Text.toStdString();
  const QPoint at = List()->visualRect(item).center();
  QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, at);
}

std::string ServerWindowTest::Diagnostics() const {
  return (Log.Text() + "\nreported: " + Reported.join("; ") + "\nerrors: " + Form.Errors.join("; "))
      .toStdString();
}
