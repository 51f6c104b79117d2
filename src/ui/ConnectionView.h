#pragma once

#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

#include "remote/session/ConnectValues.h"
#include "remote/session/DriverView.h"

class QDialog;
class QMainWindow;
class IPage;
class TDebugLogWindow;
class TDir;
class TMainActions;
class TPages;
class TStatusPanels;

// How the window shows the connection: the status panels, the Connect
// command's look, the caption, whether each page is connected, the busy
// cursor and the debug log; and the connect dialog that starts one. It shows
// what the driver reports and decides nothing about the connection.
class TConnectionView {
 public:
  TConnectionView(QMainWindow& Window, TMainActions& Actions, TPages& Pages);
  // A busy cursor is given back with the window.
  ~TConnectionView();

  // The caption keeps the last host after a disconnect.
  void ShowConnected(bool Connected, const QString& HostName);
  bool Connected() const { return FConnected; }
  // Page (null once its tab has gone) shows Dir, and so does every page
  // that already showed it.
  void ShowListing(IPage* Page, TDir* Dir);
  void Log(IDriverView::TLog Kind, const QString& Text);
  // The driver may report "not busy" many times; the override cursor is set
  // and restored in pairs so none is left stacked.
  void SetBusyCursor(bool Busy);
  void SetStatus(int Index, const QString& Text, const QString& ToolTip);
  QString StatusText(int Index) const;
  // A page's own work (a large file opening or being written) stands in the
  // message panel while it runs; an empty Text ends it, and the message
  // comes back, unless the connection said something new meanwhile.
  void ShowWork(const QString& Text);

  // The windows made after the main window; the main program hands them
  // over. Values reads the connect dialog's fields after it closed with OK.
  void SetConnectDialog(QDialog* Dialog, std::function<TConnectValues()> Values);
  void SetDebugForm(TDebugLogWindow* Form);
  // True when the connect dialog closed with OK; false without one.
  bool ShowConnectDialog();
  // The connect dialog's next showing offers Values (a link's host).
  void PrefillConnectDialog(const TConnectValues& Values);
  TConnectValues ConnectDialogValues() const;
  void ShowDebugLog();

 private:
  QMainWindow& FWindow;
  TMainActions& FActions;
  TPages& FPages;
  std::unique_ptr<TStatusPanels> FStatusPanels;
  bool FConnected = false;
  // The work shown in the message panel, and the message it stands for.
  QString FWork;
  QString FBeforeWork;
  bool FBusyCursor = false;
  QPointer<QDialog> FConnectDialog;
  std::function<TConnectValues()> FConnectValues;
  QPointer<TDebugLogWindow> FDebugForm;
};
