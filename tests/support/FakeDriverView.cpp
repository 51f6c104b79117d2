#include "FakeDriverView.h"

#include <QFile>

#include "core/Exception.h"
#include "remote/editing/RemoteEditor.h"
#include "remote/session/ConnectionDriver.h"

void FakePage::PopulateDirListBox() {
  if (!FDir) return;
  Items.clear();
  ItemFiles.clear();
  for (int i = 0; i < FDir->Count(); ++i) {
    TFile* file = FDir->Files(i);
    Items << (file->IsDirectory() ? QString("[%1]").arg(file->RemoteName()) : file->RemoteName());
    ItemFiles.push_back(file);
  }
}

TFile* FakePage::SelectedFile() const {
  if (Selected < 0 || Selected >= int(ItemFiles.size())) return nullptr;
  return ItemFiles[Selected];
}

bool FakePage::Select(const QString& Text) {
  Selected = int(Items.indexOf(Text));
  return Selected >= 0;
}

void FakePage::LoadFromFile(const QString& Path) {
  QFile file(Path);
  if (!file.open(QIODevice::ReadOnly)) throw Exception(file.errorString());
  Text = file.readAll();
  ++Version;
}

void FakePage::SaveToFile(const QString& Path) {
  QFile file(Path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) throw Exception(file.errorString());
  file.write(Text);
}

FakeDriverView::FakeDriverView() { AddPage(); }

FakePage* FakeDriverView::ActivePage() {
  return Active >= 0 && Active < PageCount() ? PageList[Active].get() : nullptr;
}

void FakeDriverView::ConnectionChanged(bool Connected, const QString& HostName) {
  ConnectCaption = Connected ? "Disconnect" : "Connect to Server...";
  ConnectImage = Connected ? 12 : 0;
  NewOpenEnabled = Connected;
  if (Connected) WindowCaption = "Quillery - " + HostName;
  for (auto& page : PageList) page->FrameConnected = Connected;
}

void FakeDriverView::DirectoryListed(IPage* Page, TDir* Dir) {
  if (Page) Page->SetDir(Dir);
  for (auto& page : PageList)
    if (page->Dir() == Dir) page->PopulateDirListBox();
}

void FakeDriverView::ConnectAction(TConnectionDriver& Driver) {
  if (Driver.Connected()) {
    Driver.Disconnect();
    return;
  }
  if (!ConnectDialogResult) return;
  Driver.Connect(Values, ActivePage());
}

FakePage* FakeDriverView::AddPage() {
  PageList.push_back(std::make_unique<FakePage>());
  return PageList.back().get();
}

void FakeDriverView::ClosePage(int Index, TRemoteEditor& Editor) {
  Editor.PageClosing(PageList.at(Index).get());
  PageList.erase(PageList.begin() + Index);
  if (Active >= PageCount()) Active = PageCount() - 1;
}

void RecordingRedirector::Write(const QByteArray& Command) {
  const QByteArray closing = "lcd \"/dev/null/";
  if (!Command.startsWith(closing)) {
    Written << Command;
    return;
  }
  ClosingPath = Command.mid(5, Command.size() - 6);
}

// psftp 0.78's answer to "lcd /dev/null/X", recorded.
QByteArray RecordingRedirector::Answered(const QByteArray& Piece) {
  const QByteArray prompt = "psftp> ";
  if (ClosingPath.isEmpty() || !Piece.endsWith(prompt)) return Piece;
  QByteArray answer = Piece + "lcd: unable to change directory: " + ClosingPath +
                      ": chdir: Not a directory\n" + prompt;
  ClosingPath.clear();
  return answer;
}
