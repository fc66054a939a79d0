// Build-time generator of the SH-2 decode table. Reads the instruction rows (decode_rows.txt),
// checks them (well-formed fields, op numbers in pattern order, no two rows matching one code,
// exactly DECODE_ILLEGAL_CODES illegal codes) and writes four C++ sources: the constant table,
// the dispatcher's compact table, its operation list and the row list for tests. Any failed
// check prints the reason and exits with 1, which fails the build.
// Runs on the build host only; the program never links it.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cpu/decode.h"

namespace {

struct field {
  int hi, lo;  // bit range, hi >= lo
};

struct row {
  int line;
  int op;  // 0 for control-flow rows
  std::string pattern;
  int kind;
  int extra;
  std::string handler;
  std::vector<field> operands;
  field disp;  // hi = -1 when the row has none
  std::string instruction;
  uint16_t mask, value;  // bits that must match, and their values
};

int fail(const char* path, int line, const char* what, const std::string& detail = "") {
  std::fprintf(stderr, "decode_gen: %s:%d: %s%s%s\n", path, line, what, detail.empty() ? "" : ": ",
               detail.c_str());
  return 0;
}

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

std::vector<std::string> split(const std::string& s, char sep) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    size_t p = s.find(sep, start);
    out.push_back(trim(s.substr(start, p == std::string::npos ? std::string::npos : p - start)));
    if (p == std::string::npos) return out;
    start = p + 1;
  }
}

int parse_int(const std::string& s, int* out) {
  if (s.empty()) return 0;
  char* end = nullptr;
  long v = std::strtol(s.c_str(), &end, 10);
  if (*end != '\0' || v < 0 || v > 65535) return 0;
  *out = (int)v;
  return 1;
}

int parse_field(const std::string& s, field* f) {
  size_t dash = s.find('-');
  if (dash == std::string::npos) return 0;
  if (!parse_int(s.substr(0, dash), &f->hi) || !parse_int(s.substr(dash + 1), &f->lo)) return 0;
  return f->hi <= 15 && f->lo <= f->hi;
}

// Pattern character of bit b (bit 15 is the first character).
char bit_char(const row& r, int b) {
  return r.pattern[15 - b];
}

int parse_row(const char* path, int line, const std::string& text, row* r) {
  std::vector<std::string> col = split(text, '|');
  if (col.size() != 8) return fail(path, line, "expected 8 columns");
  r->line = line;
  r->op = 0;
  if (col[0] != "-" && (!parse_int(col[0], &r->op) || r->op < 1 || r->op > DECODE_OP_COUNT))
    return fail(path, line, "bad op number", col[0]);
  r->pattern.clear();
  for (char c : col[1])
    if (c != ' ') r->pattern += c;
  if (r->pattern.size() != 16) return fail(path, line, "pattern must have 16 bits", col[1]);
  if (!parse_int(col[2], &r->kind) || r->kind >= DECODE_ILLEGAL)
    return fail(path, line, "bad kind", col[2]);
  if (!parse_int(col[3], &r->extra) || r->extra > 3)
    return fail(path, line, "bad extra cycles", col[3]);
  r->handler = col[4];
  r->operands.clear();
  if (!col[5].empty())
    for (const std::string& f : split(col[5], ',')) {
      field fl;
      if (!parse_field(f, &fl)) return fail(path, line, "bad operand field", f);
      r->operands.push_back(fl);
    }
  if (r->operands.size() > 3) return fail(path, line, "more than 3 operand fields");
  r->disp.hi = -1;
  r->disp.lo = 0;
  if (!col[6].empty() && !parse_field(col[6], &r->disp))
    return fail(path, line, "bad disp field", col[6]);
  r->instruction = col[7];
  if (r->instruction.empty()) return fail(path, line, "missing instruction");

  // Kinds 0-2 are numbered operations with a handler; kinds 3-16 are neither.
  const bool is_op = r->kind <= DECODE_OP_LOAD_SR;
  if (is_op != (r->op != 0)) return fail(path, line, "op number and kind disagree");
  if (is_op != !r->handler.empty()) return fail(path, line, "handler and kind disagree");
  if (is_op && r->handler.compare(0, 3, "op_") != 0)
    return fail(path, line, "handler names begin with op_", r->handler);
  const bool has_disp = r->kind >= DECODE_BT && r->kind <= DECODE_BSR;
  if (has_disp != (r->disp.hi >= 0)) return fail(path, line, "disp field and kind disagree");

  // Every letter bit belongs to exactly one field, and a field covers only letter bits of one
  // letter; 0, 1 and x are the only other characters.
  int owner[16];
  for (int b = 0; b < 16; b++) owner[b] = -1;
  std::vector<field> all = r->operands;
  if (r->disp.hi >= 0) all.push_back(r->disp);
  for (size_t i = 0; i < all.size(); i++)
    for (int b = all[i].lo; b <= all[i].hi; b++) {
      char c = bit_char(*r, b);
      if (c < 'a' || c > 'z' || c == 'x') return fail(path, line, "field covers a fixed bit");
      if (c != bit_char(*r, all[i].hi)) return fail(path, line, "field mixes letters");
      if (owner[b] >= 0 && owner[b] != (int)i) return fail(path, line, "fields overlap");
      owner[b] = (int)i;
    }
  r->mask = r->value = 0;
  for (int b = 0; b < 16; b++) {
    char c = bit_char(*r, b);
    if (c == '0' || c == '1') {
      r->mask |= (uint16_t)(1u << b);
      if (c == '1') r->value |= (uint16_t)(1u << b);
    } else if (c == 'x') {
    } else if (c >= 'a' && c <= 'z') {
      if (owner[b] < 0) return fail(path, line, "letter bit not in any field");
    } else {
      return fail(path, line, "bad pattern character", r->pattern);
    }
  }
  return 1;
}

