#include "remote/session/SwapChoice.h"

#include "remote/listing/Directories.h"
#include "remote/session/SafeSave.h"

namespace {
bool AllDigits(const QString& Text) {
  for (const QChar c : Text)
    if (!c.isDigit()) return false;
  return !Text.isEmpty();
}
}  // namespace

// Whatever the listing cannot tell is taken as a reason not to swap: a
// write in place is the save as it always was, while a swap that guessed
// wrong would change the file's owner or mode, or cut a link, with no
// failure to show for it.
TSwapChoice TSwapChoice::For(const QByteArray& Target, const TDirectories& Directories,
                             const QByteArray& UserName) {
  const qsizetype slash = Target.lastIndexOf('/');
  if (slash < 0) return InPlace("its folder is not known");
  if (!TSafeSave::Fits(Target)) return InPlace("a hidden name beside it would be too long");
  const QString folder = QString::fromLocal8Bit(slash == 0 ? QByteArray("/") : Target.left(slash));
  const QString name = QString::fromLocal8Bit(Target.mid(slash + 1));
  const TDir* dir = Directories.Find(folder);
  if (!dir) return InPlace("its folder has not been listed, so what it is cannot be told");
  const TFile* file = dir->FindNamed(name);
  if (!file) {
    if (dir->CountNamed(name) > 1) return InPlace("psftp shows its name for more than one file");
    return {TWay::New, -1, QString()};
  }
  if (file->IsLink())
    return InPlace("it is a symbolic link: the link stays, its target is written");
  if (file->IsDirectory()) return InPlace("the listing shows a folder of that name");
  if (file->Links() > 1)
    return InPlace(
        QString("it has %1 hard links, which a new copy would not be").arg(file->Links()));
  if (file->Permissions() < 0 || file->Links() < 1)
    return InPlace("the listing does not show its mode and links");
  const QString owner = dir->Owner(*file);
  const QString user = QString::fromLocal8Bit(UserName);
  if (owner.isEmpty() || user.isEmpty())
    return InPlace("its owner cannot be told from the listing");
  // A number is what a server shows when it has no name for the owner (a
  // chrooted sftp-server without the password file, say): it may be the
  // user's, or not.
  if (owner != user && AllDigits(owner))
    return InPlace(
        QString("the listing shows its owner as the number %1, not as %2").arg(owner, user));
  if (owner != user)
    return InPlace(QString("it belongs to %1, and a new copy would belong to %2").arg(owner, user));
  return {TWay::Swap, file->Permissions(), QString()};
}
