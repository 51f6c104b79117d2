#include "remote/session/ConnectionState.h"

TConnectionState::TStage TConnectionState::Next(TStage From, TEvent Event) {
  // Whatever came before, a new psftp begins at its login, and its end leaves
  // nothing connected.
  if (Event == TEvent::PsftpStarted) return TStage::LoggingIn;
  if (Event == TEvent::PsftpEnded && From != TStage::Starting) return TStage::NotConnected;
  switch (From) {
    case TStage::NotConnected:
      return Event == TEvent::Connect ? TStage::Starting : From;
    case TStage::Starting:
      // Disconnecting while the key is readied abandons the key.
      return Event == TEvent::StartFailed || Event == TEvent::Disconnect ? TStage::NotConnected
                                                                         : From;
    case TStage::LoggingIn:
      // psftp reads a "bye" written now only after its login: it may still
      // log in first, so only its end is the end.
      return Event == TEvent::LoggedIn ? TStage::Connected : From;
    case TStage::Connected:
      return Event == TEvent::Disconnect ? TStage::Ending : From;
    case TStage::Ending:
      return From;
  }
  return From;
}

bool TConnectionState::Apply(TEvent Event) {
  const TStage next = Next(FStage, Event);
  const bool changed = next != FStage;
  FStage = next;
  return changed;
}
