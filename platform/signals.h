// Being told to stop from outside, the same on every system: POSIX
// signals, or Windows' console events (Ctrl-C, Ctrl-Break, the console
// closed). signals_posix.cpp and signals_windows.cpp are the two halves.
#pragma once

#include <array>
#include <string>

namespace morvane::platform {

// The file to remove when the program is ended from outside (SIGINT,
// SIGTERM, SIGHUP and every other signal that would end it; Ctrl-C,
// Ctrl-Break or the console closed), before it ends as it would have
// without us. An empty path forgets it.
void RemoveOnInterrupt(const std::string& path);

// Holds those requests back while it lives, so that a temporary file made
// and named to RemoveOnInterrupt in its lifetime is never missed by one.
class SignalsHeld {
 public:
  SignalsHeld();
  ~SignalsHeld();
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;

 private:
  alignas(8) std::array<unsigned char, 128> old_;  // a sigset_t on POSIX
};

// A request to stop (Ctrl-C, kill, the terminal or console closed, SSH
// dropped, Ctrl-Backslash) calls onStop with its number, for StoppedStatus;
// one the shell told us to ignore stays ignored. Waits are cut short, not
// restarted. The handler may only set a flag.
void CatchStop(void (*onStop)(int));
// A request for a summary without stopping (SIGUSR1; Ctrl-Break).
void CatchSummary(void (*onSummary)(int));
// The status a program stopped this way ends with: 128 + the signal, or
// Windows' STATUS_CONTROL_C_EXIT.
int StoppedStatus(int request);
// Ends the program at once, as stopped by that request.
[[noreturn]] void EndStopped(int request);

// A reader that goes away, or a file size limit, fails the write instead
// of ending the program.
void IgnoreBrokenPipe();
void IgnoreFileSizeLimit();

}  // namespace morvane::platform
