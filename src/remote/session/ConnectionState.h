#pragma once

// Where the connection to the server is. The driver tells it what happened
// and asks it what that allows; it knows nothing of psftp itself, so every
// way through it can be tried without a server.
class TConnectionState {
 public:
  enum class TStage {
    NotConnected,
    Starting,   // the key is being readied; psftp starts once it is
    LoggingIn,  // psftp runs and has not yet reached its first prompt
    Connected,
    Ending,  // logged in, and "bye" was written or psftp is being ended
  };
  enum class TEvent {
    Connect,       // the user asked to connect
    PsftpStarted,  // a psftp runs and begins its login
    StartFailed,   // the key could not be readied, the user gave up, or psftp did not start
    LoggedIn,
    Disconnect,  // "bye" was written, or psftp was ended
    PsftpEnded,
  };

  TConnectionState() = default;
  explicit TConnectionState(TStage Stage) : FStage(Stage) {}

  // The stage after Event; an event that means nothing in From leaves it.
  static TStage Next(TStage From, TEvent Event);
  // False when Event changed nothing (a second Connect, say).
  bool Apply(TEvent Event);

  TStage Stage() const { return FStage; }
  // Logged in, and psftp has not yet ended.
  bool Connected() const { return FStage == TStage::Connected || FStage == TStage::Ending; }

 private:
  TStage FStage = TStage::NotConnected;
};
