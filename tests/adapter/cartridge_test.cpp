// The test cartridge end to end through the adapter: what it draws, how it answers the stick
// and the buttons, its scores, its best-score record in the EEPROM, its sound, a pinned
// picture, save and load in the middle of a run, and the stress mode behind the debug switch.
// The scene's colours are chosen so that only the player sprite has exactly one non-zero
// colour channel (green, or red, blue, yellow with a button held).
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "adapter_fixture.h"

namespace {

using Cartridge = adapter_test;

enum : uint32_t {
  RIGHT = 1u << 3,
  DOWN = 1u << 1,
  LEFT = 1u << 2,
  BUTTON_1 = 1u << 4,
  BUTTON_2 = 1u << 5,
  BUTTON_3 = 1u << 6,
  START = 1u << 7,
};

// Fixed places in the board save state (chunk payloads at their pinned offsets).
enum : size_t {
  STATE_SLEEP_STATE = 28 + 129,        // "SH2 ": sleep_state
  STATE_VIDEO_REGS = 1049316 + 86528,  // "VRAM": after video RAM, palette and zoom table
  STATE_SPRITE_COUNT = 1135884,        // "VID ": sprite_count
};

// The colour classes of the scene: which channels of a pixel are non-zero.
enum colour_class { GREEN = 2, RED = 4, BLUE = 1, YELLOW = 6 };  // bit 2 red, 1 green, 0 blue

int colour_class_of(uint32_t p) {
  return ((p >> 16 & 0xFF) ? 4 : 0) | ((p >> 8 & 0xFF) ? 2 : 0) | ((p & 0xFF) ? 1 : 0);
}

struct box {
  int count, x0, y0, x1, y1;
};

// The pixels of one colour class and their bounding box.
box find(const std::vector<uint32_t>& pixels, int cls) {
  box b = {0, 320, 224, -1, -1};
  for (int y = 0; y < 224; y++)
    for (int x = 0; x < 320; x++)
      if (colour_class_of(pixels[y * 320 + x]) == cls) {
        b.count++;
        b.x0 = std::min(b.x0, x), b.y0 = std::min(b.y0, y);
        b.x1 = std::max(b.x1, x), b.y1 = std::max(b.y1, y);
      }
  return b;
}

// The player is 2 x 2 tiles of 16 x 16 whose top row and left column are transparent.
constexpr int PLAYER_PIXELS = 4 * 15 * 15;

uint32_t picture_crc(const std::vector<uint32_t>& pixels) {
  return (uint32_t)crc32(0, reinterpret_cast<const Bytef*>(pixels.data()),
                         (uInt)(pixels.size() * sizeof pixels[0]));
}

int score_p1() {
  char text[32];
  EXPECT_EQ(readout_score_p1(text, sizeof text), 1);
  return std::atoi(text + 3);
}

// The EEPROM record the cartridge keeps: "CB", the score big-endian, a checksum.
std::vector<uint8_t> record(uint32_t score, uint8_t seal = 0xA5) {
  std::vector<uint8_t> image(256, 0xFF);
  const uint8_t head[6] = {
      'C',           'B', (uint8_t)(score >> 24), (uint8_t)(score >> 16), (uint8_t)(score >> 8),
      (uint8_t)score};
  unsigned sum = 0;
  for (int i = 0; i < 6; i++) sum += image[i] = head[i];
  image[6] = (uint8_t)((sum & 0xFF) ^ seal);
  return image;
}

// First save: in frame 63 the score (630) beats the best (none); its 7 bytes and the closing
// command follow one per frame.
constexpr int FRAMES_TO_SAVE = 72;

}  // namespace

TEST_F(Cartridge, ThePlayerSpriteAppearsFromFrameTwoOn) {
  load("cartridge");
  frame();
  EXPECT_EQ(find(picture(), GREEN).count, 0);  // boot: layers only
  frame();
  EXPECT_EQ(find(picture(), GREEN).count, 0);  // sprites written, not yet latched
  frame();
  const box b = find(picture(), GREEN);
  EXPECT_EQ(b.count, PLAYER_PIXELS);
  EXPECT_EQ(b.x0, 145);
  EXPECT_EQ(b.y0, 151);
  EXPECT_EQ(b.x1, 175);
  EXPECT_EQ(b.y1, 181);
}

