// Filling one page's directory list with a large listing, from the moment the
// page is handed its directory to the list being ready to paint: the pending
// events processed and the visible part rendered once.
#include <QApplication>
#include <QListView>
#include <QTabWidget>
#include <benchmark/benchmark.h>
#include <memory>

#include "remote/listing/Dir.h"
#include "ui/EditFrame.h"
#include "ui/Page.h"

namespace {

// Names as a web server's folder holds them: folders mixed with text and
// binary files, some names with blanks, a few without an extension.
void FillDir(TDir& Dir, int Entries) {
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
  Dir.Sort();
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

}  // namespace

int main(int argc, char** argv) {
  // No display needed; a platform named by the caller still wins.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
