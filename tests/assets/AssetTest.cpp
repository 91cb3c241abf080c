// The built pictures and sounds in Data/: each decodes, has the size its use needs,
// shows something in every cell the game cuts from it, and keeps the layout
// promises the drawing code relies on (feet on the line, mirrored rows, an empty
// strip above the bobbing rock, seamless ground, glyphs inside their cells).

#include <SDL.h>
#include <SDL_image.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#ifndef KELDO_DATA_DIR
#error "KELDO_DATA_DIR must name the folder of the built game data"
#endif

namespace {

struct Rect {
    int X, Y, W, H;
};

// A picture as RGBA bytes.
class Picture {
public:
    explicit Picture(const std::string& name) {
        std::string path = std::string(KELDO_DATA_DIR) + "/" + name;
        SDL_Surface* raw = IMG_Load(path.c_str());
        if (!raw) {
            Error = IMG_GetError();
            return;
        }
        Surf.reset(SDL_ConvertSurfaceFormat(raw, SDL_PIXELFORMAT_RGBA32, 0));
        SDL_FreeSurface(raw);
    }
    bool Ok() const { return Surf != nullptr; }
    int W() const { return Surf->w; }
    int H() const { return Surf->h; }
    const uint8_t* Px(int x, int y) const {
        return static_cast<const uint8_t*>(Surf->pixels) + y * Surf->pitch + x * 4;
    }
    int Alpha(int x, int y) const { return Px(x, y)[3]; }

    // Pixels in r whose opacity is above a faint haze.
    int Visible(Rect r) const {
        int n = 0;
        for (int y = r.Y; y < r.Y + r.H; ++y)
            for (int x = r.X; x < r.X + r.W; ++x) n += Alpha(x, y) > 24;
        return n;
    }
    // Lowest row of r holding a clearly visible pixel, -1 if none.
    int LowestRow(Rect r) const {
        for (int y = r.Y + r.H - 1; y >= r.Y; --y)
            for (int x = r.X; x < r.X + r.W; ++x)
                if (Alpha(x, y) > 128) return y;
        return -1;
    }

