#include "cli/alerts.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef MORVANE_HAVE_LIBNOTIFY
#include <libnotify/notify.h>
#endif

#include "cli/output.h"
#include "platform/files.h"

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
  if (std::FILE* terminal = platform::IsTerminal(2) ? stderr : platform::IsTerminal(1) ? stdout : nullptr) {
    std::fputs("\a", terminal);
    std::fflush(terminal);
  }
  Notify(title);
  if (program_.empty()) return;
  Reap();
  if (children_.running() >= kMaxRunning) {
    std::fprintf(stderr, "morvane-cli: --exec %s: %d still running, not run for %s\n", Printable(program_).c_str(),
                 children_.running(), Printable(title).c_str());
    return;
  }
  std::vector<std::string> env = platform::EnvironmentWithout("MORVANE_");
  for (const auto& [name, value] : fields) env.push_back("MORVANE_" + name + "=" + value);
  if (const std::string e = children_.Start(program_, env); !e.empty())
    std::fprintf(stderr, "morvane-cli: --exec %s: %s\n", Printable(program_).c_str(), e.c_str());
}

void Alerts::Reap() {
  children_.Reap([&](int status) {
    if (status != 0)
      std::fprintf(stderr, "morvane-cli: --exec %s ended with status %d\n", Printable(program_).c_str(), status);
  });
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
