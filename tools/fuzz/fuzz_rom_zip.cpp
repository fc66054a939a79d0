// fuzz_rom_zip: the ROM set check (rom_set_verify) and the loader (machine_load) on zip archives
// made from the input. The input describes the archive rather than holding it: per member a
// source (one of the 24 members of the synthetic test set, or a few bytes of the input), a name
// (the member's, changed in case or folder, or the input's), a compression (stored, deflate,
// another method number, flagged encrypted) and lies in its headers (the directory's CRC or
// sizes, the local header's name, CRC or method, data cut short, a data descriptor); the bytes
// after the members patch the central directory and its end record. The harness writes the
// archive and runs both. An empty input is the good set, stored.
// Properties: the load succeeds only when the check does, and then holds exactly the buffers of
// the good set; a failed load holds no buffer and no sound chip and says why; a failed check
// says why.
#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "board/machine.h"
#include "board/rom_set.h"
#include "fuzz_support.h"
#include "test_romset.h"

namespace {

enum {
  MAX_MEMBERS = 40,
  MAX_OWN_BYTES = 4096,  // bytes of a member taken from the input
  LIE_DIR_CRC = 1,
  LIE_DIR_SIZE = 2,
  LIE_LOCAL_CRC = 4,
  LIE_CUT = 8,
  LIE_LOCAL_NAME = 16,
  LIE_DESCRIPTOR = 32,
  LIE_DIR_PACKED = 64,
  LIE_LOCAL_METHOD = 128,
};

// A member's bytes as stored and deflated, with its CRC-32.
struct source {
  std::string name;
  const uint8_t* raw;
  size_t raw_size;
  std::vector<uint8_t> packed;
  uint32_t crc;
};

std::vector<uint8_t> deflate_raw(const uint8_t* data, size_t size) {
  z_stream z = {};
  if (deflateInit2(&z, 1, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) fuzz_fail("deflate");
  std::vector<uint8_t> out(deflateBound(&z, uLong(size)));
  z.next_in = const_cast<uint8_t*>(data);
  z.avail_in = uInt(size);
  z.next_out = out.data();
  z.avail_out = uInt(out.size());
  if (deflate(&z, Z_FINISH) != Z_STREAM_END) fuzz_fail("deflate did not finish");
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

struct context {
  std::vector<source> sources;
  machine* reference;  // the good set, loaded
  machine* m;          // the record the harness loads into
  std::string path;
};

context* setup() {
  static context* c = nullptr;
  if (c) return c;
  c = new context;
  for (const test_rom_member& member : test_romset_program_members("cartridge")) {
    source s;
    s.name = member.name;
    s.raw = member.data.data();
    s.raw_size = member.data.size();
    s.packed = deflate_raw(s.raw, s.raw_size);
    s.crc = uint32_t(crc32_z(0, s.raw, s.raw_size));
    c->sources.push_back(std::move(s));
  }
  c->reference = fuzz_test_machine(0);
  c->m = (machine*)std::calloc(1, sizeof(machine));
  c->path = fuzz_scratch_path("set.zip");
  return c;
}

void put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

// One member as the archive will hold it.
struct member {
  std::string name, local_name;
  const uint8_t* data;
  size_t size;      // stored bytes written
  uint32_t packed;  // compressed size the headers claim
  uint32_t length;  // uncompressed size the directory claims
  uint32_t crc, local_crc;
  uint16_t method, local_method, flags;
  std::vector<uint8_t> own;  // bytes from the input or deflated here
  uint32_t offset;           // of its local header
};

std::string member_name(const source& s, uint8_t mode, fuzz_cursor* in) {
  std::string name = s.name;
  switch (mode % 8) {
    case 1:
      for (char& ch : name) ch = char(ch >= 'a' && ch <= 'z' ? ch - 32 : ch);
      break;
    case 2:
      name = "cobaltin/" + name;
      break;
    case 3: {
      size_t got = 0;
      const uint8_t* p = in->bytes(in->u8() % 64, &got);
      name.assign((const char*)p, got);
      break;
    }
    case 4:
      name += "x";
      break;
    case 5:
      name = "a\\" + name;
      break;
  }
  return name;
}

void build_members(context* c, fuzz_cursor* in, std::vector<member>* members) {
  if (!in->left()) {
    for (const source& s : c->sources) {
      member m{s.name,
               s.name,
               s.raw,
               s.raw_size,
               uint32_t(s.raw_size),
               uint32_t(s.raw_size),
               s.crc,
               s.crc,
               0,
               0,
               0,
               {},
               0};
      members->push_back(m);
    }
    return;
  }
  while (in->left() >= 4 && members->size() < MAX_MEMBERS) {
    const uint8_t which = in->u8(), naming = in->u8(), packing = in->u8(), lies = in->u8();
    member m{};
    source own_source;
    const source* s = nullptr;
    if (which % 32 < c->sources.size()) {
      s = &c->sources[which % 32];
    } else {
      size_t got = 0;
      const uint8_t* p = in->bytes(in->u16() % MAX_OWN_BYTES, &got);
      own_source.name = c->sources[which % c->sources.size()].name;
      own_source.raw = p;
      own_source.raw_size = got;
      own_source.crc = uint32_t(crc32_z(0, p, got));
      if (packing % 4 == 1) own_source.packed = deflate_raw(p, got);
      s = &own_source;
    }
    m.name = member_name(*s, naming, in);
    m.local_name = lies & LIE_LOCAL_NAME ? m.name + "~" : m.name;
    m.length = uint32_t(s->raw_size);
    m.crc = m.local_crc = s->crc;
    switch (packing % 4) {
      case 1:  // deflate
        m.method = 8;
        if (s == &own_source) {
          m.own = std::move(own_source.packed);
          m.data = m.own.data();
        } else {
          m.data = s->packed.data();
        }
        m.size = s == &own_source ? m.own.size() : s->packed.size();
        break;
      case 2:  // a method number from the input over stored bytes
        m.method = in->u16();
        m.data = s->raw;
        m.size = s->raw_size;
        break;
      case 3:  // stored, flagged encrypted
        m.flags = 1;
        m.data = s->raw;
        m.size = s->raw_size;
        break;
      default:
        m.data = s->raw;
        m.size = s->raw_size;
    }
    if (m.data == own_source.raw && s == &own_source) {
      m.own.assign(own_source.raw, own_source.raw + own_source.raw_size);
      m.data = m.own.data();
    }
    m.packed = uint32_t(m.size);
    m.local_method = lies & LIE_LOCAL_METHOD ? uint16_t(m.method ^ 8) : m.method;
    if (lies & LIE_DIR_CRC) m.crc ^= in->u32() | 1;
    if (lies & LIE_DIR_SIZE) m.length += int16_t(in->u16());
    if (lies & LIE_DIR_PACKED) m.packed += int16_t(in->u16());
    if (lies & LIE_LOCAL_CRC) m.local_crc ^= 0x80000000u;
    if (lies & LIE_CUT) m.size -= m.size ? in->u16() % m.size : 0;
    if (lies & LIE_DESCRIPTOR) m.flags |= 8;
    members->push_back(std::move(m));
  }
}

// Writes the archive; the bytes left in the input patch its directory and end record.
void write_archive(context* c, std::vector<member>& members, fuzz_cursor* in) {
  std::vector<std::vector<uint8_t>> heads(members.size());
  std::vector<uint8_t> tails[MAX_MEMBERS];
  uint32_t offset = 0;
  for (size_t i = 0; i < members.size(); i++) {
    member& m = members[i];
    m.offset = offset;
    std::vector<uint8_t>& h = heads[i];
    const int descriptor = m.flags & 8;
    put32(h, 0x04034b50);
    put16(h, 20);
    put16(h, m.flags);
    put16(h, m.local_method);
    put32(h, 0x00210000);  // time and date
    put32(h, descriptor ? 0 : m.local_crc);
    put32(h, descriptor ? 0 : m.packed);
    put32(h, descriptor ? 0 : m.length);
    put16(h, uint16_t(m.local_name.size()));
    put16(h, 0);
    h.insert(h.end(), m.local_name.begin(), m.local_name.end());
    if (descriptor) {
      put32(tails[i], 0x08074b50);
      put32(tails[i], m.local_crc);
      put32(tails[i], m.packed);
      put32(tails[i], m.length);
    }
    offset += uint32_t(h.size() + m.size + tails[i].size());
  }
  std::vector<uint8_t> directory;
  for (const member& m : members) {
    put32(directory, 0x02014b50);
    put16(directory, 20);
    put16(directory, 20);
    put16(directory, m.flags);
    put16(directory, m.method);
    put32(directory, 0x00210000);
    put32(directory, m.crc);
    put32(directory, m.packed);
    put32(directory, m.length);
    put16(directory, uint16_t(m.name.size()));
    put32(directory, 0);  // extra and comment lengths
    put32(directory, 0);  // disk, internal attributes
    put32(directory, 0);  // external attributes
    put32(directory, m.offset);
    directory.insert(directory.end(), m.name.begin(), m.name.end());
  }
  const uint32_t directory_size = uint32_t(directory.size());
  put32(directory, 0x06054b50);
  put32(directory, 0);
  put16(directory, uint16_t(members.size()));
  put16(directory, uint16_t(members.size()));
  put32(directory, directory_size);
  put32(directory, offset);
  put16(directory, 0);
  while (in->left() >= 3) {
    const size_t at = in->u16() % directory.size();
    directory[at] = in->u8();
  }

  std::vector<iovec> parts;
  for (size_t i = 0; i < members.size(); i++) {
    parts.push_back({heads[i].data(), heads[i].size()});
    parts.push_back({const_cast<uint8_t*>(members[i].data), members[i].size});
    if (!tails[i].empty()) parts.push_back({tails[i].data(), tails[i].size()});
  }
  parts.push_back({directory.data(), directory.size()});
  const int fd = open(c->path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) fuzz_fail("cannot write %s", c->path.c_str());
  for (size_t i = 0; i < parts.size(); i += IOV_MAX) {
    const int n = int(parts.size() - i < size_t(IOV_MAX) ? parts.size() - i : IOV_MAX);
    size_t want = 0;
    for (int k = 0; k < n; k++) want += parts[i + k].iov_len;
    if (writev(fd, &parts[i], n) != ssize_t(want)) fuzz_fail("short write of the archive");
  }
  close(fd);
}

int same_buffers(const machine* a, const machine* b) {
  return std::memcmp(a->program_rom, b->program_rom, MACHINE_PROGRAM_ROM_BYTES) == 0 &&
         std::memcmp(a->graphics_rom, b->graphics_rom, MACHINE_GRAPHICS_ROM_BYTES) == 0 &&
         std::memcmp(a->sound_rom, b->sound_rom, MACHINE_SOUND_ROM_BYTES) == 0 &&
         std::memcmp(a->eeprom_default, b->eeprom_default, sizeof a->eeprom_default) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  context* c = setup();
  fuzz_cursor in{data, size};
  std::vector<member> members;
  build_members(c, &in, &members);
  write_archive(c, members, &in);

  char message[512];
  std::memset(message, 0x55, sizeof message);
  message[sizeof message - 1] = 0;
  const int verified = rom_set_verify(c->path.c_str(), message, sizeof message);
  if (!verified && !message[0]) fuzz_fail("a refused set without a reason");

  const int loaded = machine_load(c->m, c->path.c_str());
  if (loaded && !verified) fuzz_fail("a set the check refuses loaded");
  if (!loaded) {
    if (c->m->program_rom || c->m->graphics_rom || c->m->sound_rom || c->m->sound)
      fuzz_fail("a failed load holds buffers");
    if (!c->m->error_text[0]) fuzz_fail("a failed load without a reason");
    if (!verified && std::strcmp(message, c->m->error_text) != 0)
      fuzz_fail("check and load refuse differently: \"%s\" / \"%s\"", message, c->m->error_text);
    return 0;
  }
  if (!same_buffers(c->m, c->reference)) fuzz_fail("a loaded set holds other contents");
  machine_unload(c->m);
  return 0;
}
