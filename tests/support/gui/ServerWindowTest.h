#pragma once

#include <QModelIndex>
#include <QString>
#include <string>

#include "ScriptedForm.h"
#include "TestServer.h"
#include "WindowTest.h"
#include "remote/session/DriverView.h"
#include "ui/DebugLogWindow.h"

class QListView;

// The window against the loopback SFTP server, with psftp's conversation in
// the debug log for the failure messages. Each test starts the server itself,
// as a refusal or a fault has to be set before it starts.
class ServerWindowTest : public WindowTest {
 protected:
  ServerWindowTest();

  // The server's login, starting in /www, as the connect dialog gives it.
  TConnectValues LoginValues() const;
  // Waits for the host-key question that a connect raises and trusts the key.
  void TrustHostKey();

  // The active page's directory list and its row showing exactly Text
  // (invalid when there is none).
  QListView* List();
  QModelIndex Item(const QString& Text);
  // Waits until the list shows Text.
  bool Listed(const QString& Text);
  void DoubleClick(const QString& Text);

  // The log, the reported errors and the error boxes, for a failure's message.
  std::string Diagnostics() const;

  TestServer Server;
  TDebugLogWindow Log;
  TScriptedForm Form;
};
