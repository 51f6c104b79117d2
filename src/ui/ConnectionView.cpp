#include "ui/ConnectionView.h"

#include <QApplication>
#include <QDialog>
#include <QMainWindow>
#include <QStatusBar>

#include "remote/listing/Dir.h"
#include "ui/ConnectDialog.h"
#include "ui/DebugLogWindow.h"
#include "ui/DirListModels.h"
#include "ui/MainActions.h"
#include "ui/Page.h"
#include "ui/Pages.h"
#include "ui/StatusPanels.h"

TConnectionView::TConnectionView(QMainWindow& Window, TMainActions& Actions, TPages& Pages)
    : FWindow(Window),
      FActions(Actions),
      FPages(Pages),
      FStatusPanels(std::make_unique<TStatusPanels>(*Window.statusBar())) {}

TConnectionView::~TConnectionView() { SetBusyCursor(false); }

void TConnectionView::ShowConnected(bool Connected, const QString& HostName) {
  FConnected = Connected;
  FActions.ShowConnected(Connected);
  // A title naming a host after the disconnect would claim a connection.
  FWindow.setWindowTitle(Connected ? QString("Quillery - %1").arg(HostName) : QString("Quillery"));
  FPages.ForEach([Connected](TPage* Page) { Page->SetFrameConnected(Connected); });
}

// Every tab that shows Dir reads its one shared model, so one refill
// reaches them all; each keeps its own selection and scroll position.
void TConnectionView::ShowListing(IPage* Page, TDir* Dir) {
  if (Page) Page->SetDir(Dir);
  FPages.ListModels().Refill(Dir);
}

void TConnectionView::Log(IDriverView::TLog Kind, const QString& Text) {
  if (!FDebugForm) return;
  if (Kind == IDriverView::TLog::Command)
    FDebugForm->AppendText(Text + "\r\n");
  else
    FDebugForm->AddLine(Text);
}

void TConnectionView::SetBusyCursor(bool Busy) {
  if (Busy == FBusyCursor) return;
  FBusyCursor = Busy;
  if (Busy)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

void TConnectionView::SetStatus(int Index, const QString& Text, const QString& ToolTip) {
  FStatusPanels->Set(Index, Text, ToolTip);
}

QString TConnectionView::StatusText(int Index) const { return FStatusPanels->Text(Index); }

void TConnectionView::ShowWork(const QString& Text) {
  const QString shown = StatusText(0);
  if (Text.isEmpty()) {
    if (!FWork.isEmpty() && shown == FWork) SetStatus(0, FBeforeWork, QString());
    FWork.clear();
    return;
  }
  if (FWork.isEmpty() || shown != FWork) FBeforeWork = shown;
  FWork = Text;
  SetStatus(0, Text, QString());
}

void TConnectionView::SetConnectDialog(QDialog* Dialog, std::function<TConnectValues()> Values) {
  FConnectDialog = Dialog;
  FConnectValues = std::move(Values);
}

void TConnectionView::SetDebugForm(TDebugLogWindow* Form) { FDebugForm = Form; }

bool TConnectionView::ShowConnectDialog() {
  return FConnectDialog && FConnectDialog->exec() == QDialog::Accepted;
}

void TConnectionView::PrefillConnectDialog(const TConnectValues& Values) {
  if (auto* dialog = qobject_cast<TConnectDialog*>(FConnectDialog.data())) dialog->Prefill(Values);
}

TConnectValues TConnectionView::ConnectDialogValues() const {
  return FConnectValues ? FConnectValues() : TConnectValues();
}

void TConnectionView::ShowDebugLog() {
  if (FDebugForm) FDebugForm->exec();
}
