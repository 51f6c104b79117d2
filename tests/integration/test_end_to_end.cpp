// The real window, the real psftp and the loopback SFTP server, driven the
// way a user drives them: a saved host picked in the connect dialog, the
// host key trusted, folders entered and left, files opened, edited, saved,
// saved under a new name and dropped on the list, refusals, and a tab
// closed while its file is on its way. Every file form must come back to
// the server exactly as it was.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <Qsci/qsciscintilla.h>
#include <functional>
#include <gtest/gtest.h>

#include "ServerWindowTest.h"
#include "WaitFor.h"
#include "remote/session/ConnectionDriver.h"
#include "store/Servers.h"
#include "ui/ConnectDialog.h"
#include "ui/DebugLogWindow.h"
#include "ui/EditFrame.h"
#include "ui/MainWindow.h"
#include "ui/PasswordDialog.h"
#include "ui/SaveAsDialog.h"

namespace {

// Runs Answer once Dialog is up: a modal dialog runs its own event loop
// inside exec(), so the answer has to come from a timer.
void AnswerWhenShown(QDialog* Dialog, std::function<void()> Answer) {
  auto* timer = new QTimer(Dialog);
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, Dialog, [timer, Dialog, Answer] {
    if (!Dialog->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    Answer();
  });
  timer->start();
}

// Clicks the button labelled Text on the next message box: the real question
// a save asks when its file changed on the server.
void ClickWhenAsked(const QString& Text) {
  auto* timer = new QTimer(qApp);
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, qApp, [timer, Text] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    for (QAbstractButton* button : box->buttons()) {
      if (button->text() != Text) continue;
      timer->stop();
      timer->deleteLater();
      button->click();
      return;
    }
  });
  timer->start();
}

QByteArray Utf16(const QString& Text, bool BigEndian) {
  QByteArray bytes;
  for (const QChar c : Text) {
    const char high = char(c.unicode() >> 8), low = char(c.unicode() & 0xFF);
    bytes.append(BigEndian ? high : low);
    bytes.append(BigEndian ? low : high);
  }
  return bytes;
}

QByteArray Bytes(const char* Data, size_t Size) { return QByteArray(Data, qsizetype(Size)); }
#define B(literal) Bytes(literal, sizeof(literal) - 1)

const QString Euro = QString::fromUtf8("\xE2\x82\xAC");

// The connect, Save As and host-key dialogs are the real ones; the message
// boxes say yes to a drop's upload and No to the save question.
class EndToEndTest : public ServerWindowTest {
 protected:
  void SetUp() override {
    Form.SetConnectDialog(&ConnectForm, [this] { return ConnectForm.Values(); });
    Form.SetSaveAsForm(&SaveAs);
    Form.ConfirmAnswer = true;
    Form.SaveAnswer = QMessageBox::No;
  }

  // Starts the server, saves it as a host, and connects the way a user does:
  // Connect, the saved host already filled in, Connect, trust the key.
  void StartAndConnect() {
    ASSERT_TRUE(Server.Start());
    TServers saved;
    saved.Add("127.0.0.1", Server.User().toUtf8(), Server.Password().toUtf8(), "/www",
              Server.Port());
    saved.Save();
    ASSERT_TRUE(ShowAndWait(Form));

    QStringList shown;
    AnswerWhenShown(&ConnectForm, [&] {
      shown << ConnectForm.HostNameEdit->text() << ConnectForm.PortEdit->text()
            << ConnectForm.UserNameEdit->text() << ConnectForm.StartingDirEdit->text();
      ConnectForm.ConnectButton->click();
    });
    Form.ConnectAction->trigger();
    EXPECT_EQ(shown, QStringList({"127.0.0.1", QString::number(Server.Port()), "tester", "/www"}));
    ASSERT_NO_FATAL_FAILURE(TrustHostKey());
    ASSERT_TRUE(Listed("index.html")) << Diagnostics();
    ASSERT_TRUE(Idle()) << Diagnostics();
    EXPECT_EQ(Form.StatusText(1), "/www");
  }

