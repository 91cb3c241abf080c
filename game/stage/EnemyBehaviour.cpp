// What the enemies do each frame: the per-slot state machine, the AI decisions, the line
// changes and the push-back and death motion.
#include "runtime/ErrorReport.h"
#include "stage/EnemyGroup.h"

namespace keldo {

void EnemyGroup::Update(double px, int64_t pLineY) {
    for (int64_t i = 0; i < SlotNum; ++i) {
        if (!Alive[i]) {
            continue;
        }
        PrevLineMove[i] = LineMove[i];
        // While a line change is under way the enemy only travels: no decisions, no state.
        if (LineMove[i] == kLineStay) {
            if (State[i] != kHurt && State[i] != kDying) {
                ActAi(px, pLineY, i);
                if (LineMove[i] == kLineDown && PrevLineMove[i] == kLineStay) {
                    LineDown(i);
                } else if (LineMove[i] == kLineUp && PrevLineMove[i] == kLineStay) {
                    LineUp(i);
                }
            }
            RunState(i);
        }
        Bodies[i].Step();
        // The vertical move steers the next frame's step, not this one's.
        if (LineMove[i] == kLineUp) {
            MoveUp(i);
        } else if (LineMove[i] == kLineDown) {
            MoveDown(i);
        }
        StateTime[i] += 1;
    }
}

void EnemyGroup::RunState(int64_t i) {
    switch (State[i]) {
        case kIdle:
            Idle(i);
            break;
        case kWalk:
            Walk(i);
            break;
        case kHurt:
            Hurt(i);
            break;
        case kDying:
            Dying(i);
            break;
        default:
            break;
    }
}

void EnemyGroup::ActAi(double px, int64_t pLineY, int64_t i) {
    if (AiWait[i] <= AiInterval) {
        AiWait[i] += 1;
        return;
    }
    if (State[i] != kHurt && State[i] != kDying && LineMove[i] == kLineStay) {
        ReportError(u"ActAi");
        Ai.SetPlayer(px, pLineY, i);
        Ai.SetEnemy(Bodies[i].GetX(), EnemyY[i], i);
        Ai.Think(i);
        Face[i] = Ai.GetFace(i);
        State[i] = Ai.GetAct(i);
        LineMove[i] = Ai.GetLineMove(i);
    }
    AiWait[i] = 0;
}

// The enemy counts as standing on its new line from the moment the change begins, so
// that hits and drawing follow it there while its body is still on the way.
void EnemyGroup::LineDown(int64_t i) {
    ReportError(u"LineDown");
    if (LineIndex[i] < LineNum - 2) {
        LineIndex[i] += 1;
    } else {
        LineIndex[i] = LineNum - 1;
    }
    EnemyY[i] = LineY[LineIndex[i]];
}

void EnemyGroup::LineUp(int64_t i) {
    ReportError(u"LineUp");
    if (LineIndex[i] < 2) {
        LineIndex[i] = 0;
    } else {
        LineIndex[i] -= 1;
    }
    EnemyY[i] = LineY[LineIndex[i]];
}

void EnemyGroup::MoveDown(int64_t i) {
    if (static_cast<double>(EnemyY[i]) < Bodies[i].GetY()) {
        Arrive(i);
    } else {
        Bodies[i].SetMove(0.0, WalkSpeed);
    }
}

void EnemyGroup::MoveUp(int64_t i) {
    if (Bodies[i].GetY() < static_cast<double>(EnemyY[i])) {
        Arrive(i);
    } else {
        Bodies[i].SetMove(0.0, -WalkSpeed);
    }
}

// The body overshoots by up to one step and is then set exactly on the line.
void EnemyGroup::Arrive(int64_t i) {
    LineMove[i] = kLineStay;
    // An enemy killed on the way must still die and free its slot; were it made idle, it
    // would stand on its line with no life, beyond reach of the sword, and the game could
    // never be cleared. A hurt enemy, on the other hand, simply lands idle.
    if (State[i] != kDying) {
        State[i] = kIdle;
    }
    Bodies[i].SetMove(0.0, 0.0);
    Bodies[i].SetPos(Bodies[i].GetX(), static_cast<double>(EnemyY[i]));
}

void EnemyGroup::Idle(int64_t i) { Bodies[i].SetMove(0.0, 0.0); }

void EnemyGroup::Walk(int64_t i) {
    Bodies[i].SetMove(Face[i] == kFaceRight ? WalkSpeed : -WalkSpeed, 0.0);
}

void EnemyGroup::Hurt(int64_t i) {
    if (StateTime[i] > HurtTime) {
        State[i] = kIdle;
        StateTime[i] = 0;
    }
    // The slide loses speed every frame and stops instead of turning back.
    ActorBody& body = Bodies[i];
    if (PushDir[i] == kPushRight) {
        if (body.GetMoveX() > 0.0) {
            body.AddMove(-HurtFriction, 0.0);
        } else {
            body.SetMove(0.0, 0.0);
        }
    } else {
        if (body.GetMoveX() < 0.0) {
            body.AddMove(HurtFriction, 0.0);
        } else {
            body.SetMove(0.0, 0.0);
        }
    }
}

void EnemyGroup::Dying(int64_t i) {
    // Freed now, the slot still takes this frame's step and time count.
    if (StateTime[i] > DeathTime) {
        Alive[i] = false;
    }
    ActorBody& body = Bodies[i];
    if (PushDir[i] == kPushRight && body.GetMoveX() > 0.0) {
        body.AddMove(-DeathFriction, -DeathFriction);
    } else if (PushDir[i] == kPushLeft && body.GetMoveX() < 0.0) {
        body.AddMove(DeathFriction, -DeathFriction);
    } else {
        body.SetMove(0.0, 0.0);
    }
}

}  // namespace keldo
