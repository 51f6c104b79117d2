#include "ui/WindowPlacement.h"

#include <QMainWindow>
#include <QTimer>

#include "store/Settings.h"

void TWindowPlacement::Load() {
  const bool maximized = FSettings.Get(TSettingKeys::FormMaximized);
  const int top = FSettings.Get(TSettingKeys::FormTop);
  const int left = FSettings.Get(TSettingKeys::FormLeft);
  const int width = FSettings.Get(TSettingKeys::FormWidth);
  const int height = FSettings.Get(TSettingKeys::FormHeight);
  if (top == -1 || left == -1 || width == -1 || height == -1) return;
  // The stored size is the outer one; the frame is added again once the
  // window manager has framed the window (CorrectRestoredOuterSize).
  const QSize frame = FWindow.frameGeometry().size() - FWindow.size();
  FWindow.move(left, top);
  FWindow.resize(width - frame.width(), height - frame.height());
  FRestoredOuterSize = QSize(width, height);
  if (maximized) FWindow.setWindowState(FWindow.windowState() | Qt::WindowMaximized);
}

// A window that started maximised gets its stored normal size when it first
// leaves that state.
void TWindowPlacement::StateChanged() {
  if (FRestoredOuterSize.isValid() && !FWindow.isMaximized())
    QTimer::singleShot(0, &FWindow, [this] { CorrectRestoredOuterSize(); });
}

void TWindowPlacement::Shown() {
  QTimer::singleShot(0, &FWindow, [this] { CorrectRestoredOuterSize(); });
}

void TWindowPlacement::CorrectRestoredOuterSize() {
  if (!FRestoredOuterSize.isValid() || FWindow.isMaximized()) return;
  const QSize frame = FWindow.frameGeometry().size() - FWindow.size();
  if (!frame.isNull()) FWindow.resize(FRestoredOuterSize - frame);
  FRestoredOuterSize = QSize();
}

void TWindowPlacement::Save() {
  const bool maximized = FWindow.isMaximized();
  FSettings.Set(TSettingKeys::FormMaximized, maximized);
  if (maximized) return;
  const QRect outer = FWindow.frameGeometry();
  FSettings.Set(TSettingKeys::FormTop, outer.top());
  FSettings.Set(TSettingKeys::FormLeft, outer.left());
  FSettings.Set(TSettingKeys::FormWidth, outer.width());
  FSettings.Set(TSettingKeys::FormHeight, outer.height());
}