    std::string Error;

private:
    struct Free {
        void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
    };
    std::unique_ptr<SDL_Surface, Free> Surf;
};

class Assets : public ::testing::Test {
protected:
    static void SetUpTestSuite() { IMG_Init(IMG_INIT_PNG); }
};

struct Size {
    const char* Name;
    int W, H;
};

TEST_F(Assets, EveryPictureDecodesAtTheSizeItsCellsNeed) {
    const Size sizes[] = {
        {"font_128_64.vstex", 1024, 768},
        {"title.vstex", 600, 160},
        {"velquint256.vstex", 768, 1024},
        {"sword_512_128.vstex", 512, 128},
        {"bullet.vstex", 64, 64},
        {"smog.vstex", 128, 128},
        {"slash_effect.vstex", 256, 256},
        {"hit_effect.vstex", 512, 512},
        {"ground.vstex", 512, 256},
        {"distant_view.vstex", 512, 256},
        {"wood.vstex", 1024, 512},
        {"life.vstex", 32, 32},
        {"generate_hole.vstex", 512, 368},
        {"rock_enemy.vstex", 1024, 512},
        {"gauge.vstex", 256, 32},
        {"combo.vstex", 32, 32},
        {"icon.png", 64, 64},
        // The library's own sheet for the pause menu: sixteen 32 x 64 cells a row, six rows.
        {"menu_font.png", 512, 384},
    };
    for (const Size& s : sizes) {
        Picture p(s.Name);
        ASSERT_TRUE(p.Ok()) << s.Name << ": " << p.Error;
        EXPECT_EQ(p.W(), s.W) << s.Name;
        EXPECT_EQ(p.H(), s.H) << s.Name;
    }
}

struct Cut {
    const char* Name;
    Rect R;
    // Share of the rectangle that must be visible, 0..1.
    double MinCover;
};

TEST_F(Assets, EveryCellTheGameCutsShowsSomething) {
    std::vector<Cut> cuts = {
        {"title.vstex", {0, 0, 600, 160}, 0.2},
        {"sword_512_128.vstex", {0, 0, 512, 128}, 0.05},
        {"bullet.vstex", {0, 0, 64, 64}, 0.2},
        {"smog.vstex", {0, 0, 128, 128}, 0.2},
        {"slash_effect.vstex", {0, 0, 256, 256}, 0.05},
        {"generate_hole.vstex", {0, 0, 512, 368}, 0.3},
        {"icon.png", {0, 0, 64, 64}, 0.3},
        // the walking rock, both frames; hurt and the crumbling steps
        {"rock_enemy.vstex", {0, 256, 256, 256}, 0.1},
        {"rock_enemy.vstex", {0, 246, 256, 256}, 0.1},
        // the frame is mostly hole, but its border must be there
        {"gauge.vstex", {0, 0, 256, 32}, 0.2},
    };
    for (int col = 0; col < 3; ++col)
        for (int row = 0; row < 4; ++row)
            cuts.push_back({"velquint256.vstex", {col * 256, row * 256, 256, 256}, 0.05});
    for (int col = 0; col < 4; ++col) {
        // the last crumbling step is only rubble
        cuts.push_back({"rock_enemy.vstex", {col * 256, 0, 256, 256}, col == 3 ? 0.005 : 0.1});
        cuts.push_back({"wood.vstex", {col * 256, 0, 256, 512}, 0.15});
    }
    for (Rect r : {Rect{0, 0, 256, 256}, Rect{0, 256, 256, 256}, Rect{256, 256, 256, 256},
                   Rect{256, 0, 256, 256}})
        cuts.push_back({"hit_effect.vstex", r, 0.02});

    for (const Cut& c : cuts) {
        Picture p(c.Name);
        ASSERT_TRUE(p.Ok()) << c.Name << ": " << p.Error;
        double cover = double(p.Visible(c.R)) / (c.R.W * c.R.H);
        EXPECT_GE(cover, c.MinCover) << c.Name << " cell (" << c.R.X << ", " << c.R.Y << ", "
                                     << c.R.W << ", " << c.R.H << ")";
    }
}

TEST_F(Assets, BackdropsAndBarFillsAreOpaqueThroughout) {
    for (const char* name : {"ground.vstex", "distant_view.vstex", "life.vstex", "combo.vstex"}) {
        Picture p(name);
        ASSERT_TRUE(p.Ok()) << name << ": " << p.Error;
        int holes = 0;
        for (int y = 0; y < p.H(); ++y)
            for (int x = 0; x < p.W(); ++x) holes += p.Alpha(x, y) != 255;
        EXPECT_EQ(holes, 0) << name;
    }
}

TEST_F(Assets, GroundTileJoinsItsNeighbourWithoutASeam) {
    Picture p("ground.vstex");
    ASSERT_TRUE(p.Ok()) << p.Error;
    double sum = 0;
    int worst = 0;
    for (int y = 0; y < p.H(); ++y)
        for (int c = 0; c < 3; ++c) {
            int d = std::abs(int(p.Px(0, y)[c]) - int(p.Px(p.W() - 1, y)[c]));
            sum += d;
            worst = std::max(worst, d);
        }
    EXPECT_LT(sum / (p.H() * 3), 4.0);
    EXPECT_LT(worst, 48);
}

// The game draws both characters 200 x 200 around their position, which is on the
// stage line; their soles belong 50 screen pixels (64 texture pixels) below it.
TEST_F(Assets, CharactersStandOnTheLine) {
    Picture hero("velquint256.vstex");
    Picture rock("rock_enemy.vstex");
    ASSERT_TRUE(hero.Ok() && rock.Ok());
    for (int col = 0; col < 3; ++col)
        for (int row = 0; row < 4; ++row) {
            if (row >= 2 && col == 1) continue;  // the lunge, also shown in the air
            int low = hero.LowestRow({col * 256, row * 256, 256, 256}) - row * 256;
            EXPECT_NEAR(low, 192, 8) << "hero cell (" << col * 256 << ", " << row * 256 << ")";
        }
    EXPECT_NEAR(rock.LowestRow({0, 256, 256, 256}) - 256, 192, 8) << "walking rock";
    EXPECT_NEAR(rock.LowestRow({0, 0, 256, 256}), 192, 12) << "hurt rock";
}

TEST_F(Assets, LeftFacingHeroRowsMirrorTheRightFacingOnes) {
    Picture p("velquint256.vstex");
    ASSERT_TRUE(p.Ok()) << p.Error;
    for (int rightRow : {0, 512}) {
        int differ = 0;
        for (int col = 0; col < 3; ++col)
            for (int y = 0; y < 256; ++y)
                for (int x = 0; x < 256; ++x) {
                    int a = p.Alpha(col * 256 + x, rightRow + y);
                    int b = p.Alpha(col * 256 + 255 - x, rightRow + 256 + y);
                    differ += std::abs(a - b) > 64;
                }
        EXPECT_LT(differ, 3 * 256 * 256 / 500) << "rows " << rightRow << " and " << rightRow + 256;
    }
}

// The second walking frame is cut 10 pixels higher: the 10 rows above the walking
// cell show in it, and the bottom 10 rows of the cell drop out of it.
TEST_F(Assets, WalkingRockBobsWithoutPickingUpTheRowAbove) {
    Picture p("rock_enemy.vstex");
    ASSERT_TRUE(p.Ok()) << p.Error;
    EXPECT_EQ(p.Visible({0, 246, 256, 10}), 0);
    EXPECT_EQ(p.Visible({0, 502, 256, 10}), 0);
}

TEST_F(Assets, SwordIsHeldAtTheTurningPointAndPointsRight) {
    Picture p("sword_512_128.vstex");
    ASSERT_TRUE(p.Ok()) << p.Error;
    // the game turns the blade about texture point (32, 32)
    EXPECT_EQ(p.Alpha(32, 32), 255);
    EXPECT_EQ(p.Alpha(470, 32), 255);
    EXPECT_EQ(p.Visible({0, 72, 512, 56}), 0);
}

TEST_F(Assets, GaugeFrameIsHollowWithAFirmBorder) {
    Picture p("gauge.vstex");
    ASSERT_TRUE(p.Ok()) << p.Error;
    EXPECT_EQ(p.Visible({12, 10, 232, 12}), 0);
    // at least 3 solid pixels on every side, so the border survives 160 x 20
    for (int d = 1; d <= 3; ++d) {
        EXPECT_EQ(p.Alpha(128, d), 255) << "top " << d;
        EXPECT_EQ(p.Alpha(128, 31 - d), 255) << "bottom " << d;
        EXPECT_EQ(p.Alpha(d, 16), 255) << "left " << d;
        EXPECT_EQ(p.Alpha(255 - d, 16), 255) << "right " << d;
    }
}

TEST_F(Assets, FontHasEveryGlyphTheGameWritesInsideItsCell) {
    Picture p("font_128_64.vstex");
    ASSERT_TRUE(p.Ok()) << p.Error;
    auto cell = [](int code) {
        return Rect{64 * ((code - 32) % 16), 128 * ((code - 32) / 16), 64, 128};
    };

    std::string needed = ":!?/.";
    for (char c = 'A'; c <= 'Z'; ++c) needed += c;
    for (char c = 'a'; c <= 'z'; ++c) needed += c;
    for (char c = '0'; c <= '9'; ++c) needed += c;
    for (char c : needed) EXPECT_GT(p.Visible(cell(c)), 60) << "glyph '" << c << "'";

    EXPECT_EQ(p.Visible(cell(' ')), 0) << "the space must be blank";

    // A glyph touching its cell's edge would bleed into its neighbours when drawn.
    for (int code = 32; code < 128; ++code) {
        Rect r = cell(code);
        int edge = p.Visible({r.X, r.Y, r.W, 1}) + p.Visible({r.X, r.Y + r.H - 1, r.W, 1}) +
                   p.Visible({r.X, r.Y, 1, r.H}) + p.Visible({r.X + r.W - 1, r.Y, 1, r.H});
        EXPECT_EQ(edge, 0) << "glyph " << code << " reaches its cell's edge";
    }
}

TEST_F(Assets, FontGlyphsAreLightWithADarkOutline) {
    Picture p("font_128_64.vstex");
    ASSERT_TRUE(p.Ok()) << p.Error;
    // The middle of the bar of 'H' is glyph fill; well left of the left stem is outline
    // or empty. Scan the middle row of the 'H' cell for both kinds of pixel.
    int code = 'H';
    int x0 = 64 * ((code - 32) % 16), y = 128 * ((code - 32) / 16) + 64;
    int light = 0, dark = 0;
    for (int x = x0; x < x0 + 64; ++x) {
        const uint8_t* px = p.Px(x, y);
        if (px[3] < 200) continue;
        int lum = (px[0] * 3 + px[1] * 6 + px[2]) / 10;
        light += lum > 200;
        dark += lum < 60;
    }
    EXPECT_GT(light, 10);
    EXPECT_GT(dark, 4);
}

class Sounds : public ::testing::Test {
protected:
    static constexpr int Freq = 44100;
    static void SetUpTestSuite() {
        // No sound card needed: the chunks are only decoded.
        SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
        ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0) << SDL_GetError();
        Mix_Init(MIX_INIT_OGG);
        // Exactly this output format, so decoded chunks come as 16-bit mono at 44.1 kHz.
        ASSERT_EQ(Mix_OpenAudioDevice(Freq, AUDIO_S16SYS, 1, 1024, nullptr, 0), 0)
            << Mix_GetError();
    }
    static void TearDownTestSuite() {
        Mix_CloseAudio();
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
};

TEST_F(Sounds, EachEffectDecodesIsShortAndStaysBelowFullScale) {
    for (const char* name :
         {"tm2_hit005.ogg", "tm2_swing004.ogg", "tm2_slash003.ogg", "sha00.ogg"}) {
        std::string path = std::string(KELDO_DATA_DIR) + "/" + name;
        Mix_Chunk* chunk = Mix_LoadWAV(path.c_str());
        ASSERT_NE(chunk, nullptr) << name << ": " << Mix_GetError();
        const auto* samples = reinterpret_cast<const int16_t*>(chunk->abuf);
        size_t count = chunk->alen / sizeof(int16_t);
        double seconds = double(count) / Freq;
        EXPECT_GE(seconds, 0.05) << name;
        EXPECT_LE(seconds, 1.5) << name;

        int peak = 0;
        for (size_t i = 0; i < count; ++i) peak = std::max(peak, std::abs(int(samples[i])));
        double peakDb = 20.0 * std::log10(std::max(peak, 1) / 32768.0);
        EXPECT_LE(peakDb, -1.0) << name << " is too loud";
        EXPECT_GE(peakDb, -12.0) << name << " is too quiet";
        // starts and ends without a click
        if (count > 0) {
            EXPECT_LT(std::abs(int(samples[0])), 2000) << name;
            EXPECT_LT(std::abs(int(samples[count - 1])), 2000) << name;
        }
        Mix_FreeChunk(chunk);
    }
}

}  // namespace
