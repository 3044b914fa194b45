// morvane-cli crosscheck: the REG1TEST logs of whole contests checked
// against each other, with a verdict for every QSO line, UBN reports and
// the results table.
#pragma once

#include <string>
#include <vector>

#include "cli/commands.h"

namespace morvane::cli {

// operands: folders (their .edi files, read recursively) and files.
// Returns the exit status: 0 when the run worked, 1 when a log could not
// be read at all, 2 for a usage error.
int RunCrosscheck(const Context& context, const std::vector<std::string>& operands);

}  // namespace morvane::cli
