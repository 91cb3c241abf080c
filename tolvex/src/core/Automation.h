// The automation interface: headless modes, pacing, seeding, the frame limit, the input
// script, the trace and screenshots, all set through environment variables read by Init.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Tolvex.h"

namespace tolvex {

enum class HeadlessMode { Window, Render, Null };

// How a window is drawn: chosen from what the machine has, or forced.
enum class RendererChoice { Choose, Accelerated, Software };

struct ShotRequest {
    int64_t Frame = 0;
    std::string Path;
};

struct AutomationConfig {
    HeadlessMode Headless = HeadlessMode::Window;
    bool Pace = false;
    RendererChoice Renderer = RendererChoice::Choose;
    bool HasSeed = false;
    uint64_t Seed = 0;
    int64_t FrameLimit = 0;  // 0: no limit
    std::string InputPath;
    std::string TracePath;
    std::string AudioOutPath;        // "": no capture
    std::vector<ShotRequest> Shots;  // in frame order
    std::string SaveDir;             // "": the player's data folder, in a live run only
    std::string RecordPath;          // "": no recording
    // Frames whose pictures are skipped whatever the clock says, from frame 1 on, repeating:
    // 's' skipped, 'd' drawn. "": skipped only when a paced run falls behind.
    std::string SkipPattern;
};

// The most frames in a row whose pictures may be skipped: at least one frame in this many
// plus one is shown.
constexpr int kMaxSkippedInRow = 3;

// Reads and checks every TOLVEX_* variable; a malformed one raises TV_ERR_CONFIG naming it.
AutomationConfig ReadAutomationConfig();

// --- Trace ---------------------------------------------------------------------------

void OpenTrace(const std::string& path);
void CloseTrace();
bool TraceOn();
// Hands the buffered lines to the file; a write failure raises TV_ERR_CONFIG.
void FlushTrace();
void TraceLine(std::string_view word, std::string_view name);
void TraceLine(std::string_view word, std::string_view name, const double* values, int count);
void TraceFrame(int64_t frame);
// The frame that just began is skipped: its picture is neither drawn nor shown.
void TraceSkip();
void TracePlay(std::string_view name, double a, bool flag, double b);

// --- Input script --------------------------------------------------------------------

void OpenScript(const std::string& path);
void CloseScript();
bool ScriptOn();
// Consumes script lines as far as `frame` needs them (blocking on a pipe) and gives, for
// every button, the first frame of its current press, or -1 when it is up in `frame`.
const std::array<int64_t, TV_PAD_BUTTONS>& ScriptDownSince(int64_t frame);

}  // namespace tolvex
