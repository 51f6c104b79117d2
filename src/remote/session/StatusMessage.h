#pragma once

#include <QString>
#include <QTimer>
#include <functional>

class IDriverView;

// The connection's message to the user (panel 0 of the window's status bar).
// While a command runs long, how far it has come stands in the message's
// place, and the message comes back when the command ends.
class TStatusMessage {
 public:
  // Progress gives the open command's progress text, empty when it has none.
  TStatusMessage(IDriverView& View, std::function<QString()> Progress);

  void Set(const QString& Text, const QString& Detail = QString());
  // A command went out: its progress is shown from now on, every few hundred
  // milliseconds, or at once with Now (a check, which the user waits for).
  void CommandStarted(const QString& Now = QString());
  void CommandEnded();

 private:
  void ShowProgress();

  IDriverView& FView;
  std::function<QString()> FProgress;
  QTimer FTimer;
  QString FText;
  QString FDetail;
  bool FProgressShown = false;
};
