// The sword-wielding character the user steers. It is passive: the game scene turns the
// pad into commands through the setters, calls Update and Animate once a frame, asks
// where the sword hits and whether enemies touch it, and has it draw itself once per
// stage line. The player itself moves and lands, runs its attacks and combos, and draws
// its body, sword and effects.
#pragma once

#include <cstdint>
#include <memory>

#include "motion/ActorBody.h"
#include "motion/AnimeSprite.h"
#include "motion/AttackFrameAct.h"
#include "motion/MoveFrameAct.h"
#include "motion/TexAnimeSet.h"
#include "player/EffectPool.h"

namespace keldo {

class Player {
public:
    // States.
    static constexpr int64_t kStand = 0;
    static constexpr int64_t kWalk = 1;
    static constexpr int64_t kRun = 2;
    static constexpr int64_t kAttack = 3;
    static constexpr int64_t kHurt = 4;
    // Facing.
    static constexpr int64_t kFaceRight = 0;  // toward +X
    static constexpr int64_t kFaceLeft = 1;
    // Line changes under way.
    static constexpr int64_t kLineStay = 0;
    static constexpr int64_t kLineUp = 1;
    static constexpr int64_t kLineDown = 2;

    Player() = default;
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    void Init();
    void InitAttack();
    void LoadAnime(double viewX, double viewY, double viewW, double viewH);
    void InitEffects();
    void LoadEffects(double viewX, double viewY, double viewW, double viewH);

    double GetX() const;
    double GetY() const;
    double GetMoveX() const;
    double GetMoveY() const;
    void SetMove(double x, double y);
    void SetAngle(double angle);
    void SetLine(int64_t n);
    void AddLine(int64_t d);
    int64_t GetLine() const;
    void SetState(int64_t s);
    void SetStateTime(int64_t t);
    int64_t GetState() const;
    void SetFacing(int64_t f);
    int64_t GetFacing() const;
    void SetOnGround(bool b);
    bool IsOnGround() const;
    void SetCommand(bool b);
    bool IsCommand() const;
    void SetLineShift(int64_t n);
    int64_t GetLineShift() const;
    void AddMove(double dx, double dy);
    double GetWalkSpeed() const;
    double GetRunSpeed() const;
    double GetAngle() const;
    double GetHalfSize() const;
    int64_t GetStateTime() const;
    int64_t GetActFrame() const;
    double GetJumpSpeed() const;
    int64_t GetLineY() const;
    double GetRadius() const;
    bool IsVulnerable() const;

    int64_t GetAttackId() const;
    double GetHitX() const;
    double GetHitY() const;
    double GetHitRadius() const;
    bool IsHitActive() const;
    int64_t GetAttackTotalFrame() const;
    int64_t GetHitDamage() const;
    double GetHitPush() const;
    int64_t GetHitScore() const;

    void Hurt(double k);
    bool NextCombo();
    void EmitHit(double x, double y);
    void Update(int64_t lineY);
    void Animate();
    void DrawLine(double viewX, double viewY, int64_t lineY);

    // The animations as LoadAnime and LoadEffects built them, for what shows every cell
    // and pose of them (the contact sheet, tests). Valid once those have run.
    AnimeSprite& GetBodySprite() { return *BodySprite; }
    TexAnimeSet& GetSwordSet() { return *SwordSet; }
    AnimeSprite& GetBulletSprite() { return *BulletSprite; }
    AnimeSprite& GetSmokeSprite() { return *SmokeSprite; }
    TexAnimeSet& GetArcSet() { return *ArcSet; }
    AnimeSprite& GetHitSprite() { return *HitSprite; }

private:
    // Walking and running set their horizontal speed along the facing; other states
    // and facings leave the motion alone.
    void KeepPace();

    std::unique_ptr<ActorBody> Body;
    double WalkSpeed = 0.0;
    double RunSpeed = 0.0;
    double HalfSize = 0.0;
    double Radius = 0.0;
    bool Vulnerable = false;
    int64_t InvulnTime = 0;
    int64_t InvulnFrames = 0;
    double Gravity = 0.0;
    double JumpSpeed = 0.0;
    double HurtSpeedX = 0.0;
    double HurtSpeedY = 0.0;
    bool Visible = false;
    int64_t BlinkPeriod = 0;
    int64_t State = kStand;
    int64_t Facing = 0;
    int64_t StateTime = 0;
    bool OnGround = false;
    bool Command = false;
    int64_t LineShift = kLineStay;
    int64_t LineY = 0;
    int64_t Line = 0;

    int64_t AttackStageNum = 0;
    int64_t AttackStage = 0;
    int64_t AttackIdStep = 0;
    int64_t ActFrame = 0;
    bool HitActive = false;
    std::unique_ptr<MoveFrameAct> MoveAct;
    std::unique_ptr<AttackFrameAct> AttackAct;

    std::unique_ptr<AnimeSprite> BodySprite;
    int64_t BodyAnimeId = 0;
    int64_t SwordAnimeBase = 0;
    std::unique_ptr<TexAnimeSet> SwordSet;
    double SwordHalfW = 0.0;
    double SwordHalfH = 0.0;

    std::unique_ptr<EffectPool> SmokePool;
    std::unique_ptr<AnimeSprite> SmokeSprite;
    int64_t SmokePeriod = 0;
    std::unique_ptr<EffectPool> HitPool;
    std::unique_ptr<TexAnimeSet> ArcSet;
    std::unique_ptr<AnimeSprite> HitSprite;
    double HitScatter = 0.0;
    // Loaded so that a missing file shows up at set-up; never drawn.
    std::unique_ptr<AnimeSprite> BulletSprite;
};

}  // namespace keldo
