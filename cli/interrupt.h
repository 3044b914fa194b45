// An interrupted morvane-cli (SIGINT, SIGTERM, SIGHUP) removes the temporary
// file it was writing, then ends as the signal would have ended it.
#pragma once

#include <string>

namespace morvane::cli {

// The file to remove on such a signal; an empty path forgets it.
void RemoveOnInterrupt(const std::string& path);

}  // namespace morvane::cli
