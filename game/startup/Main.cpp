#include "startup/Main.h"

#include "present/BitmapText.h"
#include "present/InputState.h"
#include "scenes/BestScore.h"
#include "scenes/GameScene.h"
#include "scenes/SceneState.h"
#include "scenes/TitleScreen.h"

namespace keldo {

void Main() {
    BitmapText text;
    text.Init();
    InputState input;
    input.Init();
    SceneState scene;
    scene.Set(SceneState::kTitleScreen);
    scene.SetBestScore(LoadBestScore());
    for (;;) {
        switch (scene.Get()) {
            case SceneState::kTitleScreen:
                TitleScreen(scene, input, text);
                break;
            case SceneState::kGameScene:
                GameScene(scene, input, text);
                break;
            default:
                break;
        }
    }
}

}  // namespace keldo
