// Runs the game's unit tests in the game's own floating-point mode: rounding toward
// zero, the invalid-operation trap on, every other exception masked.
#include <gtest/gtest.h>
#include <xmmintrin.h>

#include "Tolvex.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    _mm_setcsr(TV_GAME_FP_MODE);
    return RUN_ALL_TESTS();
}
