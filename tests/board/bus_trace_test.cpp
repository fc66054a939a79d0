// The bus trace file: its line format, the frame range from the environment, and that the
// access which opens the file is itself traced.
#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "board/bus_trace.h"
#include "machine_fixture.h"

namespace {

struct bus_trace_test : ::testing::Test {
  machine_ptr owner = machine_new(0);
  machine* m = owner.get();
  std::string path;

  void SetUp() override {
    char name[] = "/tmp/cb_trace_XXXXXX";
    const int fd = mkstemp(name);
    ASSERT_GE(fd, 0);
    close(fd);
    path = name;
    setenv("CB_TRACE_IO", path.c_str(), 1);
    unsetenv("CB_TRACE_FRAMES");
    bus_trace_restart();
  }
  void TearDown() override {
    bus_trace_restart();
    unsetenv("CB_TRACE_IO");
    unsetenv("CB_TRACE_FRAMES");
    std::remove(path.c_str());
  }
  // Closes the trace (which flushes it) and returns what it holds.
  std::string contents() {
    bus_trace_restart();
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // One traced access in each of frames 1 to 6 (frame_counter 0 to 5).
  void trace_six_frames() {
    for (uint64_t f = 0; f < 6; f++) {
      m->frame_counter = f;
      io_trace(m, 'r', 0x03000000, static_cast<uint32_t>(f));
    }
  }
};

TEST_F(bus_trace_test, TheAccessThatOpensTheFileIsTracedToo) {
  m->frame_counter = 41;
  m->sh2.cycles = 123456789012ull;
  io_trace(m, 'r', 0x03000004, 0x11000000);
  io_trace(m, 'w', 0x0405FFDC, 0x00400000);
  EXPECT_EQ(contents(),
            "42 r 03000004 11000000 123456789012\n"
            "42 w 0405FFDC 00400000 123456789012\n");
}

TEST_F(bus_trace_test, TheFrameRangeKeepsMissingPartsAtTheirDefaults) {
  const struct {
    const char* frames;  // null: unset
    const char* lines;   // the values traced, frames 1-6 trace 0-5
  } cases[] = {
      {nullptr, "012345"},
      {"2-4", "123"},
      {"5", "45"},
      {"-3", "012"},
      {"4-", "345"},
      {"x", "012345"},
      {"3-3", "2"},
      {"5-2", ""},
      // As "%llu-%llu" reads them: blanks before a number and a plus sign are part of it; a
      // blank before the dash ends the read.
      {" 2-4", "123"},
      {"+2-+4", "123"},
      {"2- 4", "123"},
      {"\t2-\n4", "123"},
      {" -4", "0123"},
      {"2 -4", "12345"},
      {"+-4", "012345"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.frames ? c.frames : "(unset)");
    if (c.frames)
      setenv("CB_TRACE_FRAMES", c.frames, 1);
    else
      unsetenv("CB_TRACE_FRAMES");
    bus_trace_restart();
    trace_six_frames();
    std::string values;
    std::istringstream lines(contents());
    for (std::string line; std::getline(lines, line);)
      values += line.substr(line.find(' ', 4) + 8, 1);  // last digit of the value
    EXPECT_EQ(values, c.lines);
  }
}

TEST_F(bus_trace_test, WithoutTheVariableOrWithAnUnopenableFileNothingIsWritten) {
  unsetenv("CB_TRACE_IO");
  bus_trace_restart();
  trace_six_frames();
  EXPECT_EQ(contents(), "");

  setenv("CB_TRACE_IO", "/nonexistent-folder/trace.txt", 1);
  bus_trace_restart();
  trace_six_frames();  // must not crash; tracing stays off for the run
  setenv("CB_TRACE_IO", path.c_str(), 1);
  trace_six_frames();  // the environment is read only once
  std::ifstream in(path);
  EXPECT_EQ(in.peek(), EOF);
}

}  // namespace
