#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

#include "remote/session/EntryUpdate.h"

class IConversation;
class IPage;
class TDir;
class TFile;
class TMakeDirOperation;
class TMoveOperation;
class TRemoveOperation;
class TStatOperation;
class TPutOperation;
class TGetOperation;

// What the user does to the server's files from a page's list: refresh it,
// go to a folder, make a file or a folder, rename, delete, download a copy.
// Each command checks what it can before anything is sent, and returns that
// refusal in plain words; a refusal from the server comes later, in the
// status panel, like every other. Afterwards the entries the command touched
// are updated (TEntryUpdate), so every page that shows the folder sees what
// the server now holds, and the open pages follow what happened to their
// files. Refresh and Go to Folder list the whole folder.
class TFileCommands {
 public:
  struct THooks {
    // Visits every open page.
    std::function<void(const std::function<void(IPage*)>&)> ForEachPage;
    // A new page, in front, for a file just made on the server.
    std::function<IPage*()> NewPage;
  };

  explicit TFileCommands(IConversation& Driver) : FDriver(Driver) {}
  void SetHooks(THooks Hooks) { FHooks = std::move(Hooks); }

  // Each returns why nothing was sent, or an empty text when the command
  // went out.
  QString Refresh(IPage* Page);
  // Typed is absolute, relative to the page's folder, or "~" (or "~/...")
  // for the folder the login started in.
  QString GoToFolder(IPage* Page, const QString& Typed);
  QString NewFolder(IPage* Page, const QString& Name);
  // The new, empty file opens in a new page once it is on the server.
  QString NewFile(IPage* Page, const QString& Name);
  QString Rename(IPage* Page, const TFile& Entry, const QString& NewName);
  // Files are removed, folders only when empty; never anything inside one.
  QString Delete(IPage* Page, const std::vector<const TFile*>& Entries);
  // Downloads Entry to LocalPath, which it replaces only once the whole file
  // has arrived.
  QString DownloadCopy(IPage* Page, const TFile& Entry, const QString& LocalPath);

  // The full remote path of Name in the folder Page shows.
  QString PathIn(const IPage& Page, const QString& Name) const;
  // Why Name cannot name a new entry of a folder; empty when it can.
  static QString CheckName(const QString& Name);
  // The folder Typed names, seen from Current, with Home for "~".
  static QString Resolve(const QString& Current, const QString& Home, const QString& Typed);
  // Path once From was renamed To: itself, or a path below it; empty when
  // the rename does not touch it.
  static QByteArray Follow(const QByteArray& Path, const QByteArray& From, const QByteArray& To);

 private:
  QString Folder(const IPage& Page) const;
  QString Taken(const IPage& Page, const QString& Name) const;
  void Relist(const QString& Folder);
  void Refused(const QString& Text, const QString& Detail);
  void NotDone(const QString& Name, const QString& Done, const QString& Line);
  void FinishMakeDir(TMakeDirOperation& Make);
  void FinishStat(TStatOperation& Stat);
  void FinishPut(TPutOperation& Put);
  void FinishMove(TMoveOperation& Move);
  void FinishRemove(TRemoveOperation& Remove);
  void FinishDownload(TGetOperation& Get);
  void Moved(const QByteArray& From, const QByteArray& To);
  void Removed(const QByteArray& Path);

  IConversation& FDriver;
  TEntryUpdate FEntries{FDriver};
  THooks FHooks;
  // Where each download of a copy goes, by the work file psftp writes.
  std::vector<std::pair<QString, QString>> FCopies;
};
