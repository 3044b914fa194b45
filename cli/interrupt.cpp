#include "cli/interrupt.h"

#include <climits>
#include <csignal>
#include <cstring>

#include <unistd.h>

namespace morvane::cli {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
char pending[PATH_MAX];  // read by the handler, so no std::string

extern "C" void RemoveAndEnd(int signal) {
  if (pending[0] != '\0') unlink(pending);
  std::signal(signal, SIG_DFL);
  raise(signal);
}

}  // namespace

void RemoveOnInterrupt(const std::string& path) {
  // The handler never sees a half-copied name.
  sigset_t block, old;
  sigemptyset(&block);
  for (int s : kSignals) sigaddset(&block, s);
  sigprocmask(SIG_BLOCK, &block, &old);
  const std::size_t n = path.size() < sizeof pending ? path.size() : 0;
  std::memcpy(pending, path.data(), n);
  pending[n] = '\0';
  // A signal the shell told us to ignore stays ignored.
  if (n > 0)
    for (int s : kSignals)
      if (std::signal(s, RemoveAndEnd) == SIG_IGN) std::signal(s, SIG_IGN);
  sigprocmask(SIG_SETMASK, &old, nullptr);
}

}  // namespace morvane::cli
