#include "remote/session/StatusMessage.h"

#include "remote/session/DriverView.h"

TStatusMessage::TStatusMessage(IDriverView& View, std::function<QString()> Progress)
    : FView(View), FProgress(std::move(Progress)) {
  FTimer.setInterval(300);
  QObject::connect(&FTimer, &QTimer::timeout, [this] { ShowProgress(); });
}

void TStatusMessage::Set(const QString& Text, const QString& Detail) {
  FText = Text;
  FDetail = Detail;
  FProgressShown = false;
  FView.MessageChanged(Text, Detail);
}

void TStatusMessage::CommandStarted(const QString& Now) {
  FTimer.start();
  if (Now.isEmpty()) return;
  FView.MessageChanged(Now, QString());
  FProgressShown = true;
}

void TStatusMessage::ShowProgress() {
  const QString text = FProgress();
  if (text.isEmpty()) return;
  FView.MessageChanged(text, QString());
  FProgressShown = true;
}

void TStatusMessage::CommandEnded() {
  FTimer.stop();
  if (!FProgressShown) return;
  FProgressShown = false;
  FView.MessageChanged(FText, FDetail);
}
