#include "scenes/GameScene.h"

#include <array>
#include <cstdint>
#include <memory>

#include "motion/MathHelpers.h"
#include "player/Player.h"
#include "present/BitmapText.h"
#include "present/InputState.h"
#include "present/Sound.h"
#include "present/StepFrame.h"
#include "runtime/ErrorReport.h"
#include "runtime/RtString.h"
#include "runtime/RuntimeTable.h"
#include "scenes/BestScore.h"
#include "scenes/SceneState.h"
#include "stage/Camera.h"
#include "stage/EnemyGroup.h"
#include "stage/ScoreBoard.h"
#include "stage/Stage.h"

namespace keldo {

double FrameRate() { return Rt().GetFPS(); }

namespace {

// The stage lines, top to bottom.
constexpr size_t kLineCount = 5;

// An attack or a knock-back runs to its end: no move or release interrupts it.
bool TakesMoves(const Player& player) {
    return player.GetState() != Player::kAttack && player.GetState() != Player::kHurt;
}

void Run(Player& player, int64_t facing) {
    player.SetCommand(true);
    player.SetFacing(facing);
    player.SetState(Player::kRun);
}

// Letting go of a direction stops the run, or turns it round when the other one is held.
void Release(Player& player, bool otherHeld, int64_t otherFacing) {
    if (otherHeld) {
        Run(player, otherFacing);
    } else {
        player.SetCommand(true);
        player.SetState(Player::kStand);
    }
}

// A step to the next line up (-1) or down (+1); the body moves there at walking speed
// and the line index stays on the stage.
void ChangeLine(Player& player, int64_t step) {
    player.SetLineShift(step < 0 ? Player::kLineUp : Player::kLineDown);
    player.SetMove(player.GetMoveX(), static_cast<double>(step) * player.GetWalkSpeed());
    player.AddLine(step);
    const auto last = static_cast<int64_t>(kLineCount) - 1;
    if (player.GetLine() < 0) {
        player.SetLine(0);
    } else if (player.GetLine() > last) {
        player.SetLine(last);
    }
}

// Pushes and releases become commands on the player.
void TakeCommands(InputState& input, Player& player, const Snd& swing) {
    if (player.IsOnGround() && TakesMoves(player)) {
        if (input.PushedRight()) {
            Run(player, Player::kFaceRight);
        }
        if (input.PushedLeft()) {
            Run(player, Player::kFaceLeft);
        }
        if (input.PushedButton0()) {
            // A hop up and backwards, against the facing.
            player.SetOnGround(false);
            const double j = player.GetJumpSpeed();
            if (player.GetFacing() == Player::kFaceRight) {
                player.SetMove(-j, -j);
            } else {
                player.SetMove(j, -j);
            }
        }
        if (input.PushedUp()) {
            ChangeLine(player, -1);
        }
        if (input.PushedDown()) {
            ChangeLine(player, 1);
        }
        if (input.PushedButton2()) {
            player.SetCommand(true);
            player.SetState(Player::kAttack);
        }
    }
    if (TakesMoves(player)) {
        if (input.ReleasedRight()) {
            Release(player, input.HeldLeft(), Player::kFaceLeft);
        }
        if (input.ReleasedLeft()) {
            Release(player, input.HeldRight(), Player::kFaceRight);
        }
    }
    if (player.GetState() == Player::kAttack && input.PushedButton2()) {
        if (player.NextCombo()) {
            PlaySound(swing, 0.0, false, 0.0);
        }
    }
}

}  // namespace

void ResolveSwordHits(Player& player, EnemyGroup& enemies, ScoreBoard& score, const Snd& cut) {
    if (!player.IsHitActive()) {
        return;
    }
    for (int64_t i = 0; i < enemies.GetSlotNum(); ++i) {
        if (enemies.HitTest(i, player.GetLineY(), player.GetHitX(), player.GetHitY(),
                            player.GetHitRadius())) {
            score.AddCombo();
            score.AddScore(player.GetHitScore() * score.GetCombo());
            player.EmitHit(player.GetHitX(), player.GetHitY());
            PlaySound(cut, 0.0, false, 0.0);
            enemies.Damage(i, player.GetHitDamage(), player.GetHitPush(),
                           player.GetFacing() == Player::kFaceRight);
        }
    }
}

void ResolveTouches(Player& player, EnemyGroup& enemies, ScoreBoard& score, const Snd& hit) {
    if (!player.IsVulnerable()) {
        return;
    }
    for (int64_t i = 0; i < enemies.GetSlotNum(); ++i) {
        if (enemies.HitTest(i, player.GetLineY(), player.GetX(), player.GetY(),
                            player.GetRadius())) {
            player.Hurt(2.0);
            score.SetCombo(0);
            PlaySound(hit, 0.0, false, 0.0);
        }
    }
}

void GameScene(SceneState& scene, InputState& input, BitmapText& text) {
    const String startText = u"Start!!";
    const String clearText = u"Clear!";
    const String retryText = u"Retry?";
    const String pushText = u"Push Space Key";
    int64_t startTime = 60;
    const int64_t clearTimeStart = 120;
    int64_t clearTime = clearTimeStart;
    int64_t enemiesLeft = 20;
    const double screenX = 0.0;
    const double screenY = 0.0;
    const double screenW = 1600.0;
    const double screenH = 900.0;

    ReportError(u"SetBackGround");
    auto stage = std::make_unique<Stage>();
    stage->Init();
    stage->LoadSprites(screenX, screenY, screenW, screenH);

    const std::array<int64_t, kLineCount> lineY = {400, 500, 600, 700, 800};

    ReportError(u"SetPlayer");
    auto player = std::make_unique<Player>();
    ReportError(u"GameParam");
    player->Init();
    ReportError(u"Anime");
    player->LoadAnime(screenX, screenY, screenW, screenH);
    ReportError(u"AttackParam");
    player->InitAttack();
    player->InitEffects();
    player->LoadEffects(screenX, screenY, screenW, screenH);
    player->SetLine(3);

    ReportError(u"SetScore");
    auto score = std::make_unique<ScoreBoard>();
    score->Init();
    score->Load(screenX, screenY, screenW, screenH);
    // The high-score line starts from the best score of this run.
    score->SetHiScore(scene.GetBestScore());

    ReportError(u"SetEnemy");
    auto enemies = std::make_unique<EnemyGroup>();
    enemies->Init();
    const int64_t spawnInterval = 120;
    int64_t spawnTimer = 0;
    int64_t spawnLine = 0;
    enemies->SetLineNum(static_cast<int64_t>(lineY.size()));
    for (size_t i = 0; i < lineY.size(); ++i) {
        enemies->SetLineY(static_cast<int64_t>(i), lineY[i]);
    }
    enemies->LoadSprites(screenX, screenY, screenW, screenH);

    auto camera = std::make_unique<Camera>();
    camera->Init(0);

    const auto hit = LoadSound(u"tm2_hit005.ogg");
    const auto swing = LoadSound(u"tm2_swing004.ogg");
    const auto cut = LoadSound(u"tm2_slash003.ogg");
    const auto step = LoadSound(u"sha00.ogg");
    SetSoundVolume(*swing, 0.5);
    SetSoundVolume(*step, 0.4);
    const int64_t stepPeriod = 10;
    SetSoundVolume(*cut, 0.5);
    SetSoundVolume(*hit, 0.6);

    ReportError(u"LoopStart");
    for (;;) {
        input.Update();
        TakeCommands(input, *player, *swing);

        if (spawnTimer > spawnInterval && enemiesLeft >= 1) {
            spawnLine = Rnd(1, 3);
            enemies->Spawn(spawnLine, lineY[static_cast<size_t>(spawnLine)],
                           Rnd(EnemyAi::kModeChaser, EnemyAi::kModeLineChanger));
            ReportError(u"GenerateEnemy");
            spawnTimer = 0;
            enemiesLeft -= 1;
        } else {
            spawnTimer += 1;
        }

        enemies->Update(player->GetX(), player->GetLineY());
        player->Update(lineY[static_cast<size_t>(player->GetLine())]);
        player->Animate();

        // A footstep every tenth frame of a run.
        if (player->GetState() == Player::kRun && player->GetStateTime() % stepPeriod == 0) {
            PlaySound(*step, 0.0, false, 0.0);
        }

        ResolveSwordHits(*player, *enemies, *score, *cut);
        ResolveTouches(*player, *enemies, *score, *hit);

        const double d = player->GetX() - camera->GetX();
        if (d < 500) {
            camera->Set(player->GetX() - 500, 0);
        } else if (d > 1100) {
            camera->Set(player->GetX() - 1100, 0);
        }

        const double camX = camera->GetX();
        const double camY = camera->GetY();
        stage->Scroll(camera->GetDX(), camera->GetDY());
        score->Tick();
        stage->Draw(camX, camY);
        enemies->DrawHole(camX, camY);
        for (const int64_t y : lineY) {
            enemies->DrawLine(camX, camY, y);
            player->DrawLine(camX, camY, y);
        }
        score->Draw(camX, camY);
        player->SetCommand(false);
        text.DrawStr(u"FPS:" + TakeRtStr(Rt().FToS(FrameRate() * 60.0)), 1370, 150, 30, 60, 1.0);
        if (startTime >= 1) {
            text.DrawStr(startText, 550, 200, 100, 200, 1.0);
            startTime -= 1;
        }
        if (enemiesLeft <= 0 && !enemies->AnyAlive()) {
            // The score is final once the game is cleared: a new best is kept at once, so
            // that closing the window at the prompt does not lose it.
            // Another game open at once may have saved a higher one: the next game shows that.
            if (clearTime == clearTimeStart && score->GetHiScore() > scene.GetBestScore()) {
                scene.SetBestScore(SaveBestScore(score->GetHiScore()));
            }
            if (clearTime >= 1) {
                text.DrawStr(clearText, 550, 300, 100, 200, 1.0);
                clearTime -= 1;
            } else {
                text.DrawStr(retryText, 600, 300, 75, 150, 1.0);
                text.DrawStr(pushText, 325, 500, 75, 150, 1.0);
                if (input.ReleasedButton0()) {
                    scene.Set(SceneState::kTitleScreen);
                    return;
                }
            }
        }
        StepFrame();
    }
}

}  // namespace keldo
