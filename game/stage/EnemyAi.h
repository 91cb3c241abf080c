// The decisions of the enemies: each slot remembers where it and the player stood at its
// last decision and what it chose then. A slot's entries outlive the enemy in it, so an
// enemy that takes over a freed slot starts from the choices of the one before.
#pragma once

#include <cstdint>
#include <vector>

namespace keldo {

class EnemyAi {
public:
    // How an enemy looks for the player: a chaser only ever walks at it; a line changer
    // also steps across lines toward it while it is far away.
    static constexpr int64_t kModeChaser = 0;
    static constexpr int64_t kModeLineChanger = 1;

    void Init(int64_t n);
    void SetPlayer(double x, int64_t lineY, int64_t i);
    void SetEnemy(double x, int64_t lineY, int64_t i);
    void SetMode(int64_t i, int64_t mode);
    int64_t GetFace(int64_t i) const;
    int64_t GetAct(int64_t i) const;
    int64_t GetLineMove(int64_t i) const;
    void Think(int64_t i);

private:
    double ChaseRange = 0.0;
    std::vector<double> PlayerX;
    std::vector<int64_t> PlayerLineY;
    std::vector<double> EnemyX;
    std::vector<int64_t> EnemyLineY;
    std::vector<int64_t> Act;
    std::vector<int64_t> AiFace;
    std::vector<int64_t> AiLineMove;
    std::vector<bool> Started;
    std::vector<int64_t> AiMode;
};

}  // namespace keldo
