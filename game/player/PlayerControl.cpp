#include "player/Player.h"

namespace keldo {

void Player::KeepPace() {
    double speed = 0.0;
    if (State == kWalk) {
        speed = WalkSpeed;
    } else if (State == kRun) {
        speed = RunSpeed;
    } else {
        return;
    }
    if (Facing == kFaceRight) {
        Body->SetMove(speed, Body->GetMoveY());
        Body->SetAngle(0.0);
    } else if (Facing == kFaceLeft) {
        Body->SetMove(-speed, Body->GetMoveY());
        Body->SetAngle(3.14159265358979);
    }
}

void Player::Update(int64_t lineY) {
    LineY = lineY;

    if (Command) {
        if (State == kStand || State == kAttack) {
            // Only the horizontal motion stops: a hop or a line change goes on.
            Body->SetMove(0.0, Body->GetMoveY());
        } else {
            KeepPace();
        }
    }

    // StateTime is reset by Animate after this, so the first puff of a run comes in the
    // frame after the run command.
    if (State == kRun && StateTime % SmokePeriod == 0) {
        SmokePool->Emit(100, GetX(), GetY() + HalfSize);
    }

    if (!Vulnerable) {
        InvulnTime -= 1;
        if (InvulnTime % BlinkPeriod == 0) {
            Visible = !Visible;
        }
        if (InvulnTime < 0) {
            Vulnerable = true;
            InvulnTime = InvulnFrames;
            Visible = true;
        }
    }

    Body->Step();

    // The attack's forward step moves the position itself, so that Move keeps whatever
    // vertical motion the player had.
    if (State == kAttack) {
        const double d = MoveAct->GetAddPosX(GetAttackId(), ActFrame);
        if (Facing == kFaceRight) {
            Body->SetPos(GetX() + d, GetY());
        } else if (Facing == kFaceLeft) {
            Body->SetPos(GetX() - d, GetY());
        }
    }

    // Landing is tested after the step and before gravity, strictly: a body that ends a
    // step exactly on its line falls once more.
    const auto ground = static_cast<double>(lineY);
    if (OnGround) {
        if ((LineShift == kLineDown && GetY() > ground) ||
            (LineShift == kLineUp && GetY() < ground)) {
            LineShift = kLineStay;
            Body->SetMove(Body->GetMoveX(), 0.0);
            Body->SetPos(GetX(), ground);
        }
    } else if (GetY() > ground) {
        Body->SetPos(GetX(), ground);
        OnGround = true;
        Body->SetMove(0.0, 0.0);
        // A hop taken while running lands running; a knock-back lands standing.
        KeepPace();
        if (State == kHurt) {
            State = kStand;
        }
    } else {
        Body->AddMove(0.0, Gravity);
    }
}

void Player::Animate() {
    StateTime += 1;
    SmokePool->Update();
    HitPool->Update();

    if (State == kAttack) {
        ActFrame += 1;
        HitActive = AttackAct->GetHit(GetAttackId(), ActFrame);
    }

    if (GetAttackTotalFrame() < ActFrame) {
        HitActive = false;
        State = kStand;
        ActFrame = 0;
        AttackStage = 0;
    }

    // After the attack step above, so that the frame of an attack command ends at
    // ActFrame 0 and the stage's own frames count from the next frame.
    if (Command) {
        StateTime = 0;
        ActFrame = 0;
        AttackStage = 0;
    }
}

void Player::Hurt(double k) {
    AttackStage = 0;
    OnGround = false;
    Vulnerable = false;
    State = kHurt;
    // A touch cuts the attack off. The hit window must close with it: Animate only
    // refreshes HitActive in the attack state, so a window left open here would stay
    // open, an invisible blade at the frozen frame, until the next attack.
    HitActive = false;
    if (Facing == kFaceRight) {
        Body->SetMove(-k * HurtSpeedX, -k * HurtSpeedY);
    } else {
        Body->SetMove(k * HurtSpeedX, -k * HurtSpeedY);
    }
}

}  // namespace keldo
