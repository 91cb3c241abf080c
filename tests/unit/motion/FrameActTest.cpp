#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "motion/AttackFrameAct.h"
#include "motion/FrameActTable.h"
#include "motion/MoveFrameAct.h"
#include "support/FakeRuntime.h"

namespace keldo {
namespace {

using Messages = std::vector<std::string>;

// The layout of the attack table: 1 boolean, 2 integer and 4 real members.
FrameActTable AttackShapedTable(int64_t id, int64_t frames) {
    FrameActTable t;
    t.Init(1, 2, 4);
    t.AddFrameAct(id);
    t.AddFrames(id, frames);
    return t;
}

TEST(FrameActTable, FrameCountsGrowWithAddFrames) {
    test::FakeRuntime rt;
    FrameActTable t;
    t.Init(1, 2, 4);
    t.AddFrameAct(100);
    EXPECT_EQ(t.GetTotalFrame(100), 0);
    EXPECT_EQ(t.GetMemberNum(100), 1);
    t.AddFrames(100, 21);
    EXPECT_EQ(t.GetTotalFrame(100), 21);
    EXPECT_EQ(t.GetMemberNum(100), 21);
    t.AddFrames(100, 10);
    t.AddFrames(100, 0);
    t.AddFrames(100, -3);
    t.AddFrames(555, 4);
    EXPECT_EQ(t.GetTotalFrame(100), 31);
    EXPECT_EQ(t.GetMemberNum(100), 31);
    EXPECT_TRUE(rt.Messages.empty());

    // Untouched members read as zero.
    EXPECT_FALSE(t.GetBoolMember(100, 30, 0));
    EXPECT_EQ(t.GetIntMember(100, 30, 1), 0);
    EXPECT_EQ(t.GetFloatMember(100, 30, 3), 0.0);
    EXPECT_TRUE(rt.Messages.empty());
}

TEST(FrameActTable, FirstActionReusesTheInitialEntry) {
    test::FakeRuntime rt;
    FrameActTable t;
    t.Init(1, 1, 1);
    t.AddFrameAct(100);
    t.AddFrameAct(200);
    t.AddFrames(200, 2);
    EXPECT_EQ(t.GetTotalFrame(200), 2);
    EXPECT_EQ(t.GetMemberNum(100), 1);
    // No entry with ID 0 is left over.
    EXPECT_EQ(t.GetMemberNum(0), 0);
    EXPECT_EQ(rt.Messages, (Messages{"GetMemberNum. FrameAct Not Found. ID:0"}));
}

TEST(FrameActTable, SettersReportLostFramesAndIntegerWrites) {
    test::FakeRuntime rt;
    FrameActTable t = AttackShapedTable(100, 31);

    t.SetFloatMember(100, 29, 32, 0, 1.5);
    EXPECT_EQ(t.GetFloatMember(100, 29, 0), 1.5);
    EXPECT_EQ(t.GetFloatMember(100, 30, 0), 1.5);
    EXPECT_EQ(t.GetFloatMember(100, 28, 0), 0.0);
    EXPECT_EQ(rt.Messages, (Messages{"SetFloatMember. Frame Lost. ID:100,Frame:31",
                                     "SetFloatMember. Frame Lost. ID:100,Frame:32"}));

    rt.Messages.clear();
    t.SetIntMember(100, 21, 21, 0, 18);
    EXPECT_EQ(t.GetIntMember(100, 21, 0), 18);
    EXPECT_EQ(rt.Messages, (Messages{"SetIntMember. 18,Frame:21"}));

    rt.Messages.clear();
    t.SetBoolMember(100, 3, 4, 1, true);
    t.SetIntMember(100, -1, -1, 2, 5);
    EXPECT_FALSE(t.GetBoolMember(100, 3, 0));
    EXPECT_EQ(rt.Messages, (Messages{"SetBoolMember. Frame Lost. ID:100,Frame:3",
                                     "SetBoolMember. Frame Lost. ID:100,Frame:4",
                                     "SetIntMember. Frame Lost. ID:100,Frame:-1"}));

    // An empty range or an unknown ID touches nothing and says nothing.
    rt.Messages.clear();
    t.SetBoolMember(100, 5, 4, 0, true);
    t.SetFloatMember(999, 0, 3, 0, 2.0);
    EXPECT_FALSE(t.GetBoolMember(100, 4, 0));
    EXPECT_TRUE(rt.Messages.empty());
}

TEST(FrameActTable, BadReadsReportAndAnswerNeutral) {
    test::FakeRuntime rt;
    FrameActTable t = AttackShapedTable(100, 31);
    t.SetBoolMember(100, 0, 30, 0, true);
    t.SetFloatMember(100, 0, 30, 2, 7.5);
    t.SetIntMember(100, 0, 0, 1, 9);
    rt.Messages.clear();

    struct Case {
        const char* kind;
        int64_t id, frame, member;
        std::string message;
    };
    // Negative frames and member indexes outside the layout are answered like frames past
    // the end, so nothing is read outside the table.
    const Case cases[] = {
        {"bool", 100, 31, 0, "GetBoolMember. FrameAct Over Frame. ID:100 MemberNum:0"},
        {"bool", 100, -1, 0, "GetBoolMember. FrameAct Over Frame. ID:100 MemberNum:0"},
        {"bool", 100, 0, 1, "GetBoolMember. FrameAct Over Frame. ID:100 MemberNum:1"},
        {"int", 100, 0, -1, "GetIntMember. FrameAct Over Frame. ID:100 MemberNum:-1"},
        {"int", 7, 0, 1, "GetIntMember. FrameAct Not Found. ID:7 MemberNum:1"},
        {"float", 999, 0, 2, "GetFloatMember. FrameAct Not Found. ID:999 MemberNum:2"},
        {"float", 100, 0, 4, "GetFloatMember. FrameAct Over Frame. ID:100 MemberNum:4"},
    };
    for (const Case& c : cases) {
        rt.Messages.clear();
        const std::string kind = c.kind;
        if (kind == "bool") {
            EXPECT_FALSE(t.GetBoolMember(c.id, c.frame, c.member));
        } else if (kind == "int") {
            EXPECT_EQ(t.GetIntMember(c.id, c.frame, c.member), 0);
        } else {
            EXPECT_EQ(t.GetFloatMember(c.id, c.frame, c.member), 0.0);
        }
        EXPECT_EQ(rt.Messages, Messages{c.message});
    }

    rt.Messages.clear();
    EXPECT_EQ(t.GetTotalFrame(5), 0);
    EXPECT_EQ(rt.Messages, (Messages{"GetTotalFrame. FrameAct Not Found. ID:5"}));
}

TEST(FrameActTable, DuplicateIdsAreAllWrittenButOnlyTheFirstIsRead) {
    test::FakeRuntime rt;
    FrameActTable t;
    t.Init(0, 0, 1);
    t.AddFrameAct(100);
    t.AddFrames(100, 5);
    t.AddFrameAct(100);
    t.AddFrames(100, 2);  // both entries grow: 7 and 2 frames
    EXPECT_EQ(t.GetTotalFrame(100), 7);
    EXPECT_EQ(t.GetMemberNum(100), 7);

    t.SetFloatMember(100, 0, 6, 0, 2.0);
    EXPECT_EQ(t.GetFloatMember(100, 6, 0), 2.0);
    // The second entry has only two frames: the rest of the range is lost there.
    ASSERT_EQ(rt.Messages.size(), 5u);
    EXPECT_EQ(rt.Messages.front(), "SetFloatMember. Frame Lost. ID:100,Frame:2");
    EXPECT_EQ(rt.Messages.back(), "SetFloatMember. Frame Lost. ID:100,Frame:6");
}

TEST(AttackFrameAct, RunsOfFramesBuildAnAttack) {
    test::FakeRuntime rt;
    AttackFrameAct a;
    a.Init();
    a.AddFrameAct(100);
    a.AddAttackFrames(100, 0, 0, 40, 0, 0, 0, false, 21);
    a.AddAttackFrames(100, 150, 40, 40, 18, 8, 10, true, 10);
    EXPECT_EQ(a.GetTotalFrame(100), 31);
    EXPECT_FALSE(a.GetHit(100, 20));
    EXPECT_TRUE(a.GetHit(100, 21));
    EXPECT_TRUE(a.GetHit(100, 30));
    EXPECT_EQ(a.GetHitX(100, 30), 150);
    EXPECT_EQ(a.GetHitY(100, 30), 40);
    EXPECT_EQ(a.GetHitRadius(100, 0), 40);
    EXPECT_EQ(a.GetDamage(100, 30), 18);
    EXPECT_EQ(a.GetDamage(100, 20), 0);
    EXPECT_EQ(a.GetPush(100, 21), 8);
    EXPECT_EQ(a.GetScore(100, 25), 10);
    // Damage and score writes are echoed, two per frame, and nothing else is reported.
    ASSERT_EQ(rt.Messages.size(), 62u);
    EXPECT_EQ(rt.Messages[42], "SetIntMember. 18,Frame:21");
    EXPECT_EQ(rt.Messages[52], "SetIntMember. 10,Frame:21");

    rt.Messages.clear();
    a.AddAttackFrames(100, 1, 1, 1, 1, 1, 1, true, 0);
    EXPECT_EQ(a.GetTotalFrame(100), 31);
    EXPECT_TRUE(rt.Messages.empty());
}

TEST(MoveFrameAct, PositionStepsCountFramesFromOne) {
    test::FakeRuntime rt;
    MoveFrameAct m;
    m.Init();
    m.AddFrameAct(100);
    m.AddFrames(100, 38);
    m.SetMemberAddPos(100, 2, -1, 1, 21);
    EXPECT_EQ(m.GetAddPosX(100, 0), 2);
    EXPECT_EQ(m.GetAddPosX(100, 20), 2);
    EXPECT_EQ(m.GetAddPosY(100, 20), -1);
    EXPECT_EQ(m.GetAddPosX(100, 21), 0);
    m.SetMemberDamageHit(100, true, 1, 38);
    m.SetMemberSetVel(100, 1, 1, 1, 38);
    m.SetMemberAddVel(100, 1, 1, 38, 38);
    EXPECT_TRUE(rt.Messages.empty());

    // Only the end of the range is checked against the action's length.
    m.SetMemberAddPos(100, 5, 5, 30, 39);
    EXPECT_EQ(m.GetAddPosX(100, 29), 0);
    EXPECT_EQ(rt.Messages, (Messages{"SetMemberAddPos. Frame Over. ID:100"}));

    rt.Messages.clear();
    m.SetMemberAddPos(100, 3, 0, 0, 1);
    EXPECT_EQ(m.GetAddPosX(100, 0), 3);
    EXPECT_EQ(rt.Messages, (Messages{"SetFloatMember. Frame Lost. ID:100,Frame:-1",
                                     "SetFloatMember. Frame Lost. ID:100,Frame:-1",
                                     "SetBoolMember. Frame Lost. ID:100,Frame:-1"}));
}

TEST(MoveFrameAct, UnknownIdEndsInFrameOver) {
    test::FakeRuntime rt;
    MoveFrameAct m;
    m.Init();
    m.AddFrameAct(100);
    m.AddFrames(100, 38);
    m.SetMemberSetVel(300, 1, 0, 1, 5);
    m.SetMemberDamageHit(300, true, 1, 1);
    EXPECT_EQ(rt.Messages, (Messages{"GetTotalFrame. FrameAct Not Found. ID:300",
                                     "SetMemberSetVel. Frame Over. ID:300",
                                     "GetTotalFrame. FrameAct Not Found. ID:300",
                                     "SetMemberDamageHit. Frame Over. ID:300"}));
}

}  // namespace
}  // namespace keldo
