// SH-2 programs assembled at build time (cmake/sh2_programs.cmake) and embedded in a test
// binary as raw big-endian images.
#pragma once

#include <cstddef>

struct sh2_program {
  const char* name;           // file stem of the .s source
  const unsigned char* data;  // image bytes, big-endian as the CPU fetches them
  size_t size;                // bytes
};

// The program assembled from <name>.s into this binary, or null when there is none.
const sh2_program* sh2_program_find(const char* name);
