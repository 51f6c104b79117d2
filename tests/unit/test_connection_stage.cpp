// The stages of a connection and what moves it between them.
#include <gtest/gtest.h>

#include "remote/session/ConnectionState.h"

namespace {

using TStage = TConnectionState::TStage;
using TEvent = TConnectionState::TEvent;

const char* Name(TStage Stage) {
  switch (Stage) {
    case TStage::NotConnected:
      return "NotConnected";
    case TStage::Starting:
      return "Starting";
    case TStage::LoggingIn:
      return "LoggingIn";
    case TStage::Connected:
      return "Connected";
    case TStage::Ending:
      return "Ending";
  }
  return "?";
}

const TEvent kEvents[] = {TEvent::Connect,  TEvent::PsftpStarted, TEvent::StartFailed,
                          TEvent::LoggedIn, TEvent::Disconnect,   TEvent::PsftpEnded};
const char* const kEventNames[] = {"Connect",  "PsftpStarted", "StartFailed",
                                   "LoggedIn", "Disconnect",   "PsftpEnded"};

// Every stage against every event, in the order of kEvents.
struct Row {
  TStage From;
  TStage After[6];
};

TEST(ConnectionState, EveryEventInEveryStage) {
  constexpr TStage N = TStage::NotConnected, S = TStage::Starting, L = TStage::LoggingIn,
                   C = TStage::Connected, E = TStage::Ending;
  const Row rows[] = {
      //  Connect PsftpStarted StartFailed LoggedIn Disconnect PsftpEnded
      // Only a connection that is not there can be started.
      {N, {S, L, N, N, N, N}},
      // A second Connect while the key is readied changes nothing; giving up
      // on the key ends the attempt; psftp's end cannot be that of this
      // attempt, whose psftp has not started.
      {S, {S, L, N, S, N, S}},
      // A "bye" written during the login is read after it: only the end ends.
      {L, {L, L, L, C, L, N}},
      {C, {C, L, C, C, E, N}},
      {E, {E, L, E, E, E, N}},
  };
  for (const Row& row : rows) {
    for (size_t i = 0; i < std::size(kEvents); ++i) {
      SCOPED_TRACE(std::string(Name(row.From)) + " + " + kEventNames[i]);
      EXPECT_EQ(Name(TConnectionState::Next(row.From, kEvents[i])), Name(row.After[i]));
      TConnectionState state(row.From);
      EXPECT_EQ(state.Apply(kEvents[i]), row.After[i] != row.From);
      EXPECT_EQ(Name(state.Stage()), Name(row.After[i]));
    }
  }
}

TEST(ConnectionState, ConnectedFromTheLoginUntilPsftpsEnd) {
  const std::pair<TStage, bool> cases[] = {{TStage::NotConnected, false},
                                           {TStage::Starting, false},
                                           {TStage::LoggingIn, false},
                                           {TStage::Connected, true},
                                           {TStage::Ending, true}};
  for (const auto& [stage, connected] : cases) {
    SCOPED_TRACE(Name(stage));
    EXPECT_EQ(TConnectionState(stage).Connected(), connected);
  }
}

// The ways through a session, from start to end, as the driver meets them.
TEST(ConnectionState, WholeSessions) {
  struct Case {
    const char* name;
    std::vector<TEvent> events;
    TStage end;
  } cases[] = {
      {"connect, log in, bye, end",
       {TEvent::Connect, TEvent::PsftpStarted, TEvent::LoggedIn, TEvent::Disconnect,
        TEvent::PsftpEnded},
       TStage::NotConnected},
      {"the server ends the session",
       {TEvent::Connect, TEvent::PsftpStarted, TEvent::LoggedIn, TEvent::PsftpEnded},
       TStage::NotConnected},
      {"the key cannot be used", {TEvent::Connect, TEvent::StartFailed}, TStage::NotConnected},
      {"connect again after an end",
       {TEvent::Connect, TEvent::PsftpStarted, TEvent::PsftpEnded, TEvent::Connect},
       TStage::Starting},
      {"bye during the login, then the login completes",
       {TEvent::Connect, TEvent::PsftpStarted, TEvent::Disconnect, TEvent::LoggedIn},
       TStage::Connected},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TConnectionState state;
    for (TEvent event : c.events) state.Apply(event);
    EXPECT_EQ(Name(state.Stage()), Name(c.end));
  }
}

}  // namespace