int read_rows(const char* path, std::vector<row>* rows) {
  FILE* f = std::fopen(path, "r");
  if (!f) return fail(path, 0, "cannot open");
  char buf[512];
  int line = 0, ok = 1;
  while (ok && std::fgets(buf, sizeof buf, f)) {
    line++;
    std::string text = trim(buf);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    text = trim(text);
    if (text.empty() || text[0] == '#') continue;
    row r;
    ok = parse_row(path, line, text, &r);
    if (ok) rows->push_back(r);
  }
  std::fclose(f);
  return ok;
}

uint32_t take(uint32_t code, field f) {
  return (code >> f.lo) & ((1u << (f.hi - f.lo + 1)) - 1);
}

// Cross-row checks; fills table[] with the entry of every code.
int build(const char* path, const std::vector<row>& rows, decode_entry* table) {
  // Each operation number once, each control-flow kind once, handlers distinct.
  std::vector<const row*> by_op(DECODE_OP_COUNT + 1, nullptr);
  std::vector<int> kind_rows(DECODE_KIND_COUNT, 0);
  for (const row& r : rows) {
    if (r.op) {
      if (by_op[r.op]) return fail(path, r.line, "op number used twice");
      by_op[r.op] = &r;
      for (const row& o : rows)
        if (&o != &r && o.handler == r.handler) return fail(path, r.line, "handler used twice");
    } else {
      kind_rows[r.kind]++;
    }
  }
  for (int op = 1; op <= DECODE_OP_COUNT; op++)
    if (!by_op[op]) return fail(path, 0, "missing op", std::to_string(op));
  for (int k = DECODE_BT; k < DECODE_ILLEGAL; k++)
    if (kind_rows[k] != 1) return fail(path, 0, "each control-flow kind needs one row");
  // Numbers ascend with the row's code when letters and x read as 0.
  for (int op = 2; op <= DECODE_OP_COUNT; op++)
    if (by_op[op]->value <= by_op[op - 1]->value)
      return fail(path, by_op[op]->line, "op numbers must follow the pattern order");

  int illegal = 0;
  int illegal_by_nibble[16] = {};
  for (uint32_t code = 0; code < 65536; code++) {
    const row* hit = nullptr;
    for (const row& r : rows) {
      if ((code & r.mask) != r.value) continue;
      if (hit) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "code %04X also matches line %d", code, hit->line);
        return fail(path, r.line, "rows overlap", buf);
      }
      hit = &r;
    }
    decode_entry e = {};
    if (!hit) {
      e.kind = DECODE_ILLEGAL;
      illegal++;
      illegal_by_nibble[code >> 12]++;
    } else {
      e.kind = (uint8_t)hit->kind;
      e.op = (uint8_t)hit->op;
      for (size_t i = 0; i < hit->operands.size(); i++)
        e.operand[i] = (uint8_t)take(code, hit->operands[i]);
      if (hit->disp.hi >= 0) {
        int bits = hit->disp.hi - hit->disp.lo + 1;
        int v = (int)take(code, hit->disp);
        if (v & (1 << (bits - 1))) v -= 1 << bits;
        e.disp = (int16_t)v;
      }
    }
    table[code] = e;
  }
  if (illegal != DECODE_ILLEGAL_CODES) {
    std::string detail = std::to_string(illegal) + " illegal codes, by top nibble:";
    for (int n = 0; n < 16; n++) detail += " " + std::to_string(illegal_by_nibble[n]);
    return fail(path, 0, "wrong number of illegal codes", detail);
  }
  return 1;
}

int write_file(const std::string& path, const std::string& text) {
  FILE* f = std::fopen(path.c_str(), "w");
  if (!f) return fail(path.c_str(), 0, "cannot create");
  int ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  ok = (std::fclose(f) == 0) && ok;
  if (!ok) return fail(path.c_str(), 0, "cannot write");
  return 1;
}

