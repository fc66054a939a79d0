// A machine as a ROM load leaves it, for the board's tests: zeroed ROM buffers, the sound glue
// over the sample ROM with the board's host callbacks, no chip timer in delivery, and the bus
// bound to it. Nothing is reset; tests that want a reset call machine_reset.
#pragma once

#include <gtest/gtest.h>

#include "board/machine.h"
#include "board/sound_host.h"
#include "board/ymf_glue.h"
#include "machine_fixture.h"

struct board_test : ::testing::Test {
  machine_ptr owner = machine_new(1);
  machine* m = owner.get();

  void SetUp() override {
    ASSERT_NE(m->program_rom, nullptr);
    const ymf_host host = {m, ymf_host_now, ymf_host_set_timer, ymf_host_set_irq};
    m->sound = ymf_glue_create(m->sound_rom, MACHINE_SOUND_ROM_BYTES, &host);
    ASSERT_NE(m->sound, nullptr);
    m->sound_event_cycle = ~uint64_t{0};
    bus_bind_machine(m);
    sound_buffer.fill = 0;
  }
  void TearDown() override { ymf_glue_destroy(m->sound); }
};
