#include "FakeDriverView.h"

#include <QFile>
#include <QFileInfo>

#include "core/Exception.h"
#include "remote/local/TempFolder.h"
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
  if (Page) static_cast<FakePage*>(Page)->SetDir(Dir);
  for (auto& page : PageList)
    if (page->Dir() == Dir) page->PopulateDirListBox();
}

void FakeDriverView::FileDownloaded(IPage* Page, const QString& LocalPath,
                                    const QByteArray& RemotePath) {
  auto* page = static_cast<FakePage*>(Page);
  page->SetRemoteFileName(RemotePath);
  const QString localName = QFileInfo(LocalPath).fileName();
  try {
    page->LoadFromFile(LocalPath);
  } catch (const Exception& e) {
    Errors << QString("Unable to load local file %1 (%2)").arg(localName, e.Message());
  }
  page->SetCaption(localName);
  page->UpdateHighlighter();
}

void FakeDriverView::FileUploaded(IPage* Page) {
  auto* page = static_cast<FakePage*>(Page);
  page->SetSaved(true);
  page->UpdateHighlighter();
}

bool FakeDriverView::Confirm(const QString& Text) {
  Confirms << Text;
  if (ConfirmAnswers.empty()) return true;
  const bool answer = ConfirmAnswers.front();
  ConfirmAnswers.pop_front();
  return answer;
}

void FakeDriverView::ConnectAction(TConnectionDriver& Driver) {
  if (Driver.Connected()) {
    Driver.Disconnect();
    return;
  }
  if (!ConnectDialogResult) return;
  Driver.Connect(Values, ActivePage());
}

void FakeDriverView::DblClick(TConnectionDriver& Driver) {
  FakePage* page = ActivePage();
  const TFile* file = page ? page->SelectedFile() : nullptr;
  if (!file) return;
  if (file->MayBeBinary() &&
      !Confirm(QString("%1 may be a binary file. Download anyway?").arg(file->RemoteName())))
    return;
  Driver.Open(page, *file);
}

void FakeDriverView::Save(TConnectionDriver& Driver) {
  FakePage* page = ActivePage();
  if (!page) return;
  QString localPath;
  if (page->Caption() == "Untitled") {
    if (!SaveAsResult) return;
    try {
      localPath = SaveAsLocalPath(SaveAsName);
    } catch (const Exception& e) {
      Errors << e.Message();
      return;
    }
  } else {
    localPath = GetTempFolder() + page->Caption();
  }
  Driver.Save(page, localPath);
  page->SetCaption(QFileInfo(localPath).fileName());
}

void FakeDriverView::Drop(TConnectionDriver& Driver, bool FrameConnected,
                          const QStringList& Files) {
  if (!FrameConnected) throw Exception("Not connected");
  if (Files.size() >= 2) {
    Messages << "You can drop only one file at a time!";
    return;
  }
  if (Files.isEmpty()) return;
  if (!Confirm(QString("Upload the file %1 to the server?").arg(Files.first()))) return;
  Driver.Upload(ActivePage(), Files.first());
}

FakePage* FakeDriverView::AddPage() {
  PageList.push_back(std::make_unique<FakePage>());
  return PageList.back().get();
}

void FakeDriverView::ClosePage(int Index, TConnectionDriver& Driver) {
  Driver.PageClosing(PageList.at(Index).get());
  PageList.erase(PageList.begin() + Index);
  if (Active >= PageCount()) Active = PageCount() - 1;
}
