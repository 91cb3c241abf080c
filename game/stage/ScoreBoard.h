// The score and the combo of a game, and their display: score and high score top right,
// and while a combo runs, its count, "COMBO!" and a gauge of the time left to extend it.
#pragma once

#include <cstdint>

#include "motion/Vec.h"
#include "present/BitmapText.h"
#include "runtime/RtString.h"
#include "stage/Gauge.h"

namespace keldo {

class ScoreBoard {
public:
    // The score line's digits, and so the highest score it can show.
    static constexpr int64_t kScoreDigits = 12;
    static constexpr int64_t kMaxScore = [] {
        int64_t power = 1;
        for (int64_t i = 0; i < kScoreDigits; ++i) power *= 10;
        return power - 1;
    }();

    ScoreBoard() = default;
    ScoreBoard(const ScoreBoard&) = delete;
    ScoreBoard& operator=(const ScoreBoard&) = delete;

    void Init();
    void Load(double x, double y, double w, double h);
    int64_t GetCombo() const;
    void SetCombo(int64_t n);
    void AddCombo();
    void AddScore(int64_t n);
    int64_t GetScore() const;
    int64_t GetHiScore() const;
    void SetHiScore(int64_t n);
    void Tick();
    void Draw(double camX, double camY);

private:
    void SetHiScoreText();

    BitmapText Text;
    Vec ComboNumSize;
    Vec ComboNumPos;
    Vec ComboWordSize;
    Vec ComboWordPos;
    String ComboWord;
    Gauge ComboGauge;
    int64_t Combo = 0;
    int64_t ComboTime = 0;
    int64_t ComboTimeMax = 0;
    int64_t Score = 0;
    String ScoreText;
    int64_t ScoreDigits = 0;
    String ScoreLabel;
    Vec ScoreSize;
    Vec ScorePos;
    int64_t HiScore = 0;
    String HiScoreText;
    String HiScoreLabel;
    Vec HiScoreSize;
    Vec HiScorePos;
};

}  // namespace keldo
