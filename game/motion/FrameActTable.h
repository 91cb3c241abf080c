// Frame-by-frame data of a set of actions: per action ID a run of frames, each with a
// fixed number of boolean, integer and real members. Every bad access is reported and
// answered with a neutral value.
#pragma once

#include <cstdint>
#include <vector>

namespace keldo {

struct FrameActFrame {
    std::vector<bool> Bools;
    std::vector<int64_t> Ints;
    std::vector<double> Floats;
};

struct FrameAct {
    std::vector<FrameActFrame> Frames;
    int64_t Id = 0;
    int64_t TotalFrame = 0;
};

class FrameActTable {
public:
    void Init(int64_t boolNum, int64_t intNum, int64_t floatNum);
    void AddFrameAct(int64_t id);
    void AddFrames(int64_t id, int64_t count);
    void SetBoolMember(int64_t id, int64_t fromFrame, int64_t toFrame, int64_t member, bool value);
    void SetIntMember(int64_t id, int64_t fromFrame, int64_t toFrame, int64_t member,
                      int64_t value);
    void SetFloatMember(int64_t id, int64_t fromFrame, int64_t toFrame, int64_t member,
                        double value);
    int64_t GetMemberNum(int64_t id) const;
    int64_t GetTotalFrame(int64_t id) const;
    bool GetBoolMember(int64_t id, int64_t frame, int64_t member) const;
    int64_t GetIntMember(int64_t id, int64_t frame, int64_t member) const;
    double GetFloatMember(int64_t id, int64_t frame, int64_t member) const;

private:
    std::vector<FrameAct> Acts;
    int64_t BoolNum = 0;
    int64_t IntNum = 0;
    int64_t FloatNum = 0;
};

}  // namespace keldo
