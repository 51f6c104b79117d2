// SIGTERM (a desktop's logout) and SIGHUP (a closed terminal) reach the
// program as a call on its event loop, not as an end without a question.
#include <csignal>
#include <gtest/gtest.h>

#include "WaitFor.h"
#include "process/TerminationSignal.h"

namespace {

TEST(TerminationSignal, EachSignalBecomesOneCallOnTheEventLoop) {
  int calls = 0;
  TerminationSignal::Install([&calls] { ++calls; });
  for (const int signal : {SIGTERM, SIGHUP, SIGTERM}) {
    const int before = calls;
    ASSERT_EQ(raise(signal), 0);  // with the default action this test would end here
    EXPECT_TRUE(WaitFor([&] { return calls == before + 1; }, 5000)) << signal;
  }
}

}  // namespace
