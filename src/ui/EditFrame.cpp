#include "ui/EditFrame.h"

#include <QDropEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMimeData>
#include <QPushButton>
#include <QSplitter>
#include <QUrl>
#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>
#include <Qsci/qsciscintilla.h>

#include "ui/DirListDelegate.h"
#include "ui/DirListModel.h"
#include "ui/DirListView.h"
#include "ui/Editor.h"
#include "ui/Icons.h"

namespace {
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kMinGutterDigits = 3;
// The gutter's numbers sit a few pixels away from the text.
constexpr int kGutterPadding = 6;

QFont MonospaceFont(const QString& Family, int PointSize) {
  QFont font(Family, PointSize);
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  return font;
}
}  // namespace

TEditFrame::TEditFrame(QWidget* Parent) : QWidget(Parent) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  FSplitter = new QSplitter(Qt::Horizontal, this);
  FSplitter->setHandleWidth(SplitterWidth);
  FSplitter->setChildrenCollapsible(false);
  layout->addWidget(FSplitter);

  CreateDirListBox();
  CreateEditor();
  FSplitter->setStretchFactor(0, 0);
  FSplitter->setStretchFactor(1, 1);
  FSplitter->setSizes({DirListWidth, 852 - DirListWidth - SplitterWidth});
  CreateNotConnectedPanel();
  // Watched only once every part exists.
  FDirListBox->viewport()->installEventFilter(this);
  FEditor->viewport()->installEventFilter(this);
  FNotConnectedPanel->installEventFilter(this);
  SetConnected(false);
}

void TEditFrame::CreateDirListBox() {
  // Rows of one height, laid out by arithmetic: a large listing costs the
  // list nothing per entry.
  FDirListBox = new TDirListView(TDirListDelegate::ItemHeight, FSplitter);
  FOwnModel = new TDirListModel(FDirListBox);
  FDirListBox->setModel(FOwnModel);
  FDirListBox->setItemDelegate(new TDirListDelegate(FDirListBox));
  FDirListBox->setSelectionMode(QAbstractItemView::SingleSelection);
  FDirListBox->setFont(MonospaceFont("Consolas", 10));
  FDirListBox->setMinimumWidth(30);
  FDirListBox->viewport()->setAcceptDrops(true);
  connect(FDirListBox, &QListView::doubleClicked, this, [this](const QModelIndex& Index) {
    if (Index.isValid()) emit DirListDoubleClicked();
  });
  FSplitter->addWidget(FDirListBox);
}

// A shared model destroyed before the frame (at the window's end) leaves
// the view Qt's empty stand-in; the frame's own model answers then.
TDirListModel* TEditFrame::DirListModel() const {
  auto* shown = qobject_cast<TDirListModel*>(FDirListBox->model());
  return shown ? shown : FOwnModel;
}

void TEditFrame::ShowModel(TDirListModel* Model) {
  if (!Model) Model = FOwnModel;
  if (FDirListBox->model() == Model) return;
  QItemSelectionModel* old = FDirListBox->selectionModel();
  FDirListBox->setModel(Model);
  // The view made a new one and leaves the old to its owner.
  if (old && old->parent() == FDirListBox) old->deleteLater();
}

void TEditFrame::CreateEditor() {
  FEditor = new TEditor(FSplitter);
  FEditor->setUtf8(true);
  // 4 px between lines, split above and below the text.
  FEditor->SendScintilla(QsciScintillaBase::SCI_SETEXTRAASCENT, 2);
  FEditor->SendScintilla(QsciScintillaBase::SCI_SETEXTRADESCENT, 2);
  FEditor->setTabWidth(2);
  FEditor->setIndentationsUseTabs(false);
  FEditor->setTabIndents(true);
  FEditor->setBackspaceUnindents(true);
  FEditor->setAutoIndent(true);
  FEditor->setEdgeMode(QsciScintilla::EdgeNone);
  FEditor->setWrapMode(QsciScintilla::WrapNone);
  // The horizontal scroll range follows the longest line shown so far.
  FEditor->SendScintilla(QsciScintillaBase::SCI_SETSCROLLWIDTH, 1UL);
  FEditor->SendScintilla(QsciScintillaBase::SCI_SETSCROLLWIDTHTRACKING, 1UL);
  // The caret stays within the text of a line.
  FEditor->SendScintilla(QsciScintillaBase::SCI_SETVIRTUALSPACEOPTIONS, 0UL);
  FEditor->setMarginType(0, QsciScintilla::NumberMargin);
  FEditor->setMarginLineNumbers(0, true);
  // Margin 1 is a one-pixel line that borders the gutter.
  FEditor->setMarginType(1, QsciScintilla::SymbolMarginDefaultForegroundColor);
  FEditor->setMarginWidth(2, 0);
  SetEditorFont(MonospaceFont("Consolas", 10));
  SetLineNumbersVisible(true);
  ReleaseWindowShortcuts();
  connect(FEditor, &QsciScintilla::linesChanged, this, &TEditFrame::UpdateGutterWidth);
  FSplitter->addWidget(FEditor);
}

