#pragma once

namespace keldo {

// Ends one frame: the library presents it, paces to the frame rate and advances the pad.
void StepFrame();

// Creates the objects that live for the whole run and switches between the scenes for
// ever; only an exception ends it.
[[noreturn]] void Main();

}  // namespace keldo
