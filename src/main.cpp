#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWindow>
#include <cstdio>

#include "core/ErrorReport.h"
#include "process/TerminationSignal.h"
#include "remote/local/TempFolder.h"
#include "ui/AboutBox.h"
#include "ui/ConnectDialog.h"
#include "ui/DebugLogWindow.h"
#include "ui/LinkServer.h"
#include "ui/MainWindow.h"
#include "ui/PasswordKeyring.h"
#include "ui/SaveAsDialog.h"
#include "ui/StartOptions.h"

namespace {
// For start-up measurements (QUILLERY_QUIT_WHEN_IDLE set): once the window is
// on screen and a zero timer finds the event loop with nothing left to do,
// say "idle" on standard output and quit. A zero timer runs only after every
// pending event, the first paint included.
void QuitWhenIdle(QWidget& Window) {
  auto* idle = new QTimer(&Window);
  QObject::connect(idle, &QTimer::timeout, &Window, [&Window] {
    const QWindow* handle = Window.windowHandle();
    if (!handle || !handle->isExposed()) return;
    std::fputs("idle\n", stdout);
    std::fflush(stdout);
    QApplication::quit();
  });
  idle->start(0);
}
}  // namespace

int main(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  const TStartOptions options(arguments);
  if (options.Ends()) return options.Finish(argc, argv);

  QApplication app(argc, argv);
  QApplication::setApplicationName("Quillery");
  // A Quillery already running opens the link; this start has nothing to do.
  if (!options.Link().isEmpty() && TLinkServer::Send(options.Link())) return 0;
  // Errors nothing else handles end up in a message box; the program goes on.
  ErrorReport::SetHandler([](const QString& Message) {
    QMessageBox::critical(QApplication::activeWindow(), "Quillery", Message);
  });

  ErrorReport::Guarded([] { RemoveStaleWorkFiles(); });

  // Created once, in this order, and kept for the life of the process; all
  // but the main window stay hidden until needed.
  TMainWindow MainForm;
  TConnectDialog ConnectForm(MainForm.Settings(), MainForm.Servers());
  ConnectForm.SetKeyring(new TPasswordKeyring);
  MainForm.SetConnectDialog(&ConnectForm, [&ConnectForm] { return ConnectForm.Values(); });
  ConnectForm.SetDebugHook(
      [&MainForm](const QString& Line) { MainForm.Log(IDriverView::TLog::Line, Line); });
  TAboutBox AboutForm;
  MainForm.SetAboutForm(&AboutForm);
  TSaveAsDialog SaveAsForm;
  MainForm.SetSaveAsForm(&SaveAsForm);
  TDebugLogWindow DebugForm;
  MainForm.SetDebugForm(&DebugForm);

  // Ended from outside (logout, a closed terminal): closed as by the user,
  // so unsaved text is asked about and uploads finish.
  TerminationSignal::Install([&MainForm] { MainForm.close(); });
  TLinkServer links;
  links.Listen([&MainForm](const QString& Link) { MainForm.OpenLink(Link); });
  MainForm.show();
  if (!options.Link().isEmpty())
    QTimer::singleShot(0, &MainForm, [&MainForm, &options] { MainForm.OpenLink(options.Link()); });
  if (qEnvironmentVariableIsSet("QUILLERY_QUIT_WHEN_IDLE")) QuitWhenIdle(MainForm);
  const int result = app.exec();
  ErrorReport::SetHandler(nullptr);
  return result;
}
