// Pictures through headless screenshots: what the game draws is what lands in the PNG.
#include <cmath>
#include <cstdint>
#include <string_view>

#include "RuntimeLib.h"

namespace rt {
namespace {

namespace fs = std::filesystem;

constexpr Rgba kRed{255, 0, 0, 255};
constexpr Rgba kBlue{0, 0, 255, 255};
constexpr Rgba kWhite{255, 255, 255, 255};

void ExpectPixel(const Picture& p, int x, int y, Rgba want) {
    const Rgba got = p.At(x, y);
    const auto near = [](int a, int b) { return std::abs(a - b) <= 3; };
    EXPECT_TRUE(near(got.R, want.R) && near(got.G, want.G) && near(got.B, want.B))
        << "at (" << x << ", " << y << "): got " << int(got.R) << "," << int(got.G) << ","
        << int(got.B) << " want " << int(want.R) << "," << int(want.G) << "," << int(want.B);
}

// Screenshots of frames 0 to Count - 1, named after their frame in a scratch folder.
struct Shots {
    fs::path Dir;
    int Count;
    fs::path Of(int frame) const {
        std::string name = "f";
        name.append(std::to_string(frame)).append(".png");
        return Dir / name;
    }
    // The value of TOLVEX_SHOT that asks for all of them.
    std::string Variable() const {
        std::string value;
        for (int f = 0; f < Count; ++f) {
            value.append(f == 0 ? "" : ",").append(std::to_string(f)).append(":");
            value.append(Of(f).string());
        }
        return value;
    }
};

class Pictures : public testing::Test {
protected:
    void SetUp() override {
        WritePicture("lr.vstex", 2, 1, [](int x, int) { return x == 0 ? kRed : kBlue; });
        WritePicture("tb.vstex", 1, 2, [](int, int y) { return y == 0 ? kRed : kBlue; });
        WritePicture("white.vstex", 4, 4, [](int, int) { return kWhite; });
    }
};

TEST_F(Pictures, ScreenshotsShowWhatWasDrawn) {
    const Shots shots{Scratch("shots"), 5};
    {
        Env env{{"TOLVEX_HEADLESS", "1"}, {"TOLVEX_SHOT", shots.Variable()}};
        Session session;
        Library& L = Lib();
        TvTex* lr = LoadTex("lr.vstex");
        TvTex* tb = LoadTex("tb.vstex");
        TvTex* white = LoadTex("white.vstex");

        // Frame 0: a negative source size picks the cell mirrored.
        L.DrawTex(lr, 0, 0, 2, 1, 100, 100, 200, 100, 1, 1, 1, 1);
        L.DrawTex(lr, 2, 0, -2, 1, 400, 100, 200, 100, 1, 1, 1, 1);
        L.DrawTex(tb, 0, 2, 1, -2, 700, 100, 100, 200, 1, 1, 1, 1);
        L.Act();
        // Frame 1: rotation about a centre measured from the destination's top-left.
        L.DrawTexRot(white, 0, 0, 4, 4, 800, 400, 100, 20, 0, 0, M_PI / 2, 1, 1, 1, 1);
        L.DrawTexRot(white, 0, 0, 4, 4, 200, 400, 100, 20, 50, 10, M_PI / 2, 1, 1, 1, 1);
        L.DrawTexRot(lr, 2, 0, -2, 1, 1000, 600, 200, 100, 100, 50, 0, 1, 1, 1, 1);
        L.Act();
        // Frame 2: colour factors and alpha.
        L.DrawTex(white, 0, 0, 4, 4, 100, 100, 100, 100, 1, 1, 1, 0.5);
        L.DrawTex(white, 0, 0, 4, 4, 300, 100, 100, 100, 1, 0.5, 0, 1);
        L.Act();
        // Frame 3: the drawing area is exactly 1600 x 900.
        L.DrawTex(white, 0, 0, 4, 4, 0, 0, 1600, 900, 1, 1, 1, 1);
        L.Act();
        // Frame 4: viewport, clearing, rectangles and additive blending.
        L.SetViewport(100, 100, 200, 200);
        L.Clear(0, 1, 0);
        L.DrawRect(0, 0, 50, 50, 1, 0, 0, 1);
        L.ResetViewport();
        L.DrawRect(1000, 100, 100, 100, 1, 0, 0, 1);
        L.SetBlend(2);
        L.DrawRect(1000, 100, 100, 100, 0, 0, 1, 1);
        L.Act();
        for (TvTex* t : {lr, tb, white}) {
            L.FreeMem(t);
        }
    }

    const Picture f0 = ReadPicture(shots.Of(0));
    ASSERT_EQ(f0.W, 1600);
    ASSERT_EQ(f0.H, 900);
    ExpectPixel(f0, 130, 150, kRed);
    ExpectPixel(f0, 270, 150, kBlue);
    ExpectPixel(f0, 430, 150, kBlue);
    ExpectPixel(f0, 570, 150, kRed);
    ExpectPixel(f0, 750, 130, kBlue);
    ExpectPixel(f0, 750, 270, kRed);
    ExpectPixel(f0, 50, 50, {0, 0, 0, 255});

    const Picture f1 = ReadPicture(shots.Of(1));
    ExpectPixel(f1, 790, 450, kWhite);
    ExpectPixel(f1, 850, 410, {0, 0, 0, 255});
    ExpectPixel(f1, 250, 370, kWhite);
    ExpectPixel(f1, 250, 450, kWhite);
    ExpectPixel(f1, 210, 410, {0, 0, 0, 255});
    ExpectPixel(f1, 290, 410, {0, 0, 0, 255});
    ExpectPixel(f1, 1030, 650, kBlue);
    ExpectPixel(f1, 1170, 650, kRed);
    ExpectPixel(f1, 130, 150, {0, 0, 0, 255});  // frame 0 is gone

    const Picture f2 = ReadPicture(shots.Of(2));
    ExpectPixel(f2, 150, 150, {128, 128, 128, 255});
    ExpectPixel(f2, 350, 150, {255, 128, 0, 255});

    const Picture f3 = ReadPicture(shots.Of(3));
    for (auto [x, y] : {std::pair{0, 0}, {1599, 0}, {0, 899}, {1599, 899}}) {
        ExpectPixel(f3, x, y, kWhite);
    }

    const Picture f4 = ReadPicture(shots.Of(4));
    ExpectPixel(f4, 120, 120, kRed);
    ExpectPixel(f4, 250, 250, {0, 255, 0, 255});
    ExpectPixel(f4, 50, 50, {0, 0, 0, 255});
    ExpectPixel(f4, 1050, 150, {255, 0, 255, 255});
}

// A frame that repeats the calls of the one before keeps its picture; any change, even to no
// drawing at all, is drawn afresh; a viewport and a mid-frame Flip carry over as they should.
TEST_F(Pictures, RepeatedFramesKeepTheirPictureAndChangesShow) {
    const Shots shots{Scratch("repeats"), 7};
    {
        Env env{{"TOLVEX_HEADLESS", "1"}, {"TOLVEX_SHOT", shots.Variable()}};
        Session session;
        Library& L = Lib();
        TvTex* white = LoadTex("white.vstex");
        const auto square = [&] { L.DrawTex(white, 0, 0, 4, 4, 100, 100, 100, 100, 1, 1, 1, 1); };
        square();  // frame 0
        L.Act();
        square();  // frame 1: the same calls
        L.Act();
        L.Act();   // frame 2: nothing drawn
        L.Act();   // frame 3: nothing again
        square();  // frame 4: a viewport that holds into the next frame
        L.SetViewport(400, 400, 100, 100);
        L.Act();
        L.Clear(0, 0, 1);  // frame 5: inside the viewport only
        L.Act();
        L.ResetViewport();  // frame 6: shown half-way by Flip, then finished
        square();
        L.Flip();
        L.DrawTex(white, 0, 0, 4, 4, 700, 100, 100, 100, 1, 0, 0, 1);
        L.Act();
        L.FreeMem(white);
    }
    const Rgba black{0, 0, 0, 255};
    struct Expect {
        int Frame;
        int X, Y;
        Rgba Colour;
    };
    const Expect expected[] = {
        {0, 150, 150, kWhite}, {1, 150, 150, kWhite}, {2, 150, 150, black}, {3, 150, 150, black},
        {4, 150, 150, kWhite}, {5, 150, 150, black},  {5, 450, 450, kBlue}, {5, 550, 450, black},
        {6, 150, 150, kWhite}, {6, 750, 150, kRed},   {6, 450, 450, black},
    };
    for (const Expect& e : expected) {
        SCOPED_TRACE(testing::Message() << "frame " << e.Frame);
        ExpectPixel(ReadPicture(shots.Of(e.Frame)), e.X, e.Y, e.Colour);
    }
}

// The library keeps what it stretched for the next frames; the picture must come out the same
// to the bit whether a cell is stretched on the spot (its first frame) or taken from what was
// kept (later frames): stretched up and down, partly off the screen, faded, opaque, with
// transparent margins.
TEST_F(Pictures, KeptCellsDrawTheSamePixelsAsFreshOnes) {
    WritePicture("blob.vstex", 16, 16, [](int x, int y) {
        const bool margin = x < 3 || y < 3 || x > 12 || y > 13;
        return Rgba{static_cast<uint8_t>(x * 16), static_cast<uint8_t>(y * 16), 90,
                    static_cast<uint8_t>(margin ? 0 : 40 + x * 13)};
    });
    WritePicture("solid.vstex", 8, 8, [](int x, int y) {
        return Rgba{static_cast<uint8_t>(x * 30), 200, static_cast<uint8_t>(y * 30), 255};
    });
    const Shots shots{Scratch("kept"), 4};
    constexpr int kMarker = 10;  // a corner that changes every frame, so no frame repeats
    {
        Env env{{"TOLVEX_HEADLESS", "1"}, {"TOLVEX_SHOT", shots.Variable()}};
        Session session;
        Library& L = Lib();
        TvTex* blob = LoadTex("blob.vstex");
        TvTex* solid = LoadTex("solid.vstex");
        TvTex* white = LoadTex("white.vstex");
        for (int f = 0; f < shots.Count; ++f) {
            L.DrawTex(white, 0, 0, 4, 4, 0, 200, 1600, 500, 0.3, 0.6, 0.9, 1);
            L.DrawTex(blob, 0, 0, 16, 16, 100.7, 100.2, 77.9, 53.5, 1, 1, 1, 1);
            L.DrawTex(blob, 2, 1, 12, 14, -20, 300, 90, 90, 1, 1, 1, 1);
            L.DrawTex(blob, 0, 0, 16, 16, 300, 250, 64, 64, 1, 1, 1, 0.5);
            L.DrawTex(blob, 0, 0, 16, 16, 400, 250, 8, 8, 1, 0.5, 1, 1);
            L.DrawTex(solid, 0, 0, 8, 8, 500, 250, 50, 70, 1, 1, 1, 1);
            L.DrawTex(solid, 1, 1, 6, 6, 1590, 880, 40, 40, 1, 1, 1, 1);
            L.DrawTex(solid, 0, 0, 8, 8, 700, 250, 33, 20, 1, 1, 1, 0.7);
            L.DrawRect(0, 0, kMarker, kMarker, f % 2, 1, 0, 1);
            L.Act();
        }
        for (TvTex* t : {blob, solid, white}) {
            L.FreeMem(t);
        }
    }
    const Picture first = ReadPicture(shots.Of(0));
    for (int f = 1; f < shots.Count; ++f) {
        const Picture later = ReadPicture(shots.Of(f));
        ASSERT_EQ(later.Rgb.size(), first.Rgb.size());
        int differing = 0;
        for (int y = 0; y < first.H; ++y) {
            for (int x = y < kMarker ? kMarker : 0; x < first.W; ++x) {
                const Rgba a = first.At(x, y);
                const Rgba b = later.At(x, y);
                differing += a.R != b.R || a.G != b.G || a.B != b.B;
            }
        }
        EXPECT_EQ(differing, 0) << "frame " << f;
    }
    ExpectPixel(first, 110, 108, {0, 0, 0, 255});  // a transparent margin
    EXPECT_EQ(first.At(520, 280).G, 200);          // the opaque picture
}

// A turned sprite whose own rectangle lies off the screen may still turn into it.
TEST_F(Pictures, TurnedSpritesReachingIntoTheScreenShow) {
    const fs::path dir = Scratch("turned");
    {
        Env env{{"TOLVEX_HEADLESS", "1"}, {"TOLVEX_SHOT", "0:" + (dir / "t.png").string()}};
        Session session;
        Library& L = Lib();
        TvTex* white = LoadTex("white.vstex");
        // Turned a quarter back about its top-right corner: it lies from x -50 to 50.
        L.DrawTexRot(white, 0, 0, 4, 4, -70, 400, 20, 100, 20, 0, -M_PI / 2, 1, 1, 1, 1);
        // Mirrored, wholly off the screen.
        L.DrawTexRot(white, 4, 0, -4, 4, -300, 600, 100, 100, 50, 50, 0, 1, 1, 1, 1);
        L.Act();
        L.FreeMem(white);
    }
    const Picture shot = ReadPicture(dir / "t.png");
    ExpectPixel(shot, 20, 410, kWhite);
    ExpectPixel(shot, 60, 410, {0, 0, 0, 255});
}

TEST_F(Pictures, HandlesShareOnePictureAndCheckTheirType) {
    Env env{{"TOLVEX_HEADLESS", "1"}};
    Session session;
    Library& L = Lib();
    TvTex* a = LoadTex("lr.vstex");
    TvTex* b = LoadTex("lr.vstex");
    EXPECT_EQ(L.GetTexW(a), 2);
    EXPECT_EQ(L.GetTexH(a), 1);
    L.FreeMem(a);  // the game drops one holder; the other keeps drawing
    L.DrawTex(b, 0, 0, 2, 1, 0, 0, 10, 10, 1, 1, 1, 1);
    L.FreeMem(b);

    const TvType snd{"Snd"};
    StrPtr name = MakeStr("lr.vstex");
    EXPECT_EQ(Caught([&] { L.LoadTex(&snd, name.get()); }).Code, TV_ERR_ARG);
    EXPECT_EQ(Caught([&] { L.LoadTex(nullptr, name.get()); }).Code, TV_ERR_ARG);
    EXPECT_EQ(Caught([&] { L.DrawTex(nullptr, 0, 0, 1, 1, 0, 0, 1, 1, 1, 1, 1, 1); }).Code,
              TV_ERR_ARG);
    EXPECT_EQ(Caught([&] { L.SetBlend(9); }).Code, TV_ERR_ARG);
    EXPECT_EQ(Caught([&] { L.SetZBuf(1); }).Code, TV_ERR_UNSUPPORTED);
}

// Pictures and sounds check what they are given in the same words: the load's type and name,
// then the handle (null, of the other kind, or from before the last Init).
TEST_F(Pictures, TexturesAndSoundsRefuseWrongLoadsAndHandlesAlike) {
    WriteTone("tone.wav", 8000, 100);
    Env env{{"TOLVEX_HEADLESS", "1"}};
    Library& L = Lib();
    TvTex* oldTex = nullptr;
    TvSnd* oldSnd = nullptr;
    {
        Session before;
        oldTex = LoadTex("lr.vstex");
        oldSnd = LoadSnd("tone.wav");
    }
    Session session;
    TvTex* tex = LoadTex("lr.vstex");
    TvSnd* snd = LoadSnd("tone.wav");
    const TvType texType{"Tex"};
    const TvType sndType{"Snd"};
    const StrPtr empty = MakeStr("");
    const StrPtr name = MakeStr("lr.vstex");
    struct Case {
        std::function<void()> Call;
        const char* Message;
    };
    const Case cases[] = {
        {[&] { L.LoadTex(&sndType, name.get()); }, "LoadTex: the type is not Tex"},
        {[&] { L.LoadSnd(&texType, name.get()); }, "LoadSnd: the type is not Snd"},
        {[&] { L.LoadTex(&texType, empty.get()); }, "LoadTex: the file name is empty"},
        {[&] { L.LoadSnd(&sndType, empty.get()); }, "LoadSnd: the file name is empty"},
        {[&] { L.GetTexW(nullptr); }, "GetTexW: the texture is null"},
        {[&] { L.LenSnd(nullptr); }, "LenSnd: the sound is null"},
        {[&] { L.GetTexW(reinterpret_cast<TvTex*>(snd)); }, "GetTexW: the handle is not a texture"},
        {[&] { L.LenSnd(reinterpret_cast<TvSnd*>(tex)); }, "LenSnd: the handle is not a sound"},
        {[&] { L.GetTexH(oldTex); }, "GetTexH: the texture was loaded before the last Init"},
        {[&] { L.LenSnd(oldSnd); }, "LenSnd: the sound was loaded before the last Init"},
    };
    for (const Case& c : cases) {
        const TvError e = Caught(c.Call);
        EXPECT_EQ(e.Code, TV_ERR_ARG) << c.Message;
        EXPECT_STREQ(e.Message, c.Message);
    }
    for (void* handle : {static_cast<void*>(oldTex), static_cast<void*>(oldSnd),
                         static_cast<void*>(tex), static_cast<void*>(snd)}) {
        L.FreeMem(handle);
    }
}

TEST(Lifecycle, EntriesNeedInitAndFreeIsSafeTwice) {
    Library& L = Lib();
    L.Free();
    EXPECT_EQ(Caught([&] { L.Act(); }).Code, TV_ERR_STATE);
    EXPECT_EQ(Caught([&] { L.Pad(0, 0); }).Code, TV_ERR_STATE);
    EXPECT_EQ(Caught([&] { LoadTex("lr.vstex"); }).Code, TV_ERR_STATE);
    L.Free();

    const TvInitParams wrongStamp{1, 1, 0, 0, 0, 0};
    EXPECT_EQ(Caught([&] { L.Init(&wrongStamp); }).Code, TV_ERR_ARG);
}

uint32_t Crc32(std::string_view bytes) {
    uint32_t crc = 0xFFFFFFFF;
    for (const char c : bytes) {
        crc ^= static_cast<uint8_t>(c);
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

// A PNG that is nothing but its header: a few dozen bytes that claim any size.
std::string PngClaiming(uint32_t w, uint32_t h) {
    const auto be32 = [](uint32_t v) {
        return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16),
                           static_cast<char>(v >> 8), static_cast<char>(v)};
    };
    const auto chunk = [&](const std::string& type, const std::string& data) {
        return be32(static_cast<uint32_t>(data.size())) + type + data + be32(Crc32(type + data));
    };
    return std::string("\x89PNG\r\n\x1a\n", 8) +
           chunk("IHDR", be32(w) + be32(h) + std::string("\x08\x06\x00\x00\x00", 5)) +
           chunk("IDAT", std::string("\x78\x9c\x03\x00\x00\x00\x00\x01", 8)) + chunk("IEND", "");
}

// Broken files fail the same way whether pictures are rasterised or not.
TEST(PictureFiles, BrokenPicturesAreNamedWithTheirCause) {
    WritePicture("good.vstex", 8, 8, [](int, int) { return kWhite; });
    const std::string png = ReadText(Lib().Data / "good.vstex");
    WriteFile(Lib().Data / "empty.vstex", "");
    WriteFile(Lib().Data / "text.vstex", "not a picture at all");
    WriteFile(Lib().Data / "truncated.vstex", png.substr(0, png.size() / 2));
    WriteFile(Lib().Data / "garbage.vstex", png.substr(0, 8) + std::string(200, '\x5a'));
    WriteFile(Lib().Data / "huge.vstex", PngClaiming(16384, 16384));
    WriteFile(Lib().Data / "long.vstex", PngClaiming(20000, 1));
    // The page's copy of Data holds WebP; the desktop's never does, and has no decoder for it.
    WriteFile(Lib().Data / "webp.vstex", std::string("RIFF\x04\0\0\0WEBP", 12));
    fs::create_directory(Lib().Data / "folder.vstex");
    fs::create_symlink("/dev/zero", Lib().Data / "endless.vstex");
    struct Case {
        const char* Name;
        const char* Cause;
    };
    const Case cases[] = {{"missing.vstex", "No such file"},
                          {"empty.vstex", "empty"},
                          {"text.vstex", "not a PNG"},
                          {"truncated.vstex", "broken"},
                          {"garbage.vstex", "broken"},
                          {"huge.vstex", "16384x16384, more than the 16777216 pixels allowed"},
                          {"long.vstex", "20000x1, larger than 16384 on a side"},
                          {"webp.vstex", "a WebP picture, which this build does not read"},
                          {"folder.vstex", "not an ordinary file"},
                          {"endless.vstex", "not an ordinary file"}};
    for (const char* mode : {"1", "null"}) {
        Env env{{"TOLVEX_HEADLESS", mode}};
        Session session;
        for (const Case& c : cases) {
            const TvError e = Caught([&] { LoadTex(c.Name); });
            EXPECT_EQ(e.Code, TV_ERR_FILE) << mode << " " << c.Name;
            EXPECT_NE(std::string(e.Message).find(c.Name), std::string::npos) << e.Message;
            EXPECT_NE(std::string(e.Message).find(c.Cause), std::string::npos) << e.Message;
        }
        Lib().FreeMem(LoadTex("good.vstex"));
    }
    Env env{{"TOLVEX_HEADLESS", "null"}};
    const TvError icon = InitError("no_icon.vstex");
    EXPECT_EQ(icon.Code, TV_ERR_FILE);
    EXPECT_NE(std::string(icon.Message).find("no_icon.vstex"), std::string::npos);
}

}  // namespace
}  // namespace rt
