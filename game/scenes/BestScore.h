// The best score, kept between runs in the runtime library's saved data.
#pragma once

#include <cstdint>

namespace keldo {

// The best score saved by an earlier run, or 0 when there is none (or it is not a score).
int64_t LoadBestScore();

// Keeps `score` as the best for the next run, and gives the best there is now: `score`, or
// the higher one that another game saved meanwhile, which then stays in the file. A score
// that cannot be kept is not an error: the library has said so and the game goes on.
int64_t SaveBestScore(int64_t score);

}  // namespace keldo
