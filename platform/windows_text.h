// UTF-8 and the UTF-16 of Windows' own calls, for the Windows halves only.
#pragma once

#include <string>
#include <string_view>

namespace morvane::platform {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);
// The system's message for an error code (GetLastError, WSAGetLastError).
std::string SystemMessage(unsigned long code);
// errno for the commonest Windows errors, so messages read as on POSIX.
int ErrnoOf(unsigned long code);

}  // namespace morvane::platform
