#include "shared_data.h"

#include <cstdlib>
#include <sys/stat.h>

std::string shared_data_dir() {
  const char* env = std::getenv("CB_SHARED_DIR");
  return env && *env ? env : CB_SHARED_DIR_DEFAULT;
}

std::string shared_data_path(const char* relative) {
  return shared_data_dir() + "/" + relative;
}

int shared_data_has(const char* relative) {
  struct stat st;
  return stat(shared_data_path(relative).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
