// The SH7604 on-chip registers: the division unit over its whole overflow table (run under
// UBSan too), and the free-running timer's counting, flags, compare registers, events and the
// interrupt request it posts to the CPU.
#include <gtest/gtest.h>

#include "board/onchip.h"
#include "machine_fixture.h"

namespace {

const uint32_t DVSR = 0xFFFFFF00, DVDNT = 0xFFFFFF04, DVCR = 0xFFFFFF08, DVDNTH = 0xFFFFFF10,
               DVDNTL = 0xFFFFFF14, DVDNTH_COPY = 0xFFFFFF18, DVDNTL_COPY = 0xFFFFFF1C;
const uint32_t TIER = 0xFFFFFE10, FTCSR = 0xFFFFFE11, FRC_H = 0xFFFFFE12, OCR_H = 0xFFFFFE14,
               TCR = 0xFFFFFE16, TOCR = 0xFFFFFE17, IPRB = 0xFFFFFE60, VCRC = 0xFFFFFE66,
               VCRD = 0xFFFFFE68;

struct onchip_test : ::testing::Test {
  machine_ptr owner = machine_new(0);
  machine* m = owner.get();

  void SetUp() override { m->onchip.frt_next_cycle = ~uint64_t{0}; }
  void w8(uint32_t a, uint32_t v) { onchip_write(m, a, v, 1); }
  void w16(uint32_t a, uint32_t v) { onchip_write(m, a, v, 2); }
  void w32(uint32_t a, uint32_t v) { onchip_write(m, a, v, 4); }
  uint32_t r32(uint32_t a) { return onchip_read32(m, a); }
  uint32_t frc() { return frt_read8(m, 0x12) << 8 | frt_read8(m, 0x13); }
  // Runs the FRT's event at its cycle, as the frame loop does.
  void reach_event() {
    ASSERT_NE(m->onchip.frt_next_cycle, ~uint64_t{0});
    m->sh2.cycles = m->onchip.frt_next_cycle;
    frt_event_step(m);
  }
};

struct division_case {
  int wide;  // 0: 32/32 through DVDNT; 1: 64/32 through DVDNTH and DVDNTL
  uint32_t divisor, high, low;
  uint32_t quotient, remainder;
  int overflow;
};

const uint32_t SAT = 0x7FFFFFFF;
const division_case division_cases[] = {
    {0, 3, 0, 10, 3, 1, 0},
    {0, 3, 0, static_cast<uint32_t>(-10), static_cast<uint32_t>(-3), static_cast<uint32_t>(-1), 0},
    {0, static_cast<uint32_t>(-2), 0, 7, static_cast<uint32_t>(-3), 1, 0},
    {0, 0, 0, 5, SAT, SAT, 1},
    {0, 0xFFFFFFFF, 0, 0x80000000, SAT, SAT, 1},  // INT_MIN / -1
    {0, 1, 0, 0x80000000, 0x80000000, 0, 0},
    {1, 2, 0, 0xFFFFFFFF, 0x7FFFFFFF, 1, 0},
    {1, 2, 1, 0, SAT, SAT, 1},                             // quotient 2^31 does not fit
    {1, 0xFFFFFFFF, 0x80000000, 0, SAT, SAT, 1},           // -2^63 / -1
    {1, 0xFFFFFFFF, 0xFFFFFFFF, 0x80000000, SAT, SAT, 1},  // -2^31 / -1 = 2^31
    {1, 1, 0xFFFFFFFF, 0x80000000, 0x80000000, 0, 0},      // -2^31 fits
    {1, 3, 0xFFFFFFFF, static_cast<uint32_t>(-10), static_cast<uint32_t>(-3),
     static_cast<uint32_t>(-1), 0},
    {1, 0, 5, 5, SAT, SAT, 1},
};

TEST_F(onchip_test, TheDividerFollowsItsOverflowTable) {
  for (const division_case& c : division_cases) {
    SCOPED_TRACE(testing::Message() << c.wide << " " << c.high << ":" << c.low << " / "
                                    << static_cast<int32_t>(c.divisor));
    w32(DVCR, 1);  // clear OVF from the case before
    w32(DVSR, c.divisor);
    if (c.wide) {
      w32(DVDNTH, c.high);
      w32(DVDNTL, c.low);
    } else {
      w32(DVDNT, c.low);
    }
    EXPECT_EQ(r32(DVDNT), c.quotient);
    EXPECT_EQ(r32(DVDNTL), c.quotient);
    EXPECT_EQ(r32(DVDNTL_COPY), c.quotient);
    EXPECT_EQ(r32(DVDNTH), c.remainder);
    EXPECT_EQ(r32(DVDNTH_COPY), c.remainder);
    EXPECT_EQ(r32(DVCR), static_cast<uint32_t>(c.overflow));
    EXPECT_EQ(r32(DVSR), c.divisor);
  }
}

TEST_F(onchip_test, DvcrClearsOverflowOnlyByWritingOneAndSetsOvfieForGood) {
  w32(DVSR, 0);
  w32(DVDNT, 5);
  EXPECT_EQ(r32(DVCR), 1u);
  w32(DVCR, 0);
  EXPECT_EQ(r32(DVCR), 1u);
  w32(DVCR, 1);
  EXPECT_EQ(r32(DVCR), 0u);
  w32(DVCR, 2);
  EXPECT_EQ(r32(DVCR), 2u);
  w32(DVCR, 0);
  EXPECT_EQ(r32(DVCR), 2u);
}

TEST_F(onchip_test, OtherRegistersAreStoredBigEndianAndReadBack) {
  w32(0xFFFFFE80, 0x11223344);
  w8(0xFFFFFE81, 0xAB);
  w16(0xFFFFFE82, 0xCDEF);
  EXPECT_EQ(r32(0xFFFFFE80), 0x11ABCDEFu);
  EXPECT_EQ(m->onchip.image[0x80], 0x11);
  w32(0xFFFFFF0C, 0x0000007F);  // VCRDIV: plain storage
  EXPECT_EQ(r32(0xFFFFFF0C), 0x7Fu);
  w16(0xFFFFFE18, 0xBEEF);  // input capture: stored, but its long reads 0
  EXPECT_EQ(m->onchip.image[0x18], 0xBE);
  EXPECT_EQ(r32(0xFFFFFE18), 0u);
}

TEST_F(onchip_test, FrcCountsWholeClockPeriodsAndDropsTheRest) {
  w8(TCR, 0);  // CPU clock / 8
  m->sh2.cycles += 80;
  EXPECT_EQ(frc(), 10u);
  m->sh2.cycles += 7;
  EXPECT_EQ(frc(), 10u);
  m->sh2.cycles += 8;  // 15 after the first read: one count, the 7 extra cycles are lost
  EXPECT_EQ(frc(), 11u);
  m->sh2.cycles += 7;
  EXPECT_EQ(frc(), 11u);

  for (uint32_t tcr : {1u, 2u}) {
    w8(TCR, tcr);
    w16(FRC_H, 0);
    m->sh2.cycles += 128 * 3;
    EXPECT_EQ(frc(), tcr == 1 ? 12u : 3u);
  }
}

TEST_F(onchip_test, TheExternalClockNeverCountsAndSchedulesNothing) {
  w8(TCR, 3);
  w8(TIER, FRT_OVF);
  w16(OCR_H, 100);
  w16(FRC_H, 0x1234);
  EXPECT_EQ(m->onchip.frt_next_cycle, ~uint64_t{0});
  m->sh2.cycles += 100000;
  EXPECT_EQ(frc(), 0x1234u);
}

TEST_F(onchip_test, FtcsrFlagsAreClearedByZerosAndNeverSetByOnes) {
  m->onchip.frt_ftcsr = FRT_OCFA | FRT_OVF;
  w8(FTCSR, 0xFF);
  EXPECT_EQ(frt_read8(m, 0x11), 0x7B);  // both kept, CCLRA and bits 6-4 set
  w8(FTCSR, 0);
  EXPECT_EQ(frt_read8(m, 0x11), 0);
  w8(FTCSR, 0x8E);
  EXPECT_EQ(frt_read8(m, 0x11), 0) << "flags cannot be set by the game";
}

TEST_F(onchip_test, OcrsSteersTheCompareAddressAndTocrReadsItsFixedBits) {
  w16(OCR_H, 0x1111);
  w8(TOCR, FRT_OCRS);
  EXPECT_EQ(frt_read8(m, 0x17), 0xF0);
  w16(OCR_H, 0x2222);
  EXPECT_EQ(m->onchip.frt_ocra, 0x1111);
  EXPECT_EQ(m->onchip.frt_ocrb, 0x2222);
  EXPECT_EQ(frt_read8(m, 0x14) << 8 | frt_read8(m, 0x15), 0x2222);
  w8(TOCR, 0xFF);
  EXPECT_EQ(m->onchip.frt_tocr, 0x13);
  w8(TCR, 0xFF);
  EXPECT_EQ(frt_read8(m, 0x16), 0x83);
}

TEST_F(onchip_test, ALongWriteFillsFourRegistersMostSignificantFirst) {
  m->onchip.frt_ftcsr = FRT_OVF | FRT_OCFA | FRT_CCLRA;
  w32(TIER, 0x01020304);
  EXPECT_EQ(m->onchip.frt_tier, 1);
  EXPECT_EQ(m->onchip.frt_ftcsr, FRT_OVF);
  EXPECT_EQ(m->onchip.frt_frc, 0x0304);
  EXPECT_EQ(r32(TIER), 0x01020304u);

  w32(0xFFFFFE14, 0xABCD0011);  // OCRA, TCR, TOCR
  EXPECT_EQ(m->onchip.frt_ocra, 0xABCD);
  EXPECT_EQ(m->onchip.frt_tcr, 0x00);
  EXPECT_EQ(m->onchip.frt_tocr, 0x11);
  for (uint32_t i = 0x10; i < 0x18; i++) EXPECT_EQ(m->onchip.image[i], 0) << "FRT bytes stay out";
}

// OCRA = 100 with CCLRA: a compare every 800 cycles, each raising the request until cleared.
TEST_F(onchip_test, APeriodicCompareRaisesLevelAndVectorUntilTheGameClearsOcfa) {
  const uint64_t start = m->sh2.cycles = m->onchip.frt_last_cycle = 1000;
  w16(IPRB, 0x0500);
  w16(VCRC, 0x0042);
  w8(TCR, 0);
  w8(TIER, FRT_OCFA);
  w16(OCR_H, 100);
  w8(FTCSR, FRT_CCLRA);
  EXPECT_EQ(m->onchip.frt_frc, 0);
  EXPECT_EQ(m->onchip.frt_next_cycle, start + 800);
  EXPECT_EQ(m->sh2.onchip_level, 0);

  for (int period = 1; period <= 3; period++) {
    SCOPED_TRACE(period);
    reach_event();
    EXPECT_EQ(m->sh2.cycles, start + 800u * period);
    EXPECT_EQ(m->onchip.frt_ftcsr & FRT_OCFA, FRT_OCFA);
    EXPECT_EQ(m->onchip.frt_frc, 0);
    EXPECT_EQ(m->sh2.onchip_level, 5);
    EXPECT_EQ(m->sh2.onchip_vector, 0x42u);
    EXPECT_EQ(m->sh2.check_irq, 1);
    EXPECT_EQ(m->onchip.frt_next_cycle, ~uint64_t{0}) << "OCFA set: nothing to wait for";
    m->sh2.check_irq = 0;
    w8(FTCSR, FRT_CCLRA);  // the handler clears OCFA
    EXPECT_EQ(m->sh2.onchip_level, 0);
    EXPECT_EQ(m->sh2.onchip_vector, 0xFFFFFFFFu);
    EXPECT_EQ(m->sh2.check_irq, 1);
  }
}

TEST_F(onchip_test, OcrbBelowOcraIsNotScheduledWhenCclraClearsTheCounter) {
  for (uint32_t ocrb : {50u, 200u}) {
    SCOPED_TRACE(ocrb);
    m->onchip = {};
    m->sh2.cycles = 0;
    w8(TOCR, FRT_OCRS);
    w16(OCR_H, ocrb);
    w8(TOCR, 0);
    w16(OCR_H, 100);
    w8(FTCSR, FRT_CCLRA);
    EXPECT_EQ(m->onchip.frt_next_cycle, 800u);
  }
  // Without CCLRA the nearer OCRB counts, and then the overflow.
  m->onchip = {};
  m->sh2.cycles = 0;
  w8(TOCR, FRT_OCRS);
  w16(OCR_H, 50);
  w8(TOCR, 0);
  w16(OCR_H, 100);
  EXPECT_EQ(m->onchip.frt_next_cycle, 400u);
  reach_event();
  EXPECT_EQ(m->onchip.frt_ftcsr, FRT_OCFB);
  EXPECT_EQ(m->onchip.frt_next_cycle, 800u);
  reach_event();
  EXPECT_EQ(m->onchip.frt_ftcsr, FRT_OCFB | FRT_OCFA);
  EXPECT_EQ(m->onchip.frt_next_cycle, 0x10000u * 8) << "then the overflow";
  reach_event();
  EXPECT_EQ(m->onchip.frt_ftcsr, FRT_OCFB | FRT_OCFA | FRT_OVF);
  EXPECT_EQ(m->onchip.frt_next_cycle, ~uint64_t{0});
}

TEST_F(onchip_test, TheRequestVectorFollowsTheActiveFlag) {
  m->onchip.image[0x66] = 0x81;  // VCRC: input capture 0x01, compare 0x02
  m->onchip.image[0x67] = 0x02;
  m->onchip.image[0x68] = 0xC3;  // VCRD: overflow 0x43
  m->onchip.frt_ftcsr = FRT_OVF | FRT_OCFB;
  w8(TIER, FRT_OVF);
  EXPECT_EQ(m->sh2.onchip_level, 0) << "no priority yet";
  w16(IPRB, 0x0700);  // writing the priority recomputes the request
  EXPECT_EQ(m->sh2.onchip_level, 7);
  EXPECT_EQ(m->sh2.onchip_vector, 0x43u);
  w8(TIER, FRT_OVF | FRT_OCFB);
  EXPECT_EQ(m->sh2.onchip_vector, 0x02u);
  m->onchip.frt_ftcsr |= FRT_ICF;
  w8(TIER, FRT_ICF | FRT_OVF);
  EXPECT_EQ(m->sh2.onchip_vector, 0x01u);
}

TEST_F(onchip_test, AnOverflowEventSetsOvfWhenTheCounterWraps) {
  w16(IPRB, 0x0300);
  w16(VCRD, 0x4400);
  w8(TIER, FRT_OVF);
  w16(OCR_H, 0x8000);  // OCRA
  w8(TOCR, FRT_OCRS);
  w16(OCR_H, 0x8000);  // OCRB
  m->sh2.cycles = 5;
  w16(FRC_H, 0xFFF0);
  EXPECT_EQ(m->onchip.frt_next_cycle, 5u + 16 * 8);
  reach_event();
  EXPECT_EQ(m->onchip.frt_frc, 0);
  EXPECT_EQ(m->onchip.frt_ftcsr, FRT_OVF);
  EXPECT_EQ(m->sh2.onchip_level, 3);
  EXPECT_EQ(m->sh2.onchip_vector, 0x44u);
}

}  // namespace
