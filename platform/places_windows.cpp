#include "platform/places.h"

#include "platform/windows_api.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "platform/files.h"

namespace morvane::platform {
namespace {

std::wstring Full(const std::wstring& path) {
  const DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::wstring full(n, L'\0');
  full.resize(GetFullPathNameW(path.c_str(), n, full.data(), nullptr));
  while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/')) full.pop_back();
  return full;
}

std::wstring Environment(const wchar_t* name) {
  const DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
  if (n == 0) return {};
  std::wstring value(n, L'\0');
  value.resize(GetEnvironmentVariableW(name, value.data(), n));
  return value;
}

}  // namespace

const char kSeparator = '\\';

std::string ProgramFolder() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? "." : Utf8(path.substr(0, slash));
}

std::string ConfigFolder() {
  std::wstring appData = Environment(L"APPDATA");
  if (appData.empty()) appData = Environment(L"USERPROFILE") + L"\\AppData\\Roaming";
  return Utf8(appData) + "\\morvane";
}

bool IsInstalledFolder(const std::string& programFolder, const std::string&) {
  const std::wstring folder = Full(Wide(programFolder)) + L"\\";
  for (const wchar_t* name : {L"ProgramFiles", L"ProgramW6432", L"ProgramFiles(x86)"}) {
    const std::wstring root = Environment(name);
    if (root.empty()) continue;
    const std::wstring prefix = Full(root) + L"\\";
    if (folder.size() >= prefix.size() &&
        CompareStringOrdinal(folder.c_str(), static_cast<int>(prefix.size()), prefix.c_str(), -1, TRUE) == CSTR_EQUAL)
      return true;
  }
  return false;
}

bool IsWritableFolder(const std::string& path) {
  // The read-only attribute says little about a folder: a file is tried.
  const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  const std::wstring probe = Wide(path) + L"\\.morvane-probe-" + std::to_wstring(std::random_device{}());
  const HANDLE h = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

bool Exists(const std::string& path) { return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

bool MakeFolders(const std::string& path) {
  std::error_code error;
  std::filesystem::create_directories(PathOf(path), error);
  if (!error) return true;
  errno = error.value() ? error.default_error_condition().value() : EIO;
  return false;
}

}  // namespace morvane::platform
