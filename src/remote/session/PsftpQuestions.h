#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

#include "remote/session/HostKeyRequest.h"

// Reads psftp's standard error for the things the user must see or answer:
// host-key and weak-algorithm questions, password and passphrase prompts,
// fatal errors, and the lines that tell how the login with a key went.
// psftp writes these to standard error and then blocks reading standard input,
// so a question is recognised by its unfinished last line.
class TPsftpQuestions {
 public:
  struct TEvent {
    enum TKind {
      HostKey,
      Password,  // also a key's passphrase: see Prompt.Kind
      FatalError,
      WrongPassphrase,  // "Wrong passphrase": the prompt comes again
      KeyRefused,       // "Server refused our key"
      KeyUnusable       // "Unable to use key file ...": Message says why
    };
    TKind Kind = HostKey;
    THostKeyRequest Question;
    TPasswordRequest Prompt;
    QString Message;
  };

  // Feeds one piece of standard error; returns what it completed, in order.
  std::vector<TEvent> Feed(const QByteArray& Piece);
  void Reset();

 private:
  bool TakeQuestion(std::vector<TEvent>& Events);
  void TakeLines(std::vector<TEvent>& Events);
  THostKeyRequest ParseHostKey(const QString& Text, const QString& Tail) const;

  void FollowBlock(const QString& Line);
  bool MayAsk(const QString& Tail) const;

  QString FText;          // text since the last question, lines kept for their context
  int FScannedLines = 0;  // complete lines of FText already checked for fatal errors
  // psftp frames the server's own text between lines of its own: the banner,
  // and the keyboard-interactive prompts (which are questions).
  enum class TBlock { None, Banner, ServerPrompts };
  TBlock FBlock = TBlock::None;
  TBlock FBeforeBanner = TBlock::None;
};
