// Fitting text into a width at a size, measured with text_measure: breaking a line where it
// must end, cutting a text with "..." at its end, and shortening a path from its left so that
// its end, the file name, stays. Cuts fall between characters, never inside a UTF-8 sequence.
// Drawing the result is the caller's business.
#pragma once

#include <cstddef>
#include <cstdint>

// How many of the first n bytes of text fit in width at size: the line is cut before the last
// blank, '/' or '\' that leaves it narrow enough, else between characters; at least one
// character, however wide. At most 199 bytes are taken.
int32_t text_fit_line(const char* text, int32_t n, int32_t width, int32_t size);

// The text into out (out_size bytes, always terminated): whole when it fits in width, else as
// many of its characters as fit followed by "...", or "..." alone when no character does.
void text_cut_end(const char* text, int32_t size, int32_t width, char* out, size_t out_size);

// The path into out: whole when it fits in width, else "..." and the longest end of it that
// fits, begun at a folder boundary ('/') where that end holds one, so that the file name stays
// whole whenever it fits at all.
void text_cut_path(const char* path, int32_t size, int32_t width, char* out, size_t out_size);
