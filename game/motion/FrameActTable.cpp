#include "motion/FrameActTable.h"

#include <type_traits>

#include "runtime/ErrorReport.h"

namespace keldo {

namespace {

template <typename T>
using MemberArray = std::vector<T> FrameActFrame::*;

FrameActFrame ZeroedFrame(int64_t boolNum, int64_t intNum, int64_t floatNum) {
    FrameActFrame frame;
    frame.Bools.assign(static_cast<size_t>(boolNum > 0 ? boolNum : 0), false);
    frame.Ints.assign(static_cast<size_t>(intNum > 0 ? intNum : 0), 0);
    frame.Floats.assign(static_cast<size_t>(floatNum > 0 ? floatNum : 0), 0.0);
    return frame;
}

const FrameAct* FindFirst(const std::vector<FrameAct>& acts, int64_t id) {
    for (const FrameAct& act : acts) {
        if (act.Id == id) {
            return &act;
        }
    }
    return nullptr;
}

// Writes every entry with the ID, not only the first: an ID added twice keeps both
// copies in step. Lost frames are reported one by one and skipped. Integer writes are
// echoed too, which is how the attack set-up can be followed frame by frame in the log.
template <typename T>
void SetMembers(std::vector<FrameAct>& acts, const char16_t* name, int64_t id, int64_t fromFrame,
                int64_t toFrame, int64_t member, int64_t memberCount, MemberArray<T> field,
                T value) {
    for (FrameAct& act : acts) {
        if (act.Id != id) {
            continue;
        }
        for (int64_t f = fromFrame; f <= toFrame; ++f) {
            if (f < 0 || f >= act.TotalFrame || member < 0 || member >= memberCount) {
                ReportError(JoinMessage(name, u". Frame Lost. ID:", id, u",Frame:", f));
                continue;
            }
            (act.Frames[static_cast<size_t>(f)].*field)[static_cast<size_t>(member)] = value;
            if constexpr (std::is_same_v<T, int64_t>) {
                ReportError(JoinMessage(name, u". ", value, u",Frame:", f));
            }
        }
    }
}

// Only the first entry with the ID is read. A negative frame or a member index outside
// the table is answered like a frame past the end: reported as Over Frame, neutral value.
template <typename T>
T GetMember(const std::vector<FrameAct>& acts, const char16_t* name, int64_t id, int64_t frame,
            int64_t member, int64_t memberCount, MemberArray<T> field) {
    const FrameAct* act = FindFirst(acts, id);
    if (act == nullptr) {
        ReportError(JoinMessage(name, u". FrameAct Not Found. ID:", id, u" MemberNum:", member));
        return T{};
    }
    if (frame < 0 || frame >= act->TotalFrame || member < 0 || member >= memberCount) {
        ReportError(JoinMessage(name, u". FrameAct Over Frame. ID:", id, u" MemberNum:", member));
        return T{};
    }
    return (act->Frames[static_cast<size_t>(frame)].*field)[static_cast<size_t>(member)];
}

}  // namespace

void FrameActTable::Init(int64_t boolNum, int64_t intNum, int64_t floatNum) {
    Acts.assign(1, FrameAct{});
    BoolNum = boolNum;
    IntNum = intNum;
    FloatNum = floatNum;
}

void FrameActTable::AddFrameAct(int64_t id) {
    if (Acts.empty() || Acts.front().Id != 0) {
        Acts.emplace_back();
    }
    FrameAct& act = Acts.front().Id == 0 ? Acts.front() : Acts.back();
    act.Frames.assign(1, FrameActFrame{});
    act.Id = id;
    act.TotalFrame = 0;
}

void FrameActTable::AddFrames(int64_t id, int64_t count) {
    for (FrameAct& act : Acts) {
        if (act.Id != id) {
            continue;
        }
        for (int64_t i = 0; i < count; ++i) {
            // The record made by AddFrameAct has no storage yet; the first frame fills it.
            if (act.TotalFrame == 0 && !act.Frames.empty()) {
                act.Frames.front() = ZeroedFrame(BoolNum, IntNum, FloatNum);
            } else {
                act.Frames.push_back(ZeroedFrame(BoolNum, IntNum, FloatNum));
            }
            ++act.TotalFrame;
        }
    }
}

void FrameActTable::SetBoolMember(int64_t id, int64_t fromFrame, int64_t toFrame, int64_t member,
                                  bool value) {
    SetMembers<bool>(Acts, u"SetBoolMember", id, fromFrame, toFrame, member, BoolNum,
                     &FrameActFrame::Bools, value);
}

void FrameActTable::SetIntMember(int64_t id, int64_t fromFrame, int64_t toFrame, int64_t member,
                                 int64_t value) {
    SetMembers<int64_t>(Acts, u"SetIntMember", id, fromFrame, toFrame, member, IntNum,
                        &FrameActFrame::Ints, value);
}

void FrameActTable::SetFloatMember(int64_t id, int64_t fromFrame, int64_t toFrame, int64_t member,
                                   double value) {
    SetMembers<double>(Acts, u"SetFloatMember", id, fromFrame, toFrame, member, FloatNum,
                       &FrameActFrame::Floats, value);
}

int64_t FrameActTable::GetMemberNum(int64_t id) const {
    const FrameAct* act = FindFirst(Acts, id);
    if (act == nullptr) {
        ReportError(JoinMessage(u"GetMemberNum. FrameAct Not Found. ID:", id));
        return 0;
    }
    return static_cast<int64_t>(act->Frames.size());
}

int64_t FrameActTable::GetTotalFrame(int64_t id) const {
    const FrameAct* act = FindFirst(Acts, id);
    if (act == nullptr) {
        ReportError(JoinMessage(u"GetTotalFrame. FrameAct Not Found. ID:", id));
        return 0;
    }
    return act->TotalFrame;
}

bool FrameActTable::GetBoolMember(int64_t id, int64_t frame, int64_t member) const {
    return GetMember<bool>(Acts, u"GetBoolMember", id, frame, member, BoolNum,
                           &FrameActFrame::Bools);
}

int64_t FrameActTable::GetIntMember(int64_t id, int64_t frame, int64_t member) const {
    return GetMember<int64_t>(Acts, u"GetIntMember", id, frame, member, IntNum,
                              &FrameActFrame::Ints);
}

double FrameActTable::GetFloatMember(int64_t id, int64_t frame, int64_t member) const {
    return GetMember<double>(Acts, u"GetFloatMember", id, frame, member, FloatNum,
                             &FrameActFrame::Floats);
}

}  // namespace keldo
