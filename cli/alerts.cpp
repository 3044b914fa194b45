#include "cli/alerts.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef MORVANE_HAVE_LIBNOTIFY
#include <libnotify/notify.h>
#endif

#include "cli/output.h"

extern char** environ;

namespace morvane::cli {

Alerts::Alerts(std::string program) : program_(std::move(program)) {}

Alerts::~Alerts() {
#ifdef MORVANE_HAVE_LIBNOTIFY
  if (notification_) g_object_unref(G_OBJECT(notification_));
  if (notifyTried_ && notify_is_initted()) notify_uninit();
#endif
}

void Alerts::Raise(const std::string& title, const std::vector<std::pair<std::string, std::string>>& fields) {
  // The bell goes to the terminal, whichever stream is one: standard output
  // may be a pipe to another program.
  const int terminal = isatty(STDERR_FILENO) ? STDERR_FILENO : isatty(STDOUT_FILENO) ? STDOUT_FILENO : -1;
  if (terminal >= 0 && write(terminal, "\a", 1) < 0) {
    // nothing to be done about a bell that cannot ring
  }
  Notify(title);
  if (program_.empty()) return;
  Reap();
  if (running_ >= kMaxRunning) {
    std::fprintf(stderr, "morvane-cli: --exec %s: %d still running, not run for %s\n", Printable(program_).c_str(),
                 running_, Printable(title).c_str());
    return;
  }
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, "MORVANE_", 8) != 0) env.emplace_back(*e);
  for (const auto& [name, value] : fields) env.push_back("MORVANE_" + name + "=" + value);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string program = program_;
  char* argv[] = {program.data(), nullptr};
  // Its output goes where ours is said, not among the decode lines.
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&files, STDERR_FILENO, STDOUT_FILENO);
  pid_t pid = 0;
  const int e = posix_spawnp(&pid, program.c_str(), &files, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&files);
  if (e != 0)
    std::fprintf(stderr, "morvane-cli: --exec %s: %s\n", Printable(program_).c_str(), std::strerror(e));
  else
    ++running_;
}

void Alerts::Reap() {
  int status = 0;
  while (running_ > 0) {
    const pid_t pid = waitpid(-1, &status, WNOHANG);
    if (pid <= 0) break;
    --running_;
    if (WIFEXITED(status) && WEXITSTATUS(status) != 0)
      std::fprintf(stderr, "morvane-cli: --exec %s ended with status %d\n", Printable(program_).c_str(),
                   WEXITSTATUS(status));
  }
}

void Alerts::Notify(const std::string& title) {
#ifdef MORVANE_HAVE_LIBNOTIFY
  // Without a session bus (a console, SSH) there is no desktop to tell.
  const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (!bus || !*bus) return;
  if (!notifyTried_) {
    notifyTried_ = true;
    if (!notify_init("morvane-cli")) return;
  }
  if (!notify_is_initted()) return;
  if (!notification_)
    notification_ = notify_notification_new(title.c_str(), nullptr, nullptr);
  else
    notify_notification_update(static_cast<NotifyNotification*>(notification_), title.c_str(), nullptr, nullptr);
  notify_notification_show(static_cast<NotifyNotification*>(notification_), nullptr);
#else
  (void)title;
#endif
}

}  // namespace morvane::cli
