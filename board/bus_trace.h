// The bus trace: one text line per traced access (input and DIP/EEPROM port reads, sound-port
// bytes, vertical-blank acknowledges) into the file that "CB_TRACE_IO" names, limited to the
// frames that "CB_TRACE_FRAMES" gives as "FIRST-LAST". The bus decides what is traced.
#pragma once

#include <cstdint>

struct machine;

// Writes "frame kind address value cycles" for one access when tracing is on. The first call
// of the process reads the environment and opens the file.
void io_trace(const machine* m, char kind, uint32_t address, uint32_t value);

// Closes the trace file and forgets the settings, so that the next traced access reads the
// environment again (for tools and tests that trace more than one run in a process).
void bus_trace_restart();
