#pragma once

#include <QByteArray>
#include <QString>

#include "remote/HostKeyRequest.h"

class IPage;

// The values of the connect dialog the driver reads after OK, and again
// (StartingDir) when the login completes.
struct TConnectValues {
  QByteArray HostName;
  QByteArray UserName;
  QByteArray Password;
  QByteArray StartingDir;
  int Port = 22;
};

// The operations the connection driver needs of the user interface. The main
// window implements it; tests implement it with recording fakes.
class IDriverView {
 public:
  virtual ~IDriverView() = default;

  // Pages, in tab order; ActivePage is null when no tab is active.
  virtual IPage* ActivePage() = 0;
  virtual int PageCount() = 0;
  virtual IPage* Pages(int Index) = 0;

  // Panel Index of the status bar shows S; its tooltip shows ToolTip, or S
  // itself when none is given (a panel may be too narrow for all of S).
  virtual void SetStatus(const QString& S, int Index, const QString& ToolTip = QString()) = 0;
  // ConnectAction's caption and image index (0 connect, 12 disconnect).
  virtual void SetConnectAction(const QString& Caption, int ImageIndex) = 0;
  virtual void SetNewOpenEnabled(bool Enabled) = 0;
  virtual void SetCaption(const QString& Caption) = 0;
  virtual void SetBusyCursor(bool Busy) = 0;
  // Appends Text to the debug log's whole text as it is.
  virtual void DebugAppendText(const QString& Text) = 0;
  // Adds S as one new line of the debug log.
  virtual void DebugAddLine(const QString& S) = 0;

  // Shows the connect dialog modally; true for OK.
  virtual bool ShowConnectDialog() = 0;
  virtual TConnectValues ConnectDialogValues() = 0;
  // Shows the Save As dialog modally; true for OK with the name typed.
  virtual bool AskSaveAsName(QString& FileName) = 0;

  // Yes/No question; true for Yes.
  virtual bool Confirm(const QString& Text) = 0;
  // Error box with OK.
  virtual void ShowError(const QString& Text) = 0;
  // An error put in plain words (Text), with the program's own words (Detail)
  // kept below them for whoever needs the exact message.
  virtual void ShowDetailedError(const QString& Text, const QString& Detail) {
    ShowError(Detail.isEmpty() || Detail == Text ? Text : Text + "\n\n" + Detail);
  }
  // Plain message box.
  virtual void ShowMessage(const QString& Text) = 0;

  // psftp's questions. The window answers later through the driver's
  // AnswerHostKey / AnswerPassword / CancelPassword; it must not block here.
  virtual void AskHostKey(const THostKeyRequest& Request) = 0;
  virtual void AskPassword(const TPasswordRequest& Request) = 0;
};
