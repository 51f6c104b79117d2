#include "ui/StartOptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

#include "store/OpenSshHosts.h"
#include "store/RemoteLink.h"

#ifndef QUILLERY_VERSION
#define QUILLERY_VERSION "0"
#endif

namespace {

void SetUp(QCommandLineParser& Parser) {
  Parser.setApplicationDescription(
      "Quillery edits text files on SSH servers.\n\n"
      "Given a link, it connects to the server (with the saved host or the OpenSSH host that "
      "matches, asking for what is missing) and opens the folder, or the file in a tab beside "
      "its folder. A Quillery already running opens the link itself.");
  Parser.addHelpOption();
  Parser.addVersionOption();
  Parser.addPositionalArgument("link",
                               "A folder or file on a server: sftp://[user@]host[:port]/path, "
                               "[user@]host:path, or ALIAS:path for a Host of ~/.ssh/config.",
                               "[link]");
}

}  // namespace

TStartOptions::TStartOptions(const QStringList& Arguments) {
  QCommandLineParser parser;
  SetUp(parser);
  FEnds = true;
  if (!parser.parse(Arguments)) {
    FError = parser.errorText();
    return;
  }
  if (parser.isSet("help")) {
    FHelp = true;
    return;
  }
  if (parser.isSet("version")) {
    FVersion = true;
    return;
  }
  const QStringList links = parser.positionalArguments();
  if (links.size() > 1) {
    FError = "Give one link at a time.";
    return;
  }
  FEnds = false;
  if (links.isEmpty()) return;
  QString why;
  const QStringList aliases = TOpenSshHosts::Aliases(TOpenSshHosts::DefaultConfigFile());
  if (!TRemoteLink::Parse(links.first(), aliases, why)) {
    FError = why;
    FEnds = true;
    return;
  }
  FLink = links.first();
}

// Help and the version come from the parser, which names the program as
// the application object does.
int TStartOptions::Finish(int& Argc, char** Argv) const {
  if (!FError.isEmpty()) {
    std::fprintf(stderr, "quillery: %s\nTry 'quillery --help'.\n", qPrintable(FError));
    return 1;
  }
  QCoreApplication app(Argc, Argv);
  QCoreApplication::setApplicationName("Quillery");
  QCoreApplication::setApplicationVersion(QUILLERY_VERSION);
  QCommandLineParser parser;
  SetUp(parser);
  parser.process(app);  // --help and --version print and exit here
  if (FHelp) parser.showHelp(0);
  if (FVersion) parser.showVersion();
  return 0;
}
