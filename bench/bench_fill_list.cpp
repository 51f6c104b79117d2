// Filling one page's directory list with a large listing, from the moment the
// page is handed its directory to the list being ready to paint: the pending
// events processed and the visible part rendered once.
//
// Before those, the goal rows: a new tab while a 500,000-entry folder is
// shown (the heap it adds and its time, to its list painted), and the stall
// of a refill of that folder while several tabs show it.
//
//     bench_fill_list [--quick] [google benchmark options]
//
// --quick measures fewer tabs and refills and skips the benchmarks.
#include <QApplication>
#include <QElapsedTimer>
#include <QListView>
#include <QTabWidget>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <malloc.h>
#include <memory>
#include <vector>

#include "GoalRow.h"
#include "remote/listing/Dir.h"
#include "ui/DirListModels.h"
#include "ui/EditFrame.h"
#include "ui/Page.h"
#include "ui/Pages.h"

namespace {

// Names as a web server's folder holds them: folders mixed with text and
// binary files, some names with blanks, a few without an extension.
void FillDir(TDir& Dir, int Entries, bool Sorted = true) {
  static const char* const kExtensions[] = {".html", ".css",  ".js",     ".txt", ".png", ".pl",
                                            "",      ".json", ".tar.gz", ".jpg", ".php", ".zip"};
  quint32 seed = 12345;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
  Dir.Clear();
  Dir.SetName("/var/www/html/assets");
  auto dotDot = std::make_unique<TFile>("..");
  dotDot->SetIsDirectory(true);
  Dir.AddFile(std::move(dotDot));
  for (int i = 0; i < Entries - 1; ++i) {
    const bool folder = next() % 10 == 0;
    const QString name = QString("%1%2%3%4")
                             .arg(next() % 3 ? "Report" : "photo")
                             .arg(next() % 100000)
                             .arg(next() % 4 ? "_final" : " draft copy")
                             .arg(folder ? "" : kExtensions[next() % 12]);
    auto file = std::make_unique<TFile>(name);
    file->SetIsDirectory(folder);
    Dir.AddFile(std::move(file));
  }
  if (Sorted) Dir.Sort();
}

// A tab control with one page on it, shown at the window's usual size.
struct TPageFixture {
  QTabWidget Tabs;
  TEditFrame* Frame;
  TPage* Page;

