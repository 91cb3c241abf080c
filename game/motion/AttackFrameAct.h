// Names the members of a frame-action table that describes an attack: per frame,
// whether it hits, the hit circle, damage, push and score.
#pragma once

#include <cstdint>
#include <memory>

#include "motion/FrameActTable.h"

namespace keldo {

class AttackFrameAct {
public:
    void Init();
    void AddFrameAct(int64_t id);
    void AddAttackFrames(int64_t id, double hitX, double hitY, double hitRadius, int64_t damage,
                         double push, int64_t score, bool hit, int64_t count);
    int64_t GetTotalFrame(int64_t id) const;
    bool GetHit(int64_t id, int64_t frame) const;
    double GetHitX(int64_t id, int64_t frame) const;
    double GetHitY(int64_t id, int64_t frame) const;
    double GetHitRadius(int64_t id, int64_t frame) const;
    int64_t GetDamage(int64_t id, int64_t frame) const;
    double GetPush(int64_t id, int64_t frame) const;
    int64_t GetScore(int64_t id, int64_t frame) const;

private:
    std::unique_ptr<FrameActTable> Table;
};

}  // namespace keldo
