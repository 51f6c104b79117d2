#include "remote/local/TextFileWorker.h"

#include <QCoreApplication>
#include <QFile>
#include <QPointer>
#include <QThreadPool>
#include <memory>
#include <unistd.h>

#include "core/Exception.h"

namespace {

// Without an event loop nothing could hear of the end: the work is done
// here and then.
void Run(QObject* Context, std::function<void()> Work, std::function<void()> Done) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) {
    Work();
    Done();
    return;
  }
  QThreadPool::globalInstance()->start(
      [app, Guard = QPointer<QObject>(Context), Work = std::move(Work), Done = std::move(Done)] {
        Work();
        QMetaObject::invokeMethod(
            app,
            [Guard, Done] {
              if (Guard) Done();
            },
            Qt::QueuedConnection);
      });
}

QByteArray ReadAll(int Fd, const QString& Path) {
  QFile file;
  if (!file.open(Fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    close(Fd);
    throw Exception(QString("Unable to read %1: %2").arg(Path, file.errorString()));
  }
  QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError)
    throw Exception(QString("Unable to read %1: %2").arg(Path, file.errorString()));
  return bytes;
}

}  // namespace

void TTextFileWorker::Load(int Fd, const QString& Path, QObject* Context,
                           std::function<void(TLoaded& Loaded)> Done) {
  auto loaded = std::make_shared<TLoaded>();
  Run(
      Context,
      [loaded, Fd, Path] {
        try {
          loaded->Utf8 = TTextFile::DecodeToUtf8(ReadAll(Fd, Path), loaded->Format);
        } catch (const Exception& e) {
          loaded->Error = e.Message();
        } catch (const std::exception& e) {
          loaded->Error = QString("Unable to read %1: %2").arg(Path, e.what());
        }
      },
      [loaded, Done = std::move(Done)] { Done(*loaded); });
}

void TTextFileWorker::Save(const QString& Path, QByteArray Utf8, const TTextFormat& Format,
                           QObject* Context, std::function<void(const QString& Error)> Done) {
  auto error = std::make_shared<QString>();
  Run(
      Context,
      [error, Path, Utf8 = std::move(Utf8), Format] {
        try {
          TTextFile::SaveUtf8(Path, Utf8, Format);
        } catch (const Exception& e) {
          *error = e.Message();
        } catch (const std::exception& e) {
          *error = QString("Unable to write %1: %2").arg(Path, e.what());
        }
      },
      [error, Done = std::move(Done)] { Done(*error); });
}
