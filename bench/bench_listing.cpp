// psftp's answer to "ls" for a large directory: parsed into a TDir and sorted
// as the driver does when the listing's prompt arrives, and classified as the
// directory list does when it first draws the entries.
#include <QString>
#include <QStringList>
#include <benchmark/benchmark.h>
#include <memory>

#include "remote/listing/Dir.h"
#include "remote/listing/ListingParser.h"

namespace {

constexpr int kEntries = 50000;

// Lines as psftp prints the longnames of OpenSSH or asyncssh:
//   "-rw-r--r--    1 www-data www-data    18231 Dec 10 00:10 name"
// folders and files mixed, most names plain, some with blanks or non-ASCII
// letters, a few links; sizes from empty to gigabytes; recent times and years.
QStringList MakeListing(int Entries) {
  static const char* const kStems[] = {
      "img_",    "index-", "report ",      "Quarterly Report ", "caf\xc3\xa9-menu ",
      "backup_", "style",  "notes (copy) "};
  static const char* const kExtensions[] = {".html", ".css",  ".js",     ".txt", ".png", ".jpg",
                                            ".pl",   ".json", ".tar.gz", "",     ".php", ".PDF"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  QStringList lines{"Listing directory /var/www/html/assets"};
  lines << "drwxr-xr-x   14 www-data www-data     4096 Dec 10 00:10 ."
        << "drwxr-xr-x    9 www-data www-data     4096 Dec  9 17:42 ..";
  quint32 seed = 12345;
  auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 8; };
  for (int i = 0; i < Entries; ++i) {
    const quint32 kind = next() % 20;  // 2 in 20 folders, 1 in 20 links
    const bool folder = kind < 2;
    const bool link = kind == 2;
    QString name = QString::fromUtf8(kStems[next() % 8]) + QString::number(next() % 100000);
    if (!folder) name += kExtensions[next() % 12];
    if (link) name += " -> ../shared/" + name;
    const quint64 size = folder ? 4096 : quint64(next() % 1000) << (next() % 24);
    const QString date = next() % 4 ? QString("%1:%2")
                                          .arg(next() % 24, 2, 10, QChar('0'))
                                          .arg(next() % 60, 2, 10, QChar('0'))
                                    : QString(" %1").arg(2012 + next() % 12);
    lines << QString("%1 %2 %3 %4 %5 %6 %7 %8 %9")
                 .arg(folder ? "drwxr-xr-x"
                      : link ? "lrwxrwxrwx"
                             : "-rw-r--r--")
                 .arg(1 + next() % 5, 4)
                 .arg("www-data", -8)
                 .arg("www-data", -8)
                 .arg(size, 8)
                 .arg(kMonths[next() % 12])
                 .arg(1 + next() % 28, 2)
                 .arg(date, 5)
                 .arg(name);
  }
  return lines;
}

void ParseInto(TDir& Dir, const QStringList& Lines) {
  Dir.Clear();
  QString path;
  TListingParser::ParseHeader(Lines.first(), path);
  Dir.SetName(path);
  for (qsizetype i = 1; i < Lines.size(); ++i) {
    QString name;
    bool isDirectory = false;
    if (!TListingParser::ParseEntry(Lines[i], name, isDirectory)) continue;
    auto file = std::make_unique<TFile>(name);
    file->SetIsDirectory(isDirectory);
    Dir.AddFile(std::move(file));
  }
}

// The whole step: a relisted directory is cleared, refilled and sorted.
void BM_ParseAndSortListing(benchmark::State& State) {
  const QStringList lines = MakeListing(int(State.range(0)));
  TDir dir;
  for (auto _ : State) {
    ParseInto(dir, lines);
    dir.Sort();
    benchmark::DoNotOptimize(dir.Count());
  }
  State.counters["entries"] = dir.Count();  // every entry line but "."
  State.SetItemsProcessed(State.iterations() * State.range(0));
}
BENCHMARK(BM_ParseAndSortListing)->Arg(kEntries)->Unit(benchmark::kMillisecond);

// Its two halves.
void BM_ParseOnly(benchmark::State& State) {
  const QStringList lines = MakeListing(int(State.range(0)));
  TDir dir;
  for (auto _ : State) {
    ParseInto(dir, lines);
    benchmark::DoNotOptimize(dir.Count());
  }
}
BENCHMARK(BM_ParseOnly)->Arg(kEntries)->Unit(benchmark::kMillisecond);

void BM_SortOnly(benchmark::State& State) {
  const QStringList lines = MakeListing(int(State.range(0)));
  TDir dir;
  for (auto _ : State) {
    State.PauseTiming();
    ParseInto(dir, lines);
    State.ResumeTiming();
    dir.Sort();
  }
}
BENCHMARK(BM_SortOnly)->Arg(kEntries)->Unit(benchmark::kMillisecond);

// The first drawing of the list classifies every entry once; each TFile is new
// here, so every call computes rather than returning a stored answer.
void BM_ClassifyNames(benchmark::State& State) {
  const QStringList lines = MakeListing(int(State.range(0)));
  QStringList names;
  for (const QString& line : lines) {
    QString name;
    bool isDirectory = false;
    if (TListingParser::ParseEntry(line, name, isDirectory)) names << name;
  }
  for (auto _ : State) {
    int marked = 0;
    for (const QString& name : names) {
      const TFile file(name);
      marked += file.IsTextFile() + file.IsBinaryFile();
    }
    benchmark::DoNotOptimize(marked);
  }
  State.SetItemsProcessed(State.iterations() * names.size());
}
BENCHMARK(BM_ClassifyNames)->Arg(kEntries)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
