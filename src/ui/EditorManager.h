#pragma once

#include <QObject>
#include <QStringList>
#include <functional>

class IUserPrompts;
class TConnectionDriver;
class TEditCommands;
class TPage;
class TPages;
class TRemoteEditor;
class TUnsavedGuard;

// Makes the editor pages and wires each to what acts on it: the edit
// commands, the editing controller for its directory list, and the window
// for the Connect command and the commands' enabled state. The commands that
// add, close or reload a page are here too; those that would throw unsaved
// text away ask the save question first.
class TEditorManager : public QObject {
 public:
  struct THooks {
    // A page's not-connected panel asked for the Connect command.
    std::function<void()> ConnectRequested;
    // A page was made or closed: the window's commands follow the page now
    // in front.
    std::function<void()> FrontChanged;
    // A page's text or selection changed.
    std::function<void()> EditChanged;
    // A page was made and set up, before it shows its first document.
    std::function<void(TPage*)> PageMade;
    // Whoever answers the window's questions now.
    std::function<IUserPrompts&()> Prompts;
  };

  TEditorManager(TPages& Pages, TConnectionDriver& Driver, TRemoteEditor& RemoteEditor,
                 TUnsavedGuard& Guard, TEditCommands& EditCommands, THooks Hooks);

  // A new page, in front, with an unnamed document.
  TPage* Create();
  // The page in front goes, unless it is the last one.
  void CloseFront();
  // A local file, chosen in the file dialog, replaces the front page's text.
  void OpenLocalFile();
  // One local file dropped on Page's editor replaces its text.
  void EditFileDrop(TPage* Page, const QStringList& Files);
  // The entry selected in the front page's directory list opens.
  void OpenSelected();

 private:
  void Wire(TPage* Page);

  TPages& FPages;
  TConnectionDriver& FDriver;
  TRemoteEditor& FRemoteEditor;
  TUnsavedGuard& FGuard;
  TEditCommands& FEditCommands;
  THooks FHooks;
};
