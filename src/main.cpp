#include <QApplication>
#include <QMessageBox>

#include "core/ErrorReport.h"
#include "ui/Main.h"
#include "ui/frmAbout.h"
#include "ui/frmConnect.h"
#include "ui/frmDebug.h"
#include "ui/frmSaveAs.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Quillery");
  // Errors nothing else handles end up in a message box; the program goes on.
  ErrorReport::SetHandler([](const QString& Message) {
    QMessageBox::critical(QApplication::activeWindow(), "Quillery", Message);
  });

  // Created once, in this order, and kept for the life of the process; all
  // but the main window stay hidden until needed.
  TMainForm MainForm;
  TConnectForm ConnectForm(MainForm.Settings(), MainForm.Servers());
  MainForm.SetConnectDialog(&ConnectForm, [&ConnectForm] { return ConnectForm.Values(); });
  TAboutForm AboutForm;
  MainForm.SetAboutForm(&AboutForm);
  TSaveAsForm SaveAsForm;
  MainForm.SetSaveAsForm(&SaveAsForm);
  TDebugForm DebugForm;
  MainForm.SetDebugForm(&DebugForm);

  MainForm.show();
  const int result = app.exec();
  ErrorReport::SetHandler(nullptr);
  return result;
}
