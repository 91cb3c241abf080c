// File streams live in a library-side table: the game only holds the handle, and releasing
// the handle with FreeMem is what closes the file.
#pragma once

namespace tolvex {

// Closes the file behind a stream handle; anything that is not a stream handle is left alone.
void ReleaseStream(const void* handle);

// Closes (and so flushes) every stream still open; for the library's shutdown.
void CloseAllStreams();

}  // namespace tolvex
