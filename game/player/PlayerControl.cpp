#include "player/Player.h"

namespace keldo {

void Player::KeepPace() {
    double speed = 0.0;
    if (State == 1) {
        speed = WalkSpeed;
    } else if (State == 2) {
        speed = RunSpeed;
    } else {
        return;
    }
    if (Facing == 0) {
        Body->SetMove(speed, Body->GetMoveY());
        Body->SetAngle(0.0);
    } else if (Facing == 1) {
        Body->SetMove(-speed, Body->GetMoveY());
        Body->SetAngle(3.14159265358979);
    }
}

void Player::Update(int64_t lineY) {
    LineY = lineY;

    if (Command) {
        if (State == 0 || State == 3) {
            // Only the horizontal motion stops: a hop or a line change goes on.
            Body->SetMove(0.0, Body->GetMoveY());
        } else {
            KeepPace();
        }
    }

    // StateTime is reset by Animate after this, so the first puff of a run comes in the
    // frame after the run command.
    if (State == 2 && StateTime % SmokePeriod == 0) {
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
    if (State == 3) {
        const double d = MoveAct->GetAddPosX(GetAttackId(), ActFrame);
        if (Facing == 0) {
            Body->SetPos(GetX() + d, GetY());
        } else if (Facing == 1) {
            Body->SetPos(GetX() - d, GetY());
        }
    }

    // Landing is tested after the step and before gravity, strictly: a body that ends a
    // step exactly on its line falls once more.
    const auto ground = static_cast<double>(lineY);
    if (OnGround) {
        if ((LineShift == 2 && GetY() > ground) || (LineShift == 1 && GetY() < ground)) {
            LineShift = 0;
            Body->SetMove(Body->GetMoveX(), 0.0);
            Body->SetPos(GetX(), ground);
        }
    } else if (GetY() > ground) {
        Body->SetPos(GetX(), ground);
        OnGround = true;
        Body->SetMove(0.0, 0.0);
        // A hop taken while running lands running; a knock-back lands standing.
        KeepPace();
        if (State == 4) {
            State = 0;
        }
    } else {
        Body->AddMove(0.0, Gravity);
    }
}

void Player::Animate() {
    StateTime += 1;
    SmokePool->Update();
    HitPool->Update();

    if (State == 3) {
        ActFrame += 1;
        HitActive = AttackAct->GetHit(GetAttackId(), ActFrame);
    }

    if (GetAttackTotalFrame() < ActFrame) {
        HitActive = false;
        State = 0;
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
    State = 4;
    // A touch cuts the attack off. The hit window must close with it: Animate only
    // refreshes HitActive in the attack state, so a window left open here would stay
    // open, an invisible blade at the frozen frame, until the next attack.
    HitActive = false;
    if (Facing == 0) {
        Body->SetMove(-k * HurtSpeedX, -k * HurtSpeedY);
    } else {
        Body->SetMove(k * HurtSpeedX, -k * HurtSpeedY);
    }
}

}  // namespace keldo
