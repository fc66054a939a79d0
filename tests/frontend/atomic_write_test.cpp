// Atomic whole-file writes: the target holds its old bytes or all of the new ones, no temporary
// file survives a failure, and a target that is not a regular file is never written into.
// Faults are real and work for root too (the CI runs as root): a file-size limit in place of a
// full disk, a folder, FIFO or device node in the target's place, a missing parent, and a close
// that fails (this binary is linked with fclose wrapped). Device nodes are made with mknod
// inside the test's own folder, never taken from /dev.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <functional>
#include <set>
#include <string>

#include "frontend/file_util.h"
#include "scratch_dir.h"
#include "write_limit.h"

static bool fail_next_fclose = false;

extern "C" int __real_fclose(FILE* file);

// Closes the file for real, then reports a deferred write error when armed (as a network
// file system may at close).
extern "C" int __wrap_fclose(FILE* file) {
  int result = __real_fclose(file);
  if (!fail_next_fclose) return result;
  fail_next_fclose = false;
  errno = EIO;
  return EOF;
}

namespace {

// A path of exactly total characters under root, its folders created, the file not.
std::string make_long_path(const std::string& root, size_t total) {
  std::string path = root;
  while (total - path.size() > 201) {
    path += "/" + std::string(150, 'd');
    mkdir(path.c_str(), 0755);
  }
  return path + "/" + std::string(total - path.size() - 1, 'f');
}

std::string parent_of(const std::string& path) {
  return path.substr(0, path.rfind('/'));
}
std::string name_of(const std::string& path) {
  return path.substr(path.rfind('/') + 1);
}

// The file type bits of what is under the name (links not followed); 0 when nothing is.
mode_t node_type(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 ? (st.st_mode & S_IFMT) : 0;
}

const std::string OLD_BYTES = "old settings\n";

}  // namespace

TEST(AtomicWrite, ReplacesTheTargetAndLeavesNoTemporaryFile) {
  scratch_dir dir;
  const std::string target = dir.at("settings.ini");
  ASSERT_TRUE(write_text(target, OLD_BYTES));
  const std::string bytes("new\0bytes", 9);
  EXPECT_EQ(write_file_atomic(target.c_str(), bytes.data(), bytes.size()), 1);
  EXPECT_EQ(read_text(target), bytes);
  EXPECT_EQ(write_file_atomic(dir.at("empty").c_str(), "", 0), 1);
  EXPECT_EQ(read_text(dir.at("empty")), "");
  EXPECT_EQ(names_in(dir.path()), (std::set<std::string>{"settings.ini", "empty"}));
}

TEST(AtomicWrite, TargetsUpToTheLongestPathAreWritten) {
  // The temporary name is longer than the target's, but never needs to fit the target's buffer.
  for (size_t length : {FILE_PATH_MAX - 5, FILE_PATH_MAX - 4, FILE_PATH_MAX - 1}) {
    SCOPED_TRACE(length);
    scratch_dir dir;
    const std::string target = make_long_path(dir.path(), length);
    ASSERT_EQ(target.size(), length);
    ASSERT_TRUE(write_text(target, OLD_BYTES));
    EXPECT_EQ(write_file_atomic(target.c_str(), "new", 3), 1);
    EXPECT_EQ(read_text(target), "new");
    EXPECT_EQ(names_in(parent_of(target)), (std::set<std::string>{name_of(target)}));
  }
}

