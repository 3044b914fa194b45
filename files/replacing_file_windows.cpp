// The Windows half of replacing a file: the temporary file is created
// exclusively beside the target, flushed, and swapped in by ReplaceFileW,
// which keeps the old file's ACL, attributes and streams (or MoveFileExW,
// written through, when there is no old file). Devices (NUL, CON) and
// pipes are written into, not replaced.
#include "files/replacing_file.h"

#include "platform/windows_api.h"
#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <random>

namespace morvane {
namespace {

using platform::Utf8;
using platform::Wide;

ssize_t Write(int fd, const void* data, size_t n) {
  return _write(fd, data, n > 0x40000000 ? 0x40000000 : static_cast<unsigned>(n));
}
int Flush(int fd) { return _commit(fd); }
int Close(int fd) { return _close(fd); }


// Full paths: Wine's ReplaceFileW refuses relative ones, and a full path
// names the same file whatever the current folder becomes.
std::wstring Full(const std::string& path) {
  const std::wstring wide = Wide(path);
  const DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (n == 0) return wide;
  std::wstring full(n, L'\0');
  full.resize(GetFullPathNameW(wide.c_str(), n, full.data(), nullptr));
  return full;
}

std::optional<BY_HANDLE_FILE_INFORMATION> Identity(const std::string& path) {
  const HANDLE h = CreateFileW(Full(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool ok = GetFileInformationByHandle(h, &info);
  CloseHandle(h);
  if (!ok) return std::nullopt;
  return info;
}

}  // namespace

const FileCalls kSystemFileCalls = {Write, Flush, Close};

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  if (slash == std::string::npos) return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) + "." : ".";
  if (slash == 0 || (slash == 2 && path[1] == ':')) return path.substr(0, slash + 1);
  return path.substr(0, slash);
}

bool NamesSameFile(const std::string& a, const std::string& b) {
  const auto ia = Identity(a), ib = Identity(b);
  if (ia && ib)
    return ia->dwVolumeSerialNumber == ib->dwVolumeSerialNumber && ia->nFileIndexHigh == ib->nFileIndexHigh &&
           ia->nFileIndexLow == ib->nFileIndexLow;
  const std::wstring fa = Full(a), fb = Full(b);
  return CompareStringOrdinal(fa.c_str(), -1, fb.c_str(), -1, TRUE) == CSTR_EQUAL;
}

void ReplacingFile::RemoveTemporary() { DeleteFileW(Full(temp_).c_str()); }

bool ReplacingFile::Open() {
  const std::wstring target = Full(target_);
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    errno = EISDIR;
    return Fail("cannot write");
  }
  // A device (NUL, CON, COM1) or a pipe is not ours to replace: write into it.
  const HANDLE probe = CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
  const bool exists = probe != INVALID_HANDLE_VALUE || attributes != INVALID_FILE_ATTRIBUTES;
  if (probe != INVALID_HANDLE_VALUE && GetFileType(probe) != FILE_TYPE_DISK) {
    if (!rules_.writeThroughSpecialFiles) {
      CloseHandle(probe);
      error_ = "not a regular file";
      return false;
    }
    fd_ = _open_osfhandle(reinterpret_cast<intptr_t>(probe), _O_WRONLY | _O_BINARY);
    if (fd_ < 0) {
      CloseHandle(probe);
      return Fail("cannot open");
    }
    direct_ = true;
    return true;
  }
  if (probe != INVALID_HANDLE_VALUE) CloseHandle(probe);
  // A device name (CON, COM1, LPT1; \\.\ paths) that could not be opened
  // is not a file to make either.
  if (target.rfind(L"\\\\.\\", 0) == 0) {
    if (!rules_.writeThroughSpecialFiles) {
      error_ = "not a regular file";
      return false;
    }
    errno = platform::ErrnoOf(GetLastError());
    return Fail("cannot open");
  }
  if (exists && rules_.refuseHardLinks) {
    if (const auto info = Identity(target_); info && info->nNumberOfLinks > 1) {
      error_ = "it has " + std::to_string(info->nNumberOfLinks) + " hard links, and replacing it would split them";
      return false;
    }
  }
  // Beside the target, so that the swap stays on one volume; created
  // exclusively, never opened if something is already there.
  const std::string folder = DirectoryOf(Utf8(target));
  std::random_device random;
  for (int tries = 0; tries < 100; ++tries) {
    std::string name = folder + "\\.morvane-" + std::to_string(random() % 1000000);
    SECURITY_ATTRIBUTES noInherit{sizeof noInherit, nullptr, FALSE};
    // Deletion shared, so that Ctrl-C's handler can remove it while it is open.
    const HANDLE h = CreateFileW(Wide(name).c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, &noInherit, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_EXISTS) continue;
      errno = platform::ErrnoOf(GetLastError());
      return Fail("cannot create a file beside it");
    }
    fd_ = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
    if (fd_ < 0) {
      CloseHandle(h);
      DeleteFileW(Wide(name).c_str());
      return Fail("cannot create a file beside it");
    }
    temp_ = name;
    target_ = Utf8(target);
    return true;
  }
  errno = EEXIST;
  return Fail("cannot create a file beside it");
}

bool ReplacingFile::SwapIn() {
  const std::wstring target = Wide(target_), temp = Full(temp_);
  bool replaced = false;
  if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES)
    replaced = ReplaceFileW(target.c_str(), temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
  // No old file, or one ReplaceFileW cannot take (another volume's link):
  // a plain move, written through before it returns.
  if (!replaced && !MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    errno = platform::ErrnoOf(GetLastError());
    return Fail("cannot replace the file");
  }
  return true;
}

}  // namespace morvane
