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
#include "remote/editing/RemoteCheck.h"
#include "remote/editing/TransferListener.h"
#include "remote/listing/Dir.h"
#include "remote/session/DriverView.h"

// A page with plain fields: what the window's page would show.
class FakePage : public IPage {
 public:
  TDir* Dir() const override { return FDir; }
  void SetDir(TDir* Value) override {
    FDir = Value;
    PopulateDirListBox();
  }
  void PopulateDirListBox();
  void ClearDirListBox() { Items.clear(); }
  TFile* SelectedFile() const override;
  void SetFrameConnected(bool Value) { FrameConnected = Value; }
  TRemoteDocument& Document() override { return FDocument; }
  const TRemoteDocument& Document() const override { return FDocument; }
  void DocumentChanged() override { ++DocumentChanges; }
  QString Caption() const { return FDocument.DisplayName(); }
  bool Saved() const { return FDocument.Saved; }
  void SetSaved(bool Value) { FDocument.Saved = Value; }
  void LoadFromFile(const QString& Path) override;
  void SaveToFile(const QString& Path) override;
  quint64 TextVersion() const override { return Version; }
  void SetReceiving(bool Value) override { Receiving = Value; }
  // Text typed into the page: a new version of it.
  void Type(const QByteArray& Typed) {
    Text += Typed;
    ++Version;
  }

  // Selects the list item showing Text ("[sub]" for a directory).
  bool Select(const QString& Text);
  bool SelectFile(const QString& RemoteName) override { return Select(RemoteName); }

  QStringList Items;  // the list box's texts
  std::vector<TFile*> ItemFiles;
  int Selected = -1;
  bool FrameConnected = false;
  QByteArray Text;  // the editor's bytes
  int DocumentChanges = 0;
  quint64 Version = 0;
  bool Receiving = false;

 private:
  TDir* FDir = nullptr;
  TRemoteDocument FDocument;
};

// Records what the driver reports the way the window shows it. What a
// download or an upload means for a page is the editing controller's
// (TRemoteEditor), which tests drive with scripted prompts.
class FakeDriverView : public IDriverView {
 public:
  FakeDriverView();

  void ConnectionChanged(bool Connected, const QString& HostName) override;
  void MessageChanged(const QString& Text, const QString& Detail) override {
    Status[0] = Text;
    StatusToolTip[0] = Detail;
  }
  void FolderChanged(const QString& Path) override {
    Status[1] = Path;
    StatusToolTip[1] = QString();
  }
  void BusyChanged(bool Busy) override { BusyCursor = Busy; }
  void DirectoryListed(IPage* Page, TDir* Dir) override;
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

  // The Connect command: connect, or disconnect when connected.
  void ConnectAction(class TConnectionDriver& Driver);

  FakePage* ActivePage();
  int PageCount() { return int(PageList.size()); }
  FakePage* AddPage();
  FakePage* Page(int Index) { return PageList.at(Index).get(); }
  // Removes a page the way the window does: tells the controller first.
  void ClosePage(int Index, class TRemoteEditor& Editor);

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
  QStringList Errors;
  QStringList ErrorDetails;  // of the errors shown with a detail
  std::vector<THostKeyRequest> HostKeyRequests;
  std::vector<TPasswordRequest> PasswordRequests;
};

// Records the driver's reports about pages' files, where a test wants them
// raw rather than acted on by the editing controller.
class RecordingListener : public ITransferListener {
 public:
  void FileDownloaded(IPage*, const QString& LocalPath, const QByteArray&) override {
    Downloads << LocalPath;
  }
  void DownloadEnded(IPage*) override {}
  void FileUploaded(IPage* Page, quint64) override { Uploads.push_back(Page); }
  void UploadFailed(IPage*, bool) override {}
  void RemoteChecked(IPage* Page, const TRemoteCheck& Check) override {
    CheckedPages.push_back(Page);
    Checks.push_back(Check);
  }
  QStringList Downloads;
  std::vector<IPage*> Uploads;
  std::vector<IPage*> CheckedPages;
  std::vector<TRemoteCheck> Checks;
};

// A redirector without a child: records what would be started and written,
// and runs from its first start until Runs is cleared.
class RecordingRedirector : public TVirtualRedirector {
 public:
  // Records the start of psftp instead; the recorded psftp then runs until
  // Runs is cleared.
  bool Run(const QString&, const QString&, const QString& Parameters, int) override {
    Started << Parameters;
    Runs = true;
    return true;
  }
  // A command that closes an answer (a change to a local folder below
  // /dev/null) is kept apart from the commands written, for Answered.
  void Write(const QByteArray& Command) override;
  // Piece, recorded psftp output in which a "psftp> " that ends the piece
  // ends the answer, as psftp prints it when the driver closes its commands:
  // with psftp's refusal of the closing command and the prompt after it.
  QByteArray Answered(const QByteArray& Piece);
  void WriteRaw(const QByteArray& Bytes) override { Raw << Bytes; }
  bool Running() const override { return Runs; }
  bool Runs = false;
  QStringList Started;
  QByteArrayList Written;
  QByteArrayList Raw;
  QByteArray ClosingPath;  // of the closing command not yet answered
};
