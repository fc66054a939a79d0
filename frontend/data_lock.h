// One copy of the program per data folder. The run holds an advisory lock (flock) on
// "frontend.lock" in the data folder from start-up to exit; the system drops it whenever the
// process ends, however it ends, so a copy that died never blocks the next one, and no stale
// file has to be cleaned up.
#pragma once

#include <cstddef>

// Takes the lock of the data folder. 0 when another process holds it (msg: nothing). 1 when
// this run may go on: it holds the lock, or the lock could not be taken for another reason
// (the file cannot be made, it is not a regular file, the file system has no locks), which msg
// then says ("" when the lock is held).
int data_folder_lock(const char* data_dir, char* msg, size_t msg_size);

// Releases the lock (nothing when none is held).
void data_folder_unlock();
