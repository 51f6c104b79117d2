#include "remote/session/KeyLogin.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

#include "core/Exception.h"
#include "process/ChildProcess.h"
#include "process/SecretPipe.h"
#include "remote/local/TempFolder.h"
#include "remote/session/PsftpProgram.h"

namespace {
// What puttygen 0.78 prints when the passphrase does not open the key.
const QString kWrongPassphrase = "decryption check failed";

QString LastLine(const QByteArray& Output) {
  const QStringList lines = QString::fromLocal8Bit(Output).split('\n', Qt::SkipEmptyParts);
  return lines.isEmpty() ? QString() : lines.last().trimmed();
}
}  // namespace

TKeyLogin::TKeyLogin(TCallbacks Callbacks) : F(std::move(Callbacks)) {}

TKeyLogin::~TKeyLogin() { EndProcess(); }

void TKeyLogin::Begin(const QString& KeyFile) {
  EndProcess();
  FPassphrase.clear();
  FAttempts = 0;
  FKey = TPrivateKeyFile();
  FPreparing = true;
  if (KeyFile.isEmpty()) return Finish(QString());
  FKey = TPrivateKeyFile::Inspect(KeyFile);
  const QString name = FKey.DisplayName();
  switch (FKey.Format()) {
    case TPrivateKeyFile::TFormat::Unreadable:
      return Abandon(QString("Unable to read the private key %1: %2.").arg(KeyFile, FKey.Error()),
                     QString());
    case TPrivateKeyFile::TFormat::PublicKey:
      return Abandon(QString("The key file %1 is a public key. Choose its private key, the file "
                             "of the same name without \".pub\".")
                         .arg(KeyFile),
                     QString());
    case TPrivateKeyFile::TFormat::Unknown:
      return Abandon(QString("The file %1 is not a private key in a form Quillery knows "
                             "(PuTTY's .ppk or OpenSSH's own).")
                         .arg(KeyFile),
                     QString());
    case TPrivateKeyFile::TFormat::PuTTY:
      return Finish(KeyFile);  // psftp asks for its passphrase itself
    case TPrivateKeyFile::TFormat::OpenSSH:
      break;
  }
  const QString converted = FKey.ConvertedPath();
  if (QFileInfo(converted).isFile()) {
    F.Log(QString("Using %1, converted earlier from %2").arg(converted, KeyFile));
    return Finish(converted);
  }
  if (FKey.Encrypted()) return AskPassphrase(QString());
  Convert(QByteArray());
}

void TKeyLogin::AskPassphrase(const QString& Warning) {
  TPasswordRequest request;
  request.Kind = TPasswordRequest::TKind::Passphrase;
  request.Key = FKey.DisplayName();
  request.Prompt = QString("Passphrase for key \"%1\": ").arg(request.Key);
  request.Warning = Warning;
  F.Ask(request);
}

void TKeyLogin::Answer(const QByteArray& Passphrase) {
  if (!FPreparing || FProcess) return;
  Convert(Passphrase);
}

void TKeyLogin::Cancel() {
  EndProcess();
  FPassphrase.clear();
  FPreparing = false;
}

// The passphrase reaches puttygen through a pipe it opens by name: on its
// command line every local user could read it in the process list, and a
// file would outlive a Quillery that is killed during the conversion.
void TKeyLogin::Convert(const QByteArray& Passphrase) {
  FOutputFile = NewWorkFile(".key-");
  QStringList arguments{FKey.Path(), "-O", "private", "-o", FOutputFile};
  std::unique_ptr<TSecretPipe> passphrasePipe;
  if (FKey.Encrypted()) {
    try {
      passphrasePipe = std::make_unique<TSecretPipe>(Passphrase);
    } catch (const Exception& e) {
      return Abandon(QString("Unable to convert the key %1.").arg(FKey.Path()), e.Message());
    }
    arguments << "--old-passphrase" << passphrasePipe->Path();
  }
  FPassphrase = Passphrase;
  F.Log("Converting " + FKey.Path() + " with puttygen");
  FProcess = std::make_unique<QProcess>();
  FProcess->setProcessChannelMode(QProcess::MergedChannels);
  FProcess->setStandardInputFile(QProcess::nullDevice());
  const int inherited = passphrasePipe ? passphrasePipe->ReadEnd() : -1;
  // A conversion left running would write a key copy for no one.
  FProcess->setChildProcessModifier([parent = getpid(), inherited] {
    ChildProcess::EndWithParent(parent);
    TSecretPipe::PassToChild(inherited);
  });
  QObject::connect(FProcess.get(), &QProcess::finished, [this](int code) { Converted(code); });
  QObject::connect(FProcess.get(), &QProcess::errorOccurred, [this](QProcess::ProcessError e) {
    if (e == QProcess::FailedToStart) Converted(-1);
  });
  FProcess->start(PuttygenProgramFile(), arguments);
  // puttygen holds the pipe now, or never will: Quillery's copy goes here.
}

void TKeyLogin::Converted(int ExitCode) {
  const QByteArray output = FProcess ? FProcess->readAll() : QByteArray();
  const bool started = FProcess && FProcess->error() != QProcess::FailedToStart;
  const QString made = FOutputFile;
  FOutputFile.clear();
  EndProcess();
  const QString line = LastLine(output);
  if (!started)
    return Abandon(QString("Unable to convert the key %1: puttygen (part of PuTTY's tools) "
                           "could not be started.")
                       .arg(FKey.Path()),
                   QString());
  if (ExitCode != 0 && line.contains(kWrongPassphrase)) {
    F.Log(line);
    FPassphrase.clear();
    if (++FAttempts >= MostAttempts)
      return Abandon(QString("Wrong passphrase for the key %1.").arg(FKey.Path()), line);
    return AskPassphrase("Wrong passphrase");
  }
  const QString converted = FKey.ConvertedPath();
  try {
    if (ExitCode != 0) throw Exception(line);
    QFile::setPermissions(made, QFile::ReadOwner | QFile::WriteOwner);
    ReplaceFile(made, converted);
  } catch (const Exception& e) {
    QFile::remove(made);
    return Abandon(QString("Unable to convert the key %1.").arg(FKey.Path()), e.Message());
  }
  // Earlier copies of this key, made before it last changed, are of no use.
  const QFileInfo current(converted);
  const QString stem = current.fileName().left(current.fileName().lastIndexOf('-') + 1);
  for (const QFileInfo& old : QDir(current.path()).entryInfoList({stem + "*.ppk"}, QDir::Files))
    if (old.fileName() != current.fileName()) QFile::remove(old.filePath());
  Finish(converted);
}

void TKeyLogin::Finish(const QString& PsftpKey) {
  FPreparing = false;
  F.Ready(PsftpKey);
}

void TKeyLogin::Abandon(const QString& Text, const QString& Detail) {
  FPreparing = false;
  FPassphrase.clear();
  F.Fail(Text, Detail);
}

// Also called from the process's own signals, so it is deleted later, not here.
void TKeyLogin::EndProcess() {
  if (FProcess) {
    QProcess* process = FProcess.release();
    process->disconnect();
    if (process->state() != QProcess::NotRunning) {
      process->kill();
      process->waitForFinished(1000);
    }
    process->deleteLater();
  }
  if (!FOutputFile.isEmpty() && QFileInfo::exists(FOutputFile)) QFile::remove(FOutputFile);
  FOutputFile.clear();
}

QString TKeyLogin::KeyName() const { return FKey.Path(); }

QByteArray TKeyLogin::TakePassphrase() {
  QByteArray passphrase = FPassphrase;
  FPassphrase.clear();
  return passphrase;
}
