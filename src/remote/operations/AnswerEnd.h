#pragma once

#include <QByteArray>
#include <QString>

// Where psftp's answer to a command ends. psftp's prompt cannot mark it: a
// server's listing line can read "psftp> ", and a read of psftp's output can
// end right behind it. So after each command one local command of psftp's is
// written, a change to a local folder that cannot exist, named with a random
// value chosen for that command; psftp refuses it with a line naming the
// value. The server never sees a local command, so no text of its own can
// hold the value, and the answer is everything before that line.
class TAnswerEnd {
 public:
  // The command that closes the answer to the command just written, with a
  // new value; the one before is forgotten.
  QByteArray Next();
  // True while a closing command was written and its line has not come.
  bool Pending() const { return !FPath.isEmpty(); }
  // True when Line is psftp's refusal of the closing command; Before then
  // holds what stood in front of it on that line, the end of an answer that
  // psftp did not close with a line end.
  bool Ends(const QString& Line, QString& Before) const;
  void Forget() { FPath.clear(); }

 private:
  QString FPath;
};
