// How listen tells the operator of a new square or a watched call without
// being watched: the terminal's bell, a desktop notification (when a
// session bus is there), or a program of the operator's, run with the
// decode's fields in its environment and never through a shell.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/process.h"

namespace morvane::cli {

class Alerts {
 public:
  // program: run for each alert, or empty.
  explicit Alerts(std::string program);
  ~Alerts();
  Alerts(const Alerts&) = delete;
  Alerts& operator=(const Alerts&) = delete;

  // title: one line ("New square FN43 on 20m"); fields: NAME=value pairs,
  // given to the program as MORVANE_NAME. Says on standard error what
  // could not be done.
  void Raise(const std::string& title, const std::vector<std::pair<std::string, std::string>>& fields);
  // Collects the programs that have ended.
  void Reap();

  // Programs still running at once: an alert past these is not run.
  static constexpr int kMaxRunning = 4;

 private:
  void Notify(const std::string& title);
  std::string program_;
  platform::Children children_;
  void* notification_ = nullptr;  // the desktop's, updated in place rather than stacked
  bool notifyTried_ = false;
};

}  // namespace morvane::cli
