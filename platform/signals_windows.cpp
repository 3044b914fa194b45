#include "platform/signals.h"

#include "platform/windows_api.h"

#include <csignal>
#include <mutex>

namespace morvane::platform {
namespace {

// Console events come on a thread of their own: the lock is what holds
// them back while a temporary file is being made and named.
std::recursive_mutex lock;
std::wstring pending;
void (*stopHandler)(int) = nullptr;
void (*summaryHandler)(int) = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (event == CTRL_BREAK_EVENT && summaryHandler) {
    summaryHandler(SIGBREAK);
    return TRUE;
  }
  if (stopHandler) {
    stopHandler(SIGINT);
    // After a close, logoff or shutdown Windows ends the program when this
    // returns: what the loop has still to do must be done by then.
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
    Sleep(2000);
    return TRUE;
  }
  const std::lock_guard hold(lock);
  if (!pending.empty()) DeleteFileW(pending.c_str());
  ExitProcess(STATUS_CONTROL_C_EXIT);
}

void Install() {
  static const bool installed = SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
  (void)installed;
}

}  // namespace

SignalsHeld::SignalsHeld() { lock.lock(); }
SignalsHeld::~SignalsHeld() { lock.unlock(); }

void RemoveOnInterrupt(const std::string& path) {
  const std::lock_guard hold(lock);
  pending = Wide(path);
  if (!path.empty()) Install();
}

void CatchStop(void (*onStop)(int)) {
  stopHandler = onStop;
  Install();
}

void CatchSummary(void (*onSummary)(int)) {
  summaryHandler = onSummary;
  Install();
}

int StoppedStatus(int) { return static_cast<int>(STATUS_CONTROL_C_EXIT); }
void EndStopped(int request) { ExitProcess(static_cast<UINT>(StoppedStatus(request))); }

// Windows has neither signal: a write to a closed pipe or past a limit fails.
void IgnoreBrokenPipe() {}
void IgnoreFileSizeLimit() {}

}  // namespace morvane::platform
