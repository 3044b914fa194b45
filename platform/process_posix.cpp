#include "platform/process.h"

#include <fcntl.h>
#include <sched.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

extern char** environ;

namespace morvane::platform {

std::vector<std::string> EnvironmentWithout(const std::string& prefix) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, prefix.c_str(), prefix.size()) != 0) env.emplace_back(*e);
  return env;
}

std::vector<std::string> Arguments(int argc, char** argv) { return {argv + 1, argv + argc}; }

int ProcessorsAvailable() {
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) != 0) return 1;
  return CPU_COUNT(&set);
}

// Those still running when we end are left to run out: init collects them.
Children::~Children() = default;

std::string Children::Start(const std::string& program, const std::vector<std::string>& environment) {
  std::vector<std::string> env = environment;
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string name = program;
  char* argv[] = {name.data(), nullptr};
  // Its output goes where ours is said, not among the decode lines.
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&files, STDERR_FILENO, STDOUT_FILENO);
  pid_t pid = 0;
  const int e = posix_spawnp(&pid, name.c_str(), &files, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&files);
  if (e != 0) return std::strerror(e);
  running_.push_back(pid);
  return {};
}

void Children::Reap(const std::function<void(int)>& ended) {
  int status = 0;
  while (!running_.empty()) {
    const pid_t pid = waitpid(-1, &status, WNOHANG);
    if (pid <= 0) break;
    running_.erase(std::remove(running_.begin(), running_.end(), pid), running_.end());
    if (WIFEXITED(status)) ended(WEXITSTATUS(status));
  }
}

}  // namespace morvane::platform
