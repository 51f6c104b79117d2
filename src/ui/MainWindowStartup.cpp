// The main window's start-up: first showing, stored settings, start-up timer, geometry.
#include <QEvent>
#include <QTimer>

#include "core/ErrorReport.h"
#include "store/Settings.h"
#include "ui/EditFrame.h"
#include "ui/MainWindow.h"
#include "ui/Pages.h"

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
  QTimer::singleShot(0, this, &TMainWindow::CorrectRestoredOuterSize);
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

void TMainWindow::LoadFormPosition() {
  const bool maximized = FSettings->Get(TSettingKeys::FormMaximized);
  const int top = FSettings->Get(TSettingKeys::FormTop);
  const int left = FSettings->Get(TSettingKeys::FormLeft);
  const int width = FSettings->Get(TSettingKeys::FormWidth);
  const int height = FSettings->Get(TSettingKeys::FormHeight);
  if (top == -1 || left == -1 || width == -1 || height == -1) return;
  // The stored size is the outer one; the frame is added again once the
  // window manager has framed the window (CorrectRestoredOuterSize).
  const QSize frame = frameGeometry().size() - size();
  move(left, top);
  resize(width - frame.width(), height - frame.height());
  FRestoredOuterSize = QSize(width, height);
  if (maximized) setWindowState(windowState() | Qt::WindowMaximized);
}

void TMainWindow::changeEvent(QEvent* Event) {
  QMainWindow::changeEvent(Event);
  // A window that started maximised gets its stored normal size when it
  // first leaves that state.
  if (Event->type() == QEvent::WindowStateChange && FRestoredOuterSize.isValid() && !isMaximized())
    QTimer::singleShot(0, this, &TMainWindow::CorrectRestoredOuterSize);
}

void TMainWindow::CorrectRestoredOuterSize() {
  if (!FRestoredOuterSize.isValid() || isMaximized()) return;
  const QSize frame = frameGeometry().size() - size();
  if (!frame.isNull()) resize(FRestoredOuterSize - frame);
  FRestoredOuterSize = QSize();
}

void TMainWindow::SaveFormPosition() {
  const bool maximized = isMaximized();
  FSettings->Set(TSettingKeys::FormMaximized, maximized);
  if (maximized) return;
  const QRect outer = frameGeometry();
  FSettings->Set(TSettingKeys::FormTop, outer.top());
  FSettings->Set(TSettingKeys::FormLeft, outer.left());
  FSettings->Set(TSettingKeys::FormWidth, outer.width());
  FSettings->Set(TSettingKeys::FormHeight, outer.height());
}
