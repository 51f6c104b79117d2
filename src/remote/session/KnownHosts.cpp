#include "remote/session/KnownHosts.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace {

constexpr int kWaitMs = 5000;

// Runs ssh-keygen with Arguments and Input; empty when it cannot be run.
QByteArray SshKeygen(const QStringList& Arguments, const QByteArray& Input = QByteArray()) {
  const QString program = QStandardPaths::findExecutable("ssh-keygen");
  if (program.isEmpty()) return QByteArray();
  QProcess process;
  process.start(program, Arguments);
  if (!process.waitForStarted(kWaitMs)) return QByteArray();
  process.write(Input);
  process.closeWriteChannel();
  if (!process.waitForFinished(kWaitMs)) {
    process.kill();
    process.waitForFinished(kWaitMs);
    return QByteArray();
  }
  return process.readAllStandardOutput();
}

// "ssh-keygen -F" prints comment lines ("# Host ... found: line N") and the
// matching entries. Lines with a marker (@cert-authority, @revoked) say
// something else than "this key is the host's", so they decide nothing.
QStringList EntriesOf(const QByteArray& Found) {
  QStringList entries;
  for (const QString& line : QString::fromUtf8(Found).split('\n', Qt::SkipEmptyParts))
    if (!line.startsWith('#') && !line.startsWith('@')) entries << line.trimmed();
  return entries;
}

}  // namespace

QString TKnownHosts::DefaultFile() { return QDir::homePath() + "/.ssh/known_hosts"; }

TKnownHosts::TResult TKnownHosts::Check(const QString& Host, int Port, const QString& KeyType,
                                        const QString& Fingerprint, const QString& File) {
  TResult result;
  if (!QFileInfo(File).isReadable()) {
    result.Why = File + " cannot be read";
    return result;
  }
  // known_hosts names a host on another port than 22 as "[host]:port".
  const QString name = Port == 22 || Port == 0 ? Host : QString("[%1]:%2").arg(Host).arg(Port);
  const QStringList entries = EntriesOf(SshKeygen({"-F", name, "-f", File}));
  const QString algorithm = KeyType.section(' ', 0, 0);
  QStringList sameType;
  for (const QString& entry : entries)
    if (entry.section(' ', 1, 1, QString::SectionSkipEmpty) == algorithm) sameType << entry;
  if (sameType.isEmpty()) {
    result.Why = QString("%1 holds no %2 key for %3").arg(File, algorithm, name);
    return result;
  }
  // "256 SHA256:... host (ED25519)", one line per entry, in order.
  const QStringList printed =
      QString::fromUtf8(SshKeygen({"-l", "-f", "-"}, sameType.join('\n').toUtf8() + '\n'))
          .split('\n', Qt::SkipEmptyParts);
  for (const QString& line : printed) {
    const QString known = line.section(' ', 1, 1, QString::SectionSkipEmpty);
    if (known == Fingerprint) {
      result.Verdict = TVerdict::Matches;
      return result;
    }
    if (result.KnownFingerprint.isEmpty()) result.KnownFingerprint = known;
  }
  if (result.KnownFingerprint.isEmpty()) {
    result.Why = "ssh-keygen could not read the entries for " + name;
    return result;
  }
  result.Verdict = TVerdict::Differs;
  return result;
}
