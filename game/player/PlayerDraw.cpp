#include "motion/SpriteCells.h"
#include "player/Player.h"

namespace keldo {

namespace {

struct KeyPose {
    double OffsetX;
    double OffsetY;
    double Angle;
    bool Forward;
    int64_t Steps;
};

struct SwordSwing {
    int64_t Id;
    KeyPose Keys[5];
};

// One pose per frame of an attack stage (1 + 10 + 10 + 5 + 12 = 38): the first two
// stages swing down and up across the front, the third draws back and thrusts.
constexpr SwordSwing kSwordSwings[] = {
    {110,
     {{-25.0, -10.0, -2.35619449019235, true, 1},
      {0.0, -10.0, -2.44346095279206, true, 10},
      {10.0, 60.0, 0.349065850398866, true, 10},
      {10.0, 60.0, 0.349065850398866, true, 5},
      {0.0, 40.0, 0.349065850398866, false, 12}}},
    {120,
     {{25.0, -10.0, 5.49778714378214, false, 1},
      {0.0, -10.0, 5.41052068118242, false, 10},
      {-10.0, 60.0, 2.79252680319093, false, 10},
      {-10.0, 60.0, 2.79252680319093, false, 5},
      {0.0, 40.0, 2.79252680319093, true, 12}}},
    {210,
     {{-25.0, 50.0, 0.436332312998582, false, 1},
      {0.0, 50.0, 0.436332312998582, false, 10},
      {10.0, -30.0, -0.349065850398866, false, 10},
      {10.0, -30.0, -0.349065850398866, false, 5},
      {0.0, -20.0, -0.349065850398866, true, 12}}},
    {220,
     {{25.0, 50.0, 2.35619449019235, true, 1},
      {0.0, 50.0, 2.35619449019235, true, 10},
      {-10.0, -30.0, 3.49065850398866, true, 10},
      {-10.0, -30.0, 3.49065850398866, true, 5},
      {0.0, -20.0, 3.49065850398866, false, 12}}},
    {310,
     {{10.0, 20.0, -0.785398163397449, true, 1},
      {-50.0, 20.0, 0.261799387799149, true, 10},
      {-50.0, 20.0, 0.0, false, 10},
      {60.0, 10.0, 0.0, true, 5},
      {50.0, 20.0, 0.0, true, 12}}},
    {320,
     {{-10.0, 20.0, 3.92699081698724, false, 1},
      {50.0, 20.0, 2.87979326579064, false, 10},
      {50.0, 20.0, 3.14159265358979, true, 10},
      {-60.0, 10.0, 3.14159265358979, false, 5},
      {-50.0, 20.0, 3.14159265358979, false, 12}}},
};

struct ArcTurn {
    double Angle;
    bool Forward;
    int64_t Steps;
};

struct ArcSwing {
    int64_t Id;
    double OffsetX;
    ArcTurn Turns[2];
};

// The arc of a hit only turns in place, the way the first two stages swing; it stays
// as long as a hit particle lives (1 + 19 poses, Life 20).
constexpr ArcSwing kArcSwings[] = {
    {110, -140.0, {{0.0, true, 1}, {2.35619449019235, true, 19}}},
    {210, -140.0, {{2.35619449019235, false, 1}, {0.0, false, 19}}},
    {120, -20.0, {{0.0, false, 1}, {2.35619449019235, false, 19}}},
    {220, -20.0, {{2.35619449019235, true, 1}, {0.0, true, 19}}},
};

}  // namespace

void Player::LoadAnime(double viewX, double viewY, double viewW, double viewH) {
    // Body animation IDs: the hundreds are the facing (1 right, 2 left), the tens the pose
    // (stand, walk, run, attack or airborne).
    BodySprite = std::make_unique<AnimeSprite>();
    LoadSpriteCells(*BodySprite, u"velquint256.vstex",
                    {
                        {100, true, {{0, 0, 256, 256, 300}}},
                        {110,
                         true,
                         {{256, 0, 256, 256, 15},
                          {0, 0, 256, 256, 15},
                          {512, 0, 256, 256, 15},
                          {0, 0, 256, 256, 15}}},
                        {120,
                         true,
                         {{256, 512, 256, 256, 10},
                          {0, 512, 256, 256, 10},
                          {512, 512, 256, 256, 10},
                          {0, 512, 256, 256, 10}}},
                        {130, true, {{256, 512, 256, 256, 300}}},
                        {200, true, {{0, 256, 256, 256, 300}}},
                        {210,
                         true,
                         {{256, 256, 256, 256, 15},
                          {0, 256, 256, 256, 15},
                          {512, 256, 256, 256, 15},
                          {0, 256, 256, 256, 15}}},
                        {220,
                         true,
                         {{256, 768, 256, 256, 10},
                          {0, 768, 256, 256, 10},
                          {512, 768, 256, 256, 10},
                          {0, 768, 256, 256, 10}}},
                        {230, true, {{256, 768, 256, 256, 300}}},
                    },
                    viewX, viewY, viewW, viewH);

    SwordSet = std::make_unique<TexAnimeSet>();
    SwordSet->LoadTex(u"sword_512_128.vstex", 0.0, 0.0, 512.0, 128.0);
    SwordSet->Init(6);
    SwordSet->SetView(viewX, viewY, viewW, viewH);
    for (const SwordSwing& s : kSwordSwings) {
        SwordSet->AddAnime(s.Id, false);
        for (const KeyPose& k : s.Keys) {
            SwordSet->AddKeyFrame(s.Id, k.OffsetX, k.OffsetY, 12.5, 12.5, k.Angle, k.Forward,
                                  k.Steps);
        }
    }

    BulletSprite = std::make_unique<AnimeSprite>();
    LoadSpriteCells(*BulletSprite, u"bullet.vstex", {{100, false, {{0, 0, 64, 64, 10}}}}, viewX,
                    viewY, viewW, viewH);
}

void Player::LoadEffects(double viewX, double viewY, double viewW, double viewH) {
    SmokeSprite = std::make_unique<AnimeSprite>();
    LoadSpriteCells(*SmokeSprite, u"smog.vstex", {{100, false, {{0, 0, 128, 128, 60}}}}, viewX,
                    viewY, viewW, viewH);

    ArcSet = std::make_unique<TexAnimeSet>();
    ArcSet->LoadTex(u"slash_effect.vstex", 0.0, 0.0, 256.0, 256.0);
    ArcSet->Init(4);
    ArcSet->SetView(viewX, viewY, viewW, viewH);
    for (const ArcSwing& a : kArcSwings) {
        ArcSet->AddAnime(a.Id, false);
        for (const ArcTurn& t : a.Turns) {
            ArcSet->AddKeyFrame(a.Id, a.OffsetX, -80.0, 80.0, 80.0, t.Angle, t.Forward, t.Steps);
        }
    }

    HitSprite = std::make_unique<AnimeSprite>();
    LoadSpriteCells(*HitSprite, u"hit_effect.vstex",
                    {{100,
                      false,
                      {{0, 0, 256, 256, 5},
                       {0, 256, 256, 256, 5},
                       {256, 256, 256, 256, 5},
                       {256, 0, 256, 256, 5}}}},
                    viewX, viewY, viewW, viewH);
}

void Player::DrawLine(double viewX, double viewY, int64_t lineY) {
    // Drawn only in the pass of its own line, so that whatever stands on lower lines
    // covers the player.
    if (lineY != LineY) {
        return;
    }

    // Effects first, so that the character covers them.
    const EffectPool& smoke = *SmokePool;
    for (int64_t i = 0; i < smoke.GetCapacity(); ++i) {
        if (smoke.IsAlive(i)) {
            SmokeSprite->Draw(100, smoke.GetAge(i), smoke.GetX(i), smoke.GetY(i), smoke.GetSize(),
                              smoke.GetSize(), smoke.GetAngle(i), smoke.GetAlpha(i), viewX, viewY);
        }
    }
    const EffectPool& hits = *HitPool;
    for (int64_t i = 0; i < hits.GetCapacity(); ++i) {
        if (!hits.IsAlive(i)) {
            continue;
        }
        if (hits.GetKind(i) > 0) {
            ArcSet->Draw(hits.GetKind(i), hits.GetAge(i), hits.GetX(i), hits.GetY(i),
                         hits.GetSize(), hits.GetSize(), hits.GetAngle(i), hits.GetAlpha(i), viewX,
                         viewY);
        }
        HitSprite->Draw(100, hits.GetAge(i), hits.GetX(i), hits.GetY(i), hits.GetSize(),
                        hits.GetSize(), hits.GetAngle(i), hits.GetAlpha(i), viewX, viewY);
    }

    // Any facing but right counts as left here, as in Hurt, so that the ID is rebuilt
    // from scratch at every drawing.
    BodyAnimeId = Facing == kFaceRight ? 100 : 200;
    SwordAnimeBase = Facing == kFaceRight ? 10 : 20;
    if (!OnGround) {
        BodyAnimeId += 30;
    } else if (State >= kStand && State <= kAttack) {
        BodyAnimeId += State * 10;
    }

    // While blinking, the character and its sword vanish but its effects stay.
    if (!Visible) {
        return;
    }
    const double size = HalfSize * 2.0;
    BodySprite->Draw(BodyAnimeId, StateTime, GetX(), GetY(), size, size, 0.0, 1.0, viewX, viewY);
    if (State == kAttack) {
        SwordSet->Draw(SwordAnimeBase + GetAttackId(), ActFrame, GetX(), GetY(), SwordHalfW,
                       SwordHalfH, 0.0, 1.0, viewX, viewY);
    }
}

}  // namespace keldo
