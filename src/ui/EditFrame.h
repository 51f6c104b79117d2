#pragma once

#include <QFont>
#include <QStringList>
#include <QWidget>

class QLabel;
class QListView;
class QMimeData;
class QPushButton;
class QSplitter;
class QsciScintilla;
class TDirListModel;

// The content of one editor tab: the remote directory list on the left, the
// editor on the right, a splitter between them. While the window is not
// connected a panel with a Connect button covers the list.
class TEditFrame : public QWidget {
  Q_OBJECT
 public:
  static constexpr int DirListWidth = 143;
  static constexpr int SplitterWidth = 6;

  explicit TEditFrame(QWidget* Parent = nullptr);

  bool Connected() const { return FConnected; }
  void SetConnected(bool Value);

  QListView* DirListBox() const { return FDirListBox; }
  // The model the list shows: a folder's shared model, or the frame's own
  // (empty until given a directory) while the page shows no folder.
  TDirListModel* DirListModel() const;
  // Shows Model in the list (the frame's own for null). The list gets a new
  // selection model; the old one is deleted.
  void ShowModel(TDirListModel* Model);
  QSplitter* Splitter() const { return FSplitter; }
  QsciScintilla* Editor() const { return FEditor; }
  QLabel* NotConnectedPanel() const { return FNotConnectedPanel; }
  QPushButton* ConnectButton() const { return FConnectButton; }

  // Sets the editor's text font; the gutter keeps its own font and colour.
  void SetEditorFont(const QFont& Font);
  const QFont& EditorFont() const { return FEditorFont; }
  bool LineNumbersVisible() const { return FLineNumbersVisible; }
  void SetLineNumbersVisible(bool Value);
  bool WordWrap() const;
  void SetWordWrap(bool Value);

  // The local files a drag carries; empty when it carries none.
  static QStringList LocalFiles(const QMimeData* Data);

 signals:
  // The Connect button was clicked.
  void ConnectRequested();
  void DirListDoubleClicked();
  // Local files were dropped on the directory list or on the editor.
  void DirListFilesDropped(const QStringList& Files);
  void EditFilesDropped(const QStringList& Files);

 protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override;

 private:
  void CreateDirListBox();
  void CreateEditor();
  void CreateNotConnectedPanel();
  void ApplyGutterStyle();
  void UpdateGutterWidth();
  void ReleaseWindowShortcuts();
  void ConnectButtonClick();
  void NotConnectedPanelResize();
  bool HandleFileDrag(QEvent* Event, bool OnDirList);

  QSplitter* FSplitter = nullptr;
  QListView* FDirListBox = nullptr;
  TDirListModel* FOwnModel = nullptr;
  QsciScintilla* FEditor = nullptr;
  QLabel* FNotConnectedPanel = nullptr;
  QPushButton* FConnectButton = nullptr;
  bool FConnected = false;
  bool FLineNumbersVisible = true;
  QFont FEditorFont;
};
