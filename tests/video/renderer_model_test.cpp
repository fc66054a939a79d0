// The renderer against the plain model of tests/support/video_model.h: random scenes, two
// frames each, must leave the same bits in the frame and in every buffer a later frame or a
// save state reads (compose and priority buffers, zoom scratch), in every build of the
// renderer this CPU can run.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "board/machine.h"
#include "video/video.h"
#include "video/video_draw.h"
#include "video_model.h"
#include "video_scene.h"

namespace {

// A byte copy of the record sharing its graphics ROM; free with std::free.
machine* copy_of(const machine* m) {
  machine* c = static_cast<machine*>(std::malloc(sizeof(machine)));
  std::memcpy(c, m, sizeof(machine));
  return c;
}

// "" when the two records hold the same picture and work buffers, else the first difference.
std::string first_difference(const machine* got, const machine* want) {
  char text[160] = "";
  for (int y = 0; y < VIDEO_HEIGHT && !text[0]; y++)
    for (int x = 0; x < VIDEO_WIDTH && !text[0]; x++) {
      if (got->frame[y * VIDEO_WIDTH + x] != want->frame[y * VIDEO_WIDTH + x])
        std::snprintf(text, sizeof text, "frame (%d, %d): %08X, model %08X", x, y,
                      got->frame[y * VIDEO_WIDTH + x], want->frame[y * VIDEO_WIDTH + x]);
      else if (got->compose_buffer[y][x] != want->compose_buffer[y][x])
        std::snprintf(text, sizeof text, "compose (%d, %d): %08X, model %08X", x, y,
                      got->compose_buffer[y][x], want->compose_buffer[y][x]);
      else if (got->priority_buffer[y][x] != want->priority_buffer[y][x])
        std::snprintf(text, sizeof text, "priority (%d, %d): %u, model %u", x, y,
                      got->priority_buffer[y][x], want->priority_buffer[y][x]);
    }
  if (!text[0] && std::memcmp(got->zoom_scratch, want->zoom_scratch, sizeof got->zoom_scratch))
    std::snprintf(text, sizeof text, "zoom scratch differs");
  return text;
}

void expect_same_frames(const video_renderer& renderer, uint32_t seed, int max_sprites) {
  SCOPED_TRACE(testing::Message() << renderer.name << " seed " << seed);
  scene_ptr m(scene_new());
  model_random_scene(m.get(), seed, max_sprites);
  machine* model = copy_of(m.get());
  for (int frame = 0; frame < 2; frame++) {
    renderer.draw_frame(m.get());
    model_render_frame(model);
    EXPECT_EQ(first_difference(m.get(), model), "") << "frame " << frame;
    // The next frame: other registers and sprites over what this one left behind.
    const uint32_t regs[] = {m->video_regs[2] * 2654435761u, m->video_regs[0] ^ 0x80808080u};
    m->video_regs[2] = model->video_regs[2] = regs[0];
    m->video_regs[0] = model->video_regs[0] = regs[1];
    for (int p = 0; p + 1 < VIDEO_MAX_SPRITES; p += 2) {
      std::swap(m->sprites[p], m->sprites[p + 1]);
      std::swap(model->sprites[p], model->sprites[p + 1]);
    }
  }
  std::free(model);
}

}  // namespace

TEST(VideoRenderer, RandomScenesLeaveTheModelsBitsInTheFrameAndEveryBuffer) {
  int count;
  const video_renderer* renderers = video_renderers(&count);
  ASSERT_GE(count, 1);
  for (int r = 0; r < count; r++)
    for (uint32_t seed = 0; seed < 48; seed++) expect_same_frames(renderers[r], seed, 120);
}

TEST(VideoRenderer, FullSpriteListsLeaveTheModelsBits) {
  int count;
  const video_renderer* renderers = video_renderers(&count);
  for (int r = 0; r < count; r++)
    for (uint32_t seed = 100; seed < 104; seed++) expect_same_frames(renderers[r], seed, 1024);
}
