// Paths, folder creation, whole-file reads, listings, locations and the log line.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "frontend/file_util.h"
#include "frontend/log.h"
#include "scratch_dir.h"

namespace {

// Sets or unsets HOME for one test and puts the old value back.
class home_override {
 public:
  explicit home_override(const char* value) {
    const char* old = getenv("HOME");
    had_ = old != nullptr;
    if (had_) old_ = old;
    if (value)
      setenv("HOME", value, 1);
    else
      unsetenv("HOME");
  }
  ~home_override() {
    if (had_)
      setenv("HOME", old_.c_str(), 1);
    else
      unsetenv("HOME");
  }

 private:
  bool had_;
  std::string old_;
};

std::vector<std::string> names_of(const dir_entry* entries, int count) {
  std::vector<std::string> names;
  for (int i = 0; i < count; i++) names.push_back(entries[i].name);
  return names;
}

// The line without its "[HH:MM:SS] " stamp, or "<no stamp>" when it does not start with one.
std::string unstamped(const std::string& line) {
  const char* shape = "[00:00:00] ";
  if (line.size() < 11) return "<no stamp>";
  for (size_t i = 0; i < 11; i++) {
    bool digit = shape[i] == '0';
    if (digit ? !isdigit((unsigned char)line[i]) : line[i] != shape[i]) return "<no stamp>";
  }
  return line.substr(11);
}

// Splits text after each '\n' (the pieces keep it).
std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    end = end == std::string::npos ? text.size() : end + 1;
    lines.push_back(text.substr(start, end - start));
    start = end;
  }
  return lines;
}

}  // namespace

TEST(PathJoin, JoinsWithOneSeparatorAndReportsCuts) {
  struct join_case {
    const char* folder;
    const char* name;
    size_t size;
    const char* expected;
    int fit;
  };
  const join_case cases[] = {
      {"/data/", "x", 64, "/data/x", 1},
      {"/data", "x", 64, "/data/x", 1},
      {"C:\\games\\", "x", 64, "C:\\games\\x", 1},
      {"", "x", 64, "/x", 1},
      {"/data", "a", 8, "/data/a", 1},   // exactly fills the buffer
      {"/data", "ab", 8, "/data/a", 0},  // one character too many
      {"/data", "long.zip", 4, "/da", 0},
  };
  for (const join_case& c : cases) {
    char out[64];
    memset(out, 'Z', sizeof out);
    EXPECT_EQ(path_join(out, c.size, c.folder, c.name), c.fit) << c.folder << " + " << c.name;
    EXPECT_STREQ(out, c.expected) << c.folder << " + " << c.name;
  }
}

TEST(PathParent, GivesTheFolderAboveWithRootsKept) {
  const char* cases[][2] = {
      {"cobaltin.zip", ""},
      {"/file.zip", "/"},
      {"/roms", "/"},
      {"/", "/"},
      {"/a/b", "/a"},
      {"/a/b/", "/a/b"},
      {"C:\\roms", "C:\\"},
      {"C:\\", "C:\\"},
      {"C:\\roms\\x.zip", "C:\\roms"},
      {"roms\\x.zip", "roms"},
      {"a/b\\c", "a/b"},
  };
  for (const auto& c : cases) {
    char out[64];
    path_parent(c[0], out, sizeof out);
    EXPECT_STREQ(out, c[1]) << c[0];
  }
  // The copy is cut before the separator is looked for.
  char small[6];
  path_parent("/abc/def/ghi", small, sizeof small);
  EXPECT_STREQ(small, "/abc");
}

TEST(PathBasename, PointsJustAfterTheLastSeparator) {
  const char* cases[][2] = {
      {"/roms/cobaltin.zip", "cobaltin.zip"},
      {"cobaltin.zip", "cobaltin.zip"},
      {"C:\\roms\\x.zip", "x.zip"},
      {"/roms/", ""},
  };
  for (const auto& c : cases) EXPECT_STREQ(path_basename(c[0]), c[1]) << c[0];
}

