// A contest's rules in one file (--rules FILE), TOML: each key is a
// crosscheck option's name without its dashes, with the option's values,
// and options given on the command line override the file's.
//
//   name = "IARU Region 1 VHF Contest"
//   source = "where these rules are published"
//   tolerance = 10
//   loser = "both"
//   period = "14:00-14:00"      end-minute = "excluded"
//   [penalty]  duplicate = 10
//   [band-multiplier]  "432" = 5
//   [[section]]  name = "SO"  psect = ["SO", "SINGLE*"]  all-bands = true
#pragma once

#include <optional>
#include <string>

#include "cli/commands.h"

namespace morvane::cli {

// Fills what the command line left unset in o from the file; a message
// naming the file and the key when it cannot be read or holds what no
// option takes.
std::optional<std::string> ApplyRulesFile(const std::string& path, Options& o);

}  // namespace morvane::cli
