// Editing a large highlighted file in the window:
//  - BM_ReplaceAll: Replace All of 100,000 matches in a 20 MB page, as the
//    Find and Replace dialog runs it (one change, one step of undo).
//  - BM_QsciSearchLoop: QScintilla's own search loop (findFirst, then
//    findNext until it finds no more) over the same text, finding the same
//    100,000 matches without replacing them: the yardstick for the above.
//  - BM_TypeKey: one key press sent to the editor of a 20 MB page with the
//    HTML highlighter, until the window has handled it and the editor has
//    painted; the median is the figure that matters (median_ms).
//  - BM_TypeKeyBare: the same key presses sent to a bare QsciScintilla
//    holding the same text (with QScintilla's HTML lexer, or none): the
//    yardstick for the above.
// The goal, a key press under 16 ms (a frame at 60 Hz), is printed as a row of
// the common table (GoalRow.h) for each BM_TypeKey case. --quick runs the
// key presses in the middle of the HTML page in the window only.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <Qsci/qscilexerhtml.h>
#include <Qsci/qsciscintilla.h>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "GoalRow.h"

#include "ui/MainWindow.h"
#include "ui/TextSearch.h"

namespace {

constexpr qsizetype kFileSize = 20 * 1024 * 1024;
constexpr int kMatches = 100000;
constexpr int kKeyPresses = 200;
constexpr double kKeyGoalMs = 16;

// Each BM_TypeKey case's median key press, for the goal rows.
std::map<std::string, double> TypingMedians;

// Lines of markup; every line holding "needle" once, spread evenly so that
// 100,000 of them fill 20 MB.
QByteArray Sample() {
  QByteArray text = "<!DOCTYPE html>\n<html><body>\n";
  const qsizetype block = kFileSize / kMatches;
  QByteArray filler = "<p class=\"row\">the server &amp; the page</p>\n";
  for (int i = 0; i < kMatches; ++i) {
    QByteArray line = "<div id=\"r" + QByteArray::number(i) + "\">needle</div>\n";
    while (line.size() + filler.size() < block) line += filler;
    line.chop(1);
    text += line + QByteArray(block - line.size() - 1, ' ') + '\n';
  }
  return text;
}

QString WriteSample(const QTemporaryDir& Dir) {
  const QString path = Dir.filePath("big.html");
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
  file.write(Sample());
  return path;
}

struct TWindow {
  TWindow() {
    Form.show();
    QApplication::processEvents();
    Page = Form.ActivePage();
    Page->LoadFromFile(WriteSample(Dir));
    Page->SetLanguage(TLanguage::Html);
    QApplication::processEvents();
  }
  QTemporaryDir Dir;
  TMainWindow Form;
  TPage* Page = nullptr;
};

void BM_ReplaceAll(benchmark::State& State) {
  TWindow window;
  QsciScintilla* edit = window.Page->Editor();
  const TTextSearch search(TSearchOptions{"needle", true, true, false});
  int count = 0;
  for (auto _ : State) {
    count = search.ReplaceAll(*edit, "thread");
    QApplication::processEvents();
    State.PauseTiming();
    edit->undo();
    QApplication::processEvents();
    State.ResumeTiming();
  }
  if (count != kMatches) State.SkipWithError("not every match was replaced");
  State.counters["matches"] = count;
}
BENCHMARK(BM_ReplaceAll)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_QsciSearchLoop(benchmark::State& State) {
  TWindow window;
  QsciScintilla* edit = window.Page->Editor();
  int count = 0;
  for (auto _ : State) {
    count = 0;
    bool found = edit->findFirst("needle", false, true, true, false, true, 0, 0, false);
    while (found) {
      ++count;
      found = edit->findNext();
    }
  }
  if (count != kMatches) State.SkipWithError("QScintilla did not find every match");
  State.counters["matches"] = count;
}
BENCHMARK(BM_QsciSearchLoop)->Iterations(3)->Unit(benchmark::kMillisecond);

// One key press sent to Edit, until it is handled and painted; in ms.
double TypeKey(QsciScintilla* Edit) {
  QElapsedTimer clock;
  clock.start();
  QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, "a");
  QApplication::sendEvent(Edit, &press);
  QApplication::sendEvent(Edit, &release);
  QApplication::processEvents();
  Edit->viewport()->repaint();
  return clock.nsecsElapsed() / 1e6;
}

// Types into Edit once per iteration from a line Where of the way down.
void TypeKeys(benchmark::State& State, QsciScintilla* Edit, double Where) {
  Edit->setFocus();
  Edit->setCursorPosition(int(Edit->lines() * Where), 5);
  // The page is shown there before the first key: styling the text up to
  // it belongs to the move, not to typing.
  QApplication::processEvents();
  Edit->viewport()->repaint();
  std::vector<double> times;
  for (auto _ : State) {
    times.push_back(TypeKey(Edit));
    State.SetIterationTime(times.back() / 1000);
  }
  State.counters["first_ms"] = times.front();
  std::sort(times.begin(), times.end());
  State.counters["median_ms"] = times[times.size() / 2];
  State.counters["max_ms"] = times.back();
}

void PrintTypingGoals() {
  for (const auto& [name, median] : TypingMedians)
    GoalRow::Bound("typing in a 20 MB page (" + name + "), median key press", median, "ms",
                   kKeyGoalMs);
}

void BM_TypeKey(benchmark::State& State, TLanguage Language, double Where, const char* Label) {
  TWindow window;
  window.Page->SetLanguage(Language);
  TypeKeys(State, window.Page->Editor(), Where);
  TypingMedians[Label] = State.counters["median_ms"].value;
  if (window.Page->Saved()) State.SkipWithError("the key presses did not reach the text");
}
BENCHMARK_CAPTURE(BM_TypeKey, html_middle, TLanguage::Html, 0.5, "HTML, middle")
    ->Iterations(kKeyPresses)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TypeKey, html_start, TLanguage::Html, 0.0, "HTML, start")
    ->Iterations(kKeyPresses)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TypeKey, plain_middle, TLanguage::None, 0.5, "plain, middle")
    ->Iterations(kKeyPresses)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_TypeKeyBare(benchmark::State& State, bool Html, double Where) {
  QsciLexerHTML lexer;  // outlives the editor that uses it
  QsciScintilla edit;
  edit.resize(800, 600);
  edit.setUtf8(true);
  edit.show();
  const QByteArray text = Sample();
  edit.SendScintilla(QsciScintillaBase::SCI_APPENDTEXT, static_cast<unsigned long>(text.size()),
                     text.constData());
  if (Html) edit.setLexer(&lexer);
  QApplication::processEvents();
  TypeKeys(State, &edit, Where);
  if (!edit.isModified()) State.SkipWithError("the key presses did not reach the text");
}
BENCHMARK_CAPTURE(BM_TypeKeyBare, html_middle, true, 0.5)
    ->Iterations(kKeyPresses)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TypeKeyBare, plain_middle, false, 0.5)
    ->Iterations(kKeyPresses)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM",
          qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QTemporaryDir home;
  for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
    qputenv(name, (home.path() + "/" + QString(name).toLower()).toLocal8Bit());
  QApplication app(argc, argv);
  std::vector<char*> args;
  std::string quickFilter = "--benchmark_filter=BM_TypeKey/html_middle";
  for (int i = 0; i < argc; ++i)
    args.push_back(std::string(argv[i]) == "--quick" ? quickFilter.data() : argv[i]);
  int count = int(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  PrintTypingGoals();
  return 0;
}
