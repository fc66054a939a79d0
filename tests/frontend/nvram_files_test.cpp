// NVRAM files: the name, when the file is written (the policy table, a failed write retried) and
// the restore after a ROM set is loaded.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "fake_game.h"
#include "frontend/file_util.h"
#include "frontend/frontend_state.h"
#include "frontend/nvram_files.h"
#include "frontend_fixture.h"
#include "log_capture.h"
#include "write_limit.h"

namespace {

class NvramFilesTest : public frontend_fixture {
 protected:
  void SetUp() override {
    frontend_fixture::SetUp();
    fake.loaded = 1;  // as after the descriptor's load_rom
    fe.rom_ready = 1;
  }
  std::string file() const { return dir.at("nvram/fakegame-1234ABCD.nv"); }
  static std::string eeprom() {
    return std::string(reinterpret_cast<const char*>(fake.nvram), FAKE_GAME_NVRAM_BYTES);
  }
};

const std::string OLD_FILE(FAKE_GAME_NVRAM_BYTES, '\xAA');

}  // namespace

TEST_F(NvramFilesTest, TheFileIsNamedAfterTheGameAndItsFingerprint) {
  char path[FILE_PATH_MAX];
  ASSERT_EQ(nvram_file_path(path, sizeof path), 1);
  EXPECT_EQ(std::string(path), file());
  fe.adapter_copy.rom_fingerprint = nullptr;
  ASSERT_EQ(nvram_file_path(path, sizeof path), 1);
  EXPECT_EQ(std::string(path), dir.at("nvram/fakegame-00000000.nv"));
  const std::string long_id(80, 'g');
  fe.adapter_copy.id = long_id.c_str();
  ASSERT_EQ(nvram_file_path(path, sizeof path), 1);
  EXPECT_EQ(std::string(path_basename(path)), long_id.substr(0, 63));  // cut at 63 characters
  EXPECT_EQ(nvram_file_path(path, 10), 0);
}

TEST_F(NvramFilesTest, TheFileIsWrittenWhenMissingOrChangedAndOtherwiseLeftAlone) {
  struct policy_case {
    const char* what;
    int existing;      // an old file is there
    int dirty;         // the EEPROM changed since the last save or load
    int has_dirty_op;  // the descriptor can tell
    int has_save_op;
    int rom_ready;
    int loaded;  // the fake gives bytes only while loaded
    int written;
  };
  const policy_case cases[] = {
      {"missing file written", 0, 0, 1, 1, 1, 1, 1},
      {"missing file written without a dirty flag", 0, 0, 0, 1, 1, 1, 1},
      {"clean file untouched", 1, 0, 1, 1, 1, 1, 0},
      {"dirty file rewritten", 1, 1, 1, 1, 1, 1, 1},
      {"no dirty flag: an existing file stays", 1, 1, 0, 1, 1, 1, 0},
      {"no nvram_save: nothing", 0, 1, 1, 0, 1, 1, 0},
      {"no ROM ready: nothing", 0, 1, 1, 1, 0, 1, 0},
      {"zero bytes saved: nothing written", 0, 1, 1, 1, 1, 0, 0},
  };
  for (const policy_case& c : cases) {
    fe.adapter_copy = fake_game_descriptor;
    if (!c.has_dirty_op) fe.adapter_copy.nvram_dirty = nullptr;
    if (!c.has_save_op) fe.adapter_copy.nvram_save = nullptr;
    fe.rom_ready = c.rom_ready;
    fake.loaded = c.loaded;
    fake.nvram_dirty = c.dirty;
    fake.nvram[0] = 0x42;
    char path[FILE_PATH_MAX];
    ASSERT_EQ(nvram_file_path(path, sizeof path), 1);
    unlink(path);
    if (c.existing) {
      ASSERT_TRUE(write_text(path, OLD_FILE));
    }
    save_nvram();
    std::string want = c.written ? eeprom() : c.existing ? OLD_FILE : "<missing>";
    EXPECT_EQ(read_text(path), want) << c.what;
  }
}

TEST_F(NvramFilesTest, AFailedWriteIsToldOnceWithItsReasonAndRetriedAtTheNextFlush) {
  log_capture log(fe.log_path);
  ASSERT_TRUE(write_text(file(), OLD_FILE));
  fake.nvram[0] = 0x42;
  fake.nvram_dirty = 1;
  const std::string failed = "NVRAM save failed: " + file() + " (file too large)";
  {
    write_limit disk_full(100);  // the file is 256 bytes
    save_nvram();
    EXPECT_EQ(std::string(fe.toast_text), failed);
    EXPECT_EQ(read_text(file()), OLD_FILE);
    EXPECT_EQ(fake.nvram_dirty, 0);  // the change is now known only to the failed write
    fe.toast_text[0] = '\0';
    save_nvram();  // the next flush fails the same way: nothing more is said
    EXPECT_STREQ(fe.toast_text, "");
  }
  const std::string text = log.text();
  EXPECT_NE(text.find(failed), std::string::npos);
  EXPECT_EQ(text.find(failed), text.rfind(failed));

  save_nvram();
  EXPECT_EQ(read_text(file()), eeprom());

  // Once written, a clean EEPROM leaves the file alone again.
  ASSERT_TRUE(write_text(file(), OLD_FILE));
  save_nvram();
  EXPECT_EQ(read_text(file()), OLD_FILE);
}

