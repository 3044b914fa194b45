// morvane-cli listen under load: 10,000 decode datagrams a second for five
// seconds to 127.0.0.1, each carrying a locator, and the time from each
// datagram sent to its line read from the program's output (median and 99th
// percentile), the lines lost, and the program's peak memory.
//   build/listen_bench build/morvane-cli [RATE [SECONDS]]
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

void Big(std::string& out, std::uint64_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>(v >> (8 * i) & 0xff);
}
void Text(std::string& out, const std::string& s) {
  Big(out, s.size(), 4);
  out += s;
}

// A Decode message, schema 3, as the programs encode it (QDataStream).
std::string Decode(long n) {
  std::string d;
  Big(d, 0xadbccbda, 4);
  Big(d, 3, 4);
  Big(d, 2, 4);
  Text(d, "WSJT-X");
  d += '\1';                               // new
  Big(d, (n % 86400) * 1000, 4);           // time
  Big(d, static_cast<std::uint32_t>(-12), 4);  // SNR
  Big(d, 0x3fc999999999999aULL, 8);        // delta time, 0.2 as a double
  Big(d, 1234, 4);                         // delta frequency
  Text(d, "~");
  const char grids[][5] = {"FN42", "IO91", "QF56", "KP20", "PM95"};
  Text(d, "CQ K" + std::to_string(n) + "X " + grids[n % 5]);  // "K0X": a call of three characters at least
  d += '\0';
  d += '\0';
  return d;
}

}  // namespace

// Datagrams sent back to back (the end of a busy period, or a replay) and
// the lines that came out: the largest burst with none lost.
void BurstKnee(const char* cli, int port) {
  long knee = 0, firstLoss = 0;
  for (long burst = 500; burst <= 64000 && !firstLoss; burst *= 2) {
    int out[2];
    if (pipe(out) != 0) return;
    const pid_t child = fork();
    if (child == 0) {
      dup2(out[1], STDOUT_FILENO);
      close(out[0]);
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, STDERR_FILENO);
      const std::string p = std::to_string(port);
      execl(cli, cli, "listen", "--port", p.c_str(), "--my", "JN18EU", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(out[1]);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    long lines = 0;
    std::thread reader([&] {
      char buffer[65536];
      for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) lines += std::count(buffer, buffer + n, '\n');
    });
    const int udp = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    for (long i = 0; i < burst; ++i) {
      const std::string d = Decode(i);
      sendto(udp, d.data(), d.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    }
    close(udp);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    reader.join();
    close(out[0]);
    if (lines == burst) knee = burst;
    else firstLoss = burst;
  }
  std::printf("listen, bursts sent back to back: none lost up to %ld datagrams%s\n", knee,
              firstLoss ? (", some lost at " + std::to_string(firstLoss)).c_str() : " (the largest tried)");
}

int main(int argc, char* argv[]) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: listen_bench MORVANE_CLI [RATE [SECONDS]]\n");
    return 2;
  }
  const long rate = argc > 2 ? std::atol(argv[2]) : 10000, seconds = argc > 3 ? std::atol(argv[3]) : 5;
  const long total = rate * seconds;
  const int port = 20000 + getpid() % 20000;
  int out[2];
  if (pipe(out) != 0) return 1;
  const pid_t child = fork();
  if (child == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    const std::string p = std::to_string(port);
    execl(argv[1], argv[1], "listen", "--port", p.c_str(), "--my", "JN18EU", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));

  std::vector<Clock::time_point> sent(static_cast<std::size_t>(total)), read(static_cast<std::size_t>(total));
  std::vector<bool> seen(static_cast<std::size_t>(total));
  long lines = 0;
  std::thread reader([&] {
    std::string pending;
    char buffer[65536];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) {
      const auto now = Clock::now();
      pending.append(buffer, static_cast<std::size_t>(n));
      for (std::size_t nl; (nl = pending.find('\n')) != std::string::npos; pending.erase(0, nl + 1)) {
        // "HH:MM:SS\tK<n>\t...": the call says which datagram it answers.
        const std::size_t k = pending.find("\tK");
        const long i = k < nl ? std::atol(pending.c_str() + k + 2) : -1;
        if (i >= 0 && i < total && !seen[static_cast<std::size_t>(i)]) {
          seen[static_cast<std::size_t>(i)] = true;
          read[static_cast<std::size_t>(i)] = now;
          ++lines;
        }
      }
    }
  });

  const int udp = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<std::uint16_t>(port));
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const auto start = Clock::now();
  for (long i = 0; i < total; ++i) {
    std::this_thread::sleep_until(start + std::chrono::nanoseconds(i * 1000000000L / rate));
    const std::string d = Decode(i);
    sent[static_cast<std::size_t>(i)] = Clock::now();
    sendto(udp, d.data(), d.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  kill(child, SIGTERM);
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  reader.join();

  std::vector<double> latency;
  for (long i = 0; i < total; ++i)
    if (seen[static_cast<std::size_t>(i)])
      latency.push_back(std::chrono::duration<double, std::milli>(read[static_cast<std::size_t>(i)] - sent[static_cast<std::size_t>(i)]).count());
  std::sort(latency.begin(), latency.end());
  const auto at = [&](double q) { return latency.empty() ? 0.0 : latency[static_cast<std::size_t>(q * (latency.size() - 1))]; };
  std::printf("listen, %ld datagrams at %ld a second: %ld lines (%ld lost), latency median %.3f ms, 99th percentile "
              "%.3f ms (goal 1 ms); peak RSS %ld KiB\n",
              total, rate, lines, total - lines, at(0.5), at(0.99), usage.ru_maxrss);
  BurstKnee(argv[1], port + 1);
  return 0;
}
