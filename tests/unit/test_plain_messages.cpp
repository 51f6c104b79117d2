// psftp's lines as a person reads them. The lines are psftp 0.78's own.
#include <QFileDevice>
#include <cerrno>
#include <gtest/gtest.h>

#include "remote/session/PlainMessages.h"

namespace {

TEST(PlainMessages, RefusalsPutTheCauseBeforeTheName) {
  struct Case {
    const char* line;
    const char* shown;
  } cases[] = {
      // get
      {"/home/u/www/crlf.txt: open for read: permission denied", "Permission denied: crlf.txt"},
      {"/www/a.txt: open for read: no such file or directory", "No such file or directory: a.txt"},
      {"/www/a.txt: open for read: failure", "Cannot read: a.txt"},
      // put
      {"/www/my notes.txt: open for write: permission denied", "Permission denied: my notes.txt"},
      {"/www/x: open for write: failure", "Cannot write: x"},
      {"/www/x: open for write: operation unsupported", "Operation unsupported: x"},
      // cd and ls
      {"Directory /www/sub: no such file or directory", "No such file or directory: sub"},
      {"Directory /www/sub/: permission denied", "Permission denied: sub"},
      {"Directory /www/sub: failure", "Cannot open directory: sub"},
      {"Unable to open /www/locked: permission denied", "Permission denied: locked"},
      {"Reading directory /www/big: failure", "Cannot read directory: big"},
      {"Reading directory /www/big: connection lost", "Connection lost: big"},
      {"/www/gone: canonify: no such file or directory", "No such file or directory: gone"},
      {"Directory /: permission denied", "Permission denied: /"},
      // A path may hold ": " itself; the cause is what follows the last marker.
      {"/www/a: b.txt: open for read: permission denied", "Permission denied: a: b.txt"},
      {"Directory /www/x: y: no such file or directory", "No such file or directory: x: y"},
      // No path to move.
      {"error while reading: failure", "Error while reading: failure"},
      {"error while writing: failure", "Error while writing: failure"},
      {"error while writing local file", "Error while writing local file"},
      {"error while reading local file", "Error while reading local file"},
      {"local: unable to open /home/u/.cache/Quillery/Temp/index.html",
       "Cannot open local file: index.html"},
      // Anything else is left as it came.
      {"get: unrecognised option '-dash.txt'", "get: unrecognised option '-dash.txt'"},
      {"Listing directory /etc", "Listing directory /etc"},
      {"x Remote directory is now /a", "x Remote directory is now /a"},
      {"Directory name not found in the listing", "Directory name not found in the listing"},
      {"psftp did not report the upload", "psftp did not report the upload"},
      {"Directory /www/sub: ", "Directory /www/sub: "},
      {": open for read: permission denied", ": open for read: permission denied"},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(TPlainMessages::Refusal(c.line), c.shown);
  }
}

// Why a save failed, in words that follow "NAME was not saved: ". The lines
// are psftp 0.78's against the loopback server and OpenSSH's sftp-server.
TEST(PlainMessages, SaveCausesAreWordsAboutTheSave) {
  struct {
    const char* line;
    const char* cause;
  } const cases[] = {
      {"error while writing: failure",
       "the server could not store all of it (its disk may be full)"},
      {"error while writing: connection lost", "the server stopped taking it (connection lost)"},
      {"/www/.a.txt.quillery-0123456789ab.new: open for write: permission denied",
       "the server does not let you write there"},
      {"/www/gone/a.txt: open for write: no such file or directory",
       "its folder is no longer on the server"},
      {"/www/a.txt: open for write: failure", "the server would not create a file there"},
      {"mv /www/a.txt /www/.a.txt.quillery-0123456789ab.old: failure",
       "the server refused a rename"},
      {"mv /www/a.txt /www/.a.old: permission denied",
       "the server does not let you rename files there"},
      {"mv /www/a.txt /www/.a.old: no such file or directory", "it is no longer on the server"},
      {"rm /www/.a.txt.quillery-0123456789ab.old: permission denied",
       "the server does not let you remove files there"},
      {"set attrs for /www/.a.new: permission denied",
       "the server would not give the new copy the file's permissions (permission denied)"},
      {"get attrs for /www/.a.new: no such file or directory",
       "the server would not give the new copy the file's permissions (no such file or "
       "directory)"},
      {"local: unable to open /tmp/page/a.txt", "its local copy could not be read"},
      {"psftp did not report the upload", "psftp did not say how it went"},
      // A line psftp has not been seen to print: its last words, or itself.
      {"mv /www/a /www/b: operation unsupported", "operation unsupported"},
      {"something else", "something else"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TPlainMessages::SaveCause(c.line).toStdString(), c.cause) << c.line;
}

TEST(PlainMessages, FatalErrorsSayWhatHappenedAndKeepPsftpsLine) {
  const QString lost =
      "The connection to example.org was lost. Your open pages are kept; connect again to "
      "save them.";
  struct Case {
    const char* line;
    QString text;
  } cases[] = {
      {"FATAL ERROR: Configured password was not accepted",
       "The server did not accept the password for ann on example.org."},
      {"FATAL ERROR: Connection refused",
       "Cannot reach example.org on port 2222: Connection refused"},
      {"FATAL ERROR: Network error: Connection timed out",
       "Cannot reach example.org on port 2222: Connection timed out"},
      {"FATAL ERROR: Network error: Connection refused",
       "Cannot reach example.org on port 2222: Connection refused"},
      {"FATAL ERROR: Host does not exist",
       "Cannot reach example.org on port 2222: Host does not exist"},
      {"FATAL ERROR: No route to host", "Cannot reach example.org on port 2222: No route to host"},
      {"ssh_init: Name or service not known",
       "Cannot reach example.org on port 2222: Name or service not known"},
      {"ssh_init: Temporary failure in name resolution",
       "Cannot reach example.org on port 2222: Temporary failure in name resolution"},
      {"FATAL ERROR: Remote side unexpectedly closed network connection", lost},
      {"FATAL ERROR: Connection reset by peer", lost},
      {"FATAL ERROR: Network error: Connection reset by peer", lost},
      {"FATAL ERROR: Server unexpectedly closed network connection", lost},
      // Unknown: psftp's words without its shouting.
      {"FATAL ERROR: No supported authentication methods available (server sent: publickey)",
       "No supported authentication methods available (server sent: publickey)"},
      {"FATAL ERROR: Network error: Something new", "Network error: Something new"},
      {"Something else entirely", "Something else entirely"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const TPlainMessages::TFatalError error =
        TPlainMessages::FatalError(c.line, "example.org", 2222, "ann");
    EXPECT_EQ(error.Text, c.text);
    EXPECT_EQ(error.Detail, c.line);
  }
  // Names are taken as they are, never as further placeholders.
  EXPECT_EQ(TPlainMessages::FatalError("FATAL ERROR: Configured password was not accepted", "h%1",
                                       22, "%2")
                .Text,
            "The server did not accept the password for %2 on h%1.");
  EXPECT_EQ(TPlainMessages::FatalError("FATAL ERROR: Connection refused\r\n", "h%2", 22, "u").Text,
            "Cannot reach h%2 on port 22: Connection refused");
}

TEST(PlainMessages, LocalWriteErrorsGiveTheSystemsReason) {
  struct Case {
    const char* name;
    QFileDevice::FileError error;
    QString errorString;
    int systemError;
    QString reason;
  } cases[] = {
      // A write cut short: Qt recorded nothing.
      {"unrecorded, disk full", QFileDevice::NoError, "Unknown error", ENOSPC,
       "No space left on device"},
      {"unrecorded, size limit", QFileDevice::NoError, "Unknown error", EFBIG, "File too large"},
      {"recorded but unnamed", QFileDevice::WriteError, "Unknown error", ENOSPC,
       "No space left on device"},
      {"Qt's reason wins", QFileDevice::OpenError, "Permission denied", ENOSPC,
       "Permission denied"},
      {"nothing known", QFileDevice::NoError, "Unknown error", 0, "Unknown error"},
      {"nothing at all", QFileDevice::NoError, "", 0, "Unknown error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(TPlainMessages::LocalWriteError("/tmp/a b.txt", c.error, c.errorString,
                                              c.systemError),
              "Unable to write /tmp/a b.txt: " + c.reason);
  }
}

}  // namespace
