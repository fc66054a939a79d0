// The test harness itself: SH-2 programs are assembled, linked to raw big-endian images and
// embedded; the shared data folder is found or the test skips.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "sh2_program.h"
#include "shared_data.h"

TEST(Harness, AnAssembledProgramIsEmbeddedAsBigEndianOpcodes) {
  const sh2_program* p = sh2_program_find("two_instructions");
  ASSERT_NE(p, nullptr);
  // mov #1,r0 = E001; rts = 000B; nop = 0009
  const std::vector<unsigned char> expected = {0xE0, 0x01, 0x00, 0x0B, 0x00, 0x09};
  ASSERT_EQ(p->size, expected.size());
  EXPECT_EQ(std::vector<unsigned char>(p->data, p->data + p->size), expected);
}

TEST(Harness, AnUnknownProgramIsNotFound) {
  EXPECT_EQ(sh2_program_find("no_such_program"), nullptr);
}

TEST(Harness, TheSharedDataFolderFollowsTheEnvironment) {
  const char* old = std::getenv("CB_SHARED_DIR");
  const std::string saved = old ? old : "";
  char dir[] = "/tmp/cb_shared_XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  setenv("CB_SHARED_DIR", dir, 1);
  EXPECT_EQ(shared_data_dir(), dir);
  EXPECT_FALSE(shared_data_has("vectors"));
  ASSERT_EQ(mkdir(shared_data_path("vectors").c_str(), 0700), 0);
  EXPECT_TRUE(shared_data_has("vectors"));
  rmdir(shared_data_path("vectors").c_str());
  rmdir(dir);
  if (old) setenv("CB_SHARED_DIR", saved.c_str(), 1); else unsetenv("CB_SHARED_DIR");
}
