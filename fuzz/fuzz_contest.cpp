// A contest of broken logs: the input cut into logs at NUL bytes, its first
// byte choosing the rules. Whatever they hold, every QSO line gets one
// verdict, pairs are mutual, and each log's counts and totals add up.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "contest/crosscheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace morvane::contest;
  if (size == 0) return 0;
  Rules rules;
  rules.toleranceMinutes = data[0] % 16;
  rules.bothLose = data[0] & 16;
  rules.ringScoring = data[0] & 32;
  rules.countUniques = !(data[0] & 64);
  if (data[0] & 128) rules.periods = {*ReadPeriod("14:00-02:00")};
  const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::vector<Log> logs;
  for (std::size_t from = 0; from <= input.size();) {
    const std::size_t end = std::min(input.find('\0', from), input.size());
    logs.push_back(ReadLog("log" + std::to_string(logs.size()), std::string(input.substr(from, end - from))));
    from = end + 1;
  }
  const Result r = Crosscheck(logs, rules);
  for (std::size_t i = 0; i < logs.size(); ++i) {
    if (r.judged[i].size() != logs[i].qsos.size()) std::abort();
    long counted = 0;
    for (std::size_t k = 0; k < logs[i].qsos.size(); ++k) {
      const Judged& j = r.judged[i][k];
      if (j.points < 0 || j.penalty < 0) std::abort();
      if (j.matchLog >= 0) {
        const Judged& other = r.judged[j.matchLog][j.matchQso];
        if (other.matchLog != int(i) || other.matchQso != long(k) || r.setOf[j.matchLog] != r.setOf[i]) std::abort();
      }
    }
    for (long n : r.scores[i].counts) counted += n;
    if (r.setOf[i] >= 0 && counted != long(logs[i].qsos.size())) std::abort();
    if (r.scores[i].total != r.scores[i].checked - r.scores[i].penalty) std::abort();
  }
  return 0;
}
