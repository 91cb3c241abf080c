// The automation interface: input script, trace, frame limit, lock-step driving, and the
// errors that a malformed variable or script line must produce.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xmmintrin.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "RuntimeLib.h"

namespace rt {
namespace {

namespace fs = std::filesystem;

bool Contains(const char* text, const std::string& part) {
    return std::string(text).find(part) != std::string::npos;
}

TEST(Script, PadCountsFollowPressHoldAndRelease) {
    const fs::path dir = Scratch("script");
    WriteFile(dir / "input.txt",
              "# warm-up\n"
              "0 13\n"
              "\n"
              "2 12 0   # run left and hop\n"
              "4 12\n"
              "6\n");
    Env env{{"TOLVEX_HEADLESS", "null"}, {"TOLVEX_INPUT", (dir / "input.txt").string()}};
    Session session;
    Library& L = Lib();
    struct Row {
        int64_t Left, Hop, Right;
    };
    const Row want[] = {{0, 0, 1}, {0, 0, 2}, {1, 1, 0}, {2, 2, 0},
                        {3, 0, 0}, {4, 0, 0}, {0, 0, 0}, {0, 0, 0}};
    for (int64_t frame = 0; frame < 8; ++frame) {
        const Row& w = want[frame];
        EXPECT_EQ(L.Pad(0, 12), w.Left) << "frame " << frame;
        EXPECT_EQ(L.Pad(0, 0), w.Hop) << "frame " << frame;
        EXPECT_EQ(L.Pad(0, 13), w.Right) << "frame " << frame;
        EXPECT_EQ(L.Pad(1, 12), 0);
        L.Act();
    }
}

TEST(Trace, RecordsCallsWithShortestRoundTripNumbers) {
    WritePicture("dot.vstex", 2, 2, [](int, int) { return Rgba{255, 255, 255, 255}; });
    const fs::path dir = Scratch("trace");
    {
        Env env{{"TOLVEX_HEADLESS", "null"}, {"TOLVEX_TRACE", (dir / "trace.txt").string()}};
        Session session;
        Library& L = Lib();
        TvTex* dot = LoadTex("dot.vstex");
        L.DrawTex(dot, 0, 0, 2, 2, 0.1, 1600, -0.5, 1e-7, 1, 1, 1, 0.25);
        L.Act();
        L.DrawTexRot(dot, 0, 0, -2, 2, 10.75, 20, 64, 64, 32, 32, -2.356194490192345, 1, 1, 1,
                     1.0 / 3.0);
        EXPECT_EQ(L.GetFPS(), 1.0);  // unpaced headless runs report a steady 60
        L.Act();
        L.FreeMem(dot);
    }
    EXPECT_EQ(ReadText(dir / "trace.txt"),
              "frame 0\n"
              "load_tex dot.vstex\n"
              "draw dot.vstex 0 0 2 2 0.1 1600 -0.5 1e-07 1 1 1 0.25\n"
              "frame 1\n"
              "draw_rot dot.vstex 0 0 -2 2 10.75 20 64 64 32 32 -2.356194490192345 1 1 1 "
              "0.3333333333333333\n"
              "frame 2\n");
}

// A game whose frames take longer than 1/60 s: the library skips pictures to keep the game's
// time, never more than three in a row, marks them in the trace and counts only those shown.
TEST(Trace, APacedRunThatFallsBehindSkipsPicturesAndSaysWhich) {
    WritePicture("dot.vstex", 2, 2, [](int, int) { return Rgba{255, 255, 255, 255}; });
    const fs::path dir = Scratch("behind");
    constexpr int kFrames = 90;
    constexpr auto kSlowFrame = std::chrono::milliseconds(30);
    double shownPerSecond = 0;
    {
        Env env{{"TOLVEX_HEADLESS", "1"},
                {"TOLVEX_PACE", "1"},
                {"TOLVEX_TRACE", (dir / "trace.txt").string()}};
        Session session;
        Library& L = Lib();
        TvTex* dot = LoadTex("dot.vstex");
        for (int frame = 0; frame < kFrames; ++frame) {
            L.DrawTex(dot, 0, 0, 2, 2, frame, 0, 2, 2, 1, 1, 1, 1);
            std::this_thread::sleep_for(kSlowFrame);
            L.Act();
        }
        shownPerSecond = L.GetFPS() * 60;
        L.FreeMem(dot);
    }
    std::istringstream trace(ReadText(dir / "trace.txt"));
    std::vector<bool> skips;  // frame by frame
    int draws = 0;
    for (std::string line; std::getline(trace, line);) {
        if (line.starts_with("frame ")) {
            skips.push_back(false);
        } else if (line == "skip") {
            skips.back() = true;
        }
        draws += line.starts_with("draw ");
    }
    int skipped = 0;
    int inRow = 0;
    for (size_t frame = 0; frame < skips.size(); ++frame) {
        skipped += skips[frame];
        inRow = skips[frame] ? inRow + 1 : 0;
        EXPECT_LE(inRow, 3) << "frame " << frame;
    }
    const int frames = static_cast<int>(skips.size());
    EXPECT_EQ(frames, kFrames + 1);
    EXPECT_EQ(draws, kFrames);  // the game's calls are traced whether shown or not
    EXPECT_GT(skipped, kFrames / 4);
    // Fewer than 1000 / 30 frames a second are played at all, and only some of them shown.
    EXPECT_LT(shownPerSecond, 25);
}

// Synthesises an Ogg Vorbis sound of `seconds` with sox.
void MakeOgg(const fs::path& path, const std::string& seconds, const std::string& rate = "8000") {
    const std::string command = std::string(KELDO_SOX) + " -n -r " + rate + " -c 1 -C -1 " +
                                path.string() + " synth " + seconds + " square 250";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

TEST(Sound, EffectsDecodePlayAndAreTraced) {
    // A short 8-bit mono WAV; the mixer takes it whatever the file is called.
    std::string wav = "RIFF____WAVEfmt ";
    const auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) wav.push_back(static_cast<char>(v >> (8 * i)));
    };
    const auto put16 = [&](uint16_t v) {
        wav.push_back(static_cast<char>(v));
        wav.push_back(static_cast<char>(v >> 8));
    };
    put32(16), put16(1), put16(1), put32(8000), put32(8000), put16(1), put16(8);
    wav += "data";
    put32(4000);
    for (int i = 0; i < 4000; ++i) wav.push_back(static_cast<char>(i % 32 < 16 ? 200 : 56));
    WriteFile(Lib().Data / "beep.ogg", wav);
    WriteFile(Lib().Data / "noise.ogg", "OggS but not really");