  // No listing or change of folder is on its way. A finished download
  // leaves the driver's data-pending mark set, so after a download the wait
  // is NotDownloading.
  bool Idle() {
    return WaitFor([&] { return !Form.Driver().Busy() && !Form.Driver().Downloading(); });
  }
  bool NotDownloading() {
    return WaitFor([&] { return !Form.Driver().Downloading() && !QApplication::overrideCursor(); });
  }
  // Double-clicks a file and waits until its page carries its name.
  void Open(const QString& Name) {
    TPage* page = Form.ActivePage();
    DoubleClick(Name);
    ASSERT_TRUE(WaitFor([&] { return page->Caption() == Name; })) << Diagnostics();
    EXPECT_TRUE(NotDownloading()) << Diagnostics();
  }
  // Saves the active page and waits for the upload and the listing after it.
  void SaveAndWait() {
    Form.SetStatus(QString(), 0);
    Form.SaveActionExecute();
    ASSERT_TRUE(WaitFor([&] { return Form.StatusText(0) == "Saved"; })) << Diagnostics();
    ASSERT_TRUE(Idle()) << Diagnostics();
    EXPECT_TRUE(Form.ActivePage()->Saved());
  }
  // Types Text at the start of the active editor. QTest knows keys for
  // ASCII only; other characters arrive as a key event carrying the text,
  // as a keyboard layout would deliver them.
  void Type(const QString& Text) {
    QsciScintilla* edit = Form.ActivePage()->Editor();
    edit->setCursorPosition(0, 0);
    for (const QChar c : Text) {
      if (c == u'\n') {
        QTest::keyClick(edit, Qt::Key_Return);  // a new line in the page's own line end
        continue;
      }
      if (c.unicode() < 0x80) {
        QTest::keyClick(edit, c.toLatin1());
        continue;
      }
      QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
      QApplication::sendEvent(edit, &press);
      QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
      QApplication::sendEvent(edit, &release);
    }
  }

  TSaveAsDialog SaveAs;
  TConnectDialog ConnectForm{Form.Settings(), Form.Servers()};
};

TEST_F(EndToEndTest, BrowsesOpensEditsSavesSavesAsAndUploadsADrop) {
  ASSERT_NO_FATAL_FAILURE(StartAndConnect());
  TPage* page = Form.ActivePage();

  // Into a folder and back out through its parent entry.
  DoubleClick("[sub]");
  ASSERT_TRUE(Listed("inner.txt")) << Diagnostics();
  EXPECT_EQ(Form.StatusText(1), "/www/sub");
  ASSERT_TRUE(Idle());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  DoubleClick("[..]");
  ASSERT_TRUE(Listed("index.html")) << Diagnostics();
  EXPECT_EQ(Form.StatusText(1), "/www");
  ASSERT_TRUE(Idle());

  // Open, edit, Ctrl+S.
  ASSERT_NO_FATAL_FAILURE(Open("notes.txt"));
  EXPECT_EQ(page->Editor()->text(), "first line\nsecond line\n");
  EXPECT_TRUE(page->Saved());
  // Not a check: with QUILLERY_SCREENSHOT_DIR set, a picture of the connected window.
  if (const QString folder = qEnvironmentVariable("QUILLERY_SCREENSHOT_DIR"); !folder.isEmpty())
    Form.grab().save(folder + "/connected.png");
  Type("new ");
  EXPECT_FALSE(page->Saved());
  Form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&Form));
  QTest::keyClick(page->Editor(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(Form.StatusText(0), "Checking...");
  ASSERT_TRUE(WaitFor([&] { return page->Saved(); })) << Diagnostics();
  EXPECT_TRUE(Form.Panel0.contains("Saving...")) << Form.Panel0.join(" | ").toStdString();
  EXPECT_EQ(Form.StatusText(0), "Saved");
  EXPECT_EQ(Server.ReadFile("/www/notes.txt"), "new first line\nsecond line\n");
  ASSERT_TRUE(Idle()) << Diagnostics();

  // A new page is saved under a name of its own and shows up in the listing.
  Form.NewAction->trigger();
  TPage* fresh = Form.ActivePage();
  ASSERT_NE(fresh, page);
  EXPECT_EQ(fresh->Caption(), "Untitled");
  Type("<p>" + Euro + "</p>\n");
  AnswerWhenShown(&SaveAs, [&] {
    SaveAs.FileNameEdit()->setText("fresh.html");
    SaveAs.OkButton()->click();
  });
  ASSERT_NO_FATAL_FAILURE(SaveAndWait());
  EXPECT_EQ(fresh->Caption(), "fresh.html");
  EXPECT_EQ(Server.ReadFile("/www/fresh.html"), "<p>\xE2\x82\xAC</p>\n");
  EXPECT_TRUE(Listed("fresh.html")) << Diagnostics();

  // A local file dropped on the list goes to the current remote folder.
  const QString local = Home.Path() + "/dropped.txt";
  {
    QFile file(local);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("dropped\r\nbytes\0!", 16);
  }
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(local)});
  QWidget* target = List()->viewport();
  const QPoint at = target->rect().center();
  QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  ASSERT_TRUE(WaitFor([&] { return !Form.Confirms.isEmpty(); }));
  EXPECT_EQ(Form.Confirms, QStringList{"Upload the file " + local + " to the server?"});
  EXPECT_TRUE(Form.Panel0.contains("Uploading...")) << Form.Panel0.join(" | ").toStdString();
  ASSERT_TRUE(Listed("dropped.txt")) << Diagnostics();
  EXPECT_EQ(Form.StatusText(0), "Saved");
  EXPECT_EQ(Server.ReadFile("/www/dropped.txt"), QByteArray("dropped\r\nbytes\0!", 16));
  ASSERT_TRUE(Idle());

  EXPECT_TRUE(Form.Errors.isEmpty()) << Diagnostics();
  EXPECT_TRUE(Reported.isEmpty()) << Diagnostics();
}

