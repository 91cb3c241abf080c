#include "stage/EnemyGroup.h"

#include "motion/MathHelpers.h"
#include "motion/SpriteCells.h"

namespace keldo {

namespace {

// Facing 1 (right) uses the mirrored cells; facing 0 the cells as drawn.
constexpr int64_t kRightAnime = 100;
constexpr int64_t kLeftAnime = 200;
constexpr int64_t kHurtAnimeStep = 10;
constexpr int64_t kDyingAnimeStep = 20;

}  // namespace

void EnemyGroup::SetLineNum(int64_t n) {
    LineNum = n;
    LineY.assign(static_cast<size_t>(n > 0 ? n : 0), 0);
}

void EnemyGroup::SetLineY(int64_t k, int64_t y) { LineY[k] = y; }

void EnemyGroup::Init() {
    WalkSpeed = 3.0;
    DrawRadius = 50.0;
    HitRadius = 50.0;
    HurtTime = 20;
    PushScale = 1.0;
    HurtFriction = 0.3;
    DeathTime = 60;
    DeathSpeed = 6.0;
    DeathFriction = 0.3;
    SpawnPos.Set(1000.0, 400.0);
    SlotNum = 6;
    MaxLife = 100;
    HoleAnime = 100;
    HolePos.Set(1000.0, 350.0);
    HoleHalf.Set(300.0, 200.0);
    AiInterval = 30;
    Ai.Init(SlotNum);
    LifeAnime = 100;
    LifeBarOffsetY = -100.0;
    LifeBarScale.Set(78.0 / static_cast<double>(MaxLife), 4.0);
    FrameAnime = 100;
    FrameOffsetY = LifeBarOffsetY;
    FrameScale.Set(80.0 / static_cast<double>(MaxLife), 5.0);

    const auto n = static_cast<size_t>(SlotNum);
    Bodies.assign(n, ActorBody{});
    for (ActorBody& body : Bodies) {
        body.Init();
    }
    Alive.assign(n, false);
    State.assign(n, kWalk);
    Face.assign(n, kFaceRight);
    PushDir.assign(n, kPushLeft);
    LineMove.assign(n, kLineDown);
    PrevLineMove.assign(n, kLineDown);
    StateTime.assign(n, 0);
    AnimeId.assign(n, 0);
    EnemyY.assign(n, 0);
    Life.assign(n, MaxLife);
    AiWait.assign(n, 0);
    LineIndex.assign(n, 0);
}

void EnemyGroup::LoadSprites(double x, double y, double w, double h) {
    LoadSpriteCells(LifeSprite, u"life.vstex", {{LifeAnime, true, {{0, 0, 32, 32, 15}}}}, x, y, w,
                    h);
    LoadSpriteCells(FrameSprite, u"gauge.vstex", {{FrameAnime, true, {{0, 0, 256, 32, 15}}}}, x, y,
                    w, h);
    LoadSpriteCells(HoleSprite, u"generate_hole.vstex", {{HoleAnime, true, {{0, 0, 512, 368, 15}}}},
                    x, y, w, h);
    // The second walking cell is taken 10 pixels higher, which makes the rock bob.
    LoadSpriteCells(Sprite, u"rock_enemy.vstex",
                    {
                        {100, true, {{256, 256, -256, 256, 15}, {256, 246, -256, 256, 15}}},
                        {110, false, {{256, 0, -256, 256, 30}}},
                        {120,
                         false,
                         {{256, 0, -256, 256, 30},
                          {512, 0, -256, 256, 10},
                          {768, 0, -256, 256, 10},
                          {1024, 0, -256, 256, 10}}},
                        {200, true, {{0, 256, 256, 256, 15}, {0, 246, 256, 256, 15}}},
                        {210, false, {{0, 0, 256, 256, 30}}},
                        {220,
                         false,
                         {{0, 0, 256, 256, 30},
                          {256, 0, 256, 256, 10},
                          {512, 0, 256, 256, 10},
                          {768, 0, 256, 256, 10}}},
                    },
                    x, y, w, h);
}

void EnemyGroup::Spawn(int64_t lineIndex, int64_t lineY, int64_t aiMode) {
    for (int64_t i = 0; i < SlotNum; ++i) {
        if (Alive[i]) {
            continue;
        }
        Alive[i] = true;
        State[i] = kWalk;
        LineMove[i] = kLineDown;
        StateTime[i] = 0;
        Life[i] = MaxLife;
        Bodies[i].SetPos(SpawnPos.GetX(), SpawnPos.GetY());
        // The new enemy sinks out of the hole as a line change down to its line.
        Bodies[i].SetMove(0.0, WalkSpeed);
        EnemyY[i] = lineY;
        AiWait[i] = 0;
        LineIndex[i] = lineIndex;
        Ai.SetMode(i, aiMode);
        return;
    }
}

int64_t EnemyGroup::GetSlotNum() const { return SlotNum; }

bool EnemyGroup::HitTest(int64_t i, int64_t lineY, double x, double y, double r) const {
    if (!Alive[i] || Life[i] < 1 || EnemyY[i] != lineY) {
        return false;
    }
    // A hurt or dying enemy can neither be hit again nor hurt the player.
    if (State[i] == kHurt || State[i] == kDying) {
        return false;
    }
    const ActorBody& body = Bodies[i];
    return Hypot(body.GetX() - x, body.GetY() - y) < HitRadius + r;
}

void EnemyGroup::Damage(int64_t i, int64_t damage, double push, bool toRight) {
    Life[i] -= damage;
    if (Life[i] < 0) {
        Life[i] = 0;
    }
    StateTime[i] = 0;
    const double dir = toRight ? 1.0 : -1.0;
    PushDir[i] = toRight ? kPushRight : kPushLeft;
    // One life point left already counts as dead, so a hit that leaves one point kills.
    if (Life[i] < 2) {
        State[i] = kDying;
        Bodies[i].SetMove(dir * DeathSpeed, DeathSpeed);
    } else {
        State[i] = kHurt;
        Bodies[i].SetMove(dir * push * PushScale, 0.0);
    }
}

bool EnemyGroup::AnyAlive() const {
    for (int64_t i = 0; i < SlotNum; ++i) {
        if (Alive[i]) {
            return true;
        }
    }
    return false;
}

void EnemyGroup::DrawHole(double camX, double camY) {
    HoleSprite.Draw(HoleAnime, 0, HolePos.GetX(), HolePos.GetY(), HoleHalf.GetX(), HoleHalf.GetY(),
                    0.0, 1.0, camX, camY);
}

void EnemyGroup::DrawLine(double camX, double camY, int64_t lineY) {
    const double half = 2.0 * DrawRadius;
    for (int64_t i = 0; i < SlotNum; ++i) {
        if (!Alive[i] || EnemyY[i] != lineY) {
            continue;
        }
        AnimeId[i] = Face[i] == kFaceRight ? kRightAnime : kLeftAnime;
        if (State[i] == kHurt) {
            AnimeId[i] += kHurtAnimeStep;
        } else if (State[i] == kDying) {
            AnimeId[i] += kDyingAnimeStep;
        }
        const double x = Bodies[i].GetX();
        const double y = Bodies[i].GetY();
        Sprite.Draw(AnimeId[i], StateTime[i], x, y, half, half, 0.0, 1.0, camX, camY);
        if (Life[i] == MaxLife || Life[i] == 0) {
            continue;
        }
        const auto life = static_cast<double>(Life[i]);
        LifeSprite.Draw(LifeAnime, 0, x, y + LifeBarOffsetY, LifeBarScale.GetX() * life,
                        LifeBarScale.GetY() * 2.0, 0.0, 1.0, camX, camY);
        FrameSprite.Draw(FrameAnime, 0, x, y + FrameOffsetY,
                         FrameScale.GetX() * static_cast<double>(MaxLife), FrameScale.GetY() * 2.0,
                         0.0, 1.0, camX, camY);
    }
}

}  // namespace keldo
