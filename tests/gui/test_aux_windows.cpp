// The debug log, Save As, About, psftp's question dialogs and the icons.
#include <QApplication>
#include <QDesktopServices>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>
#include <optional>

#include "TempHome.h"
#include "ui/AboutBox.h"
#include "ui/DebugLogWindow.h"
#include "ui/HostKeyDialog.h"
#include "ui/Icons.h"
#include "ui/PasswordDialog.h"
#include "ui/SaveAsDialog.h"

namespace {

// ---------------------------------------------------------------- debug log

TEST(DebugForm, IsAFixedWindowWithACourierLog) {
  TempHome home;
  TDebugLogWindow form;
  EXPECT_EQ(form.windowTitle(), "Debug");
  EXPECT_EQ(form.size(), QSize(810, 487));
  EXPECT_EQ(form.minimumSize(), form.maximumSize());
  EXPECT_EQ(form.DebugEdit()->font().family(), "Courier New");
  EXPECT_EQ(form.DebugEdit()->font().pointSize(), 10);
  EXPECT_EQ(form.DebugEdit()->lineWrapMode(), QPlainTextEdit::NoWrap);
}

TEST(DebugForm, AppendsRawTextAndWholeLines) {
  TempHome home;
  const struct {
    const char* Name;
    std::vector<std::pair<bool, QString>> Steps;  // true: a line, false: raw text
    QString Log;
  } cases[] = {
      {"lines", {{true, "one"}, {true, "two"}}, "one\ntwo\n"},
      {"raw then line", {{false, "ls\r\n"}, {true, "reply"}}, "ls\nreply\n"},
      {"line after a piece without a line end",
       {{false, "psftp> "}, {true, "Remote directory is now /www"}},
       "psftp> \nRemote directory is now /www\n"},
      {"piece with several lines", {{false, "a\r\nb\rc\n"}}, "a\nb\nc\n"},
      {"empty line", {{true, ""}}, "\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TDebugLogWindow form;
    for (const auto& [line, text] : c.Steps) line ? form.AddLine(text) : form.AppendText(text);
    EXPECT_EQ(form.Text(), c.Log);
  }
}

TEST(DebugForm, KeepsItsLinesBetweenShowings) {
  TempHome home;
  TDebugLogWindow form;
  form.AddLine("first");
  QTimer::singleShot(0, &form, &QDialog::accept);
  form.exec();
  form.AddLine("while hidden");
  QString shown;
  QTimer::singleShot(0, &form, [&] {
    shown = form.Text();
    form.accept();
  });
  form.exec();
  EXPECT_EQ(shown, "first\nwhile hidden\n");
}

// ---------------------------------------------------------------- Save As

// Runs the dialog modally, typing Keys into the name field once it shows.
int RunSaveAs(TSaveAsDialog& Form, const QString& Typed, Qt::Key Key, QString* Seen = nullptr) {
  QTimer::singleShot(0, &Form, [&] {
    if (Seen) *Seen = Form.FileNameEdit()->text();
    if (!Typed.isNull()) {
      Form.FileNameEdit()->clear();
      QTest::keyClicks(Form.FileNameEdit(), Typed);
    }
    QTest::keyClick(Form.FileNameEdit(), Key);
  });
  return Form.exec();
}

TEST(SaveAsForm, EnterAcceptsEscapeCancelsAndTheNameIsKept) {
  TempHome home;
  TSaveAsDialog form;
  EXPECT_EQ(form.windowTitle(), "Save As...");
  EXPECT_EQ(form.size(), QSize(437, 154));
  EXPECT_EQ(form.FileNameEdit()->geometry().topLeft(), QPoint(24, 40));
  EXPECT_EQ(form.FileNameEdit()->width(), 393);
  EXPECT_EQ(form.findChild<QLabel*>()->text().remove('&'), "Filename:");

  QString seen;
  EXPECT_EQ(RunSaveAs(form, "index.html", Qt::Key_Return, &seen), QDialog::Accepted);
  EXPECT_EQ(seen, "");
  EXPECT_EQ(form.FileNameEdit()->text(), "index.html");

  EXPECT_EQ(RunSaveAs(form, QString(), Qt::Key_Escape, &seen), QDialog::Rejected);
  EXPECT_EQ(seen, "index.html");
  EXPECT_EQ(RunSaveAs(form, QString(), Qt::Key_Enter, &seen), QDialog::Accepted);
  EXPECT_EQ(seen, "index.html");
}

// ---------------------------------------------------------------- About

class UrlRecorder : public QObject {
  Q_OBJECT
 public slots:
  void Open(const QUrl& Url) { Opened << Url; }

 public:
  QList<QUrl> Opened;
};

TEST(AboutForm, ShowsNameVersionAndOpensItsAddress) {
  TempHome home;
  TAboutBox form;
  EXPECT_EQ(form.windowTitle(), "About Quillery");
  EXPECT_EQ(form.size(), QSize(497, 295));
  auto* title = form.findChild<QLabel*>("TitleLabel");
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->text(), "Quillery");
  EXPECT_TRUE(title->font().bold());
  EXPECT_EQ(title->font().pointSize(), 16);
  auto* group = form.findChild<QGroupBox*>();
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->title(), "Version Information");
  auto* version = group->findChild<QLabel*>("VersionLabel");
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(version->text(), "Version 0.9 Beta");
  EXPECT_TRUE(version->font().bold());

