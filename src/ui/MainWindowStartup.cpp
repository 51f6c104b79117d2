// The main window's start-up: first showing, stored settings, start-up timer.
#include <QEvent>
#include <QTimer>

#include "core/ErrorReport.h"
#include "store/Settings.h"
#include "ui/EditFrame.h"
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
  // Everything is read before anything changes, so a bad value changes nothing.
  const bool lineNumbers = FSettings->Get(TSettingKeys::ShowLineNumbers);
  const bool wrap = FSettings->Get(TSettingKeys::WrapLongLines);
  const QString fontName = FSettings->Get(TSettingKeys::FontName);
  const int fontSize = FSettings->Get(TSettingKeys::FontSize);
  const bool showConnectDialog = FSettings->Get(TSettingKeys::ShowConnectDialog);

  ShowConnectDialogAction->setChecked(showConnectDialog);
  WrapLinesAction->setChecked(wrap);
  ViewLineNumbersAction->setChecked(lineNumbers);
  FPages->ForEach([&](TPage* Page) {
    TEditFrame* frame = Page->Frame();
    frame->SetLineNumbersVisible(lineNumbers);
    frame->SetWordWrap(wrap);
    frame->SetEditorFont(EditorFont(frame->EditorFont(), fontName, fontSize));
  });
}

void TMainWindow::StartupTimerTimer() {
  if (!FFirstTick) return;
  StartupTimer->stop();
  if (GeneralStrToBool(FSettings->Text(TSettingKeys::ShowConnectDialog))) ConnectActionExecute();
  FFirstTick = false;
}

QFont TMainWindow::EditorFont(QFont Font, const QString& Name, int Size) {
  Font.setFamily(Name);
  Font.setPointSize(Size);
  return Font;
}

// ---------------------------------------------------------------- geometry

void TMainWindow::LoadFormPosition() { FPlacement->Load(); }

void TMainWindow::SaveFormPosition() { FPlacement->Save(); }

void TMainWindow::changeEvent(QEvent* Event) {
  QMainWindow::changeEvent(Event);
  if (Event->type() == QEvent::WindowStateChange && FPlacement) FPlacement->StateChanged();
}
