// Parsing and sorting psftp's answer to "ls" for a large directory, as the
// driver does when the listing's prompt arrives.
#include <QStringList>
#include <benchmark/benchmark.h>
#include <memory>

#include "remote/Dir.h"
#include "remote/ListingParser.h"

namespace {

// Lines as psftp prints them: a header, then one long-listing line per entry,
// folders and files mixed, some names with blanks, sizes and dates varied.
QStringList MakeListing(int entries) {
  static const char* const kExtensions[] = {".html", ".css", ".js", ".txt", ".png", ".pl", "",
                                            ".json", ".tar.gz"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  QStringList lines{"Listing directory /var/www/html/assets"};
  lines << "drwxr-xr-x    2 www-data www-data     4096 Dec 10 00:10 ."
        << "drwxr-xr-x   14 www-data www-data     4096 Dec  9 17:42 ..";
  quint32 seed = 12345;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
  for (int i = 0; i < entries; ++i) {
    const bool folder = next() % 10 == 0;
    const QString name = QString("%1%2 %3%4")
                             .arg(next() % 3 ? "Report" : "photo")
                             .arg(next() % 100000)
                             .arg(next() % 2 ? "final" : "draft")
                             .arg(folder ? "" : kExtensions[next() % 9]);
    const QString date = next() % 4 ? QString("%1:%2").arg(next() % 24, 2, 10, QChar('0'))
                                          .arg(next() % 60, 2, 10, QChar('0'))
                                    : QString(" %1").arg(2015 + next() % 10);
    lines << QString("%1 %2 %3 %4 %5 %6 %7 %8 %9")
                 .arg(folder ? "drwxr-xr-x" : "-rw-r--r--")
                 .arg(1 + next() % 5, 4)
                 .arg("www-data", -8)
                 .arg("www-data", -8)
                 .arg(folder ? 4096 : next() % 50000000, 8)
                 .arg(kMonths[next() % 12])
                 .arg(1 + next() % 28, 2)
                 .arg(date, 5)
                 .arg(name);
  }
  return lines;
}

void BM_ParseAndSortListing(benchmark::State& state) {
  const QStringList lines = MakeListing(int(state.range(0)));
  TDir dir;
  for (auto _ : state) {
    dir.Clear();
    QString name;
    TListingParser::ParseHeader(lines.first(), name);
    dir.SetName(name);
    for (int i = 1; i < lines.size(); ++i) {
      QString entry;
      bool isDirectory = false;
      if (!TListingParser::ParseEntry(lines[i], entry, isDirectory)) continue;
      auto file = std::make_unique<TFile>(entry);
      file->SetIsDirectory(isDirectory);
      dir.AddFile(std::move(file));
    }
    dir.Sort();
    benchmark::DoNotOptimize(dir.Count());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ParseAndSortListing)->Arg(50000)->Unit(benchmark::kMillisecond);

// The sort alone, on a parsed directory (shuffled back before each round).
void BM_SortOnly(benchmark::State& state) {
  const QStringList lines = MakeListing(int(state.range(0)));
  TDir dir;
  for (auto _ : state) {
    state.PauseTiming();
    dir.Clear();
    for (int i = 1; i < lines.size(); ++i) {
      QString entry;
      bool isDirectory = false;
      if (!TListingParser::ParseEntry(lines[i], entry, isDirectory)) continue;
      auto file = std::make_unique<TFile>(entry);
      file->SetIsDirectory(isDirectory);
      dir.AddFile(std::move(file));
    }
    state.ResumeTiming();
    dir.Sort();
  }
}
BENCHMARK(BM_SortOnly)->Arg(50000)->Unit(benchmark::kMillisecond);

// The list drawing classifies every entry once (then the result is kept).
void BM_ClassifyNames(benchmark::State& state) {
  const QStringList lines = MakeListing(int(state.range(0)));
  QStringList names;
  for (const QString& line : lines) {
    QString name;
    bool isDirectory = false;
    if (TListingParser::ParseEntry(line, name, isDirectory)) names << name;
  }
  for (auto _ : state) {
    int text = 0;
    for (const QString& name : names) {
      TFile file(name);
      text += file.IsTextFile() + file.IsBinaryFile();
    }
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_ClassifyNames)->Arg(50000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
