#include "platform/process.h"

#include "platform/windows_api.h"
#include <shellapi.h>
#include <io.h>

#include <algorithm>

namespace morvane::platform {

std::vector<std::string> EnvironmentWithout(const std::string& prefix) {
  std::vector<std::string> env;
  wchar_t* block = GetEnvironmentStringsW();
  for (const wchar_t* e = block; e && *e; e += wcslen(e) + 1) {
    std::string entry = Utf8(e);
    // Names are not case-sensitive on Windows.
    if (CompareStringOrdinal(Wide(entry.substr(0, prefix.size())).c_str(), -1, Wide(prefix).c_str(), -1, TRUE) != CSTR_EQUAL)
      env.push_back(std::move(entry));
  }
  FreeEnvironmentStringsW(block);
  return env;
}

// From the wide command line: argv is in the code page, which is UTF-8 only
// where the manifest's setting is honoured (Windows 10 1903 and later).
std::vector<std::string> Arguments(int argc, char** argv) {
  int n = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &n);
  if (!wide) return {argv + 1, argv + argc};
  std::vector<std::string> args;
  for (int i = 1; i < n; ++i) args.push_back(Utf8(wide[i]));
  LocalFree(wide);
  return args;
}

int ProcessorsAvailable() {
  DWORD_PTR process = 0, system = 0;
  if (!GetProcessAffinityMask(GetCurrentProcess(), &process, &system)) return 1;
  int n = 0;
  for (; process; process &= process - 1) ++n;
  return n > 0 ? n : 1;
}

Children::~Children() {
  for (long long h : running_) CloseHandle(reinterpret_cast<HANDLE>(h));
}

std::string Children::Start(const std::string& program, const std::vector<std::string>& environment) {
  std::wstring block;
  for (const std::string& e : environment) block += Wide(e) + L'\0';
  block += L'\0';
  // The program's name alone, quoted as the command line's first word.
  std::wstring line = L"\"" + Wide(program) + L"\"";
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  const HANDLE nul = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
  const HANDLE out = reinterpret_cast<HANDLE>(_get_osfhandle(1));
  HANDLE given = INVALID_HANDLE_VALUE;
  DuplicateHandle(GetCurrentProcess(), out, GetCurrentProcess(), &given, 0, TRUE, DUPLICATE_SAME_ACCESS);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = nul;
  si.hStdOutput = given;
  si.hStdError = given;  // its output goes where ours is said, not among the decode lines
  PROCESS_INFORMATION pi{};
  const BOOL ok = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                                 block.data(), nullptr, &si, &pi);
  const DWORD error = GetLastError();
  if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
  if (given != INVALID_HANDLE_VALUE) CloseHandle(given);
  if (!ok) return SystemMessage(error);
  CloseHandle(pi.hThread);
  running_.push_back(reinterpret_cast<long long>(pi.hProcess));
  return {};
}

void Children::Reap(const std::function<void(int)>& ended) {
  for (auto it = running_.begin(); it != running_.end();) {
    const HANDLE h = reinterpret_cast<HANDLE>(*it);
    DWORD status = 0;
    if (WaitForSingleObject(h, 0) != WAIT_OBJECT_0 || !GetExitCodeProcess(h, &status)) {
      ++it;
      continue;
    }
    CloseHandle(h);
    it = running_.erase(it);
    ended(static_cast<int>(status));
  }
}

}  // namespace morvane::platform
