#pragma once

#include <QByteArrayList>
#include <QString>
#include <QStringList>
#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "process/VirtualRedirector.h"
#include "remote/editing/DriverPage.h"
#include "remote/listing/Dir.h"
#include "remote/session/DriverView.h"

// A page with plain fields: what the window's page would show.
class FakePage : public IPage {
 public:
  TDir* Dir() const override { return FDir; }
  void SetDir(TDir* Value) {
    FDir = Value;
    PopulateDirListBox();
  }
  void PopulateDirListBox();
  void ClearDirListBox() { Items.clear(); }
  TFile* SelectedFile() const;
  void SetFrameConnected(bool Value) { FrameConnected = Value; }
  QString Caption() const { return FCaption; }
  void SetCaption(const QString& Value) { FCaption = Value; }
  QByteArray RemoteFileName() const override { return FRemoteFileName; }
  void SetRemoteFileName(const QByteArray& Value) { FRemoteFileName = Value; }
  bool Saved() const { return FSaved; }
  void SetSaved(bool Value) { FSaved = Value; }
  void UpdateHighlighter() { ++HighlighterUpdates; }
  void LoadFromFile(const QString& Path);
  void SaveToFile(const QString& Path) override;
  const TRemoteFingerprint& RemoteFingerprint() const override { return Fingerprint; }
  void SetRemoteFingerprint(const TRemoteFingerprint& Value) override { Fingerprint = Value; }

  // Selects the list item showing Text ("[sub]" for a directory).
  bool Select(const QString& Text);

  QStringList Items;  // the list box's texts
  std::vector<TFile*> ItemFiles;
  int Selected = -1;
  bool FrameConnected = false;
  QByteArray Text;  // the editor's bytes
  int HighlighterUpdates = 0;
  TRemoteFingerprint Fingerprint;

 private:
  TDir* FDir = nullptr;
  QString FCaption = "Untitled";
  QByteArray FRemoteFileName;
  bool FSaved = true;
};

// Records what the driver reports the way the window shows it, and plays the
// window's part in front of the driver: the questions asked before a call,
// answered from scripts.
class FakeDriverView : public IDriverView {
 public:
  FakeDriverView();

  void ConnectionChanged(bool Connected, const QString& HostName) override;
  void StatusChanged(const QString& Text, int Panel, const QString& Detail) override {
    Status[Panel] = Text;
    StatusToolTip[Panel] = Detail;
  }
  void BusyChanged(bool Busy) override { BusyCursor = Busy; }
  void DirectoryListed(IPage* Page, TDir* Dir) override;
  void FileDownloaded(IPage* Page, const QString& LocalPath, const QByteArray& RemotePath) override;
  void FileUploaded(IPage* Page) override;
  void RemoteChecked(IPage* Page, const TRemoteCheck& Check) override {
    CheckedPages.push_back(Page);
    Checks.push_back(Check);
  }
  void Log(TLog Kind, const QString& Text) override {
    DebugText += Text + (Kind == TLog::Command ? "\r\n" : "\n");
  }
  void Inform(const QString& Text, const QString& Detail) override {
    Errors << Text;
    if (!Detail.isEmpty()) ErrorDetails << Detail;
  }
  void AskHostKey(const THostKeyRequest& Request) override { HostKeyRequests.push_back(Request); }
  void AskPassword(const TPasswordRequest& Request) override {
    PasswordRequests.push_back(Request);
  }

  // The window's commands, with the questions it asks before it calls the driver.
  void ConnectAction(class TConnectionDriver& Driver);  // connect, or disconnect when connected
  void DblClick(class TConnectionDriver& Driver);       // the active page's selected entry
  void Save(class TConnectionDriver& Driver);           // the active page
  void Drop(class TConnectionDriver& Driver, bool FrameConnected, const QStringList& Files);

  FakePage* ActivePage();
  int PageCount() { return int(PageList.size()); }
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
  // The checks before saves, as reported.
  std::vector<IPage*> CheckedPages;
  std::vector<TRemoteCheck> Checks;

 private:
  bool Confirm(const QString& Text);
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
