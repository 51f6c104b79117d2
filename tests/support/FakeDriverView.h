#pragma once

#include <QByteArrayList>
#include <QString>
#include <QStringList>
#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "process/VirtualRedirector.h"
#include "remote/Dir.h"
#include "remote/DriverView.h"
#include "remote/Page.h"

// A page with plain fields: what the window's page would show.
class FakePage : public IPage {
 public:
  TDir* Dir() const override { return FDir; }
  void SetDir(TDir* Value) override { FDir = Value; PopulateDirListBox(); }
  void PopulateDirListBox() override;
  void ClearDirListBox() override { Items.clear(); }
  TFile* SelectedFile() const override;
  void SetFrameConnected(bool Value) override { FrameConnected = Value; }
  QString Caption() const override { return FCaption; }
  void SetCaption(const QString& Value) override { FCaption = Value; }
  QByteArray RemoteFileName() const override { return FRemoteFileName; }
  void SetRemoteFileName(const QByteArray& Value) override { FRemoteFileName = Value; }
  bool Saved() const override { return FSaved; }
  void SetSaved(bool Value) override { FSaved = Value; }
  void UpdateHighlighter() override { ++HighlighterUpdates; }
  void LoadFromFile(const QString& Path) override;
  void SaveToFile(const QString& Path) override;

  // Selects the list item showing Text ("[sub]" for a directory).
  bool Select(const QString& Text);

  QStringList Items;           // the list box's texts
  std::vector<TFile*> ItemFiles;
  int Selected = -1;
  bool FrameConnected = false;
  QByteArray Text;             // the editor's bytes
  int HighlighterUpdates = 0;

 private:
  TDir* FDir = nullptr;
  QString FCaption = "Untitled";
  QByteArray FRemoteFileName;
  bool FSaved = true;
};

// Records what the driver shows and answers its questions from scripts.
class FakeDriverView : public IDriverView {
 public:
  FakeDriverView();

  IPage* ActivePage() override;
  int PageCount() override { return int(PageList.size()); }
  IPage* Pages(int Index) override { return PageList.at(Index).get(); }
  void SetStatus(const QString& S, int Index, const QString& ToolTip = QString()) override {
    Status[Index] = S;
    StatusToolTip[Index] = ToolTip;
  }
  void SetConnectAction(const QString& Caption, int ImageIndex) override {
    ConnectCaption = Caption;
    ConnectImage = ImageIndex;
  }
  void SetNewOpenEnabled(bool Enabled) override { NewOpenEnabled = Enabled; }
  void SetCaption(const QString& Caption) override { WindowCaption = Caption; }
  void SetBusyCursor(bool Busy) override { BusyCursor = Busy; }
  void DebugAppendText(const QString& Text) override { DebugText += Text; }
  void DebugAddLine(const QString& S) override { DebugText += S + "\n"; }
  bool ShowConnectDialog() override { return ConnectDialogResult; }
  TConnectValues ConnectDialogValues() override { return Values; }
  bool AskSaveAsName(QString& FileName) override;
  bool Confirm(const QString& Text) override;
  void ShowError(const QString& Text) override { Errors << Text; }
  void ShowDetailedError(const QString& Text, const QString& Detail) override {
    Errors << Text;
    ErrorDetails << Detail;
  }
  void ShowMessage(const QString& Text) override { Messages << Text; }
  void AskHostKey(const THostKeyRequest& Request) override { HostKeyRequests.push_back(Request); }
  void AskPassword(const TPasswordRequest& Request) override {
    PasswordRequests.push_back(Request);
  }

  FakePage* AddPage();
  FakePage* Page(int Index) { return PageList.at(Index).get(); }
  // Removes a page the way the window does: tells the driver first.
  void ClosePage(int Index, class TConnectionDriver& Driver);

  std::vector<std::unique_ptr<FakePage>> PageList;
  int Active = 0;
  std::map<int, QString> Status;
  std::map<int, QString> StatusToolTip;  // as given: empty when none was
  QString ConnectCaption;
  int ConnectImage = -1;
  bool NewOpenEnabled = false;
  QString WindowCaption = "Quillery";
  bool BusyCursor = false;
  QString DebugText;
  bool ConnectDialogResult = true;
  TConnectValues Values;
  std::deque<bool> ConfirmAnswers;  // empty: Yes
  QStringList Confirms;
  bool SaveAsResult = true;
  QString SaveAsName;
  QStringList Errors;
  QStringList ErrorDetails;  // of the errors shown with a detail
  QStringList Messages;
  std::vector<THostKeyRequest> HostKeyRequests;
  std::vector<TPasswordRequest> PasswordRequests;
};

// A redirector without a child: records what would be written.
class RecordingRedirector : public TVirtualRedirector {
 public:
  void Write(const QByteArray& Command) override { Written << Command; }
  void WriteRaw(const QByteArray& Bytes) override { Raw << Bytes; }
  bool Running() const override { return true; }
  QByteArrayList Written;
  QByteArrayList Raw;
};
