#pragma once

namespace keldo {

// The whole program: floating-point mode, binding, settings, start-up record, Main, and
// the top-level handler with its shutdown steps. Returns the process exit code: 0 when
// the window was closed (or the automation frame limit reached), non-zero after a fatal
// condition, which is named in one line on standard error.
int RunProgram();

}  // namespace keldo
