#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <vector>

class QTabWidget;
class QWidget;
class IPage;
class TDirListModels;
class TPage;

// The editor pages on the window's tab control, in tab order. Each page is a
// child of its tab sheet, so whatever deletes a sheet deletes its page; the
// list forgets a page the moment it is destroyed. The tabs cannot be dragged
// and new ones go at the end, so the list's order stays the tabs' order.
class TPages : public QObject {
 public:
  // SavedChanged goes to every page (see TPage); Closing runs before a
  // page's tab goes, while the page is still whole.
  TPages(QTabWidget* Tabs, std::function<void()> SavedChanged, std::function<void(TPage*)> Closing);

  // A new page at the end, brought to the front and given the focus. Setup
  // runs as soon as the page exists, before anything else is done with it.
  // The page starts with an unnamed, saved document and shows the directory the previous front page
  // showed.
  TPage* Create(const std::function<void(TPage*)>& Setup);
  // Tells Closing, removes the front page's tab and brings the last one
  // forward. Nothing happens without pages.
  void CloseActive();

  // The page on TabSheet, or null.
  TPage* Of(const QWidget* TabSheet) const;
  // The page the core knows as Page, or null once it has gone.
  TPage* Find(const IPage* Page) const;
  TPage* Active() const;
  int Count() const { return int(FPages.size()); }
  // Null for an index past either end, as for a tab that is not there.
  TPage* At(int Index) const {
    return Index >= 0 && Index < Count() ? FPages[size_t(Index)].Page : nullptr;
  }
  // Fn runs for every page in tab order.
  void ForEach(const std::function<void(TPage*)>& Fn) const;
  // Fn runs for the pages in tab order until it returns false; false when
  // it did.
  bool ForEachWhile(const std::function<bool(TPage*)>& Fn) const;

  // Brings a page to the front. Switching() is true meanwhile, so the
  // window can tell the program's tab changes from the user's.
  void Activate(int Index);
  void Activate(TPage* Page);
  bool Switching() const { return FSwitching; }

  // The folders' list models, one per folder, shared by the pages' lists.
  TDirListModels& ListModels() const { return *FListModels; }

 private:
  // Of() compares sheets, so it never reads a page that is being destroyed.
  struct TEntry {
    const QWidget* Sheet;
    TPage* Page;
  };
  void Forget(TPage* Page);

  QPointer<QTabWidget> FTabs;
  std::function<void()> FSavedChanged;
  std::function<void(TPage*)> FClosing;
  std::vector<TEntry> FPages;
  TDirListModels* FListModels;
  bool FSwitching = false;
};
