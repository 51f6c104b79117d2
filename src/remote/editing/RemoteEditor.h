#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <vector>

#include "remote/editing/RemoteCheck.h"
#include "remote/editing/TransferListener.h"
#include "remote/editing/UserPrompts.h"

class IPage;
class TConnectionDriver;

// What editing a remote file means: opening an entry of a page's list into
// the page, saving a page (its name, the check against the server, the
// question when someone else changed the file, the upload) and uploading a
// file dropped on the list. It asks the person through IUserPrompts and
// hears back from the driver as its ITransferListener; the window only
// forwards what the user did and shows the pages.
class TRemoteEditor : public ITransferListener {
 public:
  struct THooks {
    // A new page, in front, for the server's version of a file.
    std::function<IPage*()> NewPage;
    // The user kept a page's text from the server: whatever waited for its
    // save goes without it.
    std::function<void(IPage*)> SaveAbandoned;
  };

  TRemoteEditor(TConnectionDriver& Driver, IUserPrompts& Prompts, THooks Hooks = {});
  ~TRemoteEditor() override;
  TRemoteEditor(const TRemoteEditor&) = delete;
  TRemoteEditor& operator=(const TRemoteEditor&) = delete;

  // Enters the folder selected in Page's list, or downloads the file into
  // Page (asking first about a file that may be binary). The caller has
  // dealt with Page's unsaved text.
  void OpenSelected(IPage* Page);
  // Begins saving Page: a page never saved is named first; the driver then
  // checks its remote file, and the save goes out (or is asked about) when
  // the check is done. False when naming was cancelled or refused.
  bool Save(IPage* Page);
  // Local files dropped on Page's list, while the list shows Connected.
  void Drop(IPage* Page, bool Connected, const QStringList& Files);
  // Where the questions go from now on; it must outlive this controller.
  void SetPrompts(IUserPrompts& Prompts) { FPrompts = &Prompts; }
  IUserPrompts& Prompts() const { return *FPrompts; }
  // What the user chose while an upload runs and psftp is about to end.
  enum class TUploadAnswer {
    None,  // no upload runs: nothing was asked
    Wait,
    Stop,
  };
  // "NAME is still being saved.": Wait or Stop the save.
  TUploadAnswer AskAboutUploads();
  // Ends psftp, and with it every upload, and says what that leaves.
  void StopUploads();
  // Disconnects; while an upload runs, after asking: Wait disconnects once
  // no upload is left, Stop at once.
  void Disconnect();
  // Before Page goes: nothing will touch it any more.
  void PageClosing(IPage* Page);
  // True while a question about a checked save is open or on its way.
  bool Asking() const { return !FQuestions.empty(); }

  void FileDownloaded(IPage* Page, const QString& LocalPath, const QByteArray& RemotePath) override;
  void DownloadEnded(IPage* Page) override;
  void FileUploaded(IPage* Page, quint64 SentVersion) override;
  void UploadFailed(IPage* Page, bool MayBeCut) override;
  void RemoteChecked(IPage* Page, const TRemoteCheck& Check) override;

 private:
  struct TQuestion {
    IPage* Page;
    TRemoteCheck Check;
  };
  void Send(IPage* Page, const QString& LocalPath);
  void AskNext();
  void Answer(IPage* Page, const TRemoteCheck& Check);
  void OpenServerVersion(IPage* Page, const TRemoteCheck& Check);
  bool SaveDeletedAgain(IPage* Page);
  bool Ambiguous(const IPage* Page, const QString& Name);
  void DisconnectWhenSaved();

  TConnectionDriver& FDriver;
  IUserPrompts* FPrompts;
  THooks FHooks;
  // Questions wait until the driver has done with psftp's answer, so none
  // is asked inside it; a closed page's question is dropped.
  std::vector<TQuestion> FQuestions;
  // Pages saved again while their upload ran: each is checked once that
  // upload is confirmed, against what it left on the server.
  std::vector<IPage*> FSaveAgain;
  bool FAskingNow = false;
  QTimer FDisconnectTimer;
  QObject FContext;
};
