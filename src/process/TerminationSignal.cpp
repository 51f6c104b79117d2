#include "process/TerminationSignal.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace TerminationSignal {
#ifdef Q_OS_UNIX
namespace {
// The handler may only write to a descriptor; the event loop reads it.
int gWriteEnd = -1;

void Handler(int Signal) {
  const char byte = char(Signal);
  ssize_t ignored = write(gWriteEnd, &byte, 1);
  (void)ignored;
}
}  // namespace

void Install(std::function<void()> OnSignal) {
  int ends[2];
  if (gWriteEnd >= 0 || socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return;
  gWriteEnd = ends[1];
  auto* notifier =
      new QSocketNotifier(ends[0], QSocketNotifier::Read, QCoreApplication::instance());
  QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                   [readEnd = ends[0], OnSignal = std::move(OnSignal)] {
                     char byte;
                     if (read(readEnd, &byte, 1) == 1) OnSignal();
                   });
  struct sigaction action = {};
  action.sa_handler = Handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}
#else
void Install(std::function<void()>) {}
#endif
}  // namespace TerminationSignal
