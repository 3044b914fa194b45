// Windows' own API, for the Windows halves only: without its min and max
// macros and its older parts (winsock2 before windows.h, as it must be);
// and UTF-8 to and from the UTF-16 of its calls.
#pragma once

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <winsock2.h>
#include <windows.h>

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
