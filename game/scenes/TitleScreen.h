#pragma once

namespace keldo {

class SceneState;
class InputState;
class BitmapText;

// Scene 0: the title picture, the version and the credits, until Space is released.
void TitleScreen(SceneState& scene, InputState& input, BitmapText& text);

}  // namespace keldo