std::string c_string(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

int write_outputs(const std::string& dir, const std::vector<row>& rows, const decode_entry* table) {
  const char* banner = "// Generated by decode_gen from cpu/decode_rows.txt; do not edit.\n";

  std::string t = banner;
  t += "#include \"cpu/decode.h\"\n\n";
  t += "// kind, op, operand bytes, disp\n";
  t += "const decode_entry decode_table[65536] = {\n";
  char buf[64];
  for (uint32_t code = 0; code < 65536; code++) {
    const decode_entry& e = table[code];
    std::snprintf(buf, sizeof buf, "{%u,%u,{%u,%u,%u},%d},", e.kind, e.op, e.operand[0],
                  e.operand[1], e.operand[2], e.disp);
    if (code % 8 == 0) t += "    ";
    t += buf;
    t += code % 8 == 7 ? "\n" : "";
  }
  t += "};\n";
  if (!write_file(dir + "/decode_table.cpp", t)) return 0;

  // The dispatcher's table: one switch index per code, with the operand bytes; a displacement
  // branch keeps its disp as a little-endian i16 in operand bytes 1 and 2.
  std::string d = banner;
  d += "#include \"cpu/decode.h\"\n\n";
  d += "// index, operand bytes\n";
  d += "const dispatch_entry dispatch_table[65536] = {\n";
  for (uint32_t code = 0; code < 65536; code++) {
    const decode_entry& e = table[code];
    dispatch_entry x = {};
    if (e.op) {
      x.index = e.op;
      for (int i = 0; i < 3; i++) x.operand[i] = e.operand[i];
    } else {
      x.index = (uint8_t)(DISPATCH_CONTROL + e.kind);
      x.operand[0] = e.operand[0];
      x.operand[1] = (uint8_t)((uint16_t)e.disp & 0xFF);
      x.operand[2] = (uint8_t)((uint16_t)e.disp >> 8);
    }
    std::snprintf(buf, sizeof buf, "{%u,{%u,%u,%u}},", x.index, x.operand[0], x.operand[1],
                  x.operand[2]);
    if (code % 8 == 0) d += "    ";
    d += buf;
    d += code % 8 == 7 ? "\n" : "";
  }
  d += "};\n";
  if (!write_file(dir + "/dispatch_table.cpp", d)) return 0;

  // The operation list of the dispatcher, in number order: one SH2_OP(number, pcrel, form, call)
  // per operation, which the dispatcher expands into its step and delay-slot forms (the call
  // takes its operand bytes as SH2_OPERAND(0-2), which the dispatcher defines). pcrel: the
  // handler reads pc (the instruction's address + 2). form 0: the handler takes the state s;
  // form 1: it may access memory (a memory operand) or add cycles, and takes the executing
  // instruction x (sh2_ops.h); form 2: it loads SR out of line (sh2_core.h), takes s and needs
  // the record's pc and counter current.
  std::vector<const row*> by_op(DECODE_OP_COUNT + 1, nullptr);
  for (const row& r : rows)
    if (r.op) by_op[r.op] = &r;
  std::string c = banner;
  for (int op = 1; op <= DECODE_OP_COUNT; op++) {
    const row& r = *by_op[op];
    const bool pcrel = r.kind == DECODE_OP_PCREL;
    const int form = r.kind == DECODE_OP_LOAD_SR                               ? 2
                     : r.instruction.find('@') != std::string::npos || r.extra ? 1
                                                                               : 0;
    std::string call = r.handler + (form == 1 ? "(x" : "(s");
    for (size_t i = 0; i < r.operands.size(); i++)
      call += ", SH2_OPERAND(" + std::to_string(i) + ")";
    call += ")";
    c += "SH2_OP(" + std::to_string(op) + ", " + (pcrel ? "1" : "0") + ", " + std::to_string(form) +
         ", " + call + ")  // " + r.instruction + "\n";
  }
  if (!write_file(dir + "/sh2_op_list.inc", c)) return 0;

  std::string l = banner;
  l += "#include \"cpu/decode.h\"\n\n";
  l += "const decode_row decode_rows[] = {\n";
  for (const row& r : rows) {
    l += "    {.pattern = " + c_string(r.pattern) + ", .instruction = " + c_string(r.instruction) +
         ", .handler = " + c_string(r.handler) + ", .op = " + std::to_string(r.op) +
         ", .kind = " + std::to_string(r.kind) + ", .extra_cycles = " + std::to_string(r.extra) +
         "},\n";
  }
  l += "};\n\nconst int decode_row_count = " + std::to_string(rows.size()) + ";\n";
  return write_file(dir + "/decode_rows.cpp", l);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: decode_gen <decode_rows.txt> <output folder>\n");
    return 1;
  }
  std::vector<row> rows;
  if (!read_rows(argv[1], &rows)) return 1;
  static decode_entry table[65536];
  if (!build(argv[1], rows, table)) return 1;
  if (!write_outputs(argv[2], rows, table)) return 1;
  return 0;
}
