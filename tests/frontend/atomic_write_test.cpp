// Atomic whole-file writes: the target holds its old bytes or all of the new ones, and no
// temporary file survives a failure. Faults are injected without relying on permissions
// (the CI runs as root): a temporary name that links to /dev/full, a folder in the target's
// place, a missing parent, over-long names, and a close that fails (this binary is linked
// with fclose wrapped).
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <set>
#include <string>

#include "frontend/file_util.h"
#include "scratch_dir.h"

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

// Names in a folder, hidden ones included.
std::set<std::string> folder_names(const std::string& folder) {
  std::set<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (struct dirent* item = readdir(dir)) {
      std::string name = item->d_name;
      if (name != "." && name != "..") names.insert(name);
    }
    closedir(dir);
  }
  return names;
}

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
  EXPECT_EQ(folder_names(dir.path()), (std::set<std::string>{"settings.ini", "empty"}));
}

TEST(AtomicWrite, ALongTargetWhoseTemporaryNameStillFitsIsWritten) {
  scratch_dir dir;
  const std::string target = make_long_path(dir.path(), FILE_PATH_MAX - 5);  // + ".tmp" fits
  ASSERT_EQ(target.size(), 2043u);
  ASSERT_TRUE(write_text(target, OLD_BYTES));
  EXPECT_EQ(write_file_atomic(target.c_str(), "new", 3), 1);
  EXPECT_EQ(read_text(target), "new");
  EXPECT_EQ(folder_names(parent_of(target)), (std::set<std::string>{name_of(target)}));
}

TEST(AtomicWrite, AFailedWriteKeepsTheOldTargetAndLeavesNoTemporaryFile) {
  struct fault_case {
    const char* what;
    std::function<std::string(const scratch_dir&)> setup;  // gives the target
    size_t length;
  };
  auto file_with_old_bytes = [](const std::string& target) {
    EXPECT_TRUE(write_text(target, OLD_BYTES));
    return target;
  };
  auto full_disk = [&](const scratch_dir& dir) {
    const std::string target = file_with_old_bytes(dir.at("settings.ini"));
    EXPECT_EQ(symlink("/dev/full", (target + ".tmp").c_str()), 0);
    return target;
  };
  const fault_case cases[] = {
      {"a full disk at flush", full_disk, 100},
      {"a full disk during the write", full_disk, 1 << 20},
      {"a non-empty folder in the target's place",
       [](const scratch_dir& dir) {
         const std::string target = dir.at("settings.ini");
         EXPECT_EQ(mkdir(target.c_str(), 0755), 0);
         EXPECT_TRUE(write_text(target + "/keep", OLD_BYTES));
         return target;
       },
       100},
      {"a missing parent folder",
       [](const scratch_dir& dir) { return dir.at("missing/settings.ini"); }, 100},
      {"a target whose temporary name is one character too long",
       [&](const scratch_dir& dir) {
         return file_with_old_bytes(make_long_path(dir.path(), FILE_PATH_MAX - 4));
       },
       100},
      {"a target whose cut temporary name would be the target itself",
       [&](const scratch_dir& dir) {
         return file_with_old_bytes(make_long_path(dir.path(), FILE_PATH_MAX - 1));
       },
       100},
      {"a close that fails",
       [&](const scratch_dir& dir) {
         fail_next_fclose = true;
         return file_with_old_bytes(dir.at("settings.ini"));
       },
       100},
  };

  for (const fault_case& c : cases) {
    SCOPED_TRACE(c.what);
    scratch_dir dir;
    const std::string target = c.setup(dir);
    const std::set<std::string> before = folder_names(parent_of(target));
    const std::string old_content = read_text(target);
    const std::string data(c.length, 'n');

    EXPECT_EQ(write_file_atomic(target.c_str(), data.data(), data.size()), 0);
    fail_next_fclose = false;

    EXPECT_EQ(read_text(target), old_content);
    std::set<std::string> expected = before;
    expected.erase(name_of(target) + ".tmp");  // a planted link is removed with the temporary
    EXPECT_EQ(folder_names(parent_of(target)), expected);
    if (path_is_dir(target.c_str())) {
      EXPECT_EQ(read_text(target + "/keep"), OLD_BYTES);
    }
  }
}
