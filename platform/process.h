// Programs started from here, the same on every system: the operator's
// own program, run for an alert without a shell, with an environment of
// our making. process_posix.cpp and process_windows.cpp are the two halves.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace morvane::platform {

// The environment as NAME=value entries, without those whose name starts
// with prefix.
std::vector<std::string> EnvironmentWithout(const std::string& prefix);

// The program's arguments after its name, as UTF-8 whatever the system's
// code page.
std::vector<std::string> Arguments(int argc, char** argv);

// The processors this program may run on (its affinity, not the machine's).
int ProcessorsAvailable();

class Children {
 public:
  Children() = default;
  ~Children();
  Children(const Children&) = delete;
  Children& operator=(const Children&) = delete;

  // Starts program (found on PATH) with that environment, standard input
  // empty and standard error where standard output goes. Empty, or why it
  // could not be started.
  std::string Start(const std::string& program, const std::vector<std::string>& environment);
  // Collects those that have ended, telling ended(status) each one's status.
  void Reap(const std::function<void(int)>& ended);
  int running() const { return static_cast<int>(running_.size()); }

 private:
  std::vector<long long> running_;  // process ids, or handles
};

}  // namespace morvane::platform
