#include "motion/AttackFrameAct.h"

namespace keldo {

namespace {
// Member layout: bool 0 hit; int 0 damage, 1 score; float 0/1 hit offset, 2 radius, 3 push.
constexpr int64_t kBoolNum = 1;
constexpr int64_t kIntNum = 2;
constexpr int64_t kFloatNum = 4;
constexpr int64_t kBoolHit = 0;
constexpr int64_t kIntDamage = 0;
constexpr int64_t kIntScore = 1;
constexpr int64_t kFloatHitX = 0;
constexpr int64_t kFloatHitY = 1;
constexpr int64_t kFloatHitRadius = 2;
constexpr int64_t kFloatPush = 3;
}  // namespace

void AttackFrameAct::Init() {
    Table = std::make_unique<FrameActTable>();
    Table->Init(kBoolNum, kIntNum, kFloatNum);
}

void AttackFrameAct::AddFrameAct(int64_t id) { Table->AddFrameAct(id); }

void AttackFrameAct::AddAttackFrames(int64_t id, double hitX, double hitY, double hitRadius,
                                     int64_t damage, double push, int64_t score, bool hit,
                                     int64_t count) {
    // An attack is built from consecutive runs; each run starts where the last one ended.
    const int64_t start = Table->GetTotalFrame(id);
    Table->AddFrames(id, count);
    const int64_t last = start + count - 1;
    Table->SetFloatMember(id, start, last, kFloatHitX, hitX);
    Table->SetFloatMember(id, start, last, kFloatHitY, hitY);
    Table->SetFloatMember(id, start, last, kFloatHitRadius, hitRadius);
    Table->SetIntMember(id, start, last, kIntDamage, damage);
    Table->SetFloatMember(id, start, last, kFloatPush, push);
    Table->SetIntMember(id, start, last, kIntScore, score);
    Table->SetBoolMember(id, start, last, kBoolHit, hit);
}

int64_t AttackFrameAct::GetTotalFrame(int64_t id) const { return Table->GetTotalFrame(id); }

bool AttackFrameAct::GetHit(int64_t id, int64_t frame) const {
    return Table->GetBoolMember(id, frame, kBoolHit);
}

double AttackFrameAct::GetHitX(int64_t id, int64_t frame) const {
    return Table->GetFloatMember(id, frame, kFloatHitX);
}

double AttackFrameAct::GetHitY(int64_t id, int64_t frame) const {
    return Table->GetFloatMember(id, frame, kFloatHitY);
}

double AttackFrameAct::GetHitRadius(int64_t id, int64_t frame) const {
    return Table->GetFloatMember(id, frame, kFloatHitRadius);
}

int64_t AttackFrameAct::GetDamage(int64_t id, int64_t frame) const {
    return Table->GetIntMember(id, frame, kIntDamage);
}

double AttackFrameAct::GetPush(int64_t id, int64_t frame) const {
    return Table->GetFloatMember(id, frame, kFloatPush);
}

int64_t AttackFrameAct::GetScore(int64_t id, int64_t frame) const {
    return Table->GetIntMember(id, frame, kIntScore);
}

}  // namespace keldo