TEST_F(Cartridge, PlayerOnesStickMovesThePlayerWithinTheScreen) {
  load("cartridge");
  frames(3);
  const box start = find(picture(), GREEN);
  frames(10, RIGHT);
  frames(2);  // the last moves reach the picture
  box b = find(picture(), GREEN);
  EXPECT_EQ(b.count, PLAYER_PIXELS);
  EXPECT_EQ(b.x0, start.x0 + 20);
  EXPECT_EQ(b.y0, start.y0);
  frames(5, DOWN);
  frames(2);
  b = find(picture(), GREEN);
  EXPECT_EQ(b.x0, start.x0 + 20);
  EXPECT_EQ(b.y0, start.y0 + 10);
  frames(100, LEFT);
  frames(2);
  b = find(picture(), GREEN);
  EXPECT_EQ(b.x0, 1);  // stopped at x = 0
  EXPECT_EQ(b.count, PLAYER_PIXELS);
}

TEST_F(Cartridge, TheButtonsGiveThePlayerItsColour) {
  load("cartridge");
  frames(3);
  struct colour_case {
    uint32_t input;
    int cls;
  };
  const colour_case cases[] = {{BUTTON_1, RED},    {BUTTON_2, BLUE},
                               {BUTTON_3, YELLOW}, {BUTTON_1 | BUTTON_2, RED},
                               {0, GREEN},         {BUTTON_2 | BUTTON_3, BLUE}};
  for (const colour_case& c : cases) {
    SCOPED_TRACE(c.input);
    frames(2, c.input);
    const std::vector<uint32_t> p = picture();
    EXPECT_EQ(find(p, c.cls).count, PLAYER_PIXELS);
    for (int other : {GREEN, RED, BLUE, YELLOW}) {
      if (other != c.cls) {
        EXPECT_EQ(find(p, other).count, 0) << other;
      }
    }
  }
}

TEST_F(Cartridge, TheScoreReadoutGrowsAndStartRestartsIt) {
  load("cartridge");
  frames(10);
  const int early = score_p1();
  frames(10);
  EXPECT_EQ(score_p1(), early + 100);
  frame(START);
  EXPECT_EQ(score_p1(), 0);
  frame();
  EXPECT_EQ(score_p1(), 10);
  char text[32];
  EXPECT_EQ(readout_score_p2(text, sizeof text), 1);
  EXPECT_STREQ(text, "2P        63");  // untouched by player 1's start
}

TEST_F(Cartridge, TheEepromHoldsTheBestScoreOnceTheProgramSavedIt) {
  load("cartridge");
  const std::vector<uint8_t> before = nvram();
  frames(FRAMES_TO_SAVE - 10);
  EXPECT_EQ(adapter_nvram_dirty(), 0);
  frames(10);
  EXPECT_EQ(adapter_nvram_dirty(), 1);
  const std::vector<uint8_t> after = nvram();
  EXPECT_NE(after, before);
  const std::vector<uint8_t> expected = record(630);
  EXPECT_EQ(std::vector<uint8_t>(after.begin(), after.begin() + 7),
            std::vector<uint8_t>(expected.begin(), expected.begin() + 7));
  EXPECT_EQ(std::vector<uint8_t>(after.begin() + 7, after.end()),
            std::vector<uint8_t>(before.begin() + 7, before.end()));
}

TEST_F(Cartridge, ABestScoreInTheNvramImageIsReadAtBootAndKeptUntilBeaten) {
  struct nvram_case {
    const char* label;
    std::vector<uint8_t> image;
    int saved;  // the program wrote a new record
  };
  std::vector<uint8_t> saved_by_a_run;
  {
    load("cartridge");
    frames(FRAMES_TO_SAVE);
    saved_by_a_run = nvram();
  }
  const nvram_case cases[] = {
      {"the record of an earlier run", saved_by_a_run, 0},
      {"a best score far ahead", record(1000000), 0},
      {"a best score just behind", record(620), 1},
      {"a record with a bad checksum", record(1000000, 0x5A), 1},
  };
  for (const nvram_case& c : cases) {
    SCOPED_TRACE(c.label);
    load("cartridge");
    ASSERT_EQ(adapter_nvram_load(c.image.data(), c.image.size()), 1);
    frames(FRAMES_TO_SAVE);
    EXPECT_EQ(adapter_nvram_dirty(), c.saved);
  }
}

