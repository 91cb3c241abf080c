#include "stage/ScoreBoard.h"

namespace keldo {

void ScoreBoard::Init() {
    Text.Init();
    ComboNumSize.Set(75.0, 150.0);
    ComboNumPos.Set(50.0, 50.0);
    ComboWordSize.Set(50.0, 100.0);
    ComboWordPos.Set(120.0, 160.0);
    ComboWord = u"COMBO!";
    Combo = 0;
    ComboTimeMax = 180;
    ComboTime = ComboTimeMax;
    ComboGauge.Init(180.0, 20.0, 220.0, 240.0, ComboTimeMax);
    Score = 0;
    ScoreDigits = kScoreDigits;
    ScoreText = Text.FormatNum(0, ScoreDigits, true);
    ScoreLabel = u"SCORE:";
    ScoreSize.Set(30.0, 60.0);
    ScorePos.Set(1010.0, 90.0);
    HiScore = 0;
    HiScoreText = Text.FormatNum(0, ScoreDigits, true);
    HiScoreLabel = u"HISCORE:";
    HiScoreSize.Set(30.0, 60.0);
    HiScorePos.Set(950.0, 30.0);
}

void ScoreBoard::Load(double x, double y, double w, double h) {
    ComboGauge.Load(x, y, w, h, u"combo.vstex");
}

int64_t ScoreBoard::GetCombo() const { return Combo; }

void ScoreBoard::SetCombo(int64_t n) { Combo = n; }

void ScoreBoard::AddCombo() {
    Combo += 1;
    ComboTime = ComboTimeMax;
}

void ScoreBoard::AddScore(int64_t n) {
    Score += n;
    ScoreText = Text.FormatNum(Score, ScoreDigits, true);
    // The best score of the run is carried from game to game; once this game beats it,
    // the high-score line follows the score as it grows.
    if (Score > HiScore) {
        HiScore = Score;
        SetHiScoreText();
    }
}

int64_t ScoreBoard::GetScore() const { return Score; }

int64_t ScoreBoard::GetHiScore() const { return HiScore; }

void ScoreBoard::SetHiScore(int64_t n) {
    HiScore = n;
    // The text must follow, or a high score carried over from the last game would show
    // as zeros.
    SetHiScoreText();
}

void ScoreBoard::SetHiScoreText() { HiScoreText = Text.FormatNum(HiScore, ScoreDigits, true); }

void ScoreBoard::Tick() {
    ComboTime -= 1;
    if (ComboTime < 0) {
        Combo = 0;
        ComboTime = 0;
    }
}

void ScoreBoard::Draw(double camX, double camY) {
    if (Combo > 0) {
        ComboGauge.Draw(camX, camY, ComboTime);
        Text.DrawStr(ComboWord, ComboWordPos.GetX(), ComboWordPos.GetY(), ComboWordSize.GetX(),
                     ComboWordSize.GetY(), 1.0);
        Text.DrawStr(IntText(Combo), ComboNumPos.GetX(), ComboNumPos.GetY(), ComboNumSize.GetX(),
                     ComboNumSize.GetY(), 1.0);
    }
    // Texts are laid out on the screen; only the gauge needs the camera.
    Text.DrawStr(ScoreLabel + ScoreText, ScorePos.GetX(), ScorePos.GetY(), ScoreSize.GetX(),
                 ScoreSize.GetY(), 1.0);
    Text.DrawStr(HiScoreLabel + HiScoreText, HiScorePos.GetX(), HiScorePos.GetY(),
                 HiScoreSize.GetX(), HiScoreSize.GetY(), 1.0);
}

}  // namespace keldo
