// Reading and saving user.ini on a real file system, where it can fail: a
// file-size limit, a full disk, a named pipe, a file far larger than ours.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "settings/home_store.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;

const HomeTable kOld = {"48", "51", "0", "True", "2", "21", "0", "True", "JN18EU"};
const HomeTable kNew = {"40", "42", "51", "True", "74", "0", "21", "False", "FN20XR"};

class TempDir {
 public:
  TempDir() {
    std::string templ = (fs::temp_directory_path() / "morvane-store-XXXXXX").string();
    path = mkdtemp(templ.data());
  }
  ~TempDir() { fs::remove_all(path); }
  std::string file() const { return path + "/user.ini"; }
  std::string path;
};

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void Put(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Everything in the folder but user.ini: a failed save must not leave its
// temporary file behind.
std::size_t OtherEntries(const std::string& dir) {
  std::size_t n = 0;
  for (const auto& e : fs::directory_iterator(dir)) n += e.path().filename() != "user.ini";
  return n;
}

TEST(HomeStoreSave, FileSizeLimitKeepsTheOldFileAndSaysWhy) {
  TempDir dir;
  const HomeStore store(dir.file());
  ASSERT_FALSE(store.Write(kOld));
  const std::string before = Slurp(dir.file());

  std::signal(SIGXFSZ, SIG_IGN);  // as the programs do: the write fails instead
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 10;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const auto failure = store.Write(kNew);
  setrlimit(RLIMIT_FSIZE, &old);

  ASSERT_TRUE(failure.has_value());
  EXPECT_NE(failure->find("too large"), std::string::npos) << *failure;
  EXPECT_EQ(Slurp(dir.file()), before);
  EXPECT_EQ(OtherEntries(dir.path), 0u);
}

// In a child with a mount namespace of its own, a tiny tmpfs is filled and
// a save tried in it. Exit 0: old file kept and error reported; 77: no way
// to mount here.
int SaveIntoFullFileSystem(const std::string& dir) {
  if (unshare(CLONE_NEWNS) != 0) {
    const uid_t uid = getuid(), gid = getgid();
    if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return 77;
    Put("/proc/self/setgroups", "deny");
    Put("/proc/self/uid_map", std::to_string(uid) + " " + std::to_string(uid) + " 1");
    Put("/proc/self/gid_map", std::to_string(gid) + " " + std::to_string(gid) + " 1");
  }
  if (mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return 77;
  if (mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=64k") != 0) return 77;
  const HomeStore store(dir + "/user.ini");
  if (store.Write(kOld)) return 1;
  const std::string before = Slurp(dir + "/user.ini");
  {
    std::ofstream fill(dir + "/fill", std::ios::binary);
    const std::string block(4096, 'x');
    for (int i = 0; i < 64 && fill; ++i) fill << block;
  }
  const auto failure = store.Write(kNew);
  if (!failure || Slurp(dir + "/user.ini") != before) return 2;
  return OtherEntries(dir) == 1 ? 0 : 3;  // only the filler beside it
}

TEST(HomeStoreSave, FullFileSystemKeepsTheOldFile) {
  TempDir dir;
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(SaveIntoFullFileSystem(dir.path));
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "cannot mount a small file system here";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(HomeStoreRead, NamedPipeOrLinkToADeviceIsTreatedAsMissing) {
  TempDir dir;
  ASSERT_EQ(mkfifo(dir.file().c_str(), 0600), 0);
  HomeTable table = kOld;
  EXPECT_FALSE(HomeStore(dir.file()).Read(table));  // returns instead of blocking
  EXPECT_EQ(table, kOld);
  ASSERT_EQ(symlink("/dev/zero", (dir.path + "/zero.ini").c_str()), 0);
  EXPECT_FALSE(HomeStore(dir.path + "/zero.ini").Read(table));  // instead of reading for ever
  EXPECT_EQ(table, kOld);
}

// A 300 MiB line (a sparse file) is read in a child whose peak memory stays
// far below the line's size: only the per-field cap is held. (Peak memory,
// not an address-space limit, which AddressSanitizer's shadow would break.)
TEST(HomeStoreRead, AHugeLineIsReadInBoundedMemory) {
  TempDir dir;
  Put(dir.file(), FormatHomeFile(kNew));
  ASSERT_EQ(truncate(dir.file().c_str(), 300 << 20), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    HomeTable table;
    const bool read = HomeStore(dir.file()).Read(table) && table == kNew;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    _exit(!read ? 1 : usage.ru_maxrss < (150 << 10) ? 0 : 2);  // KiB
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: not read, 2: more than 150 MiB at its peak";
}

TEST(HomeStoreRead, TheLastGroupOfAFileOverAMegabyteWins) {
  TempDir dir;
  std::string bytes;
  while (bytes.size() < (3u << 20)) bytes += FormatHomeFile(kOld);
  bytes += FormatHomeFile(kNew);
  Put(dir.file(), bytes);
  HomeTable table;
  ASSERT_TRUE(HomeStore(dir.file()).Read(table));
  EXPECT_EQ(table, kNew);
}

}  // namespace
}  // namespace morvane

namespace morvane {
namespace {

// With no user.ini anywhere, an installed copy names the file a save would
// write, in the configuration folder, not the one beside the program.
TEST(HomeStoreRead, NothingSavedNamesTheConfigurationFile) {
  TempDir dir;
  const HomeStore installed = HomeStore::Choose(dir.path, dir.path + "/config", dir.path);
  EXPECT_EQ(installed.readPath(), dir.path + "/config/user.ini");
  Put(dir.file(), FormatHomeFile(kOld));  // an administrator's copy beside it
  EXPECT_EQ(installed.readPath(), dir.file());
}

}  // namespace
}  // namespace morvane
