#include "remote/session/PlainMessages.h"

#include <cstring>
#include <initializer_list>

namespace {

QString Capitalised(const QString& S) { return S.isEmpty() ? S : S.left(1).toUpper() + S.mid(1); }

// A person knows the file by its name; the folder is what the window already shows.
QString LastPart(QString Path) {
  while (Path.size() > 1 && Path.endsWith('/')) Path.chop(1);
  if (Path == "/") return Path;
  return Path.mid(Path.lastIndexOf('/') + 1);
}

// A refusal line: Head, the path, Marker, the cause. psftp's causes hold no
// ": ", a path may, so the path runs up to the last Marker.
struct TRefusal {
  const char* Head;
  const char* Marker;
  // "failure" is SSH's catch-all status and names no cause; the step that
  // failed is shown in its place.
  const char* Failed;
};
const TRefusal kRefusals[] = {
    {"Directory ", ": ", "Cannot open directory"},       // cd
    {"Unable to open ", ": ", "Cannot open directory"},  // ls
    {"Reading directory ", ": ", "Cannot read directory"},
    {"", ": open for read: ", "Cannot read"},    // get
    {"", ": open for write: ", "Cannot write"},  // put
    {"", ": canonify: ", "Cannot find"},
};

bool OneOf(const QString& S, std::initializer_list<const char*> Texts) {
  for (const char* text : Texts)
    if (S.compare(QLatin1String(text), Qt::CaseInsensitive) == 0) return true;
  return false;
}

}  // namespace

QString TPlainMessages::Refusal(const QString& Line) {
  const QString line = Line.trimmed();
  // "error while writing: failure", "error while writing local file": no path to move.
  if (line.startsWith("error while ")) return Capitalised(line);
  const QString localHead = "local: unable to open ";
  if (line.startsWith(localHead) && line.size() > localHead.size())
    return "Cannot open local file: " + LastPart(line.mid(localHead.size()));
  for (const TRefusal& refusal : kRefusals) {
    const QString head = refusal.Head, marker = refusal.Marker;
    if (!line.startsWith(head)) continue;
    const qsizetype at = line.lastIndexOf(marker);
    if (at <= head.size()) continue;
    const QString path = line.mid(head.size(), at - head.size());
    const QString cause = line.mid(at + marker.size()).trimmed();
    if (cause.isEmpty()) continue;
    const QString shown =
        cause.compare("failure", Qt::CaseInsensitive) == 0 ? refusal.Failed : Capitalised(cause);
    return shown + ": " + LastPart(path);
  }
  return Line;
}

// psftp ends its refusals with its words for the SFTP status after the last
// ": ". "failure" is SSH's status that names no cause.
QString TPlainMessages::Cause(const QString& Line) {
  const QString line = Line.trimmed();
  const qsizetype colon = line.lastIndexOf(": ");
  const QString status = colon < 0 ? line : line.mid(colon + 2).trimmed();
  if (status.compare("failure", Qt::CaseInsensitive) == 0) return "the server refused it";
  if (status.compare("no such file or directory", Qt::CaseInsensitive) == 0)
    return "it is no longer on the server";
  return status.isEmpty() ? "the server refused it" : status;
}

// psftp ends its refusals with its words for the SFTP status after the last
// ": ". "failure" is the status that names no cause; what failed says more.
QString TPlainMessages::SaveCause(const QString& Line) {
  const QString line = Line.trimmed();
  const qsizetype colon = line.lastIndexOf(": ");
  const QString status = colon < 0 ? QString() : line.mid(colon + 2).trimmed().toLower();
  const bool failure = status == "failure";
  const bool denied = status == "permission denied";
  const bool missing = status == "no such file or directory";
  if (line.startsWith("error while writing")) {
    // What OpenSSH's sftp-server answers for a full disk or quota.
    if (failure || line == "error while writing")
      return "the server could not store all of it (its disk may be full)";
    return "the server stopped taking it (" + status + ")";
  }
  if (line.startsWith("local: unable to open ")) return "its local copy could not be read";
  if (line.startsWith("get attrs for ") || line.startsWith("set attrs for "))
    return "the server would not give the new copy the file's permissions (" + status + ")";
  if (line.contains(": open for write: ")) {
    if (denied) return "the server does not let you write there";
    if (missing) return "its folder is no longer on the server";
    if (failure) return "the server would not create a file there";
  } else if (line.startsWith("mv ")) {
    if (denied) return "the server does not let you rename files there";
    if (missing) return "it is no longer on the server";
    if (failure) return "the server refused a rename";
  } else if (line.startsWith("rm ")) {
    if (denied) return "the server does not let you remove files there";
    if (failure) return "the server would not remove it";
  } else if (line.startsWith("psftp did not report")) {
    return "psftp did not say how it went";
  }
  return status.isEmpty() ? line : status;
}

TPlainMessages::TFatalError TPlainMessages::FatalError(const QString& Line, const QString& Host,
                                                       int Port, const QString& User) {
  const QString detail = Line.trimmed();
  QString words = detail;
  // psftp gives up before any connection when the name does not resolve or
  // no socket can be made: it then says "ssh_init: REASON" instead.
  bool notStarted = false;
  if (words.startsWith("FATAL ERROR: ")) {
    words = words.mid(13);
  } else if (words.startsWith("ssh_init: ")) {
    words = words.mid(10);
    notStarted = true;
  }
  // Older releases put "Network error: " before the socket's reason.
  const QString cause = words.startsWith("Network error: ") ? words.mid(15) : words;

  QString text;
  if (OneOf(cause, {"Configured password was not accepted"})) {
    text = QString("The server did not accept the password for %1 on %2.").arg(User, Host);
  } else if (notStarted ||
             OneOf(cause, {"Connection refused", "Connection timed out", "No route to host",
                           "Network is unreachable", "Host is unreachable", "Host is down",
                           "Host does not exist"})) {
    text = QString("Cannot reach %1 on port %2: %3").arg(Host, QString::number(Port), cause);
  } else if (OneOf(cause, {"Remote side unexpectedly closed network connection",
                           "Server unexpectedly closed network connection",
                           "Connection reset by peer", "Software caused connection abort"})) {
    text = QString(
               "The connection to %1 was lost. Your open pages are kept; connect again to "
               "save them.")
               .arg(Host);
  } else {
    text = words;
  }
  return {text, detail};
}

QString TPlainMessages::LocalWriteError(const QString& Path, QFileDevice::FileError Error,
                                        const QString& ErrorString, int Errno) {
  QString reason;
  if (Error != QFileDevice::NoError && !ErrorString.isEmpty() && ErrorString != "Unknown error")
    reason = ErrorString;
  else if (Errno != 0)
    reason = QString::fromLocal8Bit(std::strerror(Errno));
  else
    reason = ErrorString.isEmpty() ? QString("Unknown error") : ErrorString;
  return QString("Unable to write %1: %2").arg(Path, reason);
}
