#pragma once

namespace keldo {

class SceneState;
class InputState;
class BitmapText;
class Player;
class EnemyGroup;
class ScoreBoard;
class Snd;

// Scene 1: one game, from "Start!!" to the "Retry?" prompt.
void GameScene(SceneState& scene, InputState& input, BitmapText& text);

// One frame's sword hits: while the hit window is open, every enemy on the hero's line that
// the blade's circle reaches is hit, each counted into the combo and scored on its own.
void ResolveSwordHits(Player& player, EnemyGroup& enemies, ScoreBoard& score, const Snd& cut);

// One frame's touches: while the hero is vulnerable, every enemy on its line that touches
// it hurts it and breaks the combo; two touches in one frame hurt twice.
void ResolveTouches(Player& player, EnemyGroup& enemies, ScoreBoard& score, const Snd& hit);

// The runtime's frame rate, a share of 60 frames per second.
double FrameRate();

}  // namespace keldo
