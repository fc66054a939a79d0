// The buffers one game frame passes through: the game's picture (32- and 16-bit), the upload
// copy handed to the texture and the frame's interleaved stereo samples, sized from the game's
// descriptor in fe.adapter_copy.
#pragma once

// Allocates all four zero-filled (any left from before are freed first). 0 when memory runs out,
// with whatever was allocated freed again.
int alloc_frame_buffers();

// Frees them; each pointer is left null.
void free_frame_buffers();
