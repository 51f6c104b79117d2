#pragma once

#include <QByteArray>
#include <QString>

class IPage;
struct TRemoteCheck;

// What the connection driver reports about the files pages asked for; the
// editing controller listens, so the window never learns what a download or
// an upload means for a page.
class ITransferListener {
 public:
  virtual ~ITransferListener() = default;

  // The file Page asked for has arrived whole at LocalPath.
  virtual void FileDownloaded(IPage* Page, const QString& LocalPath,
                              const QByteArray& RemotePath) = 0;
  // A download into Page has ended, whole, failed or dropped; Page is never
  // null.
  virtual void DownloadEnded(IPage* Page) = 0;
  // The server has taken Page's own text, as it was at SentVersion
  // (IPage::TextVersion).
  virtual void FileUploaded(IPage* Page, quint64 SentVersion) = 0;
  // An upload of Page's own text failed, or psftp ended before it was
  // answered. MayBeCut: it wrote the file itself, so what the server holds
  // may be part of it; otherwise no text on the server was cut short.
  virtual void UploadFailed(IPage* Page, bool MayBeCut) = 0;
  // The check of Page's remote file that a save began is done; Page is
  // never null.
  virtual void RemoteChecked(IPage* Page, const TRemoteCheck& Check) = 0;

  // Takes the reports while no controller listens: the pages' text is then
  // nobody's to update.
  static ITransferListener& Nobody() {
    static struct TNobody : ITransferListener {
      void FileDownloaded(IPage*, const QString&, const QByteArray&) override {}
      void DownloadEnded(IPage*) override {}
      void FileUploaded(IPage*, quint64) override {}
      void UploadFailed(IPage*, bool) override {}
      void RemoteChecked(IPage*, const TRemoteCheck&) override {}
    } nobody;
    return nobody;
  }
};