// The editor would take these keys for itself; they belong to the window's
// commands (New tab; Cut, Copy and Paste, which mark the page unsaved; Redo,
// whose command follows what the editor can redo).
void TEditFrame::ReleaseWindowShortcuts() {
  const int keys[] = {(Qt::CTRL | Qt::Key_T).toCombined(),
                      (Qt::CTRL | Qt::Key_X).toCombined(),
                      (Qt::CTRL | Qt::Key_C).toCombined(),
                      (Qt::CTRL | Qt::Key_V).toCombined(),
                      (Qt::CTRL | Qt::Key_Y).toCombined(),
                      (Qt::CTRL | Qt::SHIFT | Qt::Key_Z).toCombined()};
  for (int key : keys) {
    QsciCommand* command = FEditor->standardCommands()->boundTo(key);
    if (!command) continue;
    if (command->key() == key) command->setKey(0);
    if (command->alternateKey() == key) command->setAlternateKey(0);
  }
}

void TEditFrame::CreateNotConnectedPanel() {
  FNotConnectedPanel = new QLabel(tr("Not connected"), FDirListBox->viewport());
  FNotConnectedPanel->setObjectName("NotConnectedPanel");
  FNotConnectedPanel->setAlignment(Qt::AlignCenter);
  FNotConnectedPanel->setFont(QFont("Tahoma", 8));
  FNotConnectedPanel->setAutoFillBackground(true);
  FNotConnectedPanel->setBackgroundRole(QPalette::Button);

  FConnectButton =
      new QPushButton(Icons::Get("network-connect"), tr("Connect"), FNotConnectedPanel);
  FConnectButton->setObjectName("ConnectButton");
  FConnectButton->setFixedSize(kButtonWidth, kButtonHeight);
  connect(FConnectButton, &QPushButton::clicked, this, &TEditFrame::ConnectButtonClick);
}

void TEditFrame::SetConnected(bool Value) {
  FConnected = Value;
  if (Value) {
    FNotConnectedPanel->hide();
    return;
  }
  FNotConnectedPanel->setGeometry(FDirListBox->viewport()->rect());
  FNotConnectedPanel->raise();
  FNotConnectedPanel->show();
}

void TEditFrame::ConnectButtonClick() { emit ConnectRequested(); }

// The button sits centred, 20 px below the middle, under the panel's caption.
void TEditFrame::NotConnectedPanelResize() {
  const int top = FNotConnectedPanel->height() / 2 + 20;
  const int left = FNotConnectedPanel->width() / 2 - FConnectButton->width() / 2;
  FConnectButton->move(left, top);
  FConnectButton->update();
}

void TEditFrame::SetEditorFont(const QFont& Font) {
  // Without a lexer QScintilla copies the text font into every style, the
  // gutter's included, so the gutter's look is set again afterwards.
  FEditorFont = Font;
  FEditor->setFont(Font);
  ApplyGutterStyle();
}

void TEditFrame::ApplyGutterStyle() {
  FEditor->setMarginsFont(MonospaceFont("Lucida Console", 8));
  FEditor->setMarginsForegroundColor(Qt::red);
  FEditor->setMarginsBackgroundColor(palette().color(QPalette::Button));
  UpdateGutterWidth();
}

void TEditFrame::UpdateGutterWidth() {
  if (!FLineNumbersVisible) {
    FEditor->setMarginWidth(0, 0);
    FEditor->setMarginWidth(1, 0);
    return;
  }
  const int digits = std::max(kMinGutterDigits, int(QString::number(FEditor->lines()).size()));
  const QByteArray sample(digits, '9');
  const long width =
      FEditor->SendScintilla(QsciScintillaBase::SCI_TEXTWIDTH, QsciScintillaBase::STYLE_LINENUMBER,
                             sample.constData());
  FEditor->setMarginWidth(0, int(width) + kGutterPadding);
  FEditor->setMarginWidth(1, 1);
}

void TEditFrame::SetLineNumbersVisible(bool Value) {
  FLineNumbersVisible = Value;
  UpdateGutterWidth();
}

bool TEditFrame::WordWrap() const { return FEditor->wrapMode() != QsciScintilla::WrapNone; }

void TEditFrame::SetWordWrap(bool Value) {
  FEditor->setWrapMode(Value ? QsciScintilla::WrapWord : QsciScintilla::WrapNone);
}

QStringList TEditFrame::LocalFiles(const QMimeData* Data) {
  QStringList files;
  if (!Data || !Data->hasUrls()) return files;
  for (const QUrl& url : Data->urls())
    if (url.isLocalFile()) files << url.toLocalFile();
  return files;
}

// File drags are ours; any other drag (text moved inside the editor) goes on
// to the control.
bool TEditFrame::HandleFileDrag(QEvent* Event, bool OnDirList) {
  auto* drag = static_cast<QDropEvent*>(Event);
  const QStringList files = LocalFiles(drag->mimeData());
  if (files.isEmpty()) return false;
  drag->acceptProposedAction();
  if (Event->type() == QEvent::Drop) {
    if (OnDirList)
      emit DirListFilesDropped(files);
    else
      emit EditFilesDropped(files);
  }
  return true;
}

bool TEditFrame::eventFilter(QObject* Watched, QEvent* Event) {
  const QEvent::Type type = Event->type();
  const bool onDirList = Watched == FDirListBox->viewport();
  if (onDirList && type == QEvent::Resize && !FConnected)
    FNotConnectedPanel->setGeometry(FDirListBox->viewport()->rect());
  if (Watched == FNotConnectedPanel && type == QEvent::Resize) NotConnectedPanelResize();
  if ((onDirList || Watched == FEditor->viewport()) &&
      (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop))
    return HandleFileDrag(Event, onDirList);
  return QWidget::eventFilter(Watched, Event);
}
