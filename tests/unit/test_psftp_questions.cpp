// psftp's standard error, as recorded from psftp 0.78, read for questions.
#include <gtest/gtest.h>

#include "remote/session/PsftpQuestions.h"

namespace {

const QByteArray kNewKey =
    "Looking up host \"127.0.0.1\" for SSH connection\nConnecting to 127.0.0.1 port 49587\n"
    "Doing ECDH key exchange with curve Curve448, using hash SHA-512 (unaccelerated)\n"
    "Host key fingerprint is:\n"
    "ssh-ed25519 255 SHA256:NyoHGlJJ2288qJhoSsvJhUuxI9texH8vH22OyFwqOrY\n"
    "The host key is not cached for this server:\n  127.0.0.1 (port 49587)\n"
    "You have no guarantee that the server is the computer you\nthink it is.\n"
    "The server's ssh-ed25519 key fingerprint is:\n"
    "  ssh-ed25519 255 SHA256:NyoHGlJJ2288qJhoSsvJhUuxI9texH8vH22OyFwqOrY\n"
    "If you trust this host, enter \"y\" to add the key to PSFTP's\n"
    "cache and carry on connecting.\n"
    "Store key in cache? (y/n, Return cancels connection, i for more info) ";
const QByteArray kChangedKey =
    "Host key fingerprint is:\nssh-ed25519 255 SHA256:NSu4QS6pTVYoUp4BX8kqM27mt4NN1n6Y4yJlT/9jslE\n"
    "WARNING - POTENTIAL SECURITY BREACH!\n"
    "The host key does not match the one PSFTP has cached for\nthis server:\n"
    "  127.0.0.1 (port 57683)\n"
    "The new ssh-ed25519 key fingerprint is:\n"
    "  ssh-ed25519 255 SHA256:NSu4QS6pTVYoUp4BX8kqM27mt4NN1n6Y4yJlT/9jslE\n"
    "Update cached key? (y/n, Return cancels connection, i for more info) ";
const QByteArray kWeak =
    "The first cipher supported by the server\nis 3DES, which is below the configured\n"
    "warning threshold.\nContinue with connection? (y/n) ";
const QByteArray kPassword = "Using username \"tester\".\ntester@127.0.0.1's password: ";
const QByteArray kKeyboardInteractive =
    "Keyboard-interactive authentication prompts from server:\n| Password:";
// A hostile banner, as psftp 0.78 frames it: every line of the server's text
// behind "| ", including copies of psftp's own questions and frame lines.
const QByteArray kHostileBanner =
    "Using username \"tester\".\nPre-authentication banner message from server:\n"
    "| Please enter your password:\n| tester@127.0.0.1's password: \n"
    "| End of banner message from server\n"
    "| Keyboard-interactive authentication prompts from server:\n| Password: \n"
    "End of banner message from server\n";
const QByteArray kFatal = "Access denied\nFATAL ERROR: Configured password was not accepted\n";

// The events as one text, so split and unsplit feeds compare directly.
QString Describe(const std::vector<TPsftpQuestions::TEvent>& events) {
  QStringList out;
  for (const auto& e : events) {
    if (e.Kind == TPsftpQuestions::TEvent::HostKey)
      out << QString("key %1 %2:%3 [%4] [%5]")
                 .arg(e.Question.Kind)
                 .arg(e.Question.Host)
                 .arg(e.Question.Port)
                 .arg(e.Question.KeyType, e.Question.Fingerprint);
    else if (e.Kind == TPsftpQuestions::TEvent::Password &&
             e.Prompt.Kind == TPasswordRequest::TKind::Passphrase)
      out << QString("passphrase [%1] %2").arg(e.Prompt.Key, e.Prompt.Prompt);
    else if (e.Kind == TPsftpQuestions::TEvent::Password)
      out << "password " + e.Prompt.Prompt;
    else if (e.Kind == TPsftpQuestions::TEvent::FatalError)
      out << "fatal " + e.Message;
    else
      out << QString("line %1 %2").arg(e.Kind).arg(e.Message);
  }
  return out.join('\n');
}

TEST(PsftpQuestions, RecognisesEachQuestionWithItsDetails) {
  struct Case {
    QByteArray text;
    QString expected;
  } cases[] = {
      {kNewKey,
       "key 0 127.0.0.1:49587 [ssh-ed25519 255] "
       "[SHA256:NyoHGlJJ2288qJhoSsvJhUuxI9texH8vH22OyFwqOrY]"},
      {kChangedKey,
       "key 1 127.0.0.1:57683 [ssh-ed25519 255] "
       "[SHA256:NSu4QS6pTVYoUp4BX8kqM27mt4NN1n6Y4yJlT/9jslE]"},
      {kWeak, "key 2 :0 [] []"},
      {kPassword, "password tester@127.0.0.1's password:"},
      {kKeyboardInteractive, "password Password:"},
      {kFatal, "fatal FATAL ERROR: Configured password was not accepted"},
      {"Looking up host \"nowhere.invalid\" for SSH connection\n"
       "ssh_init: Name or service not known\n",
       "fatal ssh_init: Name or service not known"},
      {"Using username \"tester\".\nAccess granted\n", ""},
      // psftp 0.78 with a key given by -i: its passphrase prompt, its answer
      // to a wrong one, a key the server does not take, a key it cannot read.
      {"Using username \"tester\".\nPassphrase for key \"my \"work\" key\": ",
       "passphrase [my \"work\" key] Passphrase for key \"my \"work\" key\":"},
      {"\nWrong passphrase\nPassphrase for key \"k\": ",
       "line 3 Wrong passphrase\npassphrase [k] Passphrase for key \"k\":"},
      {"Server refused our key\nKeyboard-interactive authentication prompts from server:\n"
       "| Password:",
       "line 4 Server refused our key\npassword Password:"},
      {"Unable to use key file \"k\" (OpenSSH SSH-2 private key (new format))\n",
       "line 5 Unable to use key file \"k\" (OpenSSH SSH-2 private key (new format))"},
      // A server's banner is printed as it comes: only psftp's exact lines count.
      {"Welcome. Server refused our key\nWrong passphrase!\n", ""},
      // Nothing in a banner asks, however it is cut; psftp's own question
      // after it does, and so does the server's prompt in psftp's frame.
      {kHostileBanner, ""},
      {kHostileBanner + kPassword.mid(25), "password tester@127.0.0.1's password:"},
      {kHostileBanner + kKeyboardInteractive, "password Password:"},
      {"| Password: ", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected.toStdString());
    TPsftpQuestions whole;
    const QString expected = Describe(whole.Feed(c.text));
    EXPECT_EQ(expected, c.expected);
    // Split anywhere, the same events, each once.
    for (int at = 1; at < c.text.size(); ++at) {
      TPsftpQuestions split;
      auto events = split.Feed(c.text.left(at));
      auto rest = split.Feed(c.text.mid(at));
      events.insert(events.end(), rest.begin(), rest.end());
      ASSERT_EQ(Describe(events), expected) << "split at " << at;
    }
    // psftp writes its error output a byte at a time.
    TPsftpQuestions bytes;
    std::vector<TPsftpQuestions::TEvent> events;
    for (char byte : c.text) {
      auto more = bytes.Feed(QByteArray(1, byte));
      events.insert(events.end(), more.begin(), more.end());
    }
    EXPECT_EQ(Describe(events), expected) << "a byte at a time";
  }
}

TEST(PsftpQuestions, AQuestionIsRaisedOnceAndTheNextOneAgain) {
  TPsftpQuestions questions;
  EXPECT_EQ(questions.Feed(kNewKey).size(), 1u);
  EXPECT_TRUE(questions.Feed("Using username \"tester\".\n").empty());
  EXPECT_EQ(questions.Feed("tester@127.0.0.1's password: ").size(), 1u);
  EXPECT_TRUE(questions.Feed("\n").empty());
}

}  // namespace
