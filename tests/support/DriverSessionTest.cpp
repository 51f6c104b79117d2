#include "DriverSessionTest.h"

#include "WaitFor.h"
#include "remote/session/FileCommands.h"

DriverSessionTest::DriverSessionTest() {
  previous = ErrorReport::SetHandler([this](const QString& m) { reported << m; });
  view.Values.HostName = "127.0.0.1";
  view.Values.UserName = server.User().toUtf8();
  view.Values.Password = server.Password().toUtf8();
  view.Values.StartingDir = "/www";
}

DriverSessionTest::~DriverSessionTest() {
  if (redirector.Running()) {
    redirector.Kill();
    WaitFor([&] { return !redirector.Running(); });
  }
  ErrorReport::SetHandler(previous);
}

void DriverSessionTest::Connect() {
  ASSERT_TRUE(server.Start());
  view.Values.Port = server.Port();
  view.ConnectAction(driver);
  ASSERT_TRUE(WaitFor([&] { return !view.HostKeyRequests.empty(); }));
  driver.AnswerHostKey(THostKeyAnswer::Trust);
  ASSERT_TRUE(WaitFor([&] { return view.Page(0)->Items.contains("notes.txt") && !driver.Busy(); }))
      << view.DebugText.toStdString();
}

void DriverSessionTest::MakeActive(FakePage* Page) {
  for (int i = 0; i < view.PageCount(); ++i)
    if (view.Page(i) == Page) view.Active = i;
}

void DriverSessionTest::Open(FakePage* Page, const QString& Name) {
  MakeActive(Page);
  ASSERT_TRUE(Page->Select(Name)) << Name.toStdString() << " in "
                                  << Page->Items.join(", ").toStdString();
  editing.OpenSelected(Page);
  WaitIdle();
}

void DriverSessionTest::WaitIdle() {
  ASSERT_TRUE(WaitFor([&] { return !driver.Busy() && !editing.Asking(); }, 30000))
      << view.DebugText.toStdString();
}

void DriverSessionTest::HookFileCommands() {
  TFileCommands::THooks hooks;
  hooks.ForEachPage = [this](const std::function<void(IPage*)>& Visit) {
    for (auto& page : view.PageList) Visit(page.get());
  };
  hooks.NewPage = [this]() -> IPage* { return view.AddPage(); };
  driver.Files().SetHooks(std::move(hooks));
}