TEST(AtomicWrite, AFailedWriteKeepsTheOldTargetLeavesNoTemporaryFileAndSaysWhy) {
  struct fault_case {
    const char* what;
    std::function<std::string(const scratch_dir&)> setup;  // gives the target
    size_t length;
    rlim_t limit;         // file-size limit during the write; 0 for none
    std::string message;  // what the message says; "PATH" stands for the target
  };
  auto file_with_old_bytes = [](const std::string& target) {
    EXPECT_TRUE(write_text(target, OLD_BYTES));
    return target;
  };
  auto settings = [&](const scratch_dir& dir) {
    return file_with_old_bytes(dir.at("settings.ini"));
  };
  const rlim_t none = 0;
  const fault_case cases[] = {
      {"a full disk at flush", settings, 100, 50, "file too large"},
      {"a full disk during the write", settings, 1 << 20, 50, "file too large"},
      {"a non-empty folder in the target's place",
       [](const scratch_dir& dir) {
         const std::string target = dir.at("settings.ini");
         EXPECT_EQ(mkdir(target.c_str(), 0755), 0);
         EXPECT_TRUE(write_text(target + "/keep", OLD_BYTES));
         return target;
       },
       100, none, "PATH is not a file (a folder)"},
      {"a FIFO in the target's place",
       [](const scratch_dir& dir) {
         const std::string target = dir.at("settings.ini");
         EXPECT_EQ(mkfifo(target.c_str(), 0644), 0);
         return target;
       },
       100, none, "PATH is not a file (a FIFO)"},
      {"a link to a device node in the target's place",
       [](const scratch_dir& dir) {
         // The null device's numbers, as a node of the test's own.
         EXPECT_EQ(mknod(dir.at("device").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
         EXPECT_EQ(symlink(dir.at("device").c_str(), dir.at("shot.png").c_str()), 0);
         return dir.at("shot.png");
       },
       100, none, "PATH is not a file (a character device)"},
      {"a missing parent folder",
       [](const scratch_dir& dir) { return dir.at("missing/settings.ini"); }, 100, none,
       "no such file or directory"},
      {"a close that fails",
       [&](const scratch_dir& dir) {
         fail_next_fclose = true;
         return file_with_old_bytes(dir.at("settings.ini"));
       },
       100, none, "input/output error"},
  };

  for (const fault_case& c : cases) {
    SCOPED_TRACE(c.what);
    scratch_dir dir;
    const std::string target = c.setup(dir);
    const std::set<std::string> before = names_in(parent_of(target));
    const mode_t type = node_type(target);
    const std::string old_content = type == S_IFREG ? read_text(target) : "";
    const std::string data(c.length, 'n');

    char message[FILE_MESSAGE_MAX] = "";
    int result;
    if (c.limit) {
      write_limit limit(c.limit);
      result =
          write_file_atomic_msg(target.c_str(), data.data(), data.size(), message, sizeof message);
    } else {
      result =
          write_file_atomic_msg(target.c_str(), data.data(), data.size(), message, sizeof message);
    }
    fail_next_fclose = false;

    EXPECT_EQ(result, 0);
    std::string expected = c.message;
    if (expected.rfind("PATH", 0) == 0) expected.replace(0, 4, target);
    EXPECT_EQ(message, expected);
    EXPECT_EQ(node_type(target), type);
    if (type == S_IFREG) {
      EXPECT_EQ(read_text(target), old_content);
    }
    EXPECT_EQ(names_in(parent_of(target)), before);
    if (type == S_IFDIR) {
      EXPECT_EQ(read_text(target + "/keep"), OLD_BYTES);
    }
  }
}

TEST(AtomicWrite, ALinkAtTheOldFixedTemporaryNameIsNeitherFollowedNorTouched) {
  scratch_dir dir;
  const std::string outside = dir.at("outside.txt");
  ASSERT_TRUE(write_text(outside, "not the program's\n"));
  ASSERT_EQ(mkdir(dir.at("data").c_str(), 0755), 0);
  const std::string target = dir.at("data/settings.ini");
  ASSERT_EQ(symlink(outside.c_str(), (target + ".tmp").c_str()), 0);
  EXPECT_EQ(write_file_atomic(target.c_str(), "new", 3), 1);
  EXPECT_EQ(read_text(target), "new");
  EXPECT_EQ(read_text(outside), "not the program's\n");
  EXPECT_EQ(node_type(target + ".tmp"), mode_t(S_IFLNK));
  EXPECT_EQ(names_in(dir.at("data")), (std::set<std::string>{"settings.ini", "settings.ini.tmp"}));
}

TEST(AtomicWrite, TwoProcessesWritingOneTargetNeverMeetInATemporaryFile) {
  scratch_dir dir;
  const std::string target = dir.at("autosave.fest");
  const std::string mine(64 * 1024, 'p'), theirs(48 * 1024, 'c');
  const int rounds = 300;
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    int failures = 0;
    for (int i = 0; i < rounds; i++)
      failures += !write_file_atomic(target.c_str(), theirs.data(), theirs.size());
    _exit(failures ? 1 : 0);
  }
  int failures = 0;
  for (int i = 0; i < rounds; i++)
    failures += !write_file_atomic(target.c_str(), mine.data(), mine.size());
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the other writer failed";
  EXPECT_EQ(failures, 0);
  const std::string last = read_text(target);
  EXPECT_TRUE(last == mine || last == theirs) << last.size() << " bytes";
  EXPECT_EQ(names_in(dir.path()), (std::set<std::string>{"autosave.fest"}));
}

TEST(StaleTemporaryFiles, OnlyRegularFilesOfTheTemporaryShapeAreRemoved) {
  scratch_dir dir;
  const char* removed[] = {".settings.ini.Ab3dE9.tmp", ".slot01.fest.000000.tmp"};
  const char* kept[] = {"settings.ini",           "settings.ini.tmp",         ".settings.ini.tmp",
                        ".settings.ini.Ab3d.tmp", ".settings.ini.Ab3dE!.tmp", "x.Ab3dE9.tmp",
                        ".notes.Ab3dE9.txt"};
  for (const char* name : removed) ASSERT_TRUE(write_text(dir.at(name), "partial"));
  for (const char* name : kept) ASSERT_TRUE(write_text(dir.at(name), "keep"));
  // A folder and a link of the same shape are not files an atomic write leaves behind.
  ASSERT_EQ(mkdir(dir.at(".folder.Zz9Zz9.tmp").c_str(), 0755), 0);
  ASSERT_EQ(symlink(dir.at("settings.ini").c_str(), dir.at(".link.Zz9Zz9.tmp").c_str()), 0);

  EXPECT_EQ(remove_stale_temp_files(dir.path().c_str()), 2);
  std::set<std::string> expected(std::begin(kept), std::end(kept));
  expected.insert(".folder.Zz9Zz9.tmp");
  expected.insert(".link.Zz9Zz9.tmp");
  EXPECT_EQ(names_in(dir.path()), expected);
  EXPECT_EQ(remove_stale_temp_files(dir.at("missing").c_str()), 0);

  // A writer killed in mid-write (here by SIGXFSZ, which the program ignores but this child
  // does not) leaves exactly the kind of file the clean-up is for.
  const std::string target = dir.at("settings.ini");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    struct rlimit limit = {10, 10};
    setrlimit(RLIMIT_FSIZE, &limit);
    signal(SIGXFSZ, SIG_DFL);
    const std::string data(100, 'n');
    write_file_atomic(target.c_str(), data.data(), data.size());
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ);
  EXPECT_EQ(names_in(dir.path()).size(), expected.size() + 1);
  EXPECT_EQ(remove_stale_temp_files(dir.path().c_str()), 1);
  EXPECT_EQ(names_in(dir.path()), expected);
  EXPECT_EQ(read_text(target), "keep");
}
