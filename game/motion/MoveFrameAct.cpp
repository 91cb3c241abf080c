#include "motion/MoveFrameAct.h"

#include "runtime/ErrorReport.h"

namespace keldo {

namespace {
// Member layout: bool 0..3 set-vel, add-vel, add-pos and damage-hit flags; float pairs
// 0/1 velocity to set, 2/3 velocity to add, 4/5 position step.
constexpr int64_t kBoolNum = 4;
constexpr int64_t kIntNum = 0;
constexpr int64_t kFloatNum = 6;
constexpr int64_t kBoolSetVel = 0;
constexpr int64_t kBoolAddVel = 1;
constexpr int64_t kBoolAddPos = 2;
constexpr int64_t kBoolDamageHit = 3;
constexpr int64_t kFloatSetVelX = 0;
constexpr int64_t kFloatAddVelX = 2;
constexpr int64_t kFloatAddPosX = 4;
constexpr int64_t kFloatAddPosY = 5;

// The range is checked only at its end: a start at 0 or below passes here and the table
// then reports the frames below its first one as lost.
bool RangeEndFits(const FrameActTable& table, const char16_t* name, int64_t id, int64_t toFrame) {
    if (table.GetTotalFrame(id) < toFrame) {
        ReportError(JoinMessage(name, u". Frame Over. ID:", id));
        return false;
    }
    return true;
}

// Setter frames count from 1 with both ends included; the table counts from 0.
void SetPair(FrameActTable& table, const char16_t* name, int64_t id, double x, double y,
             int64_t fromFrame, int64_t toFrame, int64_t firstFloat, int64_t flag) {
    if (!RangeEndFits(table, name, id, toFrame)) {
        return;
    }
    table.SetFloatMember(id, fromFrame - 1, toFrame - 1, firstFloat, x);
    table.SetFloatMember(id, fromFrame - 1, toFrame - 1, firstFloat + 1, y);
    table.SetBoolMember(id, fromFrame - 1, toFrame - 1, flag, true);
}
}  // namespace

void MoveFrameAct::Init() {
    Table = std::make_unique<FrameActTable>();
    Table->Init(kBoolNum, kIntNum, kFloatNum);
}

void MoveFrameAct::AddFrameAct(int64_t id) { Table->AddFrameAct(id); }

void MoveFrameAct::AddFrames(int64_t id, int64_t count) { Table->AddFrames(id, count); }

void MoveFrameAct::SetMemberSetVel(int64_t id, double x, double y, int64_t fromFrame,
                                   int64_t toFrame) {
    SetPair(*Table, u"SetMemberSetVel", id, x, y, fromFrame, toFrame, kFloatSetVelX, kBoolSetVel);
}

void MoveFrameAct::SetMemberAddVel(int64_t id, double x, double y, int64_t fromFrame,
                                   int64_t toFrame) {
    SetPair(*Table, u"SetMemberAddVel", id, x, y, fromFrame, toFrame, kFloatAddVelX, kBoolAddVel);
}

void MoveFrameAct::SetMemberAddPos(int64_t id, double x, double y, int64_t fromFrame,
                                   int64_t toFrame) {
    SetPair(*Table, u"SetMemberAddPos", id, x, y, fromFrame, toFrame, kFloatAddPosX, kBoolAddPos);
}

void MoveFrameAct::SetMemberDamageHit(int64_t id, bool value, int64_t fromFrame, int64_t toFrame) {
    if (!RangeEndFits(*Table, u"SetMemberDamageHit", id, toFrame)) {
        return;
    }
    Table->SetBoolMember(id, fromFrame - 1, toFrame - 1, kBoolDamageHit, value);
}

double MoveFrameAct::GetAddPosX(int64_t id, int64_t frame) const {
    return Table->GetFloatMember(id, frame, kFloatAddPosX);
}

double MoveFrameAct::GetAddPosY(int64_t id, int64_t frame) const {
    return Table->GetFloatMember(id, frame, kFloatAddPosY);
}

}  // namespace keldo