TEST_F(NvramFilesTest, AFolderInTheFilesPlaceFailsTheWriteAndIsRetried) {
  log_capture log(fe.log_path);
  ASSERT_EQ(mkdir(file().c_str(), 0755), 0);
  save_nvram();
  EXPECT_TRUE(log.has_prefix("NVRAM save failed: " + file() + " ("));
  EXPECT_FALSE(exists_at_all(file() + ".tmp"));
  ASSERT_EQ(rmdir(file().c_str()), 0);
  ASSERT_TRUE(write_text(file(), OLD_FILE));  // an old file turned up meanwhile
  save_nvram();
  EXPECT_EQ(read_text(file()), eeprom());
}

TEST_F(NvramFilesTest, TheRestoreHandsTheFileToTheGameOrLogsWhyNot) {
  enum { REGULAR, SPARSE_GIB, FIFO };
  struct restore_case {
    const char* what;
    int file_bytes;  // -1 = no file
    int node;        // what is made under the name
    int has_load_op;
    const char* log_line;  // "" = none
    int restored;
  };
  const std::string path = file();
  const std::string restored_line = "NVRAM restored from " + path;
  const std::string refused_line = "NVRAM file " + path + " ignored (unexpected size 255)";
  // Refused before a byte is read, so neither takes memory nor waits for a writer.
  const std::string huge_line = "NVRAM file " + path + " ignored (file is too large)";
  const std::string fifo_line = "NVRAM file ignored: " + path + " is not a file (a FIFO)";
  const restore_case cases[] = {
      {"a whole file", FAKE_GAME_NVRAM_BYTES, REGULAR, 1, restored_line.c_str(), 1},
      {"a 255-byte file", 255, REGULAR, 1, refused_line.c_str(), 0},
      {"a 1 GiB file", 0, SPARSE_GIB, 1, huge_line.c_str(), 0},
      {"a FIFO", 0, FIFO, 1, fifo_line.c_str(), 0},
      {"no file", -1, REGULAR, 1, "", 0},
      {"no nvram_load", FAKE_GAME_NVRAM_BYTES, REGULAR, 0, "", 0},
  };
  for (const restore_case& c : cases) {
    unlink(path.c_str());
    if (c.node == FIFO) {
      ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
    } else if (c.file_bytes >= 0) {
      ASSERT_TRUE(write_text(path, std::string(size_t(c.file_bytes), '\x5A')));
      if (c.node == SPARSE_GIB) {
        ASSERT_EQ(truncate(path.c_str(), 1ll << 30), 0);
      }
    }
    fe.adapter_copy = fake_game_descriptor;
    if (!c.has_load_op) fe.adapter_copy.nvram_load = nullptr;
    fake_game_reset();
    fake.loaded = 1;
    const std::string before = eeprom();
    {
      log_capture log(fe.log_path);
      restore_nvram();
      if (c.log_line[0]) {
        EXPECT_TRUE(log.has(c.log_line)) << c.what;
      } else {
        EXPECT_FALSE(log.has_prefix("NVRAM")) << c.what;
      }
    }
    EXPECT_EQ(eeprom(), c.restored ? std::string(FAKE_GAME_NVRAM_BYTES, '\x5A') : before) << c.what;
  }
}

TEST_F(NvramFilesTest, LoadingAnotherSetForgetsARetryOfTheOldOne) {
  ASSERT_EQ(mkdir(file().c_str(), 0755), 0);
  save_nvram();  // fails
  ASSERT_EQ(rmdir(file().c_str()), 0);
  restore_nvram();
  ASSERT_TRUE(write_text(file(), OLD_FILE));
  save_nvram();
  EXPECT_EQ(read_text(file()), OLD_FILE);
}

TEST_F(NvramFilesTest, AFileTheRestoreRefusedIsKeptAsBadBeforeItIsWrittenOver) {
  log_capture log(fe.log_path);
  const std::string damaged(255, '\x5A');
  ASSERT_TRUE(write_text(file(), damaged));
  ASSERT_TRUE(write_text(file() + ".bad", "an older copy"));
  restore_nvram();
  save_nvram();  // a clean EEPROM leaves the file alone: nothing is kept yet
  EXPECT_EQ(read_text(file()), damaged);
  EXPECT_EQ(read_text(file() + ".bad"), "an older copy");

  fake.nvram[0] = 0x42;
  fake.nvram_dirty = 1;
  save_nvram();
  EXPECT_EQ(read_text(file()), eeprom());
  EXPECT_EQ(read_text(file() + ".bad"), damaged);  // one copy, the older one replaced
  EXPECT_TRUE(log.has("NVRAM file " + file() + " was not loaded; kept as " + file() + ".bad"));

  // The file now written is this run's own: the next write goes over it.
  fake.nvram[0] = 0x43;
  fake.nvram_dirty = 1;
  save_nvram();
  EXPECT_EQ(read_text(file()), eeprom());
  EXPECT_EQ(read_text(file() + ".bad"), damaged);
}

TEST_F(NvramFilesTest, ADamagedFileThatCannotBeKeptIsNotWrittenOver) {
  const std::string damaged(255, '\x5A');
  ASSERT_TRUE(write_text(file(), damaged));
  restore_nvram();
  // A non-empty folder in the copy's place stops the move, even for root.
  ASSERT_EQ(mkdir((file() + ".bad").c_str(), 0755), 0);
  ASSERT_TRUE(write_text(file() + ".bad/x", "x"));
  fake.nvram_dirty = 1;
  save_nvram();
  EXPECT_EQ(read_text(file()), damaged);
  EXPECT_EQ(std::string(fe.toast_text).rfind("NVRAM save failed: " + file() + " (", 0), 0u)
      << fe.toast_text;
}