  TPageFixture() {
    auto* sheet = new QWidget;
    Frame = new TEditFrame(sheet);
    Tabs.addTab(sheet, "Untitled");
    Page = new TPage(&Tabs, sheet, Frame, nullptr);
    Frame->SetConnected(true);
    Tabs.resize(860, 560);
    Frame->resize(852, 520);
    Tabs.show();
    QApplication::processEvents();
  }
};

void RenderList(TPage* Page) {
  QApplication::processEvents();
  Page->DirListBox()->viewport()->repaint();
}

// The page is given a directory it did not show yet (as after a listing).
void BM_FillList(benchmark::State& state) {
  TPageFixture fixture;
  TDir dirs[2];
  FillDir(dirs[0], int(state.range(0)));
  FillDir(dirs[1], int(state.range(0)));
  int round = 0;
  for (auto _ : state) {
    fixture.Page->SetDir(&dirs[round++ % 2]);
    RenderList(fixture.Page);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FillList)->Arg(50000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The page's directory is listed again and the list refilled from it.
void BM_RepopulateList(benchmark::State& state) {
  TPageFixture fixture;
  TDir dir;
  FillDir(dir, int(state.range(0)));
  fixture.Page->SetDir(&dir);
  for (auto _ : state) {
    fixture.Page->PopulateDirListBox();
    RenderList(fixture.Page);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RepopulateList)->Arg(50000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// ------------------------------------------------------------- goal rows

constexpr int kLargeFolder = 500000;
constexpr int kSmallFolder = 20;
// Tabs showing the folder while it is refilled.
constexpr int kRefillTabs = 5;

// The heap in use, small blocks and mapped ones alike.
double HeapMb() {
  const struct mallinfo2 info = mallinfo2();
  return double(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

double Median(std::vector<double> Values) {
  std::sort(Values.begin(), Values.end());
  const size_t n = Values.size();
  return n == 0 ? 0 : n % 2 ? Values[n / 2] : (Values[n / 2 - 1] + Values[n / 2]) / 2;
}

double ElapsedMs(const QElapsedTimer& Timer) { return double(Timer.nsecsElapsed()) / 1e6; }

// This thread's processor time: on a machine shared with other work it
// tells the cost apart from the waits for a processor.
double ThreadCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// The window's tab control with its pages, the first showing Dir.
struct TTabsFixture {
  QTabWidget Tabs;
  TPages Pages{&Tabs, nullptr, nullptr};

  explicit TTabsFixture(TDir& Dir) {
    Tabs.resize(860, 560);
    Tabs.show();
    NewTab();
    Pages.Active()->SetFrameConnected(true);
    Pages.Active()->SetDir(&Dir);
    RenderList(Pages.Active());
  }
  // As File > New does: the new tab shows the front tab's folder.
  TPage* NewTab() {
    TPage* page = Pages.Create(nullptr);
    page->SetFrameConnected(true);
    RenderList(page);
    return page;
  }
};

struct TTabCost {
  double Ms;
  double CpuMs;
  double Mb;
};

// The median time and heap of a new tab beside Dir, after one tab made to
// warm Qt's caches (fonts, styles).
TTabCost NewTabCost(TDir& Dir, int Tabs) {
  TTabsFixture fixture(Dir);
  fixture.NewTab();
  std::vector<double> ms, cpu, mb;
  for (int i = 0; i < Tabs; ++i) {
    const double before = HeapMb();
    const double cpuBefore = ThreadCpuMs();
    QElapsedTimer timer;
    timer.start();
    fixture.NewTab();
    ms.push_back(ElapsedMs(timer));
    cpu.push_back(ThreadCpuMs() - cpuBefore);
    mb.push_back(HeapMb() - before);
  }
  return {Median(ms), Median(cpu), Median(mb)};
}

// The longest of Refills refills of Dir while kRefillTabs tabs show it, each
// scrolled elsewhere with an entry selected: the entries taken from a fresh
// listing (as the directory cache does), every list told through the shared
// model, and the front tab's list painted. Sorting the fresh listing, and
// freeing the old entries, are measured apart.
void RefillStall(TDir& Dir, int Refills, double& Longest, double& LongestCpu, double& Sort,
                 double& Free) {
  TTabsFixture fixture(Dir);
  for (int i = 1; i < kRefillTabs; ++i) fixture.NewTab();
  for (int i = 0; i < kRefillTabs; ++i) {
    TPage* page = fixture.Pages.At(i);
    page->SelectFile(Dir.Files(1000 + i * 50000)->RemoteName());
    page->DirListBox()->scrollTo(page->DirListBox()->currentIndex(),
                                 QAbstractItemView::PositionAtTop);
  }
  std::vector<double> sorts, frees;
  Longest = LongestCpu = 0;
  for (int i = 0; i < Refills; ++i) {
    auto listed = std::make_unique<TDir>();
    FillDir(*listed, kLargeFolder, false);
    QElapsedTimer timer;
    timer.start();
    listed->Sort();
    sorts.push_back(ElapsedMs(timer));
    const double cpuBefore = ThreadCpuMs();
    timer.start();
    Dir.SwapEntries(*listed);
    fixture.Pages.ListModels().Refill(&Dir);
    RenderList(fixture.Pages.Active());
    Longest = std::max(Longest, ElapsedMs(timer));
    LongestCpu = std::max(LongestCpu, ThreadCpuMs() - cpuBefore);
    timer.start();
    listed.reset();
    frees.push_back(ElapsedMs(timer));
  }
  Sort = Median(sorts);
  Free = Median(frees);
}

void PrintGoalRows(bool Quick) {
  TDir large, small;
  FillDir(large, kLargeFolder);
  FillDir(small, kSmallFolder);
  const int tabs = Quick ? 5 : 15;
  const TTabCost withSmall = NewTabCost(small, tabs);
  const TTabCost withLarge = NewTabCost(large, tabs);
  std::printf(
      "new tab, median of %d: beside %d entries %.2f ms (processor %.2f ms) %+.3f MB; "
      "beside %d entries %.2f ms (processor %.2f ms) %+.3f MB\n",
      tabs, kSmallFolder, withSmall.Ms, withSmall.CpuMs, withSmall.Mb, kLargeFolder, withLarge.Ms,
      withLarge.CpuMs, withLarge.Mb);
  GoalRow::Bound("new tab beside a 500k folder: heap", withLarge.Mb, "MB", 0.5);
  GoalRow::Bound("new tab beside a 500k folder: time", withLarge.Ms, "ms", 8);

  double longest = 0, longestCpu = 0, sort = 0, free = 0;
  RefillStall(large, Quick ? 2 : 5, longest, longestCpu, sort, free);
  std::printf(
      "refill of %d entries shown in %d tabs: longest %.1f ms (processor %.1f ms); "
      "apart: sorting the listing %.1f ms, freeing the old entries %.1f ms\n",
      kLargeFolder, kRefillTabs, longest, longestCpu, sort, free);
  GoalRow::Bound("refill of a 500k folder shown in 5 tabs: UI stall", longest, "ms", 50);
}

// Takes "--quick" out of the arguments; true when it was there.
bool TakeQuick(int& argc, char** argv) {
  bool quick = false;
  int kept = 0;
  for (int i = 0; i < argc; ++i) {
    if (i > 0 && std::strcmp(argv[i], "--quick") == 0)
      quick = true;
    else
      argv[kept++] = argv[i];
  }
  argc = kept;
  return quick;
}

}  // namespace

int main(int argc, char** argv) {
  // No display needed; a platform named by the caller still wins.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const bool quick = TakeQuick(argc, argv);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  PrintGoalRows(quick);
  if (!quick) benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
