// The window's tab control seen as a list of editor pages.
#include "ui/Pages.h"

#include <QTabWidget>
#include <QVBoxLayout>
#include <Qsci/qsciscintilla.h>
#include <algorithm>

#include "ui/DirListModels.h"
#include "ui/EditFrame.h"
#include "ui/Page.h"

namespace {
// Scoped mark that the program, not the user, is switching tabs.
class TSwitchGuard {
 public:
  explicit TSwitchGuard(bool& Flag) : FFlag(Flag), FOld(Flag) { FFlag = true; }
  ~TSwitchGuard() { FFlag = FOld; }

 private:
  bool& FFlag;
  bool FOld;
};
}  // namespace

TPages::TPages(QTabWidget* Tabs, std::function<void()> SavedChanged,
               std::function<void(TPage*)> Closing)
    : FTabs(Tabs),
      FSavedChanged(std::move(SavedChanged)),
      FClosing(std::move(Closing)),
      FListModels(new TDirListModels(this)) {}

TPage* TPages::Create(const std::function<void(TPage*)>& Setup) {
  TPage* previous = Active();
  auto* sheet = new QWidget;
  auto* layout = new QVBoxLayout(sheet);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* frame = new TEditFrame(sheet);
  layout->addWidget(frame);
  {
    TSwitchGuard guard(FSwitching);
    FTabs->addTab(sheet, QString());
  }
  auto* page = new TPage(FTabs, sheet, frame, FSavedChanged, FListModels);
  FPages.push_back({sheet, page});
  connect(page, &QObject::destroyed, this, [this, page] { Forget(page); });
  if (Setup) Setup(page);
  page->DocumentChanged();
  if (previous) page->SetDir(previous->Dir());
  Activate(FTabs->count() - 1);
  frame->Editor()->setFocus();
  return page;
}

void TPages::CloseActive() {
  TPage* page = Active();
  if (!page) return;
  if (FClosing) FClosing(page);
  QWidget* sheet = page->TabSheet();
  {
    TSwitchGuard guard(FSwitching);
    FTabs->removeTab(FTabs->indexOf(sheet));
    delete sheet;
  }
  Activate(FTabs->count() - 1);
  if (TPage* front = Active()) front->Editor()->setFocus();
}

TPage* TPages::Of(const QWidget* TabSheet) const {
  if (!TabSheet) return nullptr;
  const auto found = std::find_if(FPages.begin(), FPages.end(), [TabSheet](const TEntry& Entry) {
    return Entry.Sheet == TabSheet;
  });
  return found == FPages.end() ? nullptr : found->Page;
}

// By address: the pages are the only IPage objects the window hands out.
TPage* TPages::Find(const IPage* Page) const {
  const auto found = std::find_if(FPages.begin(), FPages.end(), [Page](const TEntry& Entry) {
    return static_cast<const IPage*>(Entry.Page) == Page;
  });
  return found == FPages.end() ? nullptr : found->Page;
}

TPage* TPages::Active() const { return FTabs ? Of(FTabs->currentWidget()) : nullptr; }

// By index, so a page that goes meanwhile is not read after it went.
void TPages::ForEach(const std::function<void(TPage*)>& Fn) const {
  for (int i = 0; i < Count(); ++i) Fn(At(i));
}

bool TPages::ForEachWhile(const std::function<bool(TPage*)>& Fn) const {
  for (int i = 0; i < Count(); ++i)
    if (!Fn(At(i))) return false;
  return true;
}

void TPages::Activate(int Index) {
  TSwitchGuard guard(FSwitching);
  FTabs->setCurrentIndex(Index);
}

void TPages::Activate(TPage* Page) {
  TSwitchGuard guard(FSwitching);
  FTabs->setCurrentWidget(Page->TabSheet());
}

void TPages::Forget(TPage* Page) {
  FPages.erase(std::remove_if(FPages.begin(), FPages.end(),
                              [Page](const TEntry& Entry) { return Entry.Page == Page; }),
               FPages.end());
}
