#include "startup/Main.h"

#include "present/BitmapText.h"
#include "present/InputState.h"
#include "runtime/RuntimeTable.h"
#include "scenes/GameScene.h"
#include "scenes/TitleScreen.h"
#include "startup/SceneState.h"

namespace keldo {

void StepFrame() { Rt().Act(); }

void Main() {
    BitmapText text;
    text.Init();
    InputState input;
    input.Init();
    SceneState scene;
    scene.Set(0);
    for (;;) {
        switch (scene.Get()) {
            case 0:
                TitleScreen(scene, input, text);
                break;
            case 1:
                GameScene(scene, input, text);
                break;
            default:
                break;
        }
    }
}

}  // namespace keldo