TEST_F(EndToEndTest, RefusedGetAndPutAreReportedAndLeaveNothingBusy) {
  Server.Deny("/www/secret*");
  Server.WriteFile("/www/secret.txt", "hidden\n");
  ASSERT_NO_FATAL_FAILURE(StartAndConnect());
  TPage* page = Form.ActivePage();

  DoubleClick("secret.txt");
  ASSERT_TRUE(WaitFor([&] {
    return Form.StatusText(0).contains("permission denied", Qt::CaseInsensitive);
  })) << Diagnostics();
  ASSERT_TRUE(Idle()) << Diagnostics();
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(page->Caption(), "Untitled");  // the refusal reaches the page that asked
  EXPECT_TRUE(page->Editor()->text().isEmpty());

  // A page whose remote name is refused stays unsaved.
  Type("kept\n");
  AnswerWhenShown(&SaveAs, [&] {
    SaveAs.FileNameEdit()->setText("secret-new.html");
    SaveAs.OkButton()->click();
  });
  Form.SetStatus(QString(), 0);
  Form.SaveActionExecute();
  ASSERT_TRUE(WaitFor([&] { return Form.StatusText(0).contains("does not let you write there"); }))
      << Diagnostics();
  EXPECT_EQ(page->Caption(), "secret-new.html");
  ASSERT_TRUE(Idle()) << Diagnostics();
  EXPECT_FALSE(page->Saved());
  EXPECT_TRUE(Form.SaveAction->isEnabled());
  EXPECT_FALSE(Form.Driver().UploadPending());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_FALSE(QFile::exists(Server.Served("/www/secret-new.html")));

  // The connection goes on: the next file opens.
  ASSERT_NO_FATAL_FAILURE(Open("notes.txt"));
  EXPECT_TRUE(Reported.isEmpty()) << Diagnostics();
}

// psftp says nothing until a download has finished; the window shows how far
// it has come from what has arrived. The server stops part way, so the
// figure can be read before the end.
TEST_F(EndToEndTest, ALargeDownloadShowsItsProgress) {
  Server.WriteFile("/www/large.txt", QByteArray(8 * 1024 * 1024, 'x'));
  Server.StallReadAfter("/www/large.txt", 3 * 1024 * 1024);
  StartAndConnect();
  DoubleClick("large.txt");
  int percent = -1;
  ASSERT_TRUE(WaitFor([&] {
    const QString text = Form.StatusText(0);
    if (!text.startsWith("Downloading... ") || !text.endsWith("%")) return false;
    percent = text.mid(15).chopped(1).toInt();
    return percent >= 25;
  })) << Form.StatusText(0).toStdString()
      << Diagnostics();
  EXPECT_LE(percent, 40);
  // Nothing more arrives: Disconnect ends psftp, and nothing is loaded.
  Form.ConnectAction->trigger();
  ASSERT_TRUE(WaitFor([&] { return !Form.VirtualRedirector().Running(); })) << Diagnostics();
  EXPECT_EQ(Form.StatusText(0), "Not connected");
  EXPECT_EQ(Form.ActivePage()->Caption(), "Untitled");
}