TEST(PathMakeDirs, CreatesEveryMissingFolderAndRefusesWhatCannotBeAFolder) {
  scratch_dir dir;
  ASSERT_TRUE(write_text(dir.at("file"), "x"));
  struct make_case {
    std::string path;
    int result;
  };
  const make_case cases[] = {
      {dir.at("a/b/c/"), 1},                // nested, trailing separator
      {dir.at("a/b/c"), 1},                 // already there
      {dir.at("a//d"), 1},                  // doubled separator
      {dir.at("file"), 0},                  // a regular file is in the way
      {dir.at("file/sub"), 0},              // ... or above
      {dir.at(std::string(2100, 'n')), 0},  // too long to hold
  };
  for (const make_case& c : cases) {
    EXPECT_EQ(path_make_dirs(c.path.c_str()), c.result) << c.path;
  }
  EXPECT_TRUE(path_is_dir(dir.at("a").c_str()));
  EXPECT_TRUE(path_is_dir(dir.at("a/b").c_str()));
  EXPECT_TRUE(path_is_dir(dir.at("a/b/c").c_str()));
  EXPECT_TRUE(path_is_dir(dir.at("a/d").c_str()));
  EXPECT_TRUE(path_is_file(dir.at("file").c_str()));
  EXPECT_FALSE(path_is_dir(dir.at("file").c_str()));
  EXPECT_FALSE(path_is_file(dir.at("a").c_str()));
}

TEST(ReadFile, GivesTheBytesWithATerminatingNul) {
  scratch_dir dir;
  ASSERT_TRUE(write_text(dir.at("empty"), ""));
  uint64_t length = 99;
  uint8_t* data = read_file(dir.at("empty").c_str(), &length);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(data[0], 0);
  free(data);

  const std::string bytes("a\0b\xff\n", 5);
  ASSERT_TRUE(write_text(dir.at("binary"), bytes));
  data = read_file(dir.at("binary").c_str(), &length);
  ASSERT_NE(data, nullptr);
  ASSERT_EQ(length, 5u);
  EXPECT_EQ(std::string((const char*)data, 5), bytes);
  EXPECT_EQ(data[5], 0);
  free(data);
}

TEST(ReadFile, GivesNullForAMissingFileOrAFolder) {
  scratch_dir dir;
  uint64_t length = 7;
  EXPECT_EQ(read_file(dir.at("missing").c_str(), &length), nullptr);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(read_file(dir.path().c_str(), &length), nullptr);
}

