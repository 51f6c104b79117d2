// The yardstick for Quillery's start-up: the least a Qt Widgets program with
// one QScintilla editor does before its window is on screen. It quits the same
// way Quillery does with QUILLERY_QUIT_WHEN_IDLE set (see bench/startup.py).
#include <QApplication>
#include <QTimer>
#include <QWindow>
#include <Qsci/qsciscintilla.h>
#include <cstdio>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QsciScintilla editor;
  editor.setWindowTitle("Reference");
  editor.resize(850, 636);
  editor.show();

  QTimer idle;
  QObject::connect(&idle, &QTimer::timeout, &editor, [&editor] {
    const QWindow* handle = editor.windowHandle();
    if (!handle || !handle->isExposed()) return;
    std::fputs("idle\n", stdout);
    std::fflush(stdout);
    QApplication::quit();
  });
  idle.start(0);
  return app.exec();
}
