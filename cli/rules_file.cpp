#include "cli/rules_file.h"

#include <toml++/toml.h>

#include <string_view>

namespace morvane::cli {
namespace {

// A value as the option's text: strings as they are, whole numbers written out.
std::optional<std::string> Text(const toml::node& node) {
  if (const auto s = node.value<std::string>()) return *s;
  if (node.is_integer()) return std::to_string(node.as_integer()->get());
  return std::nullopt;
}

// [[section]] tables: name = "SO", psect = ["SO", "SINGLE*"], ranked =
// false for check logs, all-bands = true for a ranking over all bands.
std::optional<std::string> ReadSections(const std::string& path, const toml::node& node,
                                        std::vector<contest::SectionRule>& sections) {
  const toml::array* tables = node.as_array();
  if (!tables || !tables->is_array_of_tables())
    return path + ": section takes tables: [[section]] name = \"SO\" psect = [\"SO\", \"SINGLE*\"]";
  for (const toml::node& item : *tables) {
    contest::SectionRule rule;
    for (const auto& [key, value] : *item.as_table()) {
      const std::string k = "section." + std::string(key.str());
      if (key == "name" && value.is_string()) {
        rule.name = *value.value<std::string>();
      } else if (key == "psect" && (value.is_string() || value.is_array())) {
        if (value.is_string()) rule.psect.push_back(*value.value<std::string>());
        else
          for (const toml::node& word : *value.as_array()) {
            if (!word.is_string()) return path + ": " + k + " takes texts";
            rule.psect.push_back(*word.value<std::string>());
          }
      } else if ((key == "ranked" || key == "all-bands") && value.is_boolean()) {
        (key == "ranked" ? rule.ranked : rule.allBands) = *value.value<bool>();
      } else {
        return path + ": " + k + (key == "name" || key == "psect" ? " takes text" :
                                  key == "ranked" || key == "all-bands" ? " takes true or false" :
                                  " is no part of a section (name, psect, ranked, all-bands)");
      }
    }
    if (rule.name.empty() || rule.psect.empty())
      return path + ": each [[section]] needs a name and the psect it is entered by";
    sections.push_back(std::move(rule));
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> ApplyRulesFile(const std::string& path, Options& o) {
  toml::table file;
  try {
    file = toml::parse_file(path);
  } catch (const toml::parse_error& e) {
    const auto& at = e.source().begin;
    return path + ":" + std::to_string(at.line) + ":" + std::to_string(at.column) + ": " + std::string(e.description());
  }
  Options::Crosscheck& c = o.crosscheck;
  Options::Crosscheck fromFile;
  std::string tolerance, scoring;
  for (const auto& [key, node] : file) {
    const std::string_view k = key.str();
    const auto wrong = [&](const char* what) { return path + ": " + std::string(k) + " takes " + what; };
    if (k == "name" || k == "source") {
      const auto s = node.value<std::string>();
      if (!s) return wrong("text");
      if (k == "source") c.rulesSource = *s;
      else if (c.contestName.empty()) c.contestName = *s;
    } else if (k == "section") {
      if (const auto error = ReadSections(path, node, c.sections)) return error;
    } else if (k == "period" && node.is_array()) {
      // Several periods: ["08:00-11:00", "14:00-17:00"].
      for (const toml::node& item : *node.as_array()) {
        const auto s = item.value<std::string>();
        if (!s) return wrong("text, or a list of texts: [\"08:00-11:00\", \"14:00-17:00\"]");
        fromFile.period += (fromFile.period.empty() ? "" : ",") + *s;
      }
    } else if (k == "report-check") {
      const auto b = node.value<bool>();
      if (!b) return wrong("true or false");
      fromFile.reportCheck = *b;
    } else if (k == "penalty" || k == "band-multiplier") {
      if (k == "band-multiplier" && node.is_integer()) {
        if (node.as_integer()->get() < 1 || node.as_integer()->get() > 1000000) return wrong("a whole number from 1");
        fromFile.bandMultipliers = "*=" + std::to_string(node.as_integer()->get());
        continue;
      }
      const toml::table* items = node.as_table();
      if (!items) return wrong(k == "penalty" ? "a table: duplicate = 10" : "a number, or a table: \"432\" = 5");
      std::string joined;
      for (const auto& [name, value] : *items) {
        const auto n = value.value<long long>();
        if (!n) return path + ": " + std::string(k) + "." + std::string(name.str()) + " takes a whole number";
        const std::string item = std::string(name.str()) + "=" + std::to_string(*n);
        if (k == "penalty") fromFile.penalties.push_back(item);
        else joined += (joined.empty() ? "" : ",") + item;
      }
      if (k == "band-multiplier") fromFile.bandMultipliers = joined;
    } else {
      std::string* field = k == "tolerance" ? &tolerance : k == "loser" ? &fromFile.loser
                         : k == "uniques" ? &fromFile.uniques : k == "no-log" ? &fromFile.noLog
                         : k == "period" ? &fromFile.period : k == "end-minute" ? &fromFile.endMinute
                         : k == "duplicates" ? &fromFile.duplicates
                         : k == "resubmission" ? &fromFile.resubmission : k == "scoring" ? &scoring
                         : nullptr;
      if (!field) return path + ": " + std::string(k) + " is no rule (a misspelt key?)";
      const auto text = Text(node);
      if (!text) return wrong("text or a whole number");
      *field = *text;
    }
  }
  // The command line first: the file fills only what it left unset.
  const auto fill = [](std::string& given, const std::string& file) {
    if (given.empty()) given = file;
  };
  fill(o.tolerance, tolerance);
  fill(c.loser, fromFile.loser);
  fill(c.uniques, fromFile.uniques);
  fill(c.noLog, fromFile.noLog);
  fill(c.period, fromFile.period);
  fill(c.endMinute, fromFile.endMinute);
  fill(c.duplicates, fromFile.duplicates);
  fill(c.resubmission, fromFile.resubmission);
  fill(o.scoring, scoring);
  if (c.reportCheck < 0) c.reportCheck = fromFile.reportCheck;
  if (c.penalties.empty()) c.penalties = fromFile.penalties;
  if (c.bandMultipliers.empty() && o.bandMultiplier == 0) {
    if (fromFile.bandMultipliers.rfind("*=", 0) == 0) o.bandMultiplier = std::stol(fromFile.bandMultipliers.substr(2));
    else c.bandMultipliers = fromFile.bandMultipliers;
  }
  return std::nullopt;
}

}  // namespace morvane::cli