TEST(ReadFile, OnlyRegularFilesWithinTheBoundAreReadAndEveryRefusalSaysWhy) {
  scratch_dir dir;
  ASSERT_TRUE(write_text(dir.at("small"), "12345678"));
  ASSERT_TRUE(write_text(dir.at("sparse"), "x"));
  ASSERT_EQ(truncate(dir.at("sparse").c_str(), 3ll << 30), 0);  // 3 GiB, taking no room
  // Opening these for reading would wait for a writer or act on a device.
  ASSERT_EQ(mkfifo(dir.at("fifo").c_str(), 0644), 0);
  ASSERT_EQ(mknod(dir.at("device").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
  ASSERT_EQ(symlink(dir.at("device").c_str(), dir.at("device-link").c_str()), 0);
  ASSERT_EQ(symlink(dir.at("gone").c_str(), dir.at("dangling").c_str()), 0);
  ASSERT_TRUE(write_text(dir.at("file"), ""));
  struct read_case {
    const char* name;
    uint64_t bound;
    int32_t refusal;
    std::string message;  // "PATH" stands for the path
  };
  const read_case cases[] = {
      {"small", 8, FILE_READ_OK, ""},
      {"small", 7, FILE_TOO_LARGE, "file is too large"},
      {"sparse", 16 << 20, FILE_TOO_LARGE, "file is too large"},
      {"fifo", 16 << 20, FILE_NOT_REGULAR, "PATH is not a file (a FIFO)"},
      {"device-link", 16 << 20, FILE_NOT_REGULAR, "PATH is not a file (a character device)"},
      {".", 16 << 20, FILE_NOT_REGULAR, "PATH is not a file (a folder)"},
      {"missing", 16 << 20, FILE_MISSING, "no such file or directory"},
      {"dangling", 16 << 20, FILE_MISSING, "no such file or directory"},
      {"file/below", 16 << 20, FILE_FAILED, "not a directory"},
  };
  for (const read_case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.at(c.name);
    uint64_t length = 99;
    int32_t refusal = -1;
    char message[FILE_MESSAGE_MAX] = "untouched";
    uint8_t* data =
        read_file_limited(path.c_str(), c.bound, &length, &refusal, message, sizeof message);
    EXPECT_EQ(refusal, c.refusal);
    if (c.refusal == FILE_READ_OK) {
      ASSERT_NE(data, nullptr);
      EXPECT_EQ(length, 8u);
      EXPECT_STREQ(message, "untouched");
    } else {
      EXPECT_EQ(data, nullptr);
      EXPECT_EQ(length, 0u);
      std::string expected = c.message;
      if (expected.rfind("PATH", 0) == 0) expected.replace(0, 4, path);
      EXPECT_EQ(message, expected);
    }
    free(data);
  }
}

TEST(OpenForWriting, TruncatesAFileCreatesAMissingOneAndRefusesEverythingElse) {
  scratch_dir dir;
  ASSERT_TRUE(write_text(dir.at("old"), "old content"));
  ASSERT_EQ(mkfifo(dir.at("fifo").c_str(), 0644), 0);  // with no reader: open would block
  ASSERT_EQ(mknod(dir.at("device").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
  ASSERT_EQ(symlink(dir.at("device").c_str(), dir.at("device-link").c_str()), 0);
  for (const char* name : {"old", "new"}) {
    char message[FILE_MESSAGE_MAX] = "";
    FILE* file = file_open_write(dir.at(name).c_str(), message, sizeof message);
    ASSERT_NE(file, nullptr) << name << ": " << message;
    fputs("fresh", file);
    EXPECT_EQ(fclose(file), 0);
    EXPECT_EQ(read_text(dir.at(name)), "fresh");
  }
  ASSERT_EQ(symlink(dir.at("elsewhere").c_str(), dir.at("dangling").c_str()), 0);
  const std::pair<const char*, const char*> refused[] = {
      {"fifo", " is not a file (a FIFO)"},
      {"device-link", " is not a file (a character device)"},
      {".", " is not a file (a folder)"},
      {"dangling", " is a link to a missing file"}};
  for (const auto& [name, reason] : refused) {
    const std::string path = dir.at(name);
    char message[FILE_MESSAGE_MAX] = "";
    EXPECT_EQ(file_open_write(path.c_str(), message, sizeof message), nullptr);
    EXPECT_EQ(message, path + reason);
  }
  EXPECT_FALSE(exists_at_all(dir.at("elsewhere")));
  struct stat st;
  ASSERT_EQ(stat(dir.at("device").c_str(), &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
}

TEST(ListDir, ListsFoldersFirstThenNamesWithoutRegardToCase) {
  scratch_dir dir;
  ASSERT_TRUE(write_text(dir.at("b.zip"), "z"));
  ASSERT_TRUE(write_text(dir.at("B2.zip"), "z"));
  ASSERT_TRUE(write_text(dir.at(".hidden"), "h"));
  ASSERT_EQ(mkdir(dir.at("A").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(dir.at("c").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(dir.at(".config").c_str(), 0755), 0);
  ASSERT_EQ(symlink(dir.at("c").c_str(), dir.at("linked").c_str()), 0);
  ASSERT_EQ(symlink(dir.at("gone").c_str(), dir.at("broken").c_str()), 0);

  dir_entry* entries = nullptr;
  int count = list_dir(dir.path().c_str(), &entries);
  ASSERT_NE(entries, nullptr);
  EXPECT_EQ(names_of(entries, count),
            (std::vector<std::string>{"A", "c", "linked", "b.zip", "B2.zip"}));
  const int expected_dirs[] = {1, 1, 1, 0, 0};
  for (int i = 0; i < count && i < 5; i++) EXPECT_EQ(entries[i].is_dir, expected_dirs[i]) << i;
  free(entries);
}

TEST(ListDir, GrowsPastItsFirstArray) {
  scratch_dir dir;
  char name[16];
  for (int i = 0; i < 150; i++) {
    snprintf(name, sizeof name, "f%d", 1000 + i);
    ASSERT_TRUE(write_text(dir.at(name), ""));
  }
  dir_entry* entries = nullptr;
  int count = list_dir(dir.path().c_str(), &entries);
  ASSERT_EQ(count, 150);
  for (int i = 0; i < count; i++) {
    snprintf(name, sizeof name, "f%d", 1000 + i);
    EXPECT_STREQ(entries[i].name, name);
  }
  free(entries);
}

TEST(ListDir, AnEmptyFolderGivesAnArrayAndAMissingOneGivesMinusOne) {
  scratch_dir dir;
  dir_entry* entries = nullptr;
  EXPECT_EQ(list_dir(dir.path().c_str(), &entries), 0);
  EXPECT_NE(entries, nullptr);
  free(entries);
  entries = (dir_entry*)1;
  EXPECT_EQ(list_dir(dir.at("missing").c_str(), &entries), -1);
  EXPECT_EQ(entries, nullptr);
}

TEST(ListLocations, StartsWithHomeWhenSetAndOnlyOffersFolders) {
  {
    home_override home("/no/such/home");
    dir_entry* entries = nullptr;
    int count = list_locations(&entries);
    ASSERT_GE(count, 2);
    EXPECT_STREQ(entries[0].name, "/no/such/home");
    EXPECT_STREQ(entries[1].name, "/");
    for (int i = 0; i < count; i++) {
      EXPECT_EQ(entries[i].is_dir, 1);
      if (i > 0) {
        EXPECT_TRUE(path_is_dir(entries[i].name)) << entries[i].name;
      }
    }
    free(entries);
  }
  {
    home_override home(nullptr);
    dir_entry* entries = nullptr;
    ASSERT_GE(list_locations(&entries), 1);
    EXPECT_STREQ(entries[0].name, "/");
    free(entries);
  }
}

TEST(HomeDir, GivesHomeOnlyWhenSetAndNotEmpty) {
  char out[16];
  {
    home_override home("/home/player/long/path");
    EXPECT_EQ(home_dir(out, sizeof out), 1);
    EXPECT_STREQ(out, "/home/player/lo");  // cut to fit
  }
  for (const char* unset : {static_cast<const char*>(nullptr), ""}) {
    home_override home(unset);
    EXPECT_EQ(home_dir(out, sizeof out), 0);
    EXPECT_STREQ(out, "");
    dir_entry* entries = nullptr;
    ASSERT_GE(list_locations(&entries), 1);
    EXPECT_STREQ(entries[0].name, "/");  // no "" (the root by another name) before it
    free(entries);
  }
}

TEST(Log, WritesTimeStampedLinesToStderrAndTheFile) {
  scratch_dir dir;
  const std::string path = dir.at("frontend.log");
  ASSERT_TRUE(write_text(path, "old content\n"));
  log_file_open(path.c_str());
  testing::internal::CaptureStderr();
  log_printf("profile: %s", "none");
  log_printf("exit: %d frames", 42);
  // Read before anything flushes every stream (taking the captured text does): each line must
  // already be in the file.
  const std::string file = read_text(path);
  const std::string err = testing::internal::GetCapturedStderr();
  log_file_close();

  const std::vector<std::string> lines = lines_of(file);
  ASSERT_EQ(lines.size(), 2u) << file;
  EXPECT_EQ(unstamped(lines[0]), "profile: none\n");
  EXPECT_EQ(unstamped(lines[1]), "exit: 42 frames\n");
  EXPECT_EQ(err, file);
}

TEST(Log, AFifoInTheLogsPlaceIsNotOpenedAndTheLineSaysWhy) {
  scratch_dir dir;
  const std::string fifo = dir.at("frontend.log");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);  // opening it for writing would wait for a reader
  testing::internal::CaptureStderr();
  log_file_open(fifo.c_str());
  log_printf("still told");
  const std::string err = testing::internal::GetCapturedStderr();
  log_file_close();
  const std::vector<std::string> lines = lines_of(err);
  ASSERT_EQ(lines.size(), 2u) << err;
  EXPECT_EQ(unstamped(lines[0]),
            "cannot open the log " + fifo + ": " + fifo + " is not a file (a FIFO)\n");
  EXPECT_EQ(unstamped(lines[1]), "still told\n");
}

TEST(Log, StillWritesToStderrWithoutAFileAndCutsLongMessages) {
  scratch_dir dir;
  log_file_open(dir.at("no/such/folder/frontend.log").c_str());  // cannot open
  testing::internal::CaptureStderr();
  log_printf("%s", std::string(3000, 'm').c_str());
  const std::string err = testing::internal::GetCapturedStderr();
  log_file_close();
  EXPECT_EQ(unstamped(err), std::string(2047, 'm') + "\n");
}