  UrlRecorder recorder;
  QDesktopServices::setUrlHandler("https", &recorder, "Open");
  emit form.LinkLabel()->linkActivated("ignored");
  QDesktopServices::unsetUrlHandler("https");
  ASSERT_EQ(recorder.Opened.size(), 1);
  EXPECT_EQ(recorder.Opened[0], QUrl(TAboutBox::WebAddress));
}

// ---------------------------------------------------------------- host key

THostKeyRequest Request(THostKeyRequest::TKind Kind) {
  THostKeyRequest request;
  request.Kind = Kind;
  request.Host = "example.test";
  request.Port = 2222;
  request.KeyType = "ssh-ed25519 255";
  request.Fingerprint = "SHA256:Zm9vYmFy";
  request.Text =
      "The first cipher supported by the server is arcfour, "
      "which is below the configured warning threshold.";
  return request;
}

struct TAnswers {
  explicit TAnswers(THostKeyDialog& Dialog) {
    QObject::connect(&Dialog, &THostKeyDialog::Answered,
                     [this](THostKeyAnswer Answer) { Given.push_back(Answer); });
  }
  std::vector<THostKeyAnswer> Given;
};

TEST(HostKeyDialog, EachChoiceGivesItsAnswerOnce) {
  TempHome home;
  const struct {
    const char* Name;
    std::function<void(THostKeyDialog&)> Act;
    THostKeyAnswer Answer;
  } cases[] = {
      {"trust", [](THostKeyDialog& D) { D.TrustButton()->click(); }, THostKeyAnswer::Trust},
      {"once", [](THostKeyDialog& D) { D.OnceButton()->click(); }, THostKeyAnswer::Once},
      {"cancel", [](THostKeyDialog& D) { D.CancelButton()->click(); }, THostKeyAnswer::Abandon},
      {"escape", [](THostKeyDialog& D) { QTest::keyClick(&D, Qt::Key_Escape); },
       THostKeyAnswer::Abandon},
      {"window closed", [](THostKeyDialog& D) { D.close(); }, THostKeyAnswer::Abandon},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    THostKeyDialog dialog;
    TAnswers answers(dialog);
    dialog.Ask(Request(THostKeyRequest::hkNewKey));
    EXPECT_TRUE(dialog.isVisible());
    c.Act(dialog);
    EXPECT_FALSE(dialog.isVisible());
    dialog.close();
    EXPECT_EQ(answers.Given, std::vector<THostKeyAnswer>{c.Answer});
  }
}

TEST(HostKeyDialog, NewKeyShowsTheKeyAndOffersTrust) {
  TempHome home;
  THostKeyDialog dialog;
  dialog.Ask(Request(THostKeyRequest::hkNewKey));
  const QString details = dialog.DetailsLabel()->text();
  for (const char* part : {"example.test", "2222", "ssh-ed25519 255", "SHA256:Zm9vYmFy"})
    EXPECT_TRUE(details.contains(part)) << part;
  EXPECT_EQ(dialog.TrustButton()->text(), "Trust and connect");
  EXPECT_EQ(dialog.OnceButton()->text(), "Connect once");
  EXPECT_EQ(dialog.CancelButton()->text(), "Cancel");
  EXPECT_FALSE(dialog.TitleLabel()->text().contains("WARNING"));
  dialog.CancelButton()->click();
}

TEST(HostKeyDialog, ChangedKeyLooksAlarmingAndEnterDoesNotTrustIt) {
  TempHome home;
  THostKeyDialog dialog;
  TAnswers answers(dialog);
  dialog.Ask(Request(THostKeyRequest::hkChangedKey));
  EXPECT_EQ(dialog.TitleLabel()->text(), "WARNING - POTENTIAL SECURITY BREACH!");
  EXPECT_EQ(dialog.TitleLabel()->palette().color(QPalette::WindowText), QColor("#d00000"));
  EXPECT_TRUE(dialog.CancelButton()->isDefault());
  EXPECT_FALSE(dialog.TrustButton()->isDefault());
  QTest::keyClick(&dialog, Qt::Key_Return);
  EXPECT_EQ(answers.Given, std::vector<THostKeyAnswer>{THostKeyAnswer::Abandon});
}

