#include "player/Player.h"

namespace keldo {

void Player::Init() {
    WalkSpeed = 5.0;
    RunSpeed = 10.0;
    HalfSize = 50.0;
    Radius = 50.0;
    JumpSpeed = 12.0;
    HurtSpeedX = 10.0;
    HurtSpeedY = 5.0;
    Gravity = 2.0;

    InvulnFrames = 60;
    InvulnTime = InvulnFrames;
    BlinkPeriod = 3;

    // The player starts high above its line and drops onto it in the first frames.
    Body = std::make_unique<ActorBody>();
    Body->Init();
    Body->SetPos(700.0, 0.0);

    State = kStand;
    StateTime = 0;
    OnGround = false;
    Vulnerable = true;
    Visible = true;
    Command = false;
    LineShift = kLineDown;
    Line = 0;
}

void Player::InitEffects() {
    // Smoke turns 15 degrees and fades by a sixtieth each frame.
    SmokePool = std::make_unique<EffectPool>();
    SmokePool->Init(0.261799387799149, 0.0166666666666667, 60, 30.0, 0.0, 0.0, 10);
    SmokePeriod = 10;
    HitPool = std::make_unique<EffectPool>();
    HitPool->Init(0.0, 0.0, 20, 80.0, 0.0, 0.0, 10);
    HitScatter = 20.0;
}

double Player::GetX() const { return Body->GetX(); }
double Player::GetY() const { return Body->GetY(); }
double Player::GetMoveX() const { return Body->GetMoveX(); }
double Player::GetMoveY() const { return Body->GetMoveY(); }
void Player::SetMove(double x, double y) { Body->SetMove(x, y); }
void Player::SetAngle(double angle) { Body->SetAngle(angle); }
void Player::SetLine(int64_t n) { Line = n; }
// Unclamped: the game scene knows how many lines there are.
void Player::AddLine(int64_t d) { Line += d; }
int64_t Player::GetLine() const { return Line; }
void Player::SetState(int64_t s) { State = s; }
void Player::SetStateTime(int64_t t) { StateTime = t; }
int64_t Player::GetState() const { return State; }
void Player::SetFacing(int64_t f) { Facing = f; }
int64_t Player::GetFacing() const { return Facing; }
void Player::SetOnGround(bool b) { OnGround = b; }
bool Player::IsOnGround() const { return OnGround; }
void Player::SetCommand(bool b) { Command = b; }
bool Player::IsCommand() const { return Command; }
void Player::SetLineShift(int64_t n) { LineShift = n; }
int64_t Player::GetLineShift() const { return LineShift; }
void Player::AddMove(double dx, double dy) { Body->AddMove(dx, dy); }
double Player::GetWalkSpeed() const { return WalkSpeed; }
double Player::GetRunSpeed() const { return RunSpeed; }
double Player::GetAngle() const { return Body->GetAngle(); }
double Player::GetHalfSize() const { return HalfSize; }
int64_t Player::GetStateTime() const { return StateTime; }
int64_t Player::GetActFrame() const { return ActFrame; }
double Player::GetJumpSpeed() const { return JumpSpeed; }
int64_t Player::GetLineY() const { return LineY; }
double Player::GetRadius() const { return Radius; }
bool Player::IsVulnerable() const { return Vulnerable; }

}  // namespace keldo
