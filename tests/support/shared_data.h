// Where the tests find the shared data folder that sits beside the checkout (single-step
// vectors and the like). Tests that need it skip when it is absent.
#pragma once

#include <string>

// The folder: $CB_SHARED_DIR when set, else the path the build was configured with.
std::string shared_data_dir();

// shared_data_dir() joined with a relative path.
std::string shared_data_path(const char* relative);

// 1 when the path names an existing folder.
int shared_data_has(const char* relative);
