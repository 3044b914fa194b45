#include "platform/signals.h"

#include <unistd.h>

#include <climits>
#include <csignal>
#include <cstring>

namespace morvane::platform {
namespace {

// Every signal whose default action ends the process. The program's own
// faults (SIGSEGV and its kind) are left to the default and to the tools
// that report them.
constexpr int kSignals[] = {SIGINT,  SIGTERM, SIGHUP,    SIGQUIT, SIGXCPU, SIGALRM, SIGUSR1, SIGUSR2,
                            SIGPIPE, SIGABRT, SIGVTALRM, SIGPROF, SIGPOLL, SIGPWR,  SIGSYS};
char pending[PATH_MAX];  // read by the handler, so no std::string

void ForEachSignal(void (*f)(int)) {
  for (int s : kSignals) f(s);
  for (int s = SIGRTMIN; s <= SIGRTMAX; ++s) f(s);
}

extern "C" void RemoveAndEnd(int signal) {
  if (pending[0] != '\0') unlink(pending);
  std::signal(signal, SIG_DFL);
  raise(signal);
}

sigset_t* OldSet(std::array<unsigned char, 128>& storage) {
  static_assert(sizeof(sigset_t) <= 128);
  return reinterpret_cast<sigset_t*>(storage.data());
}

// No restart of the call a signal interrupts, so that the loop sees it at once.
void Catch(int s, void (*handler)(int)) {
  struct sigaction act {};
  act.sa_handler = handler;
  sigemptyset(&act.sa_mask);
  struct sigaction old {};
  sigaction(s, nullptr, &old);
  if (old.sa_handler != SIG_IGN) sigaction(s, &act, nullptr);
}

}  // namespace

SignalsHeld::SignalsHeld() {
  static sigset_t block;
  sigemptyset(&block);
  ForEachSignal([](int s) { sigaddset(&block, s); });
  sigprocmask(SIG_BLOCK, &block, OldSet(old_));
}

SignalsHeld::~SignalsHeld() { sigprocmask(SIG_SETMASK, OldSet(old_), nullptr); }

void RemoveOnInterrupt(const std::string& path) {
  // The handler never sees a half-copied name.
  const SignalsHeld held;
  const std::size_t n = path.size() < sizeof pending ? path.size() : 0;
  std::memcpy(pending, path.data(), n);
  pending[n] = '\0';
  // A signal the shell told us to ignore stays ignored: asked without
  // changing it, so there is no moment at which it is not ignored.
  if (n > 0)
    ForEachSignal([](int s) {
      struct sigaction now {};
      if (sigaction(s, nullptr, &now) != 0 || now.sa_handler == SIG_IGN) return;
      struct sigaction act {};
      act.sa_handler = RemoveAndEnd;
      sigfillset(&act.sa_mask);
      sigaction(s, &act, nullptr);
    });
}

void CatchStop(void (*onStop)(int)) {
  for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) Catch(s, onStop);
}

void CatchSummary(void (*onSummary)(int)) {
  struct sigaction act {};
  act.sa_handler = onSummary;
  sigemptyset(&act.sa_mask);
  sigaction(SIGUSR1, &act, nullptr);
}

int StoppedStatus(int request) { return 128 + request; }
void EndStopped(int request) { _exit(StoppedStatus(request)); }

void IgnoreBrokenPipe() { std::signal(SIGPIPE, SIG_IGN); }
void IgnoreFileSizeLimit() { std::signal(SIGXFSZ, SIG_IGN); }

}  // namespace morvane::platform
