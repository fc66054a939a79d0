// The Audio page.
#include "menu/audio_page.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "frontend/audio_output.h"
#include "frontend/frontend_state.h"
#include "frontend/platform.h"
#include "menu/menu_toolkit.h"
#include "menu/setting_rows.h"

// The playback device the setting names: the last listed one of exactly that name, or -1 (the
// system default) when none is, also for an empty setting.
static int32_t chosen_device(int32_t count) {
  int32_t chosen = -1;
  for (int32_t i = 0; i < count; i++) {
    const char* name = platform->audio_device_name(i);
    if (name && fe.settings.device[0] && strcmp(name, fe.settings.device) == 0) chosen = i;
  }
  return chosen;
}

void menu_page_audio() {
  frontend_settings& s = fe.settings;
  char value[300];
  int32_t step = 0, sv = 0;
  int activated = 0;

  menu_begin_page("Audio", nullptr);

  snprintf(value, sizeof value, "%d%%", int(s.volume));
  activated = menu_item("Master Volume", value, 1, &step, nullptr);
  if ((sv = menu_row_step(activated, step)) != 0) {
    s.volume = menu_clamp_step(s.volume, 5 * sv, 0, 100);
  }

  activated = menu_item("Mute", menu_on_off(s.mute), 1, &step, nullptr);
  if (menu_row_step(activated, step)) s.mute = s.mute ? 0 : 1;

  int32_t count = platform->audio_device_count();
  if (count < 0) count = 0;
  const int32_t device = chosen_device(count);
  const char* device_name = device >= 0 ? platform->audio_device_name(device) : nullptr;
  snprintf(value, sizeof value, "%s", device_name ? device_name : "System default");
  activated =
      menu_item("Output Device", value, count > 0, &step, "Changes take effect immediately.");
  if ((sv = menu_row_step(activated, step)) != 0) {
    int32_t next = device + sv;
    if (next < -1) next = count - 1;
    if (next >= count) next = -1;
    const char* name = next >= 0 ? platform->audio_device_name(next) : nullptr;
    snprintf(s.device, sizeof s.device, "%s", name ? name : "");
    open_audio();
  }

  snprintf(value, sizeof value, "%d ms", int(s.latency_ms));
  activated = menu_item("Latency Target", value, 1, &step,
                        "Lower is more responsive; raise it only if you hear crackling.");
  if ((sv = menu_row_step(activated, step)) != 0) {
    s.latency_ms = menu_clamp_step(s.latency_ms, 8 * sv, 16, 250);
    open_audio();
  }

  snprintf(value, sizeof value, "%ld Hz -> %d Hz", lround(fe.adapter->audio_rate),
           int(fe.audio_have.freq));
  menu_item("Output Format", value, 0, nullptr,
            "The game's sound chip runs at its native rate and is resampled to the device.");

  snprintf(value, sizeof value, "%u underruns, %u drops", unsigned(fe.underruns),
           unsigned(fe.drops));
  menu_item("Diagnostics", value, 0, nullptr,
            "Counts since start. Non-zero values point to a timing problem; see the log.");

  menu_item("Music / Effects Volume", "Not exposed", 0, nullptr,
            "The board mixes music and effects on one chip, so separate levels are not "
            "available.");

  menu_end_page();
  menu_leave_on_back();
}
