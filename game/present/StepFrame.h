#pragma once

namespace keldo {

// Ends one frame: the library presents it, paces to the frame rate and advances the pad.
// Both scenes end their frames here, so it lives below them rather than with the loop
// that calls the scenes.
void StepFrame();

}  // namespace keldo
