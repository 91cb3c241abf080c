// File streams live in a library-side table: the game only holds the handle, and releasing
// the handle with FreeMem is what closes the file.
#pragma once

#include <cstddef>

#include "Tolvex.h"

namespace tolvex {

// Closes the file behind a stream handle; anything that is not a stream handle is left alone.
void ReleaseStream(const void* handle);

// A new byte array (allocated with AllocMem; the receiver owns it).
TvBytes* NewBytes(const void* data, size_t size);

// Closes (and so flushes) every stream still open; for the library's shutdown.
void CloseAllStreams();

}  // namespace tolvex
