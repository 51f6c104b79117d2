#pragma once

#include <QSize>

class QMainWindow;
class TSettings;

// Where the window was and how large, kept between runs: its outer bounds
// while not maximised, and whether it was maximised.
class TWindowPlacement {
 public:
  TWindowPlacement(QMainWindow& Window, TSettings& Settings)
      : FWindow(Window), FSettings(Settings) {}

  void Load();
  void Save();
  // The window has been shown for the first time / changed its state.
  void Shown();
  void StateChanged();

 private:
  void CorrectRestoredOuterSize();

  QMainWindow& FWindow;
  TSettings& FSettings;
  QSize FRestoredOuterSize;
};
