#include "stage/EnemyAi.h"

#include "runtime/RuntimeTable.h"
#include "stage/EnemyGroup.h"

namespace keldo {

void EnemyAi::Init(int64_t n) {
    ChaseRange = 500.0;
    const auto count = static_cast<size_t>(n > 0 ? n : 0);
    PlayerX.assign(count, 0.0);
    PlayerLineY.assign(count, 0);
    EnemyX.assign(count, 0.0);
    EnemyLineY.assign(count, 0);
    Act.assign(count, 0);
    AiFace.assign(count, 0);
    AiLineMove.assign(count, 0);
    Started.assign(count, false);
    AiMode.assign(count, 0);
}

void EnemyAi::SetPlayer(double x, int64_t lineY, int64_t i) {
    PlayerX[i] = x;
    PlayerLineY[i] = lineY;
}

void EnemyAi::SetEnemy(double x, int64_t lineY, int64_t i) {
    EnemyX[i] = x;
    EnemyLineY[i] = lineY;
}

void EnemyAi::SetMode(int64_t i, int64_t mode) { AiMode[i] = mode; }

int64_t EnemyAi::GetFace(int64_t i) const { return AiFace[i]; }

int64_t EnemyAi::GetAct(int64_t i) const { return Act[i]; }

int64_t EnemyAi::GetLineMove(int64_t i) const { return AiLineMove[i]; }

void EnemyAi::Think(int64_t i) {
    const int64_t faceToPlayer =
        PlayerX[i] > EnemyX[i] ? EnemyGroup::kFaceRight : EnemyGroup::kFaceLeft;
    if (PlayerLineY[i] == EnemyLineY[i] || AiMode[i] == kModeChaser) {
        AiFace[i] = faceToPlayer;
        AiLineMove[i] = EnemyGroup::kLineStay;
        Act[i] = EnemyGroup::kWalk;
        Started[i] = false;
        return;
    }
    if (AiMode[i] != kModeLineChanger) {
        return;
    }
    // Only a player strictly beyond the chase range makes a line step; at exactly the range
    // the enemy walks instead.
    const double dx = PlayerX[i] - EnemyX[i];
    if (Rt().Pow(ChaseRange, 2.0) < Rt().Pow(dx, 2.0)) {
        AiLineMove[i] =
            PlayerLineY[i] < EnemyLineY[i] ? EnemyGroup::kLineUp : EnemyGroup::kLineDown;
        return;
    }
    // The line step chosen while far away is left standing: the enemy keeps stepping
    // toward the player's line at every decision until it gets there.
    if (!Started[i]) {
        AiFace[i] = faceToPlayer;
        Act[i] = EnemyGroup::kWalk;
        Started[i] = true;
    }
}

}  // namespace keldo
