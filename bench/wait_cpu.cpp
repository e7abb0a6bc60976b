// Usage: qx_wait_cpu [MS]   (default 10000)
// Runs one WaitMs of the real clock, as a 4 s serial retry or a chamber hold does.
#include <cstdio>
#include <cstdlib>

#include "core/base/SteadyClock.h"

int main(int argc, char** argv) {
  const double ms = argc > 1 ? std::atof(argv[1]) : 10'000;
  qx::base::SteadyClock clock;
  const double start = clock.NowMs();
  clock.WaitMs(ms);
  std::printf("waited %.1f ms\n", clock.NowMs() - start);
  return 0;
}