TEST_F(Cartridge, NotesPlayFromTheFirstFrameOnAndTheTimerChangesThem) {
  load("cartridge");
  std::vector<int16_t> first, later;
  for (int f = 0; f < 30; f++) {
    std::vector<int16_t> audio;
    frame(0, &audio);
    long loudness = 0;
    for (int16_t s : audio) loudness += s < 0 ? -s : s;
    EXPECT_GT(loudness / (long)audio.size(), 100) << "frame " << f;
    if (f == 1) first = audio;
    if (f == 29) later = audio;
  }
  EXPECT_NE(first, later);
}

TEST_F(Cartridge, ThePictureOfFrame60IsPinned) {
  // Frame 60 of the normal scene, looked at once by a person: a sky fading from dark blue to
  // pink and orange, a dark skyline, the orange sun half behind it, pale translucent clouds, a
  // blue sea with waves and perspective, the green player ringed by eight small sprites, four
  // mirrored lilac sprites, a grey pulsing and a magenta translucent sprite, a light band at
  // line 60, and both scores (590 and 177 one frame earlier) in yellow dots on a dark bar.
  load("cartridge");
  frames(61);
  EXPECT_EQ(picture_crc(picture()), 0xE64E9784u);
}

TEST_F(Cartridge, SavingAndLoadingMidRunReproducesTheFramesAndTheAudio) {
  load("cartridge");
  frames(30, RIGHT);
  const std::vector<uint8_t> saved = state();
  ASSERT_FALSE(saved.empty());
  auto run = [](std::vector<int16_t>* audio, std::vector<uint32_t>* crcs) {
    for (int f = 0; f < 40; f++) {  // crosses the first best-score save
      const uint32_t input = f < 10 ? LEFT | BUTTON_1 : f < 20 ? DOWN : 0u;
      frame(input, audio);
      crcs->push_back(picture_crc(picture()));
    }
  };
  std::vector<int16_t> audio_1, audio_2;
  std::vector<uint32_t> crcs_1, crcs_2;
  run(&audio_1, &crcs_1);
  const std::vector<uint8_t> end_1 = state();
  char message[100];
  ASSERT_EQ(adapter_load_state(saved.data(), saved.size(), message, sizeof message), 1) << message;
  run(&audio_2, &crcs_2);
  EXPECT_EQ(audio_1, audio_2);
  EXPECT_EQ(crcs_1, crcs_2);
  EXPECT_EQ(state(), end_1);
}

TEST_F(Cartridge, TheDebugSwitchSelectsTheStressWorkload) {
  struct mode_case {
    const char* label;
    uint16_t dip_word;
    uint32_t fewest_sprites, most_sprites, layer_modes;
    uint8_t sleeping;
  };
  const mode_case cases[] = {
      {"normal", 0x0001, 16, 16 + 2 * 7 * 15, 0x098D0909, 1},  // 16 and the scores' dots
      {"stress", 0x0005, 1000, 1000, 0x8C8D8E8F, 0},
  };
  for (const mode_case& c : cases) {
    SCOPED_TRACE(c.label);
    restart();
    set_dip_word(c.dip_word);
    load("cartridge");
    frames(10);
    const std::vector<uint8_t> s = state();
    EXPECT_GE(le32(&s[STATE_SPRITE_COUNT]), c.fewest_sprites);
    EXPECT_LE(le32(&s[STATE_SPRITE_COUNT]), c.most_sprites);
    EXPECT_EQ(le32(&s[STATE_VIDEO_REGS + 6 * 4]), c.layer_modes);
    EXPECT_EQ(s[STATE_SLEEP_STATE], c.sleeping);
  }
}
