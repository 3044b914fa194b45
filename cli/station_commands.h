// morvane-cli rotate and listen: the antenna rotator turned to an answer,
// and live decodes of the digital-mode programs answered as they come.
#pragma once

#include <string>
#include <vector>

#include "cli/commands.h"

namespace morvane::cli {

// rotate BASE TARGET, rotate --home TARGET, rotate --azimuth AZ. Returns
// the exit status (130 when stopped by Ctrl-C).
int RunRotate(const Context& context, const std::vector<std::string>& operands);

// listen: one line per decode that carries a locator, until SIGINT or
// SIGTERM; a summary on standard error.
int RunListen(const Context& context);

}  // namespace morvane::cli
