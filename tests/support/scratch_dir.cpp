// Scratch folders and file helpers for the frontend tests.
#include "scratch_dir.h"

#include <dirent.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

static int scratch_remove(const char* path, const struct stat*, int, struct FTW*) {
  remove(path);
  return 0;
}

scratch_dir::scratch_dir() {
  char name[] = "/tmp/fe_test_XXXXXX";
  if (mkdtemp(name)) root_ = name;
}

scratch_dir::~scratch_dir() {
  if (!root_.empty()) nftw(root_.c_str(), scratch_remove, 16, FTW_DEPTH | FTW_PHYS);
}

bool write_text(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  return bool(out);
}

std::string read_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

bool exists_at_all(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

std::set<std::string> names_in(const std::string& folder) {
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
