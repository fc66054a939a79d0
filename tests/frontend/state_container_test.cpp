// The "FESTATE1" container: one golden file pinned byte for byte, and every check of the parser
// in its order with its exact message, each reached by damaging a good container.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <functional>

#include "fake_game.h"
#include "file_bytes.h"
#include "frontend/frontend_state.h"
#include "frontend/picture.h"
#include "frontend/state_container.h"
#include "frontend_fixture.h"

namespace {

// "ok" or the parser's message.
std::string parse_message(const file_bytes& data, slot_info* slot = nullptr) {
  char message[200] = "";
  size_t length = 0;
  const uint8_t* blob =
      parse_state_container(data.data(), data.size(), slot, &length, message, sizeof message);
  return blob ? "ok" : message;
}

struct ContainerTest : frontend_fixture {
  void SetUp() override {
    frontend_fixture::SetUp();
    fake.loaded = 1;
    fake.frame_count = 321;
    fake.score = 777;
    fe.frame_counter = 0x100000005ull;
    fetch_frame();
  }
};

TEST_F(ContainerTest, AContainerHoldsTheHeaderTheHalfSizeThumbnailAndTheGamesBlob) {
  file_bytes data = bytes_of_state_container();
  size_t blob_size = 0;
  uint8_t* blob = fake_game_descriptor.save_state(&blob_size);
  ASSERT_NE(blob, nullptr);
  const size_t thumb = 2 * 160 * 112;
  ASSERT_EQ(data.size(), 88 + thumb + blob_size);
  EXPECT_EQ(std::string(data.begin(), data.begin() + 8), "FESTATE1");
  EXPECT_STREQ(reinterpret_cast<const char*>(&data[12]), "fakegame");
  EXPECT_STREQ(reinterpret_cast<const char*>(&data[28]), "1.0-test");
  EXPECT_EQ(bytes_get_u32(data, 60), uint32_t(FAKE_GAME_FINGERPRINT));
  EXPECT_EQ(bytes_get_u32(data, 72), 5u);  // the frame counter's low 32 bits
  EXPECT_EQ(bytes_get_u32(data, 80 + thumb), blob_size);
  EXPECT_EQ(memcmp(&data[84 + thumb], blob, blob_size), 0);
  free(blob);
  // Thumbnail pixel (7, 3) is picture pixel (14, 6) in RGB565.
  uint32_t p = fake_game_pixel(14, 6, 321, 0);
  uint32_t expected = ((p >> 8) & 0xF800) | ((p >> 5) & 0x07E0) | ((p >> 3) & 0x1F);
  size_t at = 80 + 2 * (3 * 160 + 7);
  EXPECT_EQ(uint32_t(data[at] | data[at + 1] << 8), expected);

  slot_info slot = {};
  ASSERT_EQ(parse_message(data, &slot), "ok");
  EXPECT_EQ(slot.frame_counter, 5u);
  EXPECT_EQ(slot.thumb_width, 160);
  EXPECT_EQ(slot.thumb_height, 112);
  EXPECT_LE(std::abs(slot.save_time - int64_t(time(nullptr))), 5);
  ASSERT_NE(slot.thumbnail, nullptr);
  uint32_t format = 0;
  int w = 0, h = 0;
  SDL_QueryTexture(slot.thumbnail, &format, nullptr, &w, &h);
  EXPECT_EQ(format, uint32_t(SDL_PIXELFORMAT_RGB565));
  EXPECT_EQ(w, 160);
  EXPECT_EQ(h, 112);
  SDL_DestroyTexture(slot.thumbnail);
}

TEST_F(ContainerTest, ParseGivesTheBlobInsideTheData) {
  file_bytes data = bytes_of_state_container();
  size_t length = 0;
  char message[200] = "";
  const uint8_t* blob =
      parse_state_container(data.data(), data.size(), nullptr, &length, message, sizeof message);
  ASSERT_NE(blob, nullptr) << message;
  EXPECT_EQ(blob, data.data() + 84 + 2 * 160 * 112);
  EXPECT_EQ(length, data.size() - 88 - 2 * 160 * 112);
}

TEST_F(ContainerTest, EveryDamageIsReportedByTheFirstCheckItFails) {
  const file_bytes good = bytes_of_state_container();
  const size_t thumb_end = 80 + 2 * 160 * 112;  // the length field
  struct damage {
    const char* name;
    std::function<void(file_bytes*)> apply;
    std::string message;
  };
  const damage table[] = {
      {"empty", [](file_bytes* d) { d->clear(); }, "file is truncated"},
      {"87 bytes", [](file_bytes* d) { d->resize(87); }, "file is truncated"},
      {"bad magic", [](file_bytes* d) { (*d)[7] = '2'; }, "not a save state"},
      {"header byte", [](file_bytes* d) { (*d)[64] ^= 1; }, "file is damaged (checksum mismatch)"},
      {"thumbnail byte", [](file_bytes* d) { (*d)[90] ^= 0x40; },
       "file is damaged (checksum mismatch)"},
      {"blob byte", [](file_bytes* d) { (*d)[d->size() - 10] ^= 0x80; },
       "file is damaged (checksum mismatch)"},
      {"CRC byte", [](file_bytes* d) { d->back() ^= 1; }, "file is damaged (checksum mismatch)"},
      {"appended byte", [](file_bytes* d) { d->push_back(0); },
       "file is damaged (checksum mismatch)"},
      {"cut by half", [](file_bytes* d) { d->resize(d->size() / 2); },
       "file is damaged (checksum mismatch)"},
      {"version 2",
       [](file_bytes* d) {
         bytes_put_u32(d, 8, 2);
         bytes_reseal(d);
       },
       "unsupported container version 2"},
      {"version 0",
       [](file_bytes* d) {
         bytes_put_u32(d, 8, 0);
         bytes_reseal(d);
       },
       "unsupported container version 0"},
      {"another game",
       [](file_bytes* d) {
         memset(&(*d)[12], 0, 16);
         memcpy(&(*d)[12], "othergame", 9);
         bytes_reseal(d);
       },
       "state belongs to another game (othergame)"},
      {"game id of 16 characters",
       [](file_bytes* d) {
         memcpy(&(*d)[12], "fakegameXXXXXXXX", 16);
         bytes_reseal(d);
       },
       "state belongs to another game (fakegameXXXXXXXX)"},
      {"another fingerprint",
       [](file_bytes* d) {
         bytes_put_u32(d, 60, FAKE_GAME_FINGERPRINT + 1);
         bytes_reseal(d);
       },
       "state was made with a different ROM revision"},
      {"thumbnail width 0",
       [](file_bytes* d) {
         bytes_put_u16(d, 76, 0);
         bytes_reseal(d);
       },
       "file is damaged (thumbnail)"},
      {"thumbnail height 0",
       [](file_bytes* d) {
         bytes_put_u16(d, 78, 0);
         bytes_reseal(d);
       },
       "file is damaged (thumbnail)"},
      {"thumbnail width 1025",
       [](file_bytes* d) {
         bytes_put_u16(d, 76, 1025);
         bytes_reseal(d);
       },
       "file is damaged (thumbnail)"},
      {"thumbnail height 1025",
       [](file_bytes* d) {
         bytes_put_u16(d, 78, 1025);
         bytes_reseal(d);
       },
       "file is damaged (thumbnail)"},
      {"thumbnail beyond the file",
       [](file_bytes* d) {
         bytes_put_u16(d, 76, 1024);
         bytes_put_u16(d, 78, 1024);
         bytes_reseal(d);
       },
       "file is damaged (thumbnail)"},
      {"length one more",
       [=](file_bytes* d) {
         bytes_put_u32(d, thumb_end, bytes_get_u32(*d, thumb_end) + 1);
         bytes_reseal(d);
       },
       "file is damaged (size mismatch)"},
      {"length one less",
       [=](file_bytes* d) {
         bytes_put_u32(d, thumb_end, bytes_get_u32(*d, thumb_end) - 1);
         bytes_reseal(d);
       },
       "file is damaged (size mismatch)"},
      {"length near 2^32",
       [=](file_bytes* d) {
         bytes_put_u32(d, thumb_end, 0xFFFFFFFFu);
         bytes_reseal(d);
       },
       "file is damaged (size mismatch)"},
      {"one byte more before the CRC",
       [](file_bytes* d) {
         d->insert(d->end() - 4, 0);
         bytes_reseal(d);
       },
       "file is damaged (size mismatch)"},
      {"blob the game rejects",
       [=](file_bytes* d) {
         (*d)[thumb_end + 4 + 8] ^= 1;  // the fake's frame count, under its own CRC
         bytes_reseal(d);
       },
       "fake state is damaged"},
  };
  EXPECT_EQ(parse_message(good), "ok");
  for (const damage& c : table) {
    file_bytes data = good;
    c.apply(&data);
    EXPECT_EQ(parse_message(data), c.message) << c.name;
  }
}

TEST_F(ContainerTest, EightyEightBytesWithAGoodMagicAndCrcReachTheVersionCheck) {
  file_bytes data(88, 0);
  memcpy(data.data(), "FESTATE1", 8);
  bytes_put_u32(&data, 8, 2);
  bytes_reseal(&data);
  EXPECT_EQ(parse_message(data), "unsupported container version 2");
}

TEST_F(ContainerTest, AStateOfAnotherRomSetIsAcceptedOnceThatSetIsLoaded) {
  fake.fingerprint = 0x0BADF00D;
  file_bytes data = bytes_of_state_container();
  fake.fingerprint = FAKE_GAME_FINGERPRINT;
  EXPECT_EQ(parse_message(data), "state was made with a different ROM revision");
  fake.fingerprint = 0x0BADF00D;
  EXPECT_EQ(parse_message(data), "ok");
}

TEST_F(ContainerTest, TheSlotRecordGetsItsFiguresBeforeTheSizeCheckButNoTextureUntilTheEnd) {
  file_bytes data = bytes_of_state_container();
  bytes_put_u32(&data, 80 + 2 * 160 * 112, 1);
  bytes_reseal(&data);
  slot_info slot = {};
  EXPECT_EQ(parse_message(data, &slot), "file is damaged (size mismatch)");
  EXPECT_EQ(slot.thumb_width, 160);
  EXPECT_EQ(slot.frame_counter, 5u);
  EXPECT_EQ(slot.thumbnail, nullptr);
}

TEST_F(ContainerTest, AGameIdLongerThanTheFieldMatchesItsOwnStates) {
  fe.adapter_copy.id = "a-game-id-longer-than-fifteen";
  file_bytes data = bytes_of_state_container();
  EXPECT_STREQ(reinterpret_cast<const char*>(&data[12]), "a-game-id-longe");
  EXPECT_EQ(parse_message(data), "ok");
  fe.adapter_copy.id = "a-game-id";
  EXPECT_EQ(parse_message(data), "state belongs to another game (a-game-id-longe)");
}

TEST_F(ContainerTest, WithoutValidateStateTheGamesLoadStateDecidesLater) {
  fe.adapter_copy.validate_state = nullptr;
  file_bytes data = bytes_of_state_container();
  data[80 + 2 * 160 * 112 + 4 + 8] ^= 1;
  bytes_reseal(&data);
  EXPECT_EQ(parse_message(data), "ok");
}

TEST_F(ContainerTest, AGameThatCannotLoadStatesHasNoUsableContainer) {
  file_bytes data = bytes_of_state_container();
  fe.adapter_copy.load_state = nullptr;
  EXPECT_EQ(parse_message(data), "this game cannot load save states");
  fe.adapter_copy.validate_state = nullptr;
  EXPECT_EQ(parse_message(data), "this game cannot load save states");
  char message[64] = "";
  EXPECT_EQ(load_state_blob(data.data(), data.size(), message, sizeof message), 0);
  EXPECT_STREQ(message, "this game cannot load save states");
}

TEST_F(ContainerTest, NothingIsBuiltWhenTheGameGivesNoState) {
  fake.loaded = 0;
  size_t size = 99;
  EXPECT_EQ(build_state_container(&size), nullptr);
  EXPECT_EQ(size, 0u);
  fe.adapter_copy.save_state = nullptr;
  EXPECT_EQ(build_state_container(&size), nullptr);
}

// --- the golden container: an 8 x 4 game with a 10-byte blob

uint8_t* golden_save_state(size_t* size) {
  static const uint8_t blob[10] = {'C', 'B', 'L', 'T', 'C', 'O', 'R', 'E', 1, 2};
  uint8_t* copy = static_cast<uint8_t*>(malloc(sizeof blob));
  memcpy(copy, blob, sizeof blob);
  *size = sizeof blob;
  return copy;
}
uint32_t golden_fingerprint() {
  return 0xCAFEF00D;
}
int golden_load_state(const uint8_t*, size_t, char*, size_t) {
  return 1;
}

game_adapter golden_descriptor() {
  game_adapter game = fake_game_descriptor;
  game.id = "golden-game-id-is-long";
  game.version = "2.5-golden";
  game.width = 8;
  game.height = 4;
  game.get_frame_xrgb8888 = nullptr;
  game.get_frame_xrgb1555 = nullptr;
  game.save_state = golden_save_state;
  game.validate_state = nullptr;
  game.load_state = golden_load_state;
  game.rom_fingerprint = golden_fingerprint;
  return game;
}

struct GoldenContainerTest : frontend_fixture {
  const game_adapter* game() override {
    static const game_adapter golden = golden_descriptor();
    return &golden;
  }
};

TEST_F(GoldenContainerTest, TheContainerOfAFixedGameAndTimeIsPinnedByteForByte) {
  for (uint32_t y = 0; y < 4; y++) {
    for (uint32_t x = 0; x < 8; x++) {
      fe.frame[y * 8 + x] = ((x * 37 + y * 11) & 255) << 16 | ((x * 5 + y * 71) & 255) << 8 |
                            ((x * 113 + y * 3) & 255);
    }
  }
  fe.frame_counter = 0x123456789ull;
  file_bytes data = bytes_of_state_container();
  ASSERT_EQ(data.size(), 114u);
  int64_t built_at = 0;
  memcpy(&built_at, &data[64], 8);
  EXPECT_LE(std::abs(built_at - int64_t(time(nullptr))), 5);
  const file_bytes fixed_time = {0x00, 0xf1, 0x53, 0x65, 0, 0, 0, 0};  // 1,700,000,000
  std::copy(fixed_time.begin(), fixed_time.end(), data.begin() + 64);
  bytes_reseal(&data);
  EXPECT_EQ(bytes_hex(data),
            "464553544154453101000000676f6c64656e2d67616d652d69642d00322e352d"
            "676f6c64656e000000000000000000000000000000000000000000000df0feca"
            "00f1536500000000896745230400020000005c48b890f4d86014dd6419ad75f5"
            "0a00000043424c54434f5245010297827101");
  EXPECT_EQ(parse_message(data), "ok");
}

}  // namespace