TEST_F(EndToEndTest, ATabClosedBeforeItsFileArrivesDropsTheFile) {
  ASSERT_NO_FATAL_FAILURE(StartAndConnect());
  TPage* first = Form.ActivePage();
  Form.NewAction->trigger();
  ASSERT_NE(Form.ActivePage(), first);
  ASSERT_TRUE(Item("notes.txt").isValid());

  DoubleClick("notes.txt");
  EXPECT_NE(QApplication::overrideCursor(), nullptr);
  Form.CloseTabAction->trigger();  // before the event loop could deliver the result
  ASSERT_EQ(Form.PageCount(), 1);
  ASSERT_TRUE(WaitFor([&] { return Log.Text().contains("Download dropped: its tab was closed"); }))
      << Diagnostics();
  EXPECT_TRUE(NotDownloading()) << Diagnostics();
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(first->Caption(), "Untitled");
  EXPECT_TRUE(first->Editor()->text().isEmpty());

  ASSERT_NO_FATAL_FAILURE(Open("index.html"));
  EXPECT_TRUE(Reported.isEmpty()) << Diagnostics();
  EXPECT_TRUE(Form.Errors.isEmpty()) << Diagnostics();
}

// Opened by double-click, saved, and compared on the server byte for byte.
// Typed is typed at the start of the text first; Expected is then what the
// server must hold (the file itself when nothing is typed).
struct TRoundTripCase {
  const char* Name;
  QByteArray Data;
  QString Typed;
  QByteArray Expected;
};

TEST_F(EndToEndTest, EveryFileFormComesBackAsItWas) {
  const QString mixed = "caf\u00E9 " + Euro + "\r\nline two\r\n";
  const QByteArray perl =
      "#!/usr/bin/perl\nuse strict;\nprint \"Content-type: text/html\\n\\n\";\nprint "
      "\"<p>hi</p>\\n\";\n";
  const TRoundTripCase cases[] = {
      {"utf8.txt", B("caf\xC3\xA9 \xE2\x82\xAC\n"), "", {}},
      {"utf8-mark.html", B("\xEF\xBB\xBF<p>\xC3\xA9</p>\r\n"), "", {}},
      {"utf16le.txt", B("\xFF\xFE") + Utf16(mixed, false), "", {}},
      {"utf16be.txt", B("\xFE\xFF") + Utf16(mixed, true), "", {}},
      {"lf.txt", B("one\ntwo\n"), "", {}},
      {"crlf.txt", B("one\r\ntwo\r\n"), "", {}},
      {"cr.txt", B("one\rtwo\r"), "", {}},
      {"mixed.txt", B("a\r\nb\nc\rd\n\r\n"), "", {}},
      {"no-final.txt", B("no final line end"), "", {}},
      {"latin1.txt", B("caf\xE9 na\xEFve \xFF\n"), "", {}},
      {"nul.txt", B("a\0b\0\nafter the NUL\n"), "", {}},
      {"empty.txt", B(""), "", {}},
      {"form.cgi", perl, "", {}},
      // Only the typed character changes, in the file's own encoding.
      {"edit-utf16le.txt", B("\xFF\xFE") + Utf16(mixed, false), "Z",
       B("\xFF\xFE") + Utf16("Z" + mixed, false)},
      {"edit-latin1.txt", B("caf\xE9\r\n"), "\u00FC",
       B("\xFC"
         "caf\xE9\r\n")},
      {"edit-nul.txt", B("a\0b\rc"), "Z", B("Za\0b\rc")},
  };
  for (const TRoundTripCase& c : cases) Server.WriteFile(QString("/www/rt/") + c.Name, c.Data);
  ASSERT_NO_FATAL_FAILURE(StartAndConnect());
  DoubleClick("[rt]");
  ASSERT_TRUE(Listed("utf8.txt")) << Diagnostics();
  ASSERT_TRUE(Idle());

  for (const TRoundTripCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const QString remote = QString("/www/rt/") + c.Name;
    ASSERT_NO_FATAL_FAILURE(Open(c.Name));
    if (!c.Typed.isEmpty()) Type(c.Typed);
    // Proof that the upload wrote the file: what it replaces differs. That
    // is a change made on the server since the file was opened, which the
    // save asks about; Overwrite sends the page.
    Server.WriteFile(remote, "stale");
    ClickWhenAsked("Overwrite");
    ASSERT_NO_FATAL_FAILURE(SaveAndWait());
    const QByteArray expected = c.Typed.isEmpty() ? c.Data : c.Expected;
    EXPECT_EQ(Server.ReadFile(remote).toHex(' ').toStdString(), expected.toHex(' ').toStdString());
  }
  EXPECT_TRUE(Form.Errors.isEmpty()) << Diagnostics();
  EXPECT_TRUE(Reported.isEmpty()) << Diagnostics();
}

