// A fresh folder under /tmp for one test, removed with everything in it when the test ends,
// plus small file helpers the frontend tests share.
#pragma once

#include <set>
#include <string>

class scratch_dir {
 public:
  scratch_dir();
  ~scratch_dir();
  scratch_dir(const scratch_dir&) = delete;
  scratch_dir& operator=(const scratch_dir&) = delete;

  const std::string& path() const { return root_; }
  // root joined with a relative name.
  std::string at(const std::string& name) const { return root_ + "/" + name; }

 private:
  std::string root_;
};

// Writes bytes to a file (replacing it); false when that fails.
bool write_text(const std::string& path, const std::string& bytes);

// The whole file, or "<missing>" when it cannot be read.
std::string read_text(const std::string& path);

// True when something (even a broken link) exists under the name.
bool exists_at_all(const std::string& path);

// The names in a folder, hidden ones included ("." and ".." left out); empty when it cannot be
// listed.
std::set<std::string> names_in(const std::string& folder);
