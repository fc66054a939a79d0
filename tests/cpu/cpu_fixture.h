// Shared set-up of the CPU tests: a fresh test bus, cleared core diagnostics and a zeroed state
// with code placed by hand. Codes are written as 16-bit words with the assembler form beside.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "cpu/sh2.h"
#include "test_bus.h"

class cpu_test : public ::testing::Test {
 protected:
  void SetUp() override {
    test_bus_reset();
    sh2_diagnostics_reset();
    std::memset(&s, 0, sizeof s);
    s.onchip_level = -1;
    s.sr = 0xF0;
  }
  void TearDown() override { test_bus_reset(); }

  // Writes consecutive 16-bit codes from address a.
  static void code(uint32_t a, const std::vector<uint32_t>& words) {
    for (uint32_t w : words) {
      test_bus_put16(a, w);
      a += 2;
    }
  }

  sh2_state s;
};
