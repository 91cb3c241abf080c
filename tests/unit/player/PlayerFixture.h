// A player set up the way the game scene sets it up, and a runner that plays whole
// frames (Update, Animate, then the end-of-frame command reset) and records each one.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "player/Player.h"
#include "support/FakeRuntime.h"

namespace keldo::test {

struct FrameRecord {
    double X = 0.0;
    double Y = 0.0;
    int64_t State = 0;
    bool OnGround = false;
    bool HitActive = false;
    int64_t ActFrame = 0;
};

// Frame k (counted from 1) of a run is element k - 1.
inline std::vector<FrameRecord> RunFrames(Player& p, int64_t lineY, int64_t n) {
    std::vector<FrameRecord> out;
    for (int64_t i = 0; i < n; ++i) {
        p.Update(lineY);
        p.Animate();
        p.SetCommand(false);
        out.push_back(
            {p.GetX(), p.GetY(), p.GetState(), p.IsOnGround(), p.IsHitActive(), p.GetActFrame()});
    }
    return out;
}

// The set-up calls in the game scene's order.
inline void SetUpLikeTheScene(Player& p) {
    p.Init();
    p.LoadAnime(0.0, 0.0, 1600.0, 900.0);
    p.InitAttack();
    p.InitEffects();
    p.LoadEffects(0.0, 0.0, 1600.0, 900.0);
    p.SetLine(3);
}

// Drops the player from its start onto the line at Y 700, standing at X 700.
inline void Land(Player& p) {
    RunFrames(p, 700, 27);
    ASSERT_TRUE(p.IsOnGround());
}

// The attack command as the game scene gives it, then n whole frames counting the
// command frame: element k of the result is the k-th frame after the command.
inline std::vector<FrameRecord> Attack(Player& p, int64_t n) {
    p.SetCommand(true);
    p.SetState(3);
    return RunFrames(p, 700, n);
}

// Lands, attacks and chains up to the given combo stage; ends in the first frame of that
// stage's hit window (ActFrame 21).
inline void ReachStage(Player& p, int64_t stage) {
    Land(p);
    Attack(p, 22);
    for (int64_t i = 0; i < stage; ++i) {
        ASSERT_TRUE(p.NextCombo());
        RunFrames(p, 700, 21);
    }
    ASSERT_TRUE(p.IsHitActive());
}

class PlayerTest : public testing::Test {
protected:
    PlayerTest() { SetUpLikeTheScene(P); }

    FakeRuntime Rt;
    Player P;
};

}  // namespace keldo::test
