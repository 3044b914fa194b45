#include "platform/files.h"

#include "platform/windows_api.h"
#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <random>

namespace morvane::platform {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE HandleOf(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }

std::optional<FileStatus> FromHandle(HANDLE h) {
  FileStatus s;
  const DWORD type = GetFileType(h);
  if (type == FILE_TYPE_PIPE) {
    s.pipe = true;
    return s;
  }
  if (type != FILE_TYPE_DISK) return s;  // a console or a device such as NUL
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info)) {
    errno = ErrnoOf(GetLastError());
    return std::nullopt;
  }
  s.directory = info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
  s.regular = !s.directory;
  s.size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  // 100 ns ticks since 1601.
  const std::int64_t ticks = static_cast<std::int64_t>((std::uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) |
                                                       info.ftLastWriteTime.dwLowDateTime);
  s.modifiedNs = (ticks - 116444736000000000LL) * 100;
  s.device = info.dwVolumeSerialNumber;
  s.index = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  s.links = info.nNumberOfLinks;
  return s;
}

}  // namespace

int OpenToRead(const std::string& path, bool /*nonBlocking: named pipes are not opened by name here*/) {
  const std::wstring name = Wide(path);
  const DWORD attributes = GetFileAttributesW(name.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    errno = EISDIR;
    return -1;
  }
  SECURITY_ATTRIBUTES noInherit{sizeof noInherit, nullptr, FALSE};
  const HANDLE h = CreateFileW(name.c_str(), GENERIC_READ, kShareAll, &noInherit, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    errno = ErrnoOf(GetLastError());
    return -1;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY | _O_BINARY);
  if (fd < 0) CloseHandle(h);
  return fd;
}

std::optional<FileStatus> StatusOf(int fd) {
  const HANDLE h = HandleOf(fd);
  if (h == INVALID_HANDLE_VALUE) {
    errno = EBADF;
    return std::nullopt;
  }
  return FromHandle(h);
}

std::optional<FileStatus> StatusOfPath(const std::string& path) {
  const HANDLE h = CreateFileW(Wide(path).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    errno = ErrnoOf(GetLastError());
    return std::nullopt;
  }
  auto s = FromHandle(h);
  CloseHandle(h);
  return s;
}

long long ReadAt(int fd, char* buffer, std::size_t n, std::uint64_t offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD got = 0;
  const DWORD want = n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n);
  if (ReadFile(HandleOf(fd), buffer, want, &got, &at)) return got;
  const DWORD e = GetLastError();
  if (e == ERROR_HANDLE_EOF) return 0;
  errno = ErrnoOf(e);
  return -1;
}

int ScratchFile(std::string& folder) {
  wchar_t dir[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, dir);
  std::wstring base(dir, n);
  if (!base.empty() && (base.back() == L'\\' || base.back() == L'/')) base.pop_back();
  folder = Utf8(base);
  std::random_device random;
  for (int tries = 0; tries < 100; ++tries) {
    const std::wstring name = base + L"\\morvane-" + std::to_wstring(random());
    SECURITY_ATTRIBUTES noInherit{sizeof noInherit, nullptr, FALSE};
    const HANDLE h = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, &noInherit, CREATE_NEW,
                                 FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_EXISTS) continue;
      errno = ErrnoOf(GetLastError());
      return -1;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDWR | _O_BINARY);
    if (fd < 0) CloseHandle(h);
    return fd;
  }
  errno = EEXIST;
  return -1;
}

bool IsTerminal(int fd) {
  // _isatty says yes to NUL and every other character device too.
  DWORD mode = 0;
  return GetConsoleMode(HandleOf(fd), &mode) != 0;
}

bool InputWouldWait(int fd) {
  const HANDLE h = HandleOf(fd);
  switch (GetFileType(h)) {
    case FILE_TYPE_DISK:
      return false;
    case FILE_TYPE_PIPE: {
      DWORD available = 0;
      // Wine cannot peek its pipes: a failed peek counts as waiting.
      return !PeekNamedPipe(h, nullptr, 0, nullptr, &available, nullptr) || available == 0;
    }
    case FILE_TYPE_CHAR:
      return WaitForSingleObject(h, 0) != WAIT_OBJECT_0;
    default:
      return true;
  }
}

// A closed pipe is only seen when written to, where the write fails.
bool ReaderGone(int) { return false; }

int WriteError() {
  const DWORD e = GetLastError();
  return e == ERROR_NO_DATA || e == ERROR_BROKEN_PIPE || e == ERROR_PIPE_NOT_CONNECTED ? EPIPE : errno;
}

void SetUpStandardStreams() {
  for (int fd = 0; fd <= 2; ++fd) _setmode(fd, _O_BINARY);
  SetConsoleOutputCP(CP_UTF8);
}

std::filesystem::path PathOf(const std::string& utf8) {
  return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

std::string TextOf(const std::filesystem::path& path) {
  const std::u8string s = path.generic_u8string();
  return std::string(reinterpret_cast<const char*>(s.data()), s.size());
}

}  // namespace morvane::platform
