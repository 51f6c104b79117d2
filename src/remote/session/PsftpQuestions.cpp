#include "remote/session/PsftpQuestions.h"

#include <QRegularExpression>

namespace {
// psftp's host-key and weak-crypto prompts end in these texts (PuTTY's
// console front end), followed by a read of one line from standard input.
const QString kHostKeyPromptEnd = "(y/n, Return cancels connection, i for more info) ";
const QString kWeakCryptoPrompt = "Continue with connection? (y/n) ";
const QString kChangedKeyWarning = "WARNING - POTENTIAL SECURITY BREACH!";
// How psftp asks for the passphrase of the key given with -i; the name is
// the comment stored in the key.
const QRegularExpression kPassphrasePrompt(R"re(^Passphrase for key "(.*)": $)re");
// psftp 0.78 shows text that comes from the server behind "| ", one line of
// it per line, between two lines of its own: a banner, which is never a
// question however it reads, and the keyboard-interactive prompts, where the
// server's text is the question.
const QString kBannerStart = "Pre-authentication banner message from server:";
const QString kBannerEnd = "End of banner message from server";
const QString kServerPromptsStart = "Keyboard-interactive authentication prompts from server:";
const QString kServerPromptsEnd = "End of keyboard-interactive prompts from server";
const QString kServerText = "| ";
// Enough context for the longest host-key explanation psftp prints.
const int kMaxKeptLines = 200;

QString LastLine(const QString& text) {
  const int at = text.lastIndexOf('\n');
  return at < 0 ? text : text.mid(at + 1);
}
}  // namespace

void TPsftpQuestions::Reset() {
  FText.clear();
  FScannedLines = 0;
  FBlock = FBeforeBanner = TBlock::None;
}

std::vector<TPsftpQuestions::TEvent> TPsftpQuestions::Feed(const QByteArray& Piece) {
  std::vector<TEvent> events;
  FText += QString::fromLocal8Bit(Piece).remove('\r');
  TakeLines(events);
  TakeQuestion(events);
  QStringList lines = FText.split('\n');
  if (lines.size() > kMaxKeptLines) {
    const int drop = lines.size() - kMaxKeptLines;
    lines = lines.mid(drop);
    FScannedLines = qMax(0, FScannedLines - drop);
    FText = lines.join('\n');
  }
  return events;
}

// "FATAL ERROR: ..." is how psftp reports the reason it gives up (refused
// connection, rejected password); the process ends right after it. A host
// name that does not resolve ends it sooner, with "ssh_init: ...". The key
// lines are psftp 0.78's own: whole lines, so that a server's banner, which
// psftp prints as it comes, must match one exactly to be taken for one, and
// can then at worst end the login.
void TPsftpQuestions::TakeLines(std::vector<TEvent>& Events) {
  const QStringList lines = FText.split('\n');
  const int complete = lines.size() - 1;  // the last one has no line end yet
  for (int i = FScannedLines; i < complete; ++i) {
    const QString& line = lines[i];
    FollowBlock(line);
    TEvent event;
    if (line.startsWith("FATAL ERROR:") || line.startsWith("ssh_init: "))
      event.Kind = TEvent::FatalError;
    else if (line == "Wrong passphrase")
      event.Kind = TEvent::WrongPassphrase;
    else if (line == "Server refused our key")
      event.Kind = TEvent::KeyRefused;
    else if (line.startsWith("Unable to use key file \""))
      event.Kind = TEvent::KeyUnusable;
    else
      continue;
    event.Message = line.trimmed();
    Events.push_back(event);
  }
  FScannedLines = qMax(FScannedLines, complete);
}

// Only psftp's own frame lines move the block: the server's lines inside it
// start with "| ", so no banner can open or close one.
void TPsftpQuestions::FollowBlock(const QString& Line) {
  if (Line == kBannerStart) {
    if (FBlock != TBlock::Banner) FBeforeBanner = FBlock;
    FBlock = TBlock::Banner;
  } else if (Line == kBannerEnd && FBlock == TBlock::Banner) {
    FBlock = FBeforeBanner;
  } else if (Line == kServerPromptsStart && FBlock != TBlock::Banner) {
    FBlock = TBlock::ServerPrompts;
  } else if (Line == kServerPromptsEnd && FBlock == TBlock::ServerPrompts) {
    FBlock = TBlock::None;
  }
}

// A banner arrives in pieces as psftp writes it, so its unfinished last line
// can read like any question ("Please enter your password:"); the server's
// text asks only inside the keyboard-interactive frame.
bool TPsftpQuestions::MayAsk(const QString& Tail) const {
  if (FBlock == TBlock::Banner) return false;
  return FBlock == TBlock::ServerPrompts || !Tail.startsWith(kServerText);
}

bool TPsftpQuestions::TakeQuestion(std::vector<TEvent>& Events) {
  const QString tail = LastLine(FText);
  if (!MayAsk(tail)) return false;
  TEvent event;
  if (tail.endsWith(kHostKeyPromptEnd) || tail.endsWith(kWeakCryptoPrompt)) {
    event.Question = ParseHostKey(FText, tail);
  } else if (const QRegularExpressionMatch key = kPassphrasePrompt.match(tail); key.hasMatch()) {
    event.Kind = TEvent::Password;
    event.Prompt.Kind = TPasswordRequest::TKind::Passphrase;
    event.Prompt.Prompt = tail.trimmed();
    event.Prompt.Key = key.captured(1);
  } else if (tail.trimmed().endsWith("password:", Qt::CaseInsensitive)) {
    // Password authentication asks "user@host's password: "; keyboard-
    // interactive prompts come as "| Password:" after the server's banner.
    event.Kind = TEvent::Password;
    QString prompt = tail.trimmed();
    if (prompt.startsWith("| ")) prompt = prompt.mid(2);
    event.Prompt.Prompt = prompt;
  } else {
    return false;
  }
  Events.push_back(event);
  FText.clear();
  FScannedLines = 0;
  return true;
}

THostKeyRequest TPsftpQuestions::ParseHostKey(const QString& Text, const QString& Tail) const {
  THostKeyRequest request;
  request.Text = Text;
  if (Tail.endsWith(kWeakCryptoPrompt))
    request.Kind = THostKeyRequest::hkWeakCrypto;
  else if (Text.contains(kChangedKeyWarning))
    request.Kind = THostKeyRequest::hkChangedKey;
  else
    request.Kind = THostKeyRequest::hkNewKey;

  // "  127.0.0.1 (port 2222)" names the host the key is cached for.
  static const QRegularExpression hostLine(R"(^\s+(\S+) \(port (\d+)\)$)",
                                           QRegularExpression::MultilineOption);
  const QRegularExpressionMatch host = hostLine.match(Text);
  if (host.hasMatch()) {
    request.Host = host.captured(1);
    request.Port = host.captured(2).toInt();
  }
  // "The server's ssh-ed25519 key fingerprint is:" (or "The new ... key
  // fingerprint is:") is followed by "  ssh-ed25519 255 SHA256:...".
  static const QRegularExpression fingerprint(R"(key fingerprint is:\n\s*(.+?)\s+(\S+)$)",
                                              QRegularExpression::MultilineOption);
  QRegularExpressionMatchIterator it = fingerprint.globalMatch(Text);
  while (it.hasNext()) {
    const QRegularExpressionMatch m = it.next();
    request.KeyType = m.captured(1);
    request.Fingerprint = m.captured(2);
  }
  return request;
}
