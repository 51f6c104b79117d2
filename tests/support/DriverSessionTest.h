#pragma once

#include <QStringList>
#include <gtest/gtest.h>

#include "FakeDriverView.h"
#include "ScriptedPrompts.h"
#include "TempHome.h"
#include "TestServer.h"
#include "core/ErrorReport.h"
#include "process/VirtualRedirector.h"
#include "remote/editing/RemoteEditor.h"
#include "remote/session/ConnectionDriver.h"

// The real psftp against the loopback SFTP server, through the redirector and
// the connection driver, with FakeDriverView in the window's place and the real editing controller
// asking its questions of a script. The
// connect values hold the server's login, starting in /www; the port is known
// only once the server runs, and each test starts the server itself, as a
// fault has to be set before it starts. What the application's error display
// gets lands in reported, and a psftp still running at the end is ended.
class DriverSessionTest : public ::testing::Test {
 protected:
  DriverSessionTest();
  ~DriverSessionTest() override;

  // Starts the server and connects; the first page lists /www.
  void Connect();
  // Double-clicks Name ("[dir]" for a folder) in Page's list, as the page in
  // front, and waits until psftp's answers have been handled.
  void Open(FakePage* Page, const QString& Name);
  // Waits until psftp has answered everything asked of it.
  void WaitIdle();
  void MakeActive(FakePage* Page);
  // Gives the file commands the view's pages, as the window gives them its tabs.
  void HookFileCommands();

  TempHome home;
  TestServer server;
  FakeDriverView view;
  TVirtualRedirector redirector;
  TConnectionDriver driver{view, redirector};
  TScriptedPrompts prompts;
  TRemoteEditor editing{driver, prompts};
  QStringList reported;

 private:
  ErrorReport::Handler previous;
};
