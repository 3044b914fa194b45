// morvane-cli edi: the QSO points of a REG1TEST contest log, checked or
// filled in.
#pragma once

#include <string>

#include "cli/commands.h"

namespace morvane::cli {

// Reads file ("-": standard input) twice (standard input is kept in a
// temporary file). Without --fill, writes the QSOs and header values whose
// claims differ and a summary; with it, writes the filled log as the options
// say and the summary on standard error. Returns the exit status.
int RunEdi(const Context& context, const std::string& file);

}  // namespace morvane::cli
