// An interrupted morvane-cli (SIGINT, SIGTERM, SIGHUP, and every other
// signal that would end it) removes the temporary file it was writing, then
// ends as the signal would have ended it.
#pragma once

#include <csignal>
#include <string>

namespace morvane::cli {

// The file to remove on such a signal; an empty path forgets it.
void RemoveOnInterrupt(const std::string& path);

// Holds those signals back while it lives, so that a temporary file made
// and named to RemoveOnInterrupt in its lifetime is never missed by one.
class SignalsHeld {
 public:
  SignalsHeld();
  ~SignalsHeld();
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;

 private:
  sigset_t old_;
};

}  // namespace morvane::cli
