// Names the members of a frame-action table that describes how the attacker moves:
// velocity set, velocity added and position step per frame, and a damage-hit flag.
// The setters count frames from 1, both ends of a range included.
#pragma once

#include <cstdint>
#include <memory>

#include "motion/FrameActTable.h"

namespace keldo {

class MoveFrameAct {
public:
    void Init();
    void AddFrameAct(int64_t id);
    void AddFrames(int64_t id, int64_t count);
    void SetMemberSetVel(int64_t id, double x, double y, int64_t fromFrame, int64_t toFrame);
    void SetMemberAddVel(int64_t id, double x, double y, int64_t fromFrame, int64_t toFrame);
    void SetMemberAddPos(int64_t id, double x, double y, int64_t fromFrame, int64_t toFrame);
    void SetMemberDamageHit(int64_t id, bool value, int64_t fromFrame, int64_t toFrame);
    double GetAddPosX(int64_t id, int64_t frame) const;
    double GetAddPosY(int64_t id, int64_t frame) const;

private:
    std::unique_ptr<FrameActTable> Table;
};

}  // namespace keldo
