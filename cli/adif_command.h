// morvane-cli adif: DISTANCE (and ANT_AZ) filled into an ADIF log.
#pragma once

#include <string>

#include "cli/commands.h"

namespace morvane::cli {

// Reads file ("-": standard input), writes the filled log as the options
// say, and a summary on standard error. Returns the exit status.
int RunAdif(const Context& context, const std::string& file);

}  // namespace morvane::cli
