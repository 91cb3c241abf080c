// The game scene's combat step with real actors: sword hits on two rocks in one frame,
// and two rocks touching the hero in one frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "player/Player.h"
#include "present/Sound.h"
#include "scenes/GameScene.h"
#include "stage/EnemyGroup.h"
#include "stage/ScoreBoard.h"
#include "support/FakeRuntime.h"
#include "unit/player/PlayerFixture.h"

namespace keldo {
namespace {

class Combat : public testing::Test {
protected:
    void SetUp() override {
        test::SetUpLikeTheScene(player);
        score.Init();
        score.Load(0, 0, 1600, 900);
        enemies.Init();
        enemies.SetLineNum(5);
        for (int64_t i = 0; i < 5; ++i) enemies.SetLineY(i, 400 + 100 * i);
        enemies.LoadSprites(0, 0, 1600, 900);
        // Two chasers drop onto the hero's line at the same spot (x 1000) and stand there.
        enemies.Spawn(3, 700, 0);
        enemies.Spawn(3, 700, 0);
        while (enemies.GetLineMove(0) != 0) enemies.Update(player.GetX(), 700);
        // The hero falls onto its line.
        while (!player.IsOnGround()) Frame();
    }

    void Frame() {
        player.Update(700);
        player.Animate();
        player.SetCommand(false);
    }

    void Command(int64_t state) {
        player.SetCommand(true);
        player.SetState(state);
    }

    int Plays(const std::string& name) const {
        return static_cast<int>(std::count_if(rt.Sounds.begin(), rt.Sounds.end(), [&](auto& s) {
            return s.What == "play" && s.Name == name;
        }));
    }

    test::FakeRuntime rt;
    Player player;
    EnemyGroup enemies;
    ScoreBoard score;
    std::unique_ptr<Snd> cut = LoadSound(u"tm2_slash003.ogg");
    std::unique_ptr<Snd> hit = LoadSound(u"tm2_hit005.ogg");
};

TEST_F(Combat, TwoRocksHitInOneFrameCountTwiceTheSecondWithTheHigherCombo) {
    // Run right to x 800, stand, attack: the first hit frame reaches x 800 + 44 + 150.
    Command(2);
    for (int i = 0; i < 10; ++i) Frame();
    Command(0);
    Frame();
    ASSERT_EQ(player.GetX(), 800);
    Command(3);
    int frames = 0;
    for (; frames < 40 && !player.IsHitActive(); ++frames) Frame();
    ASSERT_TRUE(player.IsHitActive());
    EXPECT_EQ(frames, 22);

    ResolveSwordHits(player, enemies, score, *cut);
    EXPECT_EQ(score.GetCombo(), 2);
    EXPECT_EQ(score.GetScore(), 10 * 1 + 10 * 2);
    EXPECT_EQ(Plays("tm2_slash003.ogg"), 2);
    EXPECT_EQ(enemies.GetState(0), 5);
    EXPECT_EQ(enemies.GetState(1), 5);
    EXPECT_EQ(enemies.GetLife(0), 100 - 18);

    // Hurt rocks cannot be hit again in the next frames of the window.
    Frame();
    ResolveSwordHits(player, enemies, score, *cut);
    EXPECT_EQ(score.GetScore(), 30);
}

TEST_F(Combat, TwoRocksTouchingInOneFrameHurtTwiceAndBreakTheCombo) {
    score.AddCombo();
    score.AddCombo();
    Command(2);
    int frames = 0;
    for (; frames < 60 && player.IsVulnerable(); ++frames) {
        Frame();
        ResolveTouches(player, enemies, score, *hit);
    }
    ASSERT_FALSE(player.IsVulnerable());
    EXPECT_EQ(Plays("tm2_hit005.ogg"), 2);
    EXPECT_EQ(score.GetCombo(), 0);
    EXPECT_EQ(player.GetState(), 4);
    // The next hit starts a new combo at 1.
    score.AddCombo();
    EXPECT_EQ(score.GetCombo(), 1);
    // While invulnerable, touches do nothing.
    Frame();
    ResolveTouches(player, enemies, score, *hit);
    EXPECT_EQ(Plays("tm2_hit005.ogg"), 2);
}

}  // namespace
}  // namespace keldo
