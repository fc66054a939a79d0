// The on-chip write trace on standard error. The environment is looked up once per process, at
// the first on-chip write, so this binary holds only this case.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "board/onchip.h"
#include "machine_fixture.h"

TEST(onchip_trace, EveryOnChipWriteIsPrintedFromTheFirstOnWhenTheVariableIsSet) {
  setenv("CB_TRACE_ONCHIP", "1", 1);
  machine_ptr m = machine_new(0);
  m->sh2.pc = 0x06001234;
  testing::internal::CaptureStderr();
  onchip_write(m.get(), 0xFFFFFF00, 0xFFFFFFFF, 4);
  onchip_write(m.get(), 0xFFFFFE12, 0xABCD, 2);
  m->sh2.pc = 0x0600ABCE;
  onchip_write(m.get(), 0xFFFFFE91, 0x1FF, 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "onchip w32 FFFFFF00 = FFFFFFFF pc=06001234\n"
            "onchip w16 FFFFFE12 = 0000ABCD pc=06001234\n"
            "onchip w8 FFFFFE91 = 000001FF pc=0600ABCE\n");
  unsetenv("CB_TRACE_ONCHIP");
}
