#include <gtest/gtest.h>

#include <vector>

#include "stage/Camera.h"
#include "stage/Stage.h"
#include "support/FakeRuntime.h"

namespace keldo {
namespace {

TEST(Camera, StartsAtTheOriginAndFollowsSet) {
    test::FakeRuntime rt;
    for (int64_t n : {0, 1, 4}) {
        Camera cam;
        cam.Init(n);
        EXPECT_EQ(cam.GetX(), 0.0);
        EXPECT_EQ(cam.GetY(), 0.0);
        EXPECT_EQ(cam.GetDX(), 0.0);
        EXPECT_EQ(cam.GetDY(), 0.0);
        cam.Set(100, 0);
        cam.Set(130, 0);
        EXPECT_EQ(cam.GetX(), 130.0) << n;
        EXPECT_EQ(cam.GetY(), 0.0);
        EXPECT_EQ(cam.GetDX(), 0.0);
        EXPECT_EQ(cam.GetDY(), 0.0);
        cam.Set(-70, 25);
        EXPECT_EQ(cam.GetX(), -70.0);
        EXPECT_EQ(cam.GetY(), 25.0);
    }
}

// The scene sets the camera only in frames in which it moves but scrolls the stage with
// its change every frame; the trees must stay where they stand in the world.
TEST(Camera, ScrollingTheStageByItsChangeNeverMovesATree) {
    test::FakeRuntime rt;
    Stage stage;
    stage.Init();
    Camera cam;
    cam.Init(0);
    std::vector<double> before;
    for (int64_t i = 0; i < 60; ++i) {
        before.push_back(stage.GetWoodPos(i).GetX());
    }
    for (int64_t frame = 0; frame < 300; ++frame) {
        if (frame % 3 == 0) {
            cam.Set(cam.GetX() + 7.5, 0);
        }
        stage.Scroll(cam.GetDX(), cam.GetDY());
    }
    EXPECT_EQ(cam.GetX(), 750.0);
    for (int64_t i = 0; i < 60; ++i) {
        EXPECT_EQ(stage.GetWoodPos(i).GetX(), before[i]) << i;
        EXPECT_EQ(stage.GetWoodPos(i).GetY(), 450.0);
    }
}

}  // namespace
}  // namespace keldo
