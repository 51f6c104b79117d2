#include "remote/operations/StatOperation.h"

#include "remote/operations/PsftpCommand.h"

namespace {
// psftp names the directory first and then finds it cannot read it.
const QString kReadFailures[] = {"Unable to open ", "Reading directory "};
// psftp words each SFTP status itself, whatever text the server sent with
// it; this is its text for "no such file".
const QString kNoSuchFile = ": no such file or directory";

// psftp's patterns (PuTTY's wildcard.c): "*", "?" and "[...]" match, and a
// backslash takes the next byte literally, inside brackets too, where "^"
// and "-" would mean more.
bool IsWildcard(char c) { return c == '*' || c == '?' || c == '[' || c == ']' || c == '\\'; }
bool IsSpecialInBrackets(char c) { return IsWildcard(c) || c == '^' || c == '-'; }

qsizetype LastSlash(const QByteArray& Path) { return Path.lastIndexOf('/'); }
}  // namespace

TStatOperation::TStatOperation(IPage* Page, const TRemoteCheck& Check)
    : TPsftpOperation(Page), FCheck(Check) {
  SetMissing("psftp did not list the file");
  const QByteArray& path = FCheck.RemotePath;
  const qsizetype slash = LastSlash(path);
  FDir = QString::fromLocal8Bit(slash == 0 ? QByteArray("/") : path.left(slash));
  FName = QString::fromLocal8Bit(path.mid(slash + 1));
  Command();  // refuses a name psftp cannot take before anything is queued
}

bool TStatOperation::CanList(const QByteArray& RemotePath) {
  const qsizetype slash = LastSlash(RemotePath);
  if (!RemotePath.startsWith('/') || slash == RemotePath.size() - 1) return false;
  for (qsizetype i = 0; i < slash; ++i)
    if (IsWildcard(RemotePath[i])) return false;
  return true;
}

// Without a wildcard psftp lists the path as a directory, so one byte of the
// name goes in brackets: "[l]f.pl". One byte, not one character: psftp
// matches bytes, and a bracket holding the two bytes of "é" would match
// either of them.
QByteArray TStatOperation::Argument(const QByteArray& RemotePath) {
  const qsizetype slash = LastSlash(RemotePath);
  QByteArray argument = RemotePath.left(slash + 1);
  const QByteArray name = RemotePath.mid(slash + 1);
  for (qsizetype i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (i == 0) {
      argument += '[';
      if (IsSpecialInBrackets(c)) argument += '\\';
      argument += c;
      argument += ']';
      continue;
    }
    if (IsWildcard(c)) argument += '\\';
    argument += c;
  }
  return argument;
}

QByteArray TStatOperation::Command() const {
  return TPsftpCommand::Build("ls", {Argument(FCheck.RemotePath)});
}

void TStatOperation::Line(const QString& Text) {
  if (!FHeaderSeen) {
    if (Text == TListingParser::Header + FDir)
      FHeaderSeen = true;
    else
      Fail(Text);
    return;
  }
  for (const QString& failure : kReadFailures) {
    if (!Text.startsWith(failure)) continue;
    if (Text == kReadFailures[0] + FDir + kNoSuchFile)
      FDirMissing = true;
    else
      Fail(Text);
    return;
  }
  TListingParser::TEntry entry;
  if (!TListingParser::ParseEntry(Text, entry) || entry.Name != FName) return;
  ++FMatches;
  FEntry = entry;
  FEntries.push_back(entry);
}

bool TStatOperation::Missing() const { return Succeeded() && (FDirMissing || FMatches == 0); }