// A key other than the one the user's OpenSSH trusts names both.
TEST(HostKeyDialog, AKeyOtherThanOpenSshsShowsBothFingerprints) {
  TempHome home;
  THostKeyDialog dialog;
  THostKeyRequest request = Request(THostKeyRequest::hkChangedKey);
  request.KnownFingerprint = "SHA256:b3BlbnNzaA";
  dialog.Ask(request);
  EXPECT_TRUE(dialog.DetailsLabel()->text().contains("Fingerprint: SHA256:Zm9vYmFy"));
  EXPECT_TRUE(dialog.DetailsLabel()->text().contains(
      "Fingerprint in ~/.ssh/known_hosts: SHA256:b3BlbnNzaA"));
  EXPECT_TRUE(dialog.TextLabel()->text().contains("~/.ssh/known_hosts"));
  dialog.CancelButton()->click();
}

TEST(HostKeyDialog, WeakCryptoShowsPsftpsTextWithContinueAndCancel) {
  TempHome home;
  THostKeyDialog dialog;
  TAnswers answers(dialog);
  dialog.Ask(Request(THostKeyRequest::hkWeakCrypto));
  EXPECT_TRUE(dialog.TextLabel()->text().contains("arcfour"));
  EXPECT_TRUE(dialog.TrustButton()->isHidden());
  EXPECT_EQ(dialog.OnceButton()->text(), "Continue");
  EXPECT_TRUE(dialog.CancelButton()->isDefault());
  dialog.OnceButton()->click();
  EXPECT_EQ(answers.Given, std::vector<THostKeyAnswer>{THostKeyAnswer::Once});

  // The same dialog asks a key question afterwards with all three choices.
  dialog.Ask(Request(THostKeyRequest::hkNewKey));
  EXPECT_FALSE(dialog.TrustButton()->isHidden());
  EXPECT_EQ(dialog.OnceButton()->text(), "Connect once");
  dialog.TrustButton()->click();
  EXPECT_EQ(answers.Given.back(), THostKeyAnswer::Trust);
}

// ---------------------------------------------------------------- password

TPasswordRequest PasswordRequest(const QString& Prompt) {
  TPasswordRequest request;
  request.Prompt = Prompt;
  return request;
}

TEST(PasswordDialog, OkHandsOverTheMaskedTextAndForgetsIt) {
  TempHome home;
  TPasswordDialog dialog;
  std::optional<QByteArray> answered;
  int cancelled = 0;
  QObject::connect(&dialog, &TPasswordDialog::Answered,
                   [&](const QByteArray& Password) { answered = Password; });
  QObject::connect(&dialog, &TPasswordDialog::Cancelled, [&] { ++cancelled; });

  dialog.Ask(PasswordRequest("tester@127.0.0.1's password: "));
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.PromptLabel()->text(), "tester@127.0.0.1's password:");
  EXPECT_EQ(dialog.PasswordEdit()->echoMode(), QLineEdit::Password);
  QTest::keyClicks(dialog.PasswordEdit(), "s3cr");
  dialog.PasswordEdit()->insert(QString::fromUtf8("\xc3\xa9t"));
  QTest::keyClick(dialog.PasswordEdit(), Qt::Key_Return);
  ASSERT_TRUE(answered.has_value());
  EXPECT_EQ(*answered, QString::fromUtf8("s3cr\xc3\xa9t").toLocal8Bit());
  EXPECT_EQ(dialog.PasswordEdit()->text(), "");
  EXPECT_EQ(cancelled, 0);

  answered.reset();
  dialog.Ask(PasswordRequest("again: "));
  QTest::keyClicks(dialog.PasswordEdit(), "nope");
  dialog.CancelButton()->click();
  EXPECT_FALSE(answered.has_value());
  EXPECT_EQ(cancelled, 1);
  EXPECT_EQ(dialog.PasswordEdit()->text(), "");

  // A key's passphrase asked again says why, and the title says what it is.
  TPasswordRequest passphrase = PasswordRequest("Passphrase for key \"work\" (/k/id): ");
  passphrase.Kind = TPasswordRequest::TKind::Passphrase;
  passphrase.Warning = "Wrong passphrase";
  dialog.Ask(passphrase);
  EXPECT_EQ(dialog.windowTitle(), "Passphrase");
  EXPECT_EQ(dialog.PromptLabel()->text(),
            "Wrong passphrase.\nPassphrase for key \"work\" (/k/id):");
  dialog.Ask(PasswordRequest("again: "));
  EXPECT_EQ(dialog.windowTitle(), "Password");
  dialog.CancelButton()->click();
}

// ---------------------------------------------------------------- icons

TEST(Icons, OurOwnPicturesDrawSomething) {
  TempHome home;
  for (const char* name : {"network-connect", "network-disconnect", "document-new", "document-open",
                           "document-save", "edit-cut", "edit-copy", "edit-paste", "edit-undo",
                           "edit-redo", "application-exit", "quillery"}) {
    SCOPED_TRACE(name);
    const QImage image = Icons::Fallback(name).pixmap(16, 16).toImage();
    ASSERT_FALSE(image.isNull());
    int drawn = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) drawn += qAlpha(image.pixel(x, y)) > 0;
    EXPECT_GT(drawn, 20);
  }
}

}  // namespace

#include "test_aux_windows.moc"
