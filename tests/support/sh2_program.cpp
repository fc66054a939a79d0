#include "sh2_program.h"

#include <cstring>

// Filled by the generated registry of each binary that embeds programs; a binary without
// programs gets this empty one.
extern const sh2_program* const sh2_program_table[] __attribute__((weak));

const sh2_program* sh2_program_find(const char* name) {
  if (!sh2_program_table) return nullptr;
  for (const sh2_program* const* p = sh2_program_table; *p; p++)
    if (std::strcmp((*p)->name, name) == 0) return *p;
  return nullptr;
}
