// Every enemy of a game: rock monsters that drop out of the spawn hole onto a line, walk
// and change lines on their own, get pushed back and killed by the sword, and hurt the
// player by touching it. A fixed number of slots held as parallel arrays; a slot is free
// or holds one enemy.
#pragma once

#include <cstdint>
#include <vector>

#include "motion/ActorBody.h"
#include "motion/AnimeSprite.h"
#include "motion/Vec.h"
#include "stage/EnemyAi.h"

namespace keldo {

class EnemyGroup {
public:
    // Enemy states.
    static constexpr int64_t kIdle = 0;
    static constexpr int64_t kWalk = 1;
    static constexpr int64_t kHurt = 5;
    static constexpr int64_t kDying = 6;
    // Line changes.
    static constexpr int64_t kLineStay = 0;
    static constexpr int64_t kLineUp = 1;
    static constexpr int64_t kLineDown = 2;
    // Facing.
    static constexpr int64_t kFaceLeft = 0;
    static constexpr int64_t kFaceRight = 1;
    // The way a sword hit pushed the enemy.
    static constexpr int64_t kPushRight = 0;
    static constexpr int64_t kPushLeft = 1;

    EnemyGroup() = default;
    EnemyGroup(const EnemyGroup&) = delete;
    EnemyGroup& operator=(const EnemyGroup&) = delete;

    void SetLineNum(int64_t n);
    void SetLineY(int64_t k, int64_t y);
    void Init();
    void LoadSprites(double x, double y, double w, double h);
    void Spawn(int64_t lineIndex, int64_t lineY, int64_t aiMode);
    int64_t GetSlotNum() const;
    bool HitTest(int64_t i, int64_t lineY, double x, double y, double r) const;
    void Damage(int64_t i, int64_t damage, double push, bool toRight);
    void ActAi(double px, int64_t pLineY, int64_t i);
    bool AnyAlive() const;
    void LineDown(int64_t i);
    void LineUp(int64_t i);
    void Update(double px, int64_t pLineY);
    void DrawHole(double camX, double camY);
    void DrawLine(double camX, double camY, int64_t lineY);

    // Read-only views of a slot, for the scene's checks and for tests.
    bool IsAlive(int64_t i) const { return Alive[i]; }
    int64_t GetState(int64_t i) const { return State[i]; }
    int64_t GetLife(int64_t i) const { return Life[i]; }
    int64_t GetFace(int64_t i) const { return Face[i]; }
    int64_t GetLineMove(int64_t i) const { return LineMove[i]; }
    int64_t GetLineIndex(int64_t i) const { return LineIndex[i]; }
    int64_t GetEnemyY(int64_t i) const { return EnemyY[i]; }
    int64_t GetStateTime(int64_t i) const { return StateTime[i]; }
    const ActorBody& GetBody(int64_t i) const { return Bodies[i]; }

    // The rock's animations as LoadSprites built them, for what shows every cell of them.
    AnimeSprite& GetSprite() { return Sprite; }

private:
    void Idle(int64_t i);
    void Walk(int64_t i);
    void Hurt(int64_t i);
    void Dying(int64_t i);
    void MoveDown(int64_t i);
    void MoveUp(int64_t i);
    void Arrive(int64_t i);
    void RunState(int64_t i);

    int64_t LineNum = 0;
    std::vector<int64_t> LineY;

    double WalkSpeed = 0.0;
    double DrawRadius = 0.0;
    double HitRadius = 0.0;
    int64_t HurtTime = 0;
    double PushScale = 0.0;
    double HurtFriction = 0.0;
    int64_t DeathTime = 0;
    double DeathSpeed = 0.0;
    double DeathFriction = 0.0;
    Vec SpawnPos;
    int64_t SlotNum = 0;
    int64_t MaxLife = 0;
    AnimeSprite HoleSprite;
    int64_t HoleAnime = 0;
    Vec HolePos;
    Vec HoleHalf;
    EnemyAi Ai;
    int64_t AiInterval = 0;
    AnimeSprite Sprite;
    AnimeSprite LifeSprite;
    int64_t LifeAnime = 0;
    double LifeBarOffsetY = 0.0;
    Vec LifeBarScale;
    AnimeSprite FrameSprite;
    int64_t FrameAnime = 0;
    double FrameOffsetY = 0.0;
    Vec FrameScale;

    std::vector<ActorBody> Bodies;
    std::vector<bool> Alive;
    std::vector<int64_t> State;
    std::vector<int64_t> Face;
    std::vector<int64_t> PushDir;
    std::vector<int64_t> LineMove;
    std::vector<int64_t> PrevLineMove;
    std::vector<int64_t> StateTime;
    std::vector<int64_t> AnimeId;
    std::vector<int64_t> EnemyY;
    std::vector<int64_t> Life;
    std::vector<int64_t> AiWait;
    std::vector<int64_t> LineIndex;
};

}  // namespace keldo
