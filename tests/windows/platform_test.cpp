// The Windows halves where Windows differs: drive letters and backslashes,
// names compared without case, Program Files however its variable is written.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>

#include "files/replacing_file.h"
#include "platform/places.h"

namespace morvane {
namespace {

TEST(WindowsPaths, DirectoryOf) {
  for (const auto& [path, folder] : {std::pair{"C:\\logs\\a.adi", "C:\\logs"}, {"C:\\a.adi", "C:\\"}, {"C:/a.adi", "C:/"},
                                     {"C:a.adi", "C:."}, {"a.adi", "."}, {"\\a.adi", "\\"}, {"logs/sub\\a.adi", "logs/sub"},
                                     {"\\\\server\\share\\a.adi", "\\\\server\\share"}})
    EXPECT_EQ(DirectoryOf(path), folder) << path;
}

TEST(WindowsPaths, SameFileWhateverTheCase) {
  const auto dir = std::filesystem::temp_directory_path() / "morvane-platform-test";
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "Log.adi") << "<EOH>";
  const std::string d = dir.string();
  EXPECT_TRUE(NamesSameFile(d + "\\LOG.ADI", d + "/log.adi"));
  EXPECT_TRUE(NamesSameFile(d + "\\NEW.csv", d + "\\sub\\..\\new.CSV"));  // not there yet: by full name
  EXPECT_FALSE(NamesSameFile(d + "\\new.csv", d + "\\new.adi"));
  std::filesystem::remove_all(dir);
}

// Where a portable copy keeps user.ini: a folder it can make a file in.
TEST(WindowsPaths, WritableFolders) {
  const auto dir = std::filesystem::temp_directory_path() / "morvane-writable-test";
  std::filesystem::remove_all(dir);
  const std::string nested = (dir / "a" / "b").string();
  EXPECT_TRUE(platform::MakeFolders(nested));
  EXPECT_TRUE(platform::IsWritableFolder(nested));
  std::ofstream(dir / "file.txt") << "x";
  EXPECT_FALSE(platform::IsWritableFolder((dir / "file.txt").string()));
  EXPECT_FALSE(platform::IsWritableFolder((dir / "none").string()));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(nested), {}), 0);  // the probe is gone
  std::filesystem::remove_all(dir);
}

TEST(WindowsPaths, InstalledMeansUnderProgramFiles) {
  SetEnvironmentVariableW(L"ProgramW6432", nullptr);
  SetEnvironmentVariableW(L"ProgramFiles(x86)", nullptr);
  for (const wchar_t* root : {L"C:\\Program Files", L"C:\\Program Files\\", L"c:/program files/"}) {
    SetEnvironmentVariableW(L"ProgramFiles", root);
    for (const auto& [folder, installed] : {std::pair{"C:\\Program Files\\Morvane", true}, {"C:\\PROGRAM FILES\\Morvane\\", true},
                                            {"C:\\Program Files (x86)\\Morvane", false}, {"C:\\Program FilesX", false},
                                            {"C:\\Users\\g4xyz\\Downloads", false}})
      EXPECT_EQ(platform::IsInstalledFolder(folder, ""), installed) << folder;
  }
}

}  // namespace
}  // namespace morvane
