#include "scenes/TitleScreen.h"

#include "present/BitmapText.h"
#include "present/InputState.h"
#include "present/StepFrame.h"
#include "present/Tex.h"
#include "scenes/SceneState.h"

namespace keldo {

void TitleScreen(SceneState& scene, InputState& input, BitmapText& text) {
    const String credit1 = u"Character Design : velquint";
    const String credit2 = u"Game Design / Program : Orvu";
    const String credit3 = u"Programming Language : Vesk";
    const auto title = Tex::LoadTexture(u"title.vstex");
    const String version = u"ver 0.2";

    for (;;) {
        input.Update();
        text.DrawStr(credit1, 900, 720, 25, 50, 1.0);
        text.DrawStr(credit2, 775, 770, 25, 50, 1.0);
        text.DrawStr(credit3, 800, 820, 25, 50, 1.0);
        title->Draw(0, 0, 600, 160, 200, 200, 1200, 320, 1.0, 1.0, 1.0, 1.0);
        text.DrawStr(version, 800, 600, 25, 50, 1.0);
        if (input.ReleasedButton0()) {
            scene.Set(SceneState::kGameScene);
            return;
        }
        StepFrame();
    }
}

}  // namespace keldo