// A user whose only way in is an OpenSSH key in ~/.ssh chooses it in the
// dialog, leaves the password empty, and is in; the saved host keeps the key
// and connects with it the next time.
TEST_F(EndToEndTest, AnOpenSshKeyChosenInTheDialogLogsInAndIsSavedWithTheHost) {
  const QByteArray agent = qgetenv("SSH_AUTH_SOCK");
  qunsetenv("SSH_AUTH_SOCK");  // the user's own agent would log in first
  const QString ssh = QDir::homePath() + "/.ssh";
  ASSERT_TRUE(QDir().mkpath(ssh));
  const QString key = ssh + "/id_ed25519";
  ASSERT_EQ(QProcess::execute("ssh-keygen", {"-q", "-t", "ed25519", "-N", "", "-f", key}), 0);
  Server.AuthorizeKey(key + ".pub");
  ASSERT_TRUE(Server.Start());
  ASSERT_TRUE(ShowAndWait(Form));

  QString browsedFrom;
  ConnectForm.SetChooseFileHook([&](const QString& Start) {
    browsedFrom = Start;
    return key;
  });
  AnswerWhenShown(&ConnectForm, [&] {
    ConnectForm.HostNameEdit->setText("127.0.0.1");
    ConnectForm.PortEdit->setText(QString::number(Server.Port()));
    ConnectForm.UserNameEdit->setText(Server.User());
    ConnectForm.PasswordEdit->clear();
    ConnectForm.StartingDirEdit->setText("/www");
    ConnectForm.BrowseButton->click();
    ConnectForm.SaveHostBox->setChecked(true);
    ConnectForm.ConnectButton->click();
  });
  Form.ConnectAction->trigger();
  EXPECT_EQ(browsedFrom, ssh);
  ASSERT_NO_FATAL_FAILURE(TrustHostKey());
  ASSERT_TRUE(Listed("index.html")) << Diagnostics();
  EXPECT_FALSE(Form.PasswordDialog()->isVisible());
  TServers saved;
  saved.Load();
  ASSERT_EQ(saved.Count(), 1);
  EXPECT_EQ(saved.GetServer(0)->PrivateKeyFile(), key);
  EXPECT_TRUE(saved.GetServer(0)->Password().isEmpty());

  Form.ConnectAction->trigger();  // disconnect
  ASSERT_TRUE(WaitFor([&] { return !Form.Driver().Connected(); })) << Diagnostics();
  ConnectForm.PrivateKeyEdit->clear();
  AnswerWhenShown(&ConnectForm, [&] { ConnectForm.ConnectButton->click(); });
  Form.ConnectAction->trigger();  // the saved host fills the dialog, key included
  ASSERT_TRUE(WaitFor([&] { return Form.Driver().Connected(); })) << Diagnostics();
  EXPECT_FALSE(Form.PasswordDialog()->isVisible());
  EXPECT_TRUE(Form.Errors.isEmpty()) << Diagnostics();
  if (!agent.isEmpty()) qputenv("SSH_AUTH_SOCK", agent);
}

}  // namespace
