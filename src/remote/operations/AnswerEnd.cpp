#include "remote/operations/AnswerEnd.h"

#include <QRandomGenerator>

#include "remote/operations/PsftpCommand.h"

namespace {
// Nothing lies below /dev/null, which is no folder: psftp 0.78 answers
// "lcd: unable to change directory: /dev/null/VALUE: chdir: Not a directory",
// and elsewhere "... No such file or directory"; either names the path.
const QString kBelowNothing = "/dev/null/";
const QString kRefusal = "lcd: ";
const QString kPrompt = "psftp> ";
}  // namespace

QByteArray TAnswerEnd::Next() {
  QRandomGenerator* random = QRandomGenerator::system();
  FPath = kBelowNothing + QString("%1%2")
                              .arg(random->generate64(), 16, 16, QChar('0'))
                              .arg(random->generate64(), 16, 16, QChar('0'));
  return TPsftpCommand::Build("lcd", {FPath.toLatin1()});
}

bool TAnswerEnd::Ends(const QString& Line, QString& Before) const {
  if (FPath.isEmpty()) return false;
  const int at = Line.indexOf(FPath);
  if (at < 0) return false;
  int cut = Line.lastIndexOf(kRefusal, at);
  if (cut < 0) cut = at;
  Before = Line.left(cut);
  // psftp's prompt stood in front of the refusal; a read that ended after
  // it delivers both as one line.
  if (Before.endsWith(kPrompt)) Before.chop(kPrompt.size());
  return true;
}
