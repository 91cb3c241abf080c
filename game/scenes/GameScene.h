#pragma once

namespace keldo {

class SceneState;
class InputState;
class BitmapText;

// Scene 1: one game, from "Start!!" to the "Retry?" prompt.
void GameScene(SceneState& scene, InputState& input, BitmapText& text);

// The runtime's frame rate, a share of 60 frames per second.
double FrameRate();

}  // namespace keldo
