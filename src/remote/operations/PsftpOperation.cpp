#include "remote/operations/PsftpOperation.h"

void TPsftpOperation::Fail(const QString& Line) {
  const QString trimmed = Line.trimmed();
  if (!FFailed || FError.isEmpty()) FError = trimmed;
  FFailed = true;
}

QString TPsftpOperation::Error() const { return FError.isEmpty() ? FMissing : FError; }

void TPsftpOperation::PageClosing(IPage* Page) {
  if (!Page || Page != FPage) return;
  FPage = nullptr;
  FPageClosed = true;
}

bool TPsftpOperation::AnsweredOk(const QString& Text, const QString& Word, const QByteArray& Path) {
  const QString name = QString::fromLocal8Bit(Path.mid(Path.lastIndexOf('/') + 1));
  return Text.startsWith(Word + " /") && Text.endsWith("/" + name + ": OK");
}