    const fs::path dir = Scratch("sound");
    Env env{{"TOLVEX_HEADLESS", "1"}, {"TOLVEX_TRACE", (dir / "trace.txt").string()}};
    Session session;
    Library& L = Lib();
    TvSnd* beep = LoadSnd("beep.ogg");
    EXPECT_NEAR(L.LenSnd(beep), 0.5, 0.01);
    L.VolumeSnd(beep, 0.7);
    L.PlaySnd(beep, 0.0, false, 0.0);
    EXPECT_TRUE(L.ChkPlayingSnd(beep));
    L.StopSnd(beep);
    EXPECT_FALSE(L.ChkPlayingSnd(beep));
    L.FreeMem(beep);
    const TvError broken = Caught([] { LoadSnd("noise.ogg"); });
    EXPECT_EQ(broken.Code, TV_ERR_FILE);
    EXPECT_TRUE(Contains(broken.Message, "noise.ogg")) << broken.Message;
    EXPECT_EQ(Caught([] { LoadSnd("absent.ogg"); }).Code, TV_ERR_FILE);
    L.Act();
    EXPECT_EQ(ReadText(dir / "trace.txt"),
              "frame 0\nload_snd beep.ogg\nvolume beep.ogg 0.7\nplay beep.ogg 0 0 0\n"
              "load_snd noise.ogg\nload_snd absent.ogg\nframe 1\n");
}

// What the mixer would take on trust is refused first, naming the file and the cause.
TEST(Sound, FilesBeyondWhatASoundMayBeAreRefusedWithTheirCause) {
    const fs::path data = Lib().Data;
    // Ten minutes that take a few kilobytes, the way a long stray file would.
    MakeOgg(data / "long.ogg", "600", "1000");
    MakeOgg(data / "short.ogg", "0.5");
    const std::string ogg = ReadText(data / "short.ogg");
    WriteFile(data / "cut.ogg", ogg.substr(0, ogg.size() - 100));
    // A sound of another kind under the name: the mixer knows several, and one of them
    // fails without a word.
    WriteFile(data / "voc.ogg", std::string("Creative Voice File\x1a\x1a\x00\x0a\x01\x29\x11", 26) +
                                    std::string(64, '\x01'));
    fs::create_directory(data / "folder.ogg");
    // A WAV whose samples, a byte each, last 400 s at 100 a second.
    std::string wav =
        std::string(
            "RIFF\0\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x64\0\0\0\x64\0\0\0\x01\0\x08\0data", 40) +
        std::string("\x40\x9c\0\0", 4) + std::string(40000, '\x80');
    WriteFile(data / "long.wav", wav);
    WriteFile(data / "cut.wav", wav.substr(0, 1000));
    struct Case {
        const char* Name;
        const char* Cause;
    };
    const Case cases[] = {{"long.ogg", "may last up to"},
                          {"long.wav", "may last up to 400 s"},
                          {"cut.wav", "is truncated or broken"},
                          {"cut.ogg", "is truncated or broken"},
                          {"voc.ogg", "is not an Ogg Vorbis or WAV sound"},
                          {"folder.ogg", "is not an ordinary file"}};
    Env env{{"TOLVEX_HEADLESS", "null"}};
    Session session;
    for (const Case& c : cases) {
        const TvError e = Caught([&] { LoadSnd(c.Name); });
        EXPECT_EQ(e.Code, TV_ERR_FILE) << c.Name;
        EXPECT_TRUE(
            std::string(e.Message).starts_with(std::string("LoadSnd: ") + c.Name + " " + c.Cause))
            << e.Message;
    }
}

// Every way a run ends raises TV_ERR_CLOSED from Act, after the frame's trace line.
TEST(Ending, FrameLimitSignalAndExitCloseFromAct) {
    const fs::path dir = Scratch("ending");
    const std::string trace = (dir / "trace.txt").string();
    {
        Env env{{"TOLVEX_HEADLESS", "null"}, {"TOLVEX_FRAMES", "3"}, {"TOLVEX_TRACE", trace}};
        Session session;
        EXPECT_TRUE(Lib().Act());
        EXPECT_TRUE(Lib().Act());
        EXPECT_EQ(Caught([] { Lib().Act(); }).Code, TV_ERR_CLOSED);
        EXPECT_EQ(ReadText(trace), "frame 0\nframe 1\nframe 2\nframe 3\n");
    }
    const std::function<void()> requests[] = {[] { std::raise(SIGTERM); },
                                              [] { std::raise(SIGINT); }, [] { Lib().Exit(); }};
    for (const auto& request : requests) {
        Env env{{"TOLVEX_HEADLESS", "1"}};
        Session session;
        EXPECT_TRUE(Lib().Act());
        request();
        EXPECT_EQ(Caught([] { Lib().Act(); }).Code, TV_ERR_CLOSED);
    }
}

// A driver reads the trace as it grows and answers each frame with one script line,
// as a bot would through two pipes.
TEST(LockStep, DriverAnswersEachFrameThroughPipes) {
    const fs::path dir = Scratch("lockstep");
    const fs::path tracePath = dir / "trace";
    const fs::path inputPath = dir / "input";
    ASSERT_EQ(mkfifo(tracePath.c_str(), 0600), 0);
    ASSERT_EQ(mkfifo(inputPath.c_str(), 0600), 0);
    constexpr int kFrames = 6;

    std::thread driver([&] {
        std::FILE* trace = std::fopen(tracePath.c_str(), "r");
        std::FILE* input = std::fopen(inputPath.c_str(), "w");
        char line[256];
        while (std::fgets(line, sizeof line, trace) != nullptr) {
            int frame = 0;
            if (std::sscanf(line, "frame %d", &frame) == 1) {
                // Hold attack on odd frames only: the game must see each answer in time.
                std::fprintf(input, frame % 2 == 1 ? "%d 2\n" : "%d\n", frame);
                std::fflush(input);
            }
        }
        std::fclose(input);
        std::fclose(trace);
    });

    std::vector<int64_t> seen;
    {
        Env env{{"TOLVEX_HEADLESS", "null"},
                {"TOLVEX_TRACE", tracePath.string()},
                {"TOLVEX_INPUT", inputPath.string()},
                {"TOLVEX_FRAMES", std::to_string(kFrames)}};
        Session session;
        for (;;) {
            seen.push_back(Lib().Pad(0, 2));
            if (Caught([] { Lib().Act(); }).Code == TV_ERR_CLOSED) {
                break;
            }
        }
    }
    driver.join();
    EXPECT_EQ(seen, (std::vector<int64_t>{0, 1, 0, 1, 0, 1}));
}

TEST(Config, MalformedVariablesAreNamed) {
    const fs::path dir = Scratch("config");
    struct Case {
        const char* Name;
        std::string Value;
        std::string Extra;  // a second variable the case needs, as NAME=VALUE
    };
    const Case cases[] = {
        {"TOLVEX_SEED", "12abc", ""},
        {"TOLVEX_SEED", "-1", ""},
        {"TOLVEX_SEED", "18446744073709551616", ""},
        {"TOLVEX_FRAMES", "0", ""},
        {"TOLVEX_FRAMES", "ten", ""},
        {"TOLVEX_HEADLESS", "yes", ""},
        {"TOLVEX_PACE", "fast", ""},
        {"TOLVEX_RENDERER", "opengl", ""},
        {"TOLVEX_TRACE", (dir / "no/such/folder/trace.txt").string(), ""},
        {"TOLVEX_INPUT", (dir / "absent.txt").string(), ""},
        {"TOLVEX_SHOT", "10", ""},
        {"TOLVEX_SHOT", "x:" + (dir / "a.png").string(), ""},
        {"TOLVEX_SHOT", "1:" + (dir / "no/such/a.png").string(), ""},
        {"TOLVEX_SHOT", "1:" + (dir / "a.png").string(), "TOLVEX_HEADLESS=null"},
        {"TOLVEX_SAVE_DIR", (dir / "no/such/folder").string(), ""},
        {"TOLVEX_RECORD", (dir / "rec.txt").string(), "TOLVEX_HEADLESS=1"},
        {"TOLVEX_SKIP", "dx", ""},
        {"TOLVEX_SKIP", "sss", ""},
        {"TOLVEX_SKIP", "dssss", ""},
        {"TOLVEX_SKIP", "ssdss", ""},  // four in a row where the pattern starts again
    };
    for (const Case& c : cases) {
        Env env{{c.Name, c.Value}};
        if (!c.Extra.empty()) {
            const size_t eq = c.Extra.find('=');
            setenv(c.Extra.substr(0, eq).c_str(), c.Extra.substr(eq + 1).c_str(), 1);
        } else if (std::string(c.Name) != "TOLVEX_HEADLESS") {
            setenv("TOLVEX_HEADLESS", "null", 1);
        }
        const TvError e = InitError();
        EXPECT_EQ(e.Code, TV_ERR_CONFIG) << c.Name << "=" << c.Value;
        EXPECT_TRUE(Contains(e.Message, c.Name)) << e.Message;
    }
    // A failed Init leaves nothing behind: the next one starts cleanly.
    Env env{{"TOLVEX_HEADLESS", "null"}};
    Session session;
    EXPECT_TRUE(Lib().Act());
}

TEST(Config, BadScriptLinesAreNamedWithNumberAndText) {
    const fs::path dir = Scratch("badscript");
    struct Case {
        const char* Script;
        const char* Line;
    };
    const Case cases[] = {{"1 12\n\ntwo 12\n", "line 3: the frame"},
                          {"1 12\n2 16\n", "line 2: a button"},
                          {"# start\n5 1\n5 2\n", "line 3: frames must increase"},
                          {"5 1\n3 2\n", "line 2: frames must increase"}};
    for (const Case& c : cases) {
        WriteFile(dir / "input.txt", c.Script);
        Env env{{"TOLVEX_HEADLESS", "null"}, {"TOLVEX_INPUT", (dir / "input.txt").string()}};
        Session session;
        TvError e{};
        for (int frame = 0; frame < 8 && e.Code == 0; ++frame) {
            e = Caught([] {
                Lib().Pad(0, 0);
                Lib().Act();
            });
        }
        EXPECT_EQ(e.Code, TV_ERR_CONFIG) << c.Script;
        EXPECT_TRUE(Contains(e.Message, "TOLVEX_INPUT")) << e.Message;
        EXPECT_TRUE(Contains(e.Message, c.Line)) << e.Message;
        const std::string script = c.Script;
        const size_t lastLine = script.rfind('\n', script.size() - 2) + 1;
        EXPECT_TRUE(Contains(e.Message, script.substr(lastLine, script.size() - lastLine - 1)))
            << e.Message;
    }
}

TEST(Seed, SameSeedSameNumbers) {
    std::vector<int64_t> runs[2];
    for (auto& run : runs) {
        Env env{{"TOLVEX_HEADLESS", "null"}, {"TOLVEX_SEED", "18446744073709551615"}};
        Session session;
        for (int i = 0; i < 8; ++i) {
            run.push_back(Lib().Rnd(0, 1000000));
        }
    }
    EXPECT_EQ(runs[0], runs[1]);
}

// The game calls in with rounding toward zero and the invalid-operation trap on; the
// library must not let SDL and its decoders run in that mode, nor change it for the game.
TEST(FloatingPoint, GameModeCallsDoNotTrap) {
    WritePicture("fp.vstex", 16, 16, [](int x, int y) {
        return Rgba{static_cast<uint8_t>(x * 16), static_cast<uint8_t>(y * 16), 90, 200};
    });
    const fs::path dir = Scratch("fp");
    Env env{{"TOLVEX_HEADLESS", "1"},
            {"TOLVEX_SHOT", "1:" + (dir / "shot.png").string()},
            {"TOLVEX_TRACE", (dir / "trace.txt").string()},
            {"TOLVEX_PACE", "1"}};
    const unsigned saved = _mm_getcsr();
    _mm_setcsr(TV_GAME_FP_MODE);
    bool ok = true;
    {
        Session session;
        Library& L = Lib();
        TvTex* t = LoadTex("fp.vstex");
        for (int frame = 0; frame < 3; ++frame) {
            L.Clear(0.2, 0.3, 0.4);
            L.SetFilter(frame % 2);
            L.DrawTex(t, 0, 0, 16, 16, 10.3, 20.7, 33.3, 44.4, 0.9, 0.8, 0.7, 0.6);
            L.DrawTexRot(t, 16, 0, -16, 16, 500.5, 300.25, 128, 64, 64, 32, 1.1, 1, 1, 1, 0.5);
            L.DrawRect(5.5, 5.5, 100.1, 50.9, 1, 0, 0, 0.3);
            L.Act();
            ok = ok && _mm_getcsr() == TV_GAME_FP_MODE;
        }
        ok = ok && L.GetFPS() > 0;
        L.FreeMem(t);
    }
    ok = ok && _mm_getcsr() == TV_GAME_FP_MODE;
    _mm_setcsr(saved);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(fs::exists(dir / "shot.png"));
}

}  // namespace
}  // namespace rt
