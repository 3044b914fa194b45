// Starts a program, and measures the time from exec until its window with
// the given title is mapped on the X display, and its peak resident memory
// up to then. Programs are measured interleaved, round by round.
//   measure ROUNDS TITLE1 PROGRAM1 TITLE2 PROGRAM2 ...
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Sample {
  double ms;
  long peakKiB;
};

bool HasTitle(Display* d, Window w, const std::string& title) {
  char* name = nullptr;
  if (!XFetchName(d, w, &name) || !name) return false;
  const bool match = title == name;
  XFree(name);
  return match;
}

bool Measure(Display* d, const std::string& title, const std::string& program, Sample& out) {
  XSelectInput(d, DefaultRootWindow(d), SubstructureNotifyMask);
  XSync(d, True);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  const auto deadline = start + std::chrono::seconds(30);
  bool seen = false;
  while (!seen && std::chrono::steady_clock::now() < deadline) {
    while (XPending(d)) {
      XEvent e;
      XNextEvent(d, &e);
      if (e.type == MapNotify && HasTitle(d, e.xmap.window, title)) seen = true;
    }
    if (!seen) usleep(200);
  }
  const auto shown = std::chrono::steady_clock::now();
  kill(pid, SIGKILL);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  out = {std::chrono::duration<double, std::milli>(shown - start).count(), usage.ru_maxrss};
  return seen;
}

template <typename T>
T Median(std::vector<T> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 4 || (argc - 2) % 2 != 0) {
    std::fprintf(stderr, "usage: measure ROUNDS TITLE PROGRAM [TITLE PROGRAM...]\n");
    return 2;
  }
  Display* d = XOpenDisplay(nullptr);
  if (!d) {
    std::fprintf(stderr, "measure: no X display\n");
    return 2;
  }
  const int rounds = std::atoi(argv[1]);
  const int programs = (argc - 2) / 2;
  std::vector<std::vector<Sample>> samples(static_cast<std::size_t>(programs));
  for (int r = 0; r < rounds; ++r) {
    for (int p = 0; p < programs; ++p) {
      Sample s{};
      if (!Measure(d, argv[2 + 2 * p], argv[3 + 2 * p], s)) {
        std::fprintf(stderr, "measure: %s never showed \"%s\"\n", argv[3 + 2 * p], argv[2 + 2 * p]);
        return 1;
      }
      samples[static_cast<std::size_t>(p)].push_back(s);
    }
  }
  std::vector<double> ms(static_cast<std::size_t>(programs));
  std::vector<long> kib(static_cast<std::size_t>(programs));
  for (int p = 0; p < programs; ++p) {
    std::vector<double> t;
    std::vector<long> m;
    for (const Sample& s : samples[static_cast<std::size_t>(p)]) {
      t.push_back(s.ms);
      m.push_back(s.peakKiB);
    }
    ms[static_cast<std::size_t>(p)] = Median(t);
    kib[static_cast<std::size_t>(p)] = Median(m);
    std::printf("%-22s median %7.1f ms to window shown, peak RSS %7ld KiB (%d runs)\n",
                argv[2 + 2 * p], ms[static_cast<std::size_t>(p)], kib[static_cast<std::size_t>(p)], rounds);
  }
  for (int p = 1; p < programs; ++p)
    std::printf("ratio %s / %s: time %.2fx, memory %.2fx\n", argv[2], argv[2 + 2 * p],
                ms[0] / ms[static_cast<std::size_t>(p)],
                double(kib[0]) / double(kib[static_cast<std::size_t>(p)]));
  XCloseDisplay(d);
  return 0;
}
