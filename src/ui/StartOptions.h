#pragma once

#include <QString>
#include <QStringList>

// What Quillery was started with: --help, --version, or a link to open.
// Read before any window exists, so that --help and --version work
// without a display, and a link that means nothing is refused before one
// opens.
class TStartOptions {
 public:
  // Arguments as main got them, the program's name first.
  explicit TStartOptions(const QStringList& Arguments);

  // Quillery does not start: it printed help, its version or an error.
  // Prints what it has to (creating the application object that needs)
  // and returns the exit code.
  bool Ends() const { return FEnds; }
  int Finish(int& Argc, char** Argv) const;
  // The link to open, checked; empty for none.
  const QString& Link() const { return FLink; }

 private:
  bool FEnds = false;
  bool FHelp = false;
  bool FVersion = false;
  QString FError;
  QString FLink;
};
