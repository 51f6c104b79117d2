// The main window's start-up: first showing, stored settings, start-up timer.
#include <QEvent>
#include <QTimer>

#include "core/ErrorReport.h"
#include "store/Settings.h"
#include "ui/EditCommands.h"
#include "ui/MainWindow.h"
#include "ui/Pages.h"
#include "ui/WindowPlacement.h"

namespace {
// The start-up switch is read leniently: "True" in any case, or any number
// other than zero.
bool GeneralStrToBool(const QString& S) {
  if (S.compare("true", Qt::CaseInsensitive) == 0) return true;
  bool ok = false;
  const double value = S.trimmed().toDouble(&ok);
  return ok && value != 0;
}
}  // namespace

// ---------------------------------------------------------------- showing

void TMainWindow::showEvent(QShowEvent* Event) {
  QMainWindow::showEvent(Event);
  if (FShown) return;
  FShown = true;
  FormShow();
  FPlacement->Shown();
}

void TMainWindow::FormShow() {
  CreateTab();
  ErrorReport::Guarded([this] { ApplySettings(); });
}

void TMainWindow::ApplySettings() {
  const bool showConnectDialog = FSettings->Get(TSettingKeys::ShowConnectDialog);
  FEditCommands->ApplyStoredView();
  ShowConnectDialogAction->setChecked(showConnectDialog);
}

void TMainWindow::StartupTimerTimer() {
  if (!FFirstTick) return;
  StartupTimer->stop();
  if (GeneralStrToBool(FSettings->Text(TSettingKeys::ShowConnectDialog))) ConnectActionExecute();
  FFirstTick = false;
}

// ---------------------------------------------------------------- geometry

void TMainWindow::changeEvent(QEvent* Event) {
  QMainWindow::changeEvent(Event);
  if (Event->type() == QEvent::WindowStateChange && FPlacement) FPlacement->StateChanged();
}
