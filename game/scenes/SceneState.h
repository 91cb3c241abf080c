// Which scene runs next, and what the run carries from one game to the next.
#pragma once

#include <cstdint>

namespace keldo {

class SceneState {
public:
    // The scene numbers the loop switches on.
    static constexpr int64_t kTitleScreen = 0;
    static constexpr int64_t kGameScene = 1;

    void Set(int64_t n) { Scene = n; }
    int64_t Get() const { return Scene; }

    // The best score so far, of this run or (read at start) of an earlier one; each game
    // starts its high-score line from it.
    void SetBestScore(int64_t n) { BestScore = n; }
    int64_t GetBestScore() const { return BestScore; }

private:
    int64_t Scene = 0;
    int64_t BestScore = 0;
};

}  // namespace keldo
