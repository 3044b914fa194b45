#include "cli/crosscheck_command.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <unordered_map>

#include "cli/log_output.h"
#include "cli/output.h"
#include "cli/rules_file.h"
#include "contest/band.h"
#include "contest/crosscheck.h"
#include "contest/intake.h"
#include "contest/section.h"
#include "locator/ascii.h"
#include "logs/edi.h"
#include "platform/files.h"

namespace morvane::cli {
namespace {

namespace fs = std::filesystem;
using contest::Judged;
using contest::Log;
using contest::Result;
using contest::Verdict;

int Usage(const std::string& message) {
  std::fprintf(stderr, "morvane-cli: %s\nTry 'morvane-cli --help'.\n", message.c_str());
  return 2;
}

// The rules the options give, or a usage message.
std::optional<std::string> ReadRules(const Options& o, contest::Rules& rules) {
  const Options::Crosscheck& c = o.crosscheck;
  const auto whole = [](const std::string& s, long max) -> std::optional<long> {
    if (s.empty() || s.size() > 6 || s.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    const long n = std::stol(s);
    return n <= max ? std::optional(n) : std::nullopt;
  };
  if (!o.tolerance.empty()) {
    const auto minutes = whole(o.tolerance, 1440);
    if (!minutes) return "--tolerance takes whole minutes (0 to 1440)";
    rules.toleranceMinutes = int(*minutes);
  }
  if (!c.loser.empty() && c.loser != "receiver" && c.loser != "both") return "--loser takes receiver or both";
  rules.bothLose = c.loser == "both";
  for (const auto& [value, flag, name] : {std::tuple{&c.uniques, &rules.countUniques, "--uniques"},
                                          std::tuple{&c.noLog, &rules.countNoLog, "--no-log"}}) {
    if (!value->empty() && *value != "count" && *value != "drop") return std::string(name) + " takes count or drop";
    *flag = *value != "drop";
  }
  if (c.reportCheck >= 0) rules.reportCheck = c.reportCheck == 1;
  for (const std::string& p : c.penalties) {
    const std::size_t equals = p.find('=');
    const auto verdict = contest::VerdictNamed(p.substr(0, std::min(equals, p.size())));
    const auto k = equals == std::string::npos ? std::nullopt : whole(p.substr(equals + 1), 1000);
    if (!verdict || !k) return "--penalty takes VERDICT=K (duplicate=10, nil=2, ...; K from 0 to 1000)";
    rules.penalty[static_cast<int>(*verdict)] = *k;
  }
  if (!o.scoring.empty() && o.scoring != "km" && o.scoring != "ring") return "--scoring takes km or ring";
  rules.ringScoring = o.scoring == "ring";
  if (!c.resubmission.empty() && c.resubmission != "newest" && c.resubmission != "most-lines")
    return "--resubmission takes newest or most-lines";
  if (c.resubmission == "most-lines") rules.resubmission = contest::Rules::Resubmission::MostLines;
  if (!c.endMinute.empty() && c.endMinute != "excluded" && c.endMinute != "counts")
    return "--end-minute takes excluded or counts";
  if (!c.endMinute.empty() && c.period.empty()) return "--end-minute needs --period";
  // Several periods are written one after another with commas.
  for (std::size_t at = 0; !c.period.empty() && at <= c.period.size();) {
    const std::size_t comma = std::min(c.period.find(',', at), c.period.size());
    const auto period = contest::ReadPeriod(c.period.substr(at, comma - at));
    if (!period)
      return "--period takes START-END, the end after the start: 08:00-11:00, or 202609051400-202609061400 "
             "(a contest of a whole day gives its dates); several with commas";
    rules.periods.push_back(*period);
    rules.periods.back().endCounts = c.endMinute == "counts";
    at = comma + 1;
  }
  if (!c.duplicates.empty() && c.duplicates != "per-contest" && c.duplicates != "per-period")
    return "--duplicates takes per-contest or per-period";
  if (c.duplicates == "per-period" && rules.periods.size() < 2) return "--duplicates per-period needs two periods or more";
  rules.duplicatesPerPeriod = c.duplicates == "per-period";
  if (o.bandMultiplier > 0) rules.bandMultiplier = o.bandMultiplier;
  for (std::size_t at = 0; !c.bandMultipliers.empty() && at <= c.bandMultipliers.size();) {
    const std::size_t comma = std::min(c.bandMultipliers.find(',', at), c.bandMultipliers.size());
    const std::string item = c.bandMultipliers.substr(at, comma - at);
    at = comma + 1;
    const std::size_t equals = item.find('=');
    const contest::Band band = contest::NormaliseBand(item.substr(0, std::min(equals, item.size())));
    const auto k = equals == std::string::npos ? std::nullopt : whole(item.substr(equals + 1), 1000000);
    if (!band.known || !k || *k < 1)
      return "--band-multiplier takes N, or BAND=N,BAND=N (432=5,1.3GHz=10; N from 1): " + item + " is neither";
    rules.bandMultipliers[band.name] = *k;
  }
  for (const std::string& item : c.bands) {
    const std::size_t equals = item.rfind('=');
    const contest::Band band = contest::NormaliseBand(item.substr(equals + 1));
    if (equals == 0 || !band.known) return "--band takes FILE=BAND, a VHF or higher band (ok1abc.edi=144): " + item;
    rules.bands[item.substr(0, equals)] = band.name;
  }
  return std::nullopt;
}

// Text for an HTML page: its markup characters as entities.
std::string HtmlText(std::string_view s) {
  std::string e;
  for (char c : s) {
    if (c == '&') e += "&amp;";
    else if (c == '<') e += "&lt;";
    else if (c == '>') e += "&gt;";
    else if (c == '"') e += "&quot;";
    else e += c;
  }
  return e;
}

// Each column head of the results page a button that sorts its table by
// that column (numbers as numbers, a second press the other way round),
// with aria-sort saying which way for screen readers.
constexpr const char* kSortScript =
    "for(const th of document.querySelectorAll('th')){"
    "const b=document.createElement('button');b.textContent=th.textContent;th.textContent='';th.append(b);"
    "b.onclick=()=>{const t=th.closest('table'),k=th.cellIndex,up=th.getAttribute('aria-sort')!=='ascending';"
    "for(const o of t.querySelectorAll('th'))o.removeAttribute('aria-sort');"
    "th.setAttribute('aria-sort',up?'ascending':'descending');"
    "const v=r=>r.cells[k].textContent,n=x=>x===''?NaN:Number(x);"
    "const rows=[...t.tBodies[0].rows].sort((p,q)=>{const x=v(p),y=v(q);"
    "const d=isNaN(n(x))||isNaN(n(y))?x.localeCompare(y):n(x)-n(y);return up?d:-d});"
    "t.tBodies[0].append(...rows)}}";

std::string SetTitle(const contest::Set& set) { return set.band + ", " + contest::DateText(set.firstDay); }


class Reports {
 public:
  Reports(const std::vector<Log>& logs, const Result& result, const contest::Rules& rules,
          const Options::Crosscheck& given)
      : logs_(logs), r_(result), rules_(rules), name_(given.contestName), source_(given.rulesSource),
        rulesFile_(given.rulesFile), sections_(given.sections.empty() ? contest::DefaultSections() : given.sections),
        allBands_(contest::SumBands(logs, result, sections_)), nilsCaused_(NilsCaused()), allBandsTables_(AllBands()) {}

  std::string Line(int log, long qso) const {
    const Judged& j = r_.judged[log][qso];
    const contest::QsoLine& q = logs_[log].qsos[qso];
    return "line " + std::to_string(q.line) + " " + Printable(q.call.empty() ? "-" : q.call) + " " +
           std::string(contest::Name(j.verdict)) + ": " + Printable(j.reason);
  }

  void Text(Output& out) const {
    for (std::size_t s = 0; s < r_.sets.size(); ++s) {
      const contest::Set& set = r_.sets[s];
      out << "== " << Printable(SetTitle(set)) << ": " << std::to_string(set.logs.size())
          << (set.logs.size() == 1 ? " log" : " logs");
      out.EndLine();
      std::vector<int> inFileOrder = set.logs;
      std::sort(inFileOrder.begin(), inFileOrder.end());
      for (int i : inFileOrder) {
        const contest::Score& score = r_.scores[i];
        const long lines = long(logs_[i].qsos.size());
        out << Printable(logs_[i].file) << " " << Printable(logs_[i].call) << ": " << std::to_string(lines)
            << (lines == 1 ? " QSO line, " : " QSO lines, ") << std::to_string(score.counts[0]) << " ok";
        out.EndLine();
        for (std::size_t k = 0; k < logs_[i].qsos.size(); ++k) {
          if (r_.judged[i][k].verdict == Verdict::Ok) continue;
          out << "  " << Line(i, long(k));
          out.EndLine();
        }
      }
      out << "results, " << Printable(SetTitle(set)) << ":";
      out.EndLine();
      const std::vector<std::string> columns = Columns();
      for (std::size_t k = 0; k < columns.size(); ++k) out << (k ? "\t" : "") << columns[k];
      out.EndLine();
      const std::vector<std::string> ranks = Ranks(set);
      for (std::size_t rank = 0; rank < set.logs.size(); ++rank) {
        const std::vector<std::string> row = Row(set.logs[rank], ranks[rank]);
        for (std::size_t k = 0; k < row.size(); ++k) out << (k ? "\t" : "") << Printable(row[k]);
        out.EndLine();
      }
    }
    for (const AllBandsTable& table : allBandsTables_) {
      out << "results, " << Printable(table.title) << ":";
      out.EndLine();
      std::vector<std::vector<std::string>> lines = {AllBandsColumns()};
      lines.insert(lines.end(), table.rows.begin(), table.rows.end());
      for (const std::vector<std::string>& row : lines) {
        for (std::size_t k = 0; k < row.size(); ++k) out << (k ? "\t" : "") << Printable(row[k]);
        out.EndLine();
      }
    }
  }

  void Json(Output& out) const {
    for (std::size_t i = 0; i < logs_.size(); ++i) {
      const Log& log = logs_[i];
      const std::string file = JsonFileName(log.file);
      for (std::size_t k = 0; k < log.qsos.size(); ++k) {
        const Judged& j = r_.judged[i][k];
        out << "{\"file\": " << file << ", \"line\": " << std::to_string(log.qsos[k].line)
            << ", \"call\": " << JsonString(log.qsos[k].call) << ", \"verdict\": \"" << contest::Name(j.verdict)
            << "\", \"match_file\": " << (j.matchLog >= 0 ? JsonFileName(logs_[j.matchLog].file) : "null")
            << ", \"match_line\": "
            << (j.matchLog >= 0 ? std::to_string(logs_[j.matchLog].qsos[j.matchQso].line) : "null")
            << ", \"points\": " << std::to_string(j.points) << ", \"penalty\": " << std::to_string(j.penalty)
            << ", \"reason\": " << JsonString(j.reason) << '}';
        out.EndLine();
      }
    }
    for (std::size_t i = 0; i < logs_.size(); ++i) {
      if (r_.setOf[i] >= 0) continue;
      out << "{\"log\": " << JsonFileName(logs_[i].file) << ", \"error\": " << JsonString(r_.unusable[i]) << '}';
      out.EndLine();
    }
    for (const contest::Set& set : r_.sets) {
      const std::vector<std::string> ranks = Ranks(set);
      for (std::size_t rank = 0; rank < set.logs.size(); ++rank) {
        const int i = set.logs[rank];
        const contest::Score& s = r_.scores[i];
        out << "{\"log\": " << JsonFileName(logs_[i].file) << ", \"call\": " << JsonString(logs_[i].call)
            << ", \"band\": " << JsonString(set.band) << ", \"date\": \"" << contest::DateText(set.firstDay)
            << "\", \"section\": " << JsonString(Section(i)) << ", \"psect\": " << JsonString(logs_[i].section)
            << ", \"rank\": " << (ranks[rank].empty() ? "null" : ranks[rank])
            << ", \"qsos\": " << std::to_string(s.lines) << ", \"claimed\": " << std::to_string(s.claimed)
            << ", \"cqsop\": " << (logs_[i].cqsop ? std::to_string(*logs_[i].cqsop) : "null")
            << ", \"checked\": " << std::to_string(s.checked) << ", \"penalty\": " << std::to_string(s.penalty)
            << ", \"total\": " << std::to_string(s.total);
        const Published p = Publish(i);
        out << ", \"locator\": " << JsonString(logs_[i].locator) << ", \"valid\": " << std::to_string(p.valid)
            << ", \"claimed_score\": " << std::to_string(p.claimedScore) << ", \"reduction\": " << p.reduction
            << ", \"error_rate\": " << p.errorRate << ", \"odx\": "
            << (p.odxCall.empty() ? "null"
                                  : "{\"call\": " + JsonString(p.odxCall) + ", \"locator\": " +
                                        JsonString(p.odxLocator) + ", \"km\": " + p.odxKm + "}")
            << ", \"nils_caused\": " << std::to_string(p.nilsCaused);
        if (rules_.ringScoring) out << ", \"squares\": " << std::to_string(s.squares);
        out << ", \"verdicts\": {";
        for (int v = 0; v < contest::kVerdicts; ++v)
          out << (v ? ", \"" : "\"") << contest::Name(Verdict(v)) << "\": " << std::to_string(s.counts[v]);
        out << "}}";
        out.EndLine();
      }
    }
    for (const AllBandsTable& table : allBandsTables_)
      for (const std::vector<std::string>& row : table.rows) {
        const std::vector<std::string> columns = AllBandsColumns();
        out << "{\"all_bands\": " << JsonString(table.title);
        for (std::size_t k = 0; k < row.size(); ++k) {
          const bool text = columns[k] == "call" || columns[k] == "locator" || columns[k] == "section" ||
                            columns[k] == "bands";
          out << ", \"" << columns[k] << "\": " << (text ? JsonString(row[k]) : row[k]);
        }
        out << "}";
        out.EndLine();
      }
    // Last, the contest: its name, the rules used, and its sets.
    out << "{\"contest\": " << JsonString(ContestName()) << ", \"rules\": "
        << (source_.empty() ? "null" : JsonString(source_)) << ", \"rules_file\": "
        << (rulesFile_.empty() ? "null" : JsonFileName(rulesFile_)) << ", \"sets\": [";
    for (std::size_t n = 0; n < r_.sets.size(); ++n)
      out << (n ? ", " : "") << "{\"band\": " << JsonString(r_.sets[n].band) << ", \"date\": \""
          << contest::DateText(r_.sets[n].firstDay) << "\", \"logs\": " << std::to_string(r_.sets[n].logs.size()) << "}";
    out << "]}";
    out.EndLine();
  }

  // Each log's rank in its set's order: superseded logs have none.
  // Ranks within each section (in total order); check logs and superseded
  // logs are listed, never ranked.
  std::vector<std::string> Ranks(const contest::Set& set) const {
    std::vector<std::string> ranks;
    std::map<std::string, std::size_t> next;
    for (int i : set.logs) {
      const contest::SectionRule* rule = contest::SectionOf(logs_[i].section, sections_);
      const bool ranked = r_.supersededBy[i] < 0 && (!rule || rule->ranked);
      ranks.push_back(ranked ? std::to_string(++next[Section(i)]) : "");
    }
    return ranks;
  }

  // The section a log is ranked in: its PSect's, or PSect as written when it matches none.
  std::string Section(int i) const {
    const contest::SectionRule* rule = contest::SectionOf(logs_[i].section, sections_);
    return rule ? rule->name : logs_[i].section;
  }

  // The all-bands results of one contest date and section, ranked.
  struct AllBandsTable {
    std::string title;  // "All bands, 2026-09-05, SO"
    long day = 0;
    std::vector<std::vector<std::string>> rows;
    std::vector<int> logs;  // per row: the station's first band's log, whose report its call links to
  };
  static std::vector<std::string> AllBandsColumns() {
    return {"rank", "call", "locator", "section", "bands", "qsos", "claimed", "checked", "penalty", "total"};
  }
  std::vector<AllBandsTable> AllBands() const {
    std::vector<AllBandsTable> tables;
    for (const contest::BandsTotal& t : allBands_) {
      const std::string title = "All bands, " + contest::DateText(t.day) + ", " + t.section;
      if (tables.empty() || tables.back().title != title) tables.push_back({title, t.day, {}, {}});
      tables.back().logs.push_back(t.logs.front());
      std::string bands;
      for (int i : t.logs) bands += (bands.empty() ? "" : " + ") + r_.sets[r_.setOf[i]].band;
      tables.back().rows.push_back({std::to_string(tables.back().rows.size() + 1), t.call, t.locator, t.section,
                                    bands, std::to_string(t.qsos), std::to_string(t.claimed), std::to_string(t.checked),
                                    std::to_string(t.penalty), std::to_string(t.total)});
    }
    return tables;
  }

  // Per log: its partners' QSOs that are not in it, the NILs it caused;
  // counted once per set by station, since a count per log would be
  // quadratic in a contest of thousands of logs.
  std::vector<long> NilsCaused() const {
    std::vector<long> caused(logs_.size());
    std::unordered_map<std::string_view, long> nils;
    for (const contest::Set& set : r_.sets) {
      nils.clear();
      for (int b : set.logs)
        for (std::size_t k = 0; k < logs_[b].qsos.size(); ++k)
          if (r_.judged[b][k].verdict == Verdict::Nil && logs_[b].qsos[k].station != logs_[b].station)
            ++nils[logs_[b].qsos[k].station];
      for (int i : set.logs)
        if (const auto it = nils.find(logs_[i].station); it != nils.end()) caused[i] = it->second;
    }
    return caused;
  }

  // What a published result gives of a log beyond its score.
  struct Published {
    long valid = 0;             // QSO lines that scored
    long claimedScore = 0;      // CToSc, or the score its claimed points make when the log gives none
    std::string reduction, errorRate;  // "12.5"
    std::string odxCall, odxLocator, odxKm;  // the longest QSO that scored
    long nilsCaused = 0;        // partners' QSOs not in this log: NILs it caused
  };
  Published Publish(int i) const {
    const Log& log = logs_[i];
    const contest::Score& s = r_.scores[i];
    Published p;
    double odx = -1;
    for (std::size_t k = 0; k < log.qsos.size(); ++k) {
      const Judged& j = r_.judged[i][k];
      if (j.points <= 0) continue;
      ++p.valid;
      const std::string& other = j.verdict == Verdict::Ok ? logs_[j.matchLog].locator : log.qsos[k].locator;
      if (const auto d = edi::ContestDistance(log.locator, other); d && d->km > odx) {
        odx = d->km;
        p.odxCall = std::string(log.qsos[k].call);
        p.odxLocator = other;
        p.odxKm = std::to_string(static_cast<long>(d->km));
      }
    }
    p.claimedScore = log.claimedScore.value_or(s.claimedScore);
    const auto percent = [](long part, long whole) {
      char text[32];
      std::snprintf(text, sizeof text, "%.1f", whole ? 100.0 * double(part) / double(whole) : 0.0);
      return std::string(text);
    };
    p.reduction = percent(p.claimedScore - s.total, p.claimedScore);
    p.errorRate = percent(s.lines - p.valid, s.lines);
    p.nilsCaused = nilsCaused_[i];
    return p;
  }

  // The results table's columns of one log (the verdicts' counts last).
  static std::vector<std::string> Columns() {
    std::vector<std::string> c = {"rank", "call", "locator", "section", "qsos", "valid", "claimed", "checked",
                                  "penalty", "total", "reduction", "error_rate", "odx_call", "odx_locator", "odx_km",
                                  "nils_caused"};
    for (int v = 0; v < contest::kVerdicts; ++v) c.emplace_back(contest::Name(Verdict(v)));
    return c;
  }
  std::vector<std::string> Row(int i, const std::string& rank) const {
    const contest::Score& s = r_.scores[i];
    const Published p = Publish(i);
    std::vector<std::string> row = {rank,
                                    logs_[i].call,
                                    logs_[i].locator,
                                    Section(i),
                                    std::to_string(s.lines),
                                    std::to_string(p.valid),
                                    std::to_string(p.claimedScore),
                                    std::to_string(s.checked),
                                    std::to_string(s.penalty),
                                    std::to_string(s.total),
                                    p.reduction,
                                    p.errorRate,
                                    p.odxCall,
                                    p.odxLocator,
                                    p.odxKm,
                                    std::to_string(p.nilsCaused)};
    for (long n : s.counts) row.push_back(std::to_string(n));
    return row;
  }

  std::string Csv() const {
    const auto quoted = [](const std::string& s) { return CsvField(s, false); };  // totals may be negative
    std::string csv = "band,date";
    for (const std::string& column : Columns()) csv += "," + column;
    csv += ",contest,rules\r\n";
    const std::string contest = "," + quoted(ContestName()) + "," + quoted(source_);
    for (const contest::Set& set : r_.sets) {
      const std::vector<std::string> ranks = Ranks(set);
      for (std::size_t rank = 0; rank < set.logs.size(); ++rank) {
        csv += quoted(set.band) + "," + contest::DateText(set.firstDay);
        for (const std::string& cell : Row(set.logs[rank], ranks[rank])) csv += "," + quoted(cell);
        csv += contest + "\r\n";
      }
    }
    // The all-bands rankings in the same columns, their band "all bands";
    // what has no sum over bands (ODX, rates, verdicts) is left empty.
    const std::vector<std::string> columns = Columns(), summed = AllBandsColumns();
    for (const AllBandsTable& table : allBandsTables_)
      for (const std::vector<std::string>& row : table.rows) {
        csv += "all bands," + contest::DateText(table.day);
        for (const std::string& column : columns) {
          const auto it = std::find(summed.begin(), summed.end(), column);
          csv += "," + (it == summed.end() ? std::string() : quoted(row[it - summed.begin()]));
        }
        csv += contest + "\r\n";
      }
    return csv;
  }

  // The contest's name: the rules file's, or as most logs give it (TName).
  std::string ContestName() const {
    if (!name_.empty()) return name_;
    std::map<std::string, long> names;
    for (const Log& log : logs_)
      if (!log.contest.empty()) ++names[log.contest];
    const auto most = std::max_element(names.begin(), names.end(),
                                       [](const auto& x, const auto& y) { return x.second < y.second; });
    return most == names.end() ? "Contest" : most->first;
  }

  // The results page; with reports (--ubn), each log's call links to its
  // page there, by a path relative to the results page's folder.
  std::string Html(const std::string& reports = {}) const {
    const auto names = reports.empty() ? std::nullopt : UbnNames();
    const std::string title = HtmlText(ContestName()) + " results";
    // 16 columns within a 1366 px window and an A4 page across: headers
    // wrap at their words, the verdicts' counts are narrow.
    std::string h =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + title + "</title>\n"
        "<style>body{font-family:sans-serif;font-size:14px;margin:1em}table{border-collapse:collapse;margin-bottom:2em}"
        "th,td{border:1px solid #888;padding:2px 4px;text-align:right}th{vertical-align:bottom;font-size:12px;"
        "max-width:6em}td:nth-child(2),td:nth-child(3),td:nth-child(4),td:nth-child(13),td:nth-child(14),"
        "th:nth-child(2),th:nth-child(3),th:nth-child(4),th:nth-child(13),th:nth-child(14){text-align:left}"
        "th button{all:inherit;cursor:pointer;border:0}th[aria-sort=ascending] button::after{content:' \\25B2'}"
        "th[aria-sort=descending] button::after{content:' \\25BC'}"
        "@page{size:A4 landscape;margin:1cm}@media print{body{font-size:10px;margin:0}}</style>\n</head>\n<body>\n<main>\n"
        "<h1>" + title + "</h1>\n" + (source_.empty() ? "" : "<p>Rules: " + HtmlText(source_) + "</p>\n");
    // Per band and section, the columns a published result has (the
    // verdicts' counts are in the CSV and JSON).
    static constexpr const char* kHeads[] = {"Rank",      "Call",        "Locator", "Section", "QSOs",  "Valid",
                                             "Claimed",   "Checked",     "Penalty", "Total",   "Reduction %",
                                             "Error rate %", "ODX call", "ODX locator", "ODX km", "NILs caused"};
    const auto table = [&](const std::vector<std::string>& heads, const std::vector<std::vector<std::string>>& rows,
                           const std::vector<int>& logs) {
      h += "<table>\n<thead><tr>";
      for (const std::string& head : heads) h += "<th>" + HtmlText(head) + "</th>";
      h += "</tr></thead>\n<tbody>\n";
      for (std::size_t r = 0; r < rows.size(); ++r) {
        h += "<tr>";
        for (std::size_t k = 0; k < heads.size(); ++k) {
          const bool link = k == 1 && names && r < logs.size() && names->count(logs[r]);
          h += "<td>" + (link ? "<a href=\"" + HtmlText(Uri(reports + "/" + platform::TextOf(platform::PathOf(names->at(logs[r])).stem()) +
                                                              ".html")) + "\">" : std::string()) +
               HtmlText(rows[r][k]) + (link ? "</a>" : "") + "</td>";
        }
        h += "</tr>\n";
      }
      h += "</tbody>\n</table>\n";
    };
    for (const contest::Set& set : r_.sets) {
      h += "<h2>" + HtmlText(SetTitle(set)) + "</h2>\n";
      const std::vector<std::string> ranks = Ranks(set);
      std::vector<std::string> sections;
      for (int i : set.logs)
        if (std::find(sections.begin(), sections.end(), Section(i)) == sections.end()) sections.push_back(Section(i));
      for (const std::string& section : sections) {
        h += "<h3>" + HtmlText(section.empty() ? "No section" : section) + "</h3>\n";
        std::vector<std::vector<std::string>> rows;
        std::vector<int> logs;
        for (std::size_t rank = 0; rank < set.logs.size(); ++rank) {
          if (Section(set.logs[rank]) != section) continue;
          logs.push_back(set.logs[rank]);
          rows.push_back(Row(logs.back(), ranks[rank]));
        }
        table(std::vector<std::string>(std::begin(kHeads), std::end(kHeads)), rows, logs);
      }
    }
    // The all-bands rankings: each call links to its first band's report.
    for (const AllBandsTable& all : allBandsTables_) {
      h += "<h2>" + HtmlText(all.title) + "</h2>\n";
      table({"Rank", "Call", "Locator", "Section", "Bands", "QSOs", "Claimed", "Checked", "Penalty", "Total"}, all.rows,
            all.logs);
    }
    // Sorting by a column where scripts run; the page reads and prints without.
    h += std::string("</main>\n<script>") + kSortScript + "</script>\n";
    return h + "</body>\n</html>\n";
  }

  // The file name of each report, CALL_BAND.txt, with the contest's date
  // when one station and band has logs in two contests; superseded logs
  // have none. nullopt, said, when two reports would still share a name
  // (as a case-blind file system compares them): no report is written then.
  std::optional<std::map<int, std::string>> UbnNames() const {
    std::map<std::string, std::set<long>> days;  // by call and band: the contests' days
    const auto plain = [&](int i, const contest::Set& set) {
      std::string name = logs_[i].call + "_" + set.band;
      for (char& c : name)
        if (c == '/' || c == ' ' || c == '\\') c = c == ' ' ? '_' : '-';
      return name;
    };
    for (const contest::Set& set : r_.sets)
      for (int i : set.logs)
        if (r_.supersededBy[i] < 0) days[plain(i, set)].insert(set.firstDay);
    std::map<int, std::string> names;
    std::map<std::string, int> taken;  // upper-cased name: its log
    for (const contest::Set& set : r_.sets)
      for (int i : set.logs) {
        if (r_.supersededBy[i] >= 0) continue;
        const std::string base = plain(i, set);
        const std::string name = base + (days[base].size() > 1 ? "_" + contest::DateText(set.firstDay) : "") + ".txt";
        const auto [it, fresh] = taken.emplace(UpperCase(name), i);
        if (!fresh) {
          std::fprintf(stderr, "morvane-cli: the reports of %s and %s would both be %s; no report written\n",
                       Printable(logs_[it->second].file).c_str(), Printable(logs_[i].file).c_str(),
                       Printable(name).c_str());
          return std::nullopt;
        }
        names[i] = name;
      }
    return names;
  }

  struct UbnSection {
    std::string title;
    std::vector<std::string> lines;
  };

  // A QSO line as logged, as its entrant knows it.
  static std::string Logged(const contest::QsoLine& q) {
    const auto field = [](std::string_view f) { return f.empty() ? std::string("-") : Printable(f); };
    return field(q.date) + " " + field(q.time) + " " + field(q.call) + ", sent " + field(q.sentRst) + " " +
           field(q.sentSerial) + ", received " + field(q.rcvdRst) + " " + field(q.rcvdSerial) + " " +
           field(q.rcvdLocator);
  }

  // Why a line was lost, in the entrant's terms: partners by their calls,
  // never by their files.
  std::string Why(int i, long k, const contest::Set& set,
                  const std::map<std::string, std::set<std::string>>& bandsOf) const {
    const Judged& j = r_.judged[i][k];
    const contest::QsoLine& q = logs_[i].qsos[k];
    if (j.verdict == Verdict::Nil) return "not in " + q.station + "'s log";
    if (j.verdict == Verdict::BustedCall) return "the station was " + logs_[j.matchLog].call;
    if (j.verdict == Verdict::NoLog || j.verdict == Verdict::Unique) {
      // "Sent no log" only of a station that sent none at all.
      const auto it = bandsOf.find(q.station);
      if (it == bandsOf.end()) return Printable(j.reason);
      std::string bands;
      for (const std::string& b : it->second) bands += (bands.empty() ? "" : ", ") + b;
      return q.station + " sent a log for " + bands + ", none for " + set.band;
    }
    std::string why = j.reason;
    for (int other : set.logs)  // a partner's reason quoted (--loser both) may name its file
      for (std::size_t at; other != i && (at = why.find(logs_[other].file)) != std::string::npos;)
        why.replace(at, logs_[other].file.size(), logs_[other].call + "'s log");
    return Printable(why);
  }

  std::vector<UbnSection> UbnOf(int i, const contest::Set& set,
                                const std::map<std::string, std::set<std::string>>& bandsOf) const {
    const Log& log = logs_[i];
    const contest::Score& s = r_.scores[i];
    const Published p = Publish(i);  // the same numbers as the results
    std::vector<UbnSection> sections;
    sections.push_back({"UBN report: " + log.call + ", " + SetTitle(set),
                        {"Claimed score " + std::to_string(p.claimedScore) + ", checked score " + std::to_string(s.total) +
                             " (reduction " + p.reduction + "%)",
                         "QSOs claimed " + std::to_string(s.lines) + ", valid " + std::to_string(p.valid) + ", lost " +
                             std::to_string(s.lines - p.valid) + " (error rate " + p.errorRate + "%)",
                         "Checked " + std::to_string(s.checked) + " points, penalty " + std::to_string(s.penalty)}});
    static constexpr struct {
      Verdict verdict;
      const char* title;
    } kLists[] = {{Verdict::Nil, "Not in the other log (NIL)"},      {Verdict::BustedCall, "Busted call"},
                  {Verdict::BustedLocator, "Busted locator"},         {Verdict::BustedExchange, "Busted exchange"},
                  {Verdict::Time, "Time"},                            {Verdict::Duplicate, "Duplicate"},
                  {Verdict::Unique, "Unique (no other log has the station)"},
                  {Verdict::NoLog, "No log from the station"},
                  {Verdict::Invalid, "Not a QSO"},                    {Verdict::OutsidePeriod, "Outside the period"}};
    for (const auto& [verdict, title] : kLists) {
      UbnSection list{title, {}};
      for (std::size_t k = 0; k < log.qsos.size(); ++k) {
        const Judged& j = r_.judged[i][k];
        if (j.verdict != verdict) continue;
        std::string line = "line " + std::to_string(log.qsos[k].line) + ": " + Logged(log.qsos[k]) + ": " +
                           Why(i, long(k), set, bandsOf);
        if (j.matchLog >= 0)
          line += "; " + logs_[j.matchLog].call + " logged " + Logged(logs_[j.matchLog].qsos[j.matchQso]);
        line += "; points " + std::to_string(j.points) + (j.penalty ? ", penalty " + std::to_string(j.penalty) : "");
        list.lines.push_back(std::move(line));
      }
      if (!list.lines.empty()) sections.push_back(std::move(list));
    }
    // What partners lost by copying this station wrongly: their loss, not this log's.
    UbnSection copied{"Stations that copied you wrongly (their loss, not yours)", {}};
    for (int other : set.logs)
      for (std::size_t k = 0; other != i && k < logs_[other].qsos.size(); ++k) {
        const Judged& j = r_.judged[other][k];
        if (j.matchLog != i || (j.verdict != Verdict::BustedCall && j.verdict != Verdict::BustedLocator &&
                                j.verdict != Verdict::BustedExchange))
          continue;
        copied.lines.push_back(logs_[other].call + " logged " + Logged(logs_[other].qsos[k]) + ": " +
                               (j.verdict == Verdict::BustedCall ? "your call as " + Printable(logs_[other].qsos[k].call)
                                                                 : Why(other, long(k), set, bandsOf)));
      }
    if (!copied.lines.empty()) sections.push_back(std::move(copied));
    for (std::size_t other = 0; other < logs_.size(); ++other)
      if (r_.supersededBy[other] == i)
        sections.push_back({"Your logs", {"This report is for the log you sent last; an earlier one for the same band "
                                          "is superseded by it."}});
    return sections;
  }

  static std::string UbnText(const std::vector<UbnSection>& sections) {
    std::string text;
    for (const UbnSection& section : sections) {
      text += (text.empty() ? "" : "\n") + section.title + "\n";
      for (const std::string& line : section.lines) text += "  " + line + "\n";
    }
    return text;
  }

  static std::string UbnHtml(const std::vector<UbnSection>& sections) {
    std::string h = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
                    HtmlText(sections.front().title) + "</title>\n<style>body{font-family:sans-serif;max-width:70em;"
                    "margin:1em auto}li{margin:.2em 0}</style>\n</head>\n<body>\n<main>\n";
    for (std::size_t n = 0; n < sections.size(); ++n) {
      h += (n == 0 ? "<h1>" : "<h2>") + HtmlText(sections[n].title) + (n == 0 ? "</h1>" : "</h2>") + "\n<ul>\n";
      for (const std::string& line : sections[n].lines) h += "<li>" + HtmlText(line) + "</li>\n";
      h += "</ul>\n";
    }
    return h + "</main>\n</body>\n</html>\n";
  }

  // A relative path as a URI: every byte but the unreserved ones and '/' escaped.
  static std::string Uri(const std::string& path) {
    std::string uri;
    for (const char c : path) {
      const auto b = static_cast<unsigned char>(c);
      if (std::isalnum(b) || c == '-' || c == '_' || c == '.' || c == '~' || c == '/') {
        uri += c;
      } else {
        char escaped[4];
        std::snprintf(escaped, sizeof escaped, "%%%02X", b);
        uri += escaped;
      }
    }
    return uri;
  }

  // One report per station and band, for the log used: its lost QSOs, and
  // the QSOs others logged with it that its log does not have.
  bool Ubn(const std::string& dir) const {
    const auto names = UbnNames();
    if (!names) return false;
    std::error_code error;
    fs::create_directories(platform::PathOf(dir), error);
    if (error) {
      std::fprintf(stderr, "morvane-cli: %s: %s\n", dir.c_str(), error.message().c_str());
      return false;
    }
    // Where each station sent a log: a "no log" partner may have sent one for another band.
    std::map<std::string, std::set<std::string>> bandsOf;
    for (const contest::Set& set : r_.sets)
      for (int i : set.logs)
        if (r_.unusable[i].empty()) bandsOf[logs_[i].station].insert(set.band);
    bool all = true;
    for (const contest::Set& set : r_.sets) {
      for (int i : set.logs) {
        if (r_.supersededBy[i] >= 0) continue;  // its station's report is the one of the log used
        const std::vector<UbnSection> sections = UbnOf(i, set, bandsOf);
        const std::string base = platform::TextOf(platform::PathOf(names->at(i)).stem());
        const fs::path folder = platform::PathOf(dir);
        all = WriteWholeFile(platform::TextOf(folder / platform::PathOf(base + ".txt")), UbnText(sections), "nothing written") && all;
        all = WriteWholeFile(platform::TextOf(folder / platform::PathOf(base + ".html")), UbnHtml(sections), "nothing written") && all;
      }
    }
    return all;
  }

 private:
  const std::vector<Log>& logs_;
  const Result& r_;
  const contest::Rules& rules_;
  const std::string name_, source_, rulesFile_;  // the rules file's name and source, and the file, if one was given
  const std::vector<contest::SectionRule>& sections_;
  const std::vector<contest::BandsTotal> allBands_;
  const std::vector<long> nilsCaused_;  // per log
  const std::vector<AllBandsTable> allBandsTables_;
};

}  // namespace

int RunCrosscheck(const Context& context, const std::vector<std::string>& operands) {
  Options o = context.options;
  if (!o.crosscheck.rulesFile.empty())
    if (const auto error = ApplyRulesFile(o.crosscheck.rulesFile, o)) {
      std::fprintf(stderr, "morvane-cli: %s\n", error->c_str());
      return 2;
    }
  contest::Rules rules;
  if (const auto usage = ReadRules(o, rules)) return Usage(*usage);
  if (operands.empty()) return Usage("crosscheck needs a folder or .edi files");
  contest::Intake intake = contest::TakeIn(operands);
  // The intake report: every file not taken, and why, so that no log goes unseen.
  for (const std::string& skipped : intake.skipped)
    std::fprintf(stderr, "morvane-cli: intake: %s\n", Printable(skipped).c_str());
  bool allRead = intake.complete;
  std::vector<Log> logs;
  logs.reserve(intake.logs.size());
  for (contest::Taken& taken : intake.logs) {
    logs.push_back(contest::ReadLog(std::move(taken.shown), std::move(taken.bytes)));
    logs.back().sent = taken.modified;  // as near as a folder tells when it was sent
  }
  const Result result = contest::Crosscheck(logs, rules);
  for (std::size_t i = 0; i < logs.size(); ++i) {
    if (result.unusable[i].empty()) continue;
    std::fprintf(stderr, "morvane-cli: %s: %s; its QSOs with others are judged as if it had not been sent\n",
                 Printable(logs[i].file).c_str(), Printable(result.unusable[i]).c_str());
    allRead = allRead && logs[i].identified;
  }
  for (const std::string& note : result.notes) std::fprintf(stderr, "morvane-cli: %s\n", Printable(note).c_str());
  const std::vector<contest::SectionRule>& sections =
      o.crosscheck.sections.empty() ? contest::DefaultSections() : o.crosscheck.sections;
  std::string known;  // the sections' names, for the note
  for (const contest::SectionRule& section : sections) known += (known.empty() ? "" : ", ") + section.name;
  for (std::size_t i = 0; i < logs.size(); ++i)
    if (result.setOf[i] >= 0 && !contest::SectionOf(logs[i].section, sections))
      std::fprintf(stderr, "morvane-cli: %s: PSect=%s matches no section (%s); ranked in a section of its own\n",
                   Printable(logs[i].file).c_str(), Printable(logs[i].section).c_str(), Printable(known).c_str());

  const Reports reports(logs, result, rules, o.crosscheck);
  Output out(stdout);
  if (o.json) reports.Json(out);
  else reports.Text(out);
  bool written = out.Flush();
  if (!written) std::fprintf(stderr, "morvane-cli: cannot write the output: %s\n", std::strerror(errno));
  if (!o.crosscheck.csv.empty()) written = WriteWholeFile(o.crosscheck.csv, reports.Csv(), "nothing written") && written;
  if (!o.crosscheck.html.empty()) {
    std::string linked;  // the reports' folder as seen from the results page's
    if (!o.crosscheck.ubn.empty()) {
      std::error_code error;
      const fs::path page = fs::weakly_canonical(fs::absolute(platform::PathOf(o.crosscheck.html), error), error);
      linked = platform::TextOf(fs::weakly_canonical(fs::absolute(platform::PathOf(o.crosscheck.ubn), error), error)
                                    .lexically_relative(page.parent_path()));
      if (error) linked.clear();
    }
    written = WriteWholeFile(o.crosscheck.html, reports.Html(linked), "nothing written") && written;
  }
  if (!o.crosscheck.ubn.empty()) written = reports.Ubn(o.crosscheck.ubn) && written;
  return allRead && written ? 0 : 1;
}

}  // namespace morvane::cli
