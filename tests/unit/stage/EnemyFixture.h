// An enemy group set up as the game scene sets it up: five lines from Y 400 to 800 and
// the 1600 x 900 screen as the view.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "stage/EnemyGroup.h"
#include "support/FakeRuntime.h"

namespace keldo::test {

inline void SetUpGroup(EnemyGroup& g) {
    g.Init();
    g.SetLineNum(5);
    for (int64_t k = 0; k < 5; ++k) {
        g.SetLineY(k, 400 + 100 * k);
    }
    g.LoadSprites(0, 0, 1600, 900);
    FakeRuntime::Current().ClearRecords();
}

inline void RunUpdates(EnemyGroup& g, int64_t n, double px, int64_t pLineY) {
    for (int64_t k = 0; k < n; ++k) {
        g.Update(px, pLineY);
    }
}

inline int64_t CountMessages(const FakeRuntime& rt, const std::string& text) {
    int64_t n = 0;
    for (const std::string& m : rt.Messages) {
        n += m == text ? 1 : 0;
    }
    return n;
}

// The draws made with one texture, in order.
inline std::vector<DrawCall> DrawsOf(const FakeRuntime& rt, const std::string& tex) {
    std::vector<DrawCall> out;
    for (const DrawCall& d : rt.Draws) {
        if (d.Tex == tex) {
            out.push_back(d);
        }
    }
    return out;
}

}  // namespace keldo::test
