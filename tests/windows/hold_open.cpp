// Holds a file open as another Windows program would, until its standard
// input ends: "editor" shares reading and writing but not deletion (as
// most editors and spreadsheets do), "viewer" shares everything.
//   hold_open.exe FILE editor|viewer
#include <windows.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  const DWORD share = std::wstring(argv[2]) == L"viewer" ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE
                                                          : FILE_SHARE_READ | FILE_SHARE_WRITE;
  const HANDLE h = CreateFileW(argv[1], GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 1;
  std::puts("open");
  std::fflush(stdout);
  while (std::getchar() != EOF) {
  }
  CloseHandle(h);
  return 0;
}
