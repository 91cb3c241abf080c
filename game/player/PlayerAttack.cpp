#include "motion/MathHelpers.h"
#include "player/Player.h"
#include "runtime/ErrorReport.h"

namespace keldo {

namespace {

// One stage of the combo: a wind-up, a ten-frame hit window and a recovery, 38 frames
// in all, with the forward step of each part.
struct AttackStageData {
    int64_t Id;
    double HitX;
    int64_t Damage;
    double Push;
    int64_t Score;
    double WindUpStep;
    double SwingStep;
    double RecoverStep;
};

// The third stage draws the player back before it lunges.
constexpr AttackStageData kStages[] = {
    {100, 150.0, 18, 8.0, 10, 2.0, 6.0, 2.0},
    {200, 150.0, 12, 10.0, 15, 4.0, 8.0, 2.0},
    {300, 200.0, 25, 15.0, 40, -4.0, 12.0, 2.0},
};

constexpr int64_t kWindUpFrames = 21;
constexpr int64_t kSwingFrames = 10;
constexpr int64_t kRecoverFrames = 7;
constexpr int64_t kStageFrames = kWindUpFrames + kSwingFrames + kRecoverFrames;

}  // namespace

void Player::InitAttack() {
    ActFrame = 0;
    HitActive = false;
    AttackStageNum = 3;
    AttackStage = 0;
    AttackIdStep = 100;
    AttackAct = std::make_unique<AttackFrameAct>();
    AttackAct->Init();
    MoveAct = std::make_unique<MoveFrameAct>();
    MoveAct->Init();
    SwordHalfW = 100.0;
    SwordHalfH = 25.0;

    for (const AttackStageData& s : kStages) {
        ReportError(JoinMessage(u"SetAttackFrameAct. ID:", s.Id));
        AttackAct->AddFrameAct(s.Id);
        AttackAct->AddAttackFrames(s.Id, 0.0, 0.0, 40.0, 0, 0.0, 0, false, kWindUpFrames);
        AttackAct->AddAttackFrames(s.Id, s.HitX, 40.0, 40.0, s.Damage, s.Push, s.Score, true,
                                   kSwingFrames);
        AttackAct->AddAttackFrames(s.Id, 0.0, 0.0, 40.0, 0, 0.0, 0, false, kRecoverFrames);

        ReportError(JoinMessage(u"SetMoveFrameAct. ID:", s.Id));
        MoveAct->AddFrameAct(s.Id);
        MoveAct->AddFrames(s.Id, kStageFrames);
        MoveAct->SetMemberDamageHit(s.Id, true, 1, kStageFrames);
        MoveAct->SetMemberAddPos(s.Id, s.WindUpStep, 0.0, 1, kWindUpFrames);
        MoveAct->SetMemberAddPos(s.Id, s.SwingStep, 0.0, kWindUpFrames + 1,
                                 kWindUpFrames + kSwingFrames);
        MoveAct->SetMemberAddPos(s.Id, s.RecoverStep, 0.0, kWindUpFrames + kSwingFrames + 1,
                                 kStageFrames);
    }
}

int64_t Player::GetAttackId() const { return (AttackStage + 1) * AttackIdStep; }

double Player::GetHitX() const {
    const double dx = AttackAct->GetHitX(GetAttackId(), ActFrame);
    return Facing == kFaceRight ? GetX() + dx : GetX() - dx;
}

double Player::GetHitY() const { return GetY() + AttackAct->GetHitY(GetAttackId(), ActFrame); }

double Player::GetHitRadius() const { return AttackAct->GetHitRadius(GetAttackId(), ActFrame); }

bool Player::IsHitActive() const { return HitActive; }

int64_t Player::GetAttackTotalFrame() const { return AttackAct->GetTotalFrame(GetAttackId()); }

int64_t Player::GetHitDamage() const { return AttackAct->GetDamage(GetAttackId(), ActFrame); }

double Player::GetHitPush() const { return AttackAct->GetPush(GetAttackId(), ActFrame); }

int64_t Player::GetHitScore() const { return AttackAct->GetScore(GetAttackId(), ActFrame); }

bool Player::NextCombo() {
    // A press chains only inside the current stage's hit window, and not past the last
    // stage. No command is raised, so Animate keeps the new stage.
    if (!HitActive || AttackStage >= AttackStageNum - 1) {
        return false;
    }
    AttackStage += 1;
    HitActive = false;
    ActFrame = 0;
    return true;
}

void Player::EmitHit(double x, double y) {
    // The thrust of the last stage has no arc of its own: a bare spark.
    int64_t kind = 0;
    switch (AttackStage) {
        case 0:
            kind = Facing == kFaceRight ? 110 : 120;
            break;
        case 1:
            kind = Facing == kFaceRight ? 210 : 220;
            break;
        case 2:
            kind = 0;
            break;
        default:
            return;
    }
    double px = Facing == kFaceRight ? x + Radius : x - Radius;
    px += RndF() * HitScatter;
    const double py = y + RndF() * HitScatter;
    HitPool->Emit(kind, px, py);
}

}  // namespace keldo
