// The main window's links to remote folders and files, from the command
// line or from a second start: which host they connect to, and opening
// their folder and file through the same steps as the directory list.
#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <Qsci/qsciscintilla.h>
#include <utility>

#include "core/ErrorReport.h"
#include "core/Exception.h"
#include "remote/editing/RemoteEditor.h"
#include "remote/editing/UnsavedGuard.h"
#include "remote/listing/Dir.h"
#include "remote/session/ConnectionDriver.h"
#include "store/LinkHost.h"
#include "store/OpenSshHosts.h"
#include "store/RemoteLink.h"
#include "store/Servers.h"
#include "ui/ConnectionView.h"
#include "ui/MainWindow.h"
#include "ui/Pages.h"

namespace {
// How often a link that came while a dialog was open looks again.
constexpr int kModalRetryMs = 250;
}  // namespace

void TMainWindow::OpenLink(const QString& Link) {
  // The link takes the place of the connect dialog at start-up.
  StartupTimer->stop();
  FFirstTick = false;
  // A link that comes while a dialog waits for an answer (a second start
  // while the password is asked) is opened once the dialog has gone.
  if (QApplication::activeModalWidget()) {
    QTimer::singleShot(kModalRetryMs, this, [this, Link] { OpenLink(Link); });
    return;
  }
  if (isMinimized()) showNormal();
  raise();
  activateWindow();
  ErrorReport::Guarded([this, &Link] { OpenLinkNow(Link); });
}

// The starting side refused paths on this computer already; here only the
// text is read, as its files are not this process's business.
void TMainWindow::OpenLinkNow(const QString& Text) {
  QString why;
  const std::optional<TRemoteLink> link =
      TRemoteLink::Parse(Text, TOpenSshHosts::Aliases(TOpenSshHosts::DefaultConfigFile()), why,
                         nullptr);
  if (!link) return Prompts().Inform(IUserPrompts::TTone::Error, why);
  try {
    FServers->Load();
  } catch (const Exception& e) {
    Log(TLog::Line, "Saved hosts for a link: " + e.Message());  // the rest still match
  }
  TLinkHost host;
  if (!TLinkHost::Find(*link, *FServers, host, why))
    return Prompts().Inform(IUserPrompts::TTone::Error, why);
  if (FDriver->Connected()) {
    if (host.Names(FDriver->HostName(), FDriver->UserName(), FDriver->Port()))
      return OpenLinkHere(*link);
    const QString question = QString("Quillery is connected to %1. Disconnect and open %2?")
                                 .arg(ConnectionName(), link->Text());
    if (!Prompts().Confirm(question)) return;
    FLinkAfterDisconnect = Text;
    FRemoteEditor->Disconnect();
    return;
  }
  if (FDriver->Stage() != TConnectionState::TStage::NotConnected) {
    return Prompts().Inform(IUserPrompts::TTone::Message,
                            QString("Quillery is still connecting to %1. Open %2 again once "
                                    "it is connected.")
                                .arg(ConnectionName(), link->Text()));
  }
  ConnectForLink(*link, host);
}

// What the link does not say (the user name, when no saved or OpenSSH host
// has it) is asked in the connect dialog, filled in with what it does say;
// a password is asked by the login, as for any host.
void TMainWindow::ConnectForLink(const TRemoteLink& Link, const TLinkHost& Host) {
  TConnectValues values = Host.Values;
  if (!Host.Complete()) {
    FConnectionView->PrefillConnectDialog(values);
    if (!ShowConnectDialog()) return;
    values = ConnectDialogValues();
  }
  FDriver->Connect(values, PageForLink(), OpenWhenListed(Link.Name()));
}

void TMainWindow::OpenLinkHere(const TRemoteLink& Link) {
  TPage* page = PageForLink();
  Tabs->setCurrentWidget(page->TabSheet());
  FDriver->OpenFolder(page, Link.Folder().toLocal8Bit(), OpenWhenListed(Link.Name()));
}

void TMainWindow::OpenLinkAfterDisconnect() {
  if (FLinkAfterDisconnect.isEmpty() || FDriver->Stage() != TConnectionState::TStage::NotConnected)
    return;
  const QString link = std::exchange(FLinkAfterDisconnect, QString());
  QTimer::singleShot(0, this, [this, link] { OpenLink(link); });
}

// A link never throws away a text: it opens in the page in front only when
// that page holds nothing, else in a new one.
TPage* TMainWindow::PageForLink() {
  TPage* page = ActivePage();
  if (page && page->Saved() && page->Document().RemotePath.isEmpty() &&
      page->Editor()->length() == 0)
    return page;
  return CreateTab();
}

// Once the folder is listed, the link's entry is selected and opened as a
// double-click opens it (a file after the binary question, a folder by
// entering it); after the driver has done with psftp's answer, as opening
// may ask.
IConversation::TListed TMainWindow::OpenWhenListed(const QString& Name) {
  if (Name.isEmpty()) return IConversation::TListed();
  return [this, Name](IPage* Page, TDir*) {
    QPointer<TPage> page = FPages->Find(Page);
    QTimer::singleShot(0, this, [this, page, Name] {
      if (page) ErrorReport::Guarded([&] { OpenListedEntry(page, Name); });
    });
  };
}

void TMainWindow::OpenListedEntry(TPage* Page, const QString& Name) {
  Tabs->setCurrentWidget(Page->TabSheet());
  if (!Page->SelectFile(Name)) {
    const QString folder = Page->Dir() ? Page->Dir()->Name() : QString();
    return Prompts().Inform(IUserPrompts::TTone::Error,
                            QString("There is no %1 in %2 on the server.").arg(Name, folder));
  }
  FUnsavedGuard->OpenSelected(Page);
}

QString TMainWindow::ConnectionName() const {
  QString name = QString::fromLocal8Bit(FDriver->UserName() + "@" + FDriver->HostName());
  if (FDriver->Port() != 22) name += ":" + QString::number(FDriver->Port());
  return name;
}
