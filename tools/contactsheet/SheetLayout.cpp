#include "SheetLayout.h"

#include <algorithm>
#include <functional>
#include <string_view>

#include "motion/AnimeSprite.h"
#include "motion/TexAnimeSet.h"
#include "present/InputState.h"
#include "runtime/RuntimeTable.h"
#include "scenes/GameScene.h"
#include "scenes/SceneState.h"
#include "scenes/TitleScreen.h"

namespace sheet {

using keldo::Player;
using keldo::test::DrawCall;
using keldo::test::FakeRuntime;

namespace {

constexpr double kViewW = 1600.0;
constexpr double kViewH = 900.0;
constexpr int kScreenH = 900;

constexpr Rgba kField{0x79, 0xa8, 0x52, 255};
constexpr Rgba kEdge{0x2b, 0x2d, 0x3a, 255};
constexpr Rgba kFeet{0xd0, 0x30, 0x30, 160};
constexpr Rgba kBlack{0, 0, 0, 255};

keldo::String Wide(std::string_view text) { return keldo::String(text.begin(), text.end()); }

// Pad buttons as the game reads them.
constexpr int64_t kSpace = 0;
constexpr int64_t kAttack = 2;
constexpr int64_t kLeft = 12;
constexpr int64_t kRight = 13;
constexpr int64_t kUp = 14;
constexpr int64_t kDown = 15;
constexpr int64_t kButtons[] = {kSpace, kAttack, kLeft, kRight, kUp, kDown};

// A button held over frames [From, To].
struct Hold {
    int64_t Button;
    int64_t From;
    int64_t To;
};

// Runs a scene of the game until Done says its last frame is drawn; the draws of that
// frame stay in the recording. The scene never returns on its own: the frame step that
// follows the chosen frame unwinds it.
struct SceneRun {
    const std::vector<Hold>* Script = nullptr;
    std::function<bool(int64_t frame, const FakeRuntime&)> Done;
    int64_t Frame = 0;
};
SceneRun* gRun = nullptr;
struct FrameTaken {};

void PressFor(int64_t frame) {
    FakeRuntime& rt = FakeRuntime::Current();
    for (const int64_t b : kButtons) {
        const bool held = std::any_of(
            gRun->Script->begin(), gRun->Script->end(),
            [&](const Hold& h) { return h.Button == b && h.From <= frame && frame <= h.To; });
        rt.PadCounts[b] = held ? rt.PadCounts[b] + 1 : 0;
    }
}

bool StepOrStop() {
    FakeRuntime& rt = FakeRuntime::Current();
    if (gRun->Done(gRun->Frame, rt)) {
        throw FrameTaken{};
    }
    ++gRun->Frame;
    rt.ClearRecords();
    PressFor(gRun->Frame);
    return true;
}

using Scene = void (*)(keldo::SceneState&, keldo::InputState&, keldo::BitmapText&);

std::vector<DrawCall> TakeSceneFrame(Scene scene, const std::vector<Hold>& script,
                                     std::function<bool(int64_t, const FakeRuntime&)> done) {
    FakeRuntime& rt = FakeRuntime::Current();
    SceneRun run{&script, std::move(done)};
    gRun = &run;
    auto& act = keldo::MutableRt().Act;
    const auto gameAct = act;
    act = StepOrStop;
    rt.ClearRecords();
    rt.PadCounts.clear();
    PressFor(0);
    keldo::SceneState state;
    keldo::InputState input;
    input.Init();
    keldo::BitmapText text;
    text.Init();
    try {
        scene(state, input, text);
    } catch (const FrameTaken&) {
    }
    act = gameAct;
    gRun = nullptr;
    rt.PadCounts.clear();
    return rt.Draws;
}

class Builder {
public:
    explicit Builder(Cast& cast) : C(cast), Rt(FakeRuntime::Current()) {}

    void Fill(int x, int y, int w, int h, Rgba c) { Add(Op::Kind::Fill, x, y, w, h, c); }
    // Later drawing stays inside this rectangle until the next Clip or NoClip.
    void Clip(int x, int y, int w, int h) { Add(Op::Kind::Clip, x, y, w, h, kBlack); }
    void NoClip() { Add(Op::Kind::NoClip, 0, 0, 0, 0, kBlack); }

    // A frame box as the sheet shows cells: a plain field, its edges and a line at the
    // feet. What is drawn next is clipped to the box.
    void Box(int x, int y, int w, int h, int feetY = -1) {
        Clip(x, y, w, h);
        Fill(x, y, w, h, kField);
        Fill(x, y, w, 1, kEdge);
        Fill(x, y, 1, h, kEdge);
        if (feetY >= 0) {
            Fill(x, feetY, w, 1, kFeet);
        }
    }

    // Runs draw, which draws through the game's objects, and puts what it drew on the
    // sheet moved by (dx, dy).
    void Place(double dx, double dy, const std::function<void()>& draw) {
        Rt.Draws.clear();
        draw();
        PlaceDraws(Rt.Draws, dx, dy);
    }

    void PlaceDraws(const std::vector<DrawCall>& draws, double dx, double dy) {
        for (const DrawCall& d : draws) {
            Op op;
            op.What = Op::Kind::Picture;
            op.Draw = d;
            op.DX = dx;
            op.DY = dy;
            Ops.push_back(std::move(op));
        }
    }

    // A picture file as a whole, where no object of the game cuts it (the window icon)
    // or to show what the cells are cut from.
    void Picture(const std::string& name, double sw, double sh, double x, double y, double w,
                 double h) {
        PlaceDraws({{name, false, {0, 0, sw, sh, x, y, w, h, 1, 1, 1, 1}}}, 0, 0);
    }

    // Text in the game's own font.
    void Text(std::string_view s, double x, double y, double w, double h) {
        Place(0, 0, [&] { C.Font.DrawStr(Wide(s), x, y, w, h, 1.0); });
    }
    void Label(std::string_view s, double x, double y) {
        NoClip();
        Text(s, x, y, 16, 32);
    }

    Cast& C;
    std::vector<Op> Ops;

private:
    void Add(Op::Kind k, int x, int y, int w, int h, Rgba c) {
        Op op;
        op.What = k;
        op.X = x;
        op.Y = y;
        op.W = w;
        op.H = h;
        op.Colour = c;
        Ops.push_back(std::move(op));
    }

    FakeRuntime& Rt;
};

// The game times at which an animation shows each of its frames.
std::vector<int64_t> FrameStarts(keldo::AnimeSprite& sprite, int64_t id) {
    std::vector<int64_t> starts;
    const keldo::AnimeFrame* last = nullptr;
    for (int64_t t = 0; t < sprite.GetTotalTime(id); ++t) {
        const keldo::AnimeFrame* f = &sprite.GetFrameAt(id, t);
        if (f != last) {
            starts.push_back(t);
            last = f;
        }
    }
    return starts;
}

// Poses the hero the way play does: an attack begun facing `facing`, chained to `stage`
// (0 first) through the hit windows, then `frame` frames into that stage. False when the
// chain cannot reach the stage.
bool PoseHero(Player& hero, int64_t facing, int64_t stage, int64_t frame) {
    hero.Init();
    hero.SetFacing(facing);
    hero.SetOnGround(true);
    hero.SetState(Player::kAttack);
    hero.SetCommand(true);
    hero.Animate();
    hero.SetCommand(false);
    for (int64_t s = 0; s < stage; ++s) {
        while (!hero.IsHitActive()) {
            if (hero.GetState() != Player::kAttack) {
                return false;
            }
            hero.Animate();
        }
        if (!hero.NextCombo()) {
            return false;
        }
    }
    for (int64_t f = 0; f < frame && hero.GetState() == Player::kAttack; ++f) {
        hero.Animate();
    }
    return hero.GetState() == Player::kAttack;
}

// The hero as it draws itself, centred at (x, y) of a box whose corner is at (bx, by).
void PlaceHero(Builder& b, int bx, int by, double x, double y) {
    Player& hero = b.C.Hero;
    b.Place(bx, by, [&] { hero.DrawLine(hero.GetX() - x, hero.GetY() - y, hero.GetLineY()); });
}

// ---- sections ------------------------------------------------------------------------

// A frame of a real game: the game scene runs with a few scripted moves until shortly
// after the first sword hit that lands once the rocks have come.
int GameFrame(Builder& b, int top) {
    b.Label("A GAME FRAME (1600 X 900), FIVE FRAMES AFTER A HIT", 10, top + 4);
    const int y0 = top + 40;
    const std::vector<Hold> script = {
        {kUp, 100, 100},     {kRight, 300, 330},  {kAttack, 420, 420}, {kAttack, 440, 440},
        {kAttack, 470, 470}, {kAttack, 500, 500}, {kAttack, 530, 530}, {kAttack, 560, 560},
        {kAttack, 590, 590}, {kAttack, 620, 620}, {kAttack, 650, 650}, {kAttack, 680, 680},
    };
    constexpr int64_t kNotBefore = 420;
    constexpr int64_t kAfterHit = 5;
    constexpr int64_t kLastFrame = 900;
    int64_t shown = -1;
    const auto draws =
        TakeSceneFrame(keldo::GameScene, script, [&](int64_t frame, const FakeRuntime& rt) {
            if (shown < 0 && frame >= kNotBefore) {
                for (const auto& s : rt.Sounds) {
                    if (s.What == "play" && s.Name == "tm2_slash003.ogg") {
                        shown = frame + kAfterHit;
                    }
                }
            }
            return frame == shown || frame >= kLastFrame;
        });
    b.Clip(0, y0, kSheetW, kScreenH);
    b.Fill(0, y0, kSheetW, kScreenH, kBlack);
    b.PlaceDraws(draws, 0, y0);
    b.NoClip();
    return y0 + kScreenH + 20;
}

struct Named {
    int64_t Id;
    const char* Name;
};

// Animations of one sprite in pairs (right-facing | left-facing), every frame in a
// 200 x 200 box with a line at the feet.
int PairedSection(Builder& b, int top, std::string_view title, keldo::AnimeSprite& sprite,
                  const std::vector<Named>& anims, double half, double feet) {
    b.Label(title, 10, top + 4);
    int y = top + 40;
    for (size_t i = 0; i + 1 < anims.size(); i += 2) {
        for (size_t side = 0; side < 2; ++side) {
            const Named& a = anims[i + side];
            const int x = static_cast<int>(side) * 800;
            b.Label(std::to_string(a.Id) + " " + a.Name, x + 6, y + 2);
            const auto starts = FrameStarts(sprite, a.Id);
            for (size_t f = 0; f < starts.size() && f < 4; ++f) {
                const int bx = x + static_cast<int>(f) * 200;
                const int by = y + 36;
                b.Box(bx, by, 200, 200, by + 100 + static_cast<int>(feet));
                b.Place(bx, by, [&] {
                    sprite.Draw(a.Id, starts[f], 100, 100, half, half, 0.0, 1.0, 0.0, 0.0);
                });
            }
        }
        y += 246;
    }
    return y + 10;
}

int HeroSection(Builder& b, int top) {
    Player& hero = b.C.Hero;
    const double half = 2.0 * hero.GetHalfSize();
    return PairedSection(b, top,
                         "HERO BODY: RIGHT-FACING | LEFT-FACING, 200 X 200, RED LINE = FEET",
                         hero.GetBodySprite(),
                         {{100, "STAND"},
                          {200, "STAND"},
                          {110, "WALK"},
                          {210, "WALK"},
                          {120, "RUN"},
                          {220, "RUN"},
                          {130, "ATTACK/AIR"},
                          {230, "ATTACK/AIR"}},
                         half, hero.GetHalfSize());
}

// The hero swinging, drawn by itself at five moments of each stage of the combo.
int SwordSection(Builder& b, int top) {
    b.Label("THE COMBO AS THE HERO DRAWS IT: FIVE MOMENTS OF EACH STAGE", 10, top + 4);
    int y = top + 40;
    Player& hero = b.C.Hero;
    for (int64_t stage = 0; stage < 3; ++stage) {
        for (const int64_t facing : {Player::kFaceRight, Player::kFaceLeft}) {
            PoseHero(hero, facing, stage, 0);
            const int64_t last = hero.GetAttackTotalFrame();
            b.Label("STAGE " + std::to_string(stage + 1) +
                        (facing == Player::kFaceRight ? " RIGHT" : " LEFT"),
                    6, y + 2);
            for (int k = 0; k < 5; ++k) {
                const int64_t frame = last * k / 4;
                const int bx = k * 320;
                const int by = y + 36;
                b.Box(bx, by, 320, 300, by + 150 + static_cast<int>(hero.GetHalfSize()));
                b.Label(std::to_string(frame), bx + 4, by + 4);
                b.Clip(bx, by, 320, 300);
                if (PoseHero(hero, facing, stage, frame)) {
                    PlaceHero(b, bx, by, 160, 150);
                }
            }
            y += 346;
        }
    }
    hero.Init();
    return y + 10;
}

int RockSection(Builder& b, int top) {
    return PairedSection(b, top, "ROCK MONSTER: FACE RIGHT (MIRRORED) | FACE LEFT, 200 X 200",
                         b.C.Rocks.GetSprite(),
                         {{100, "WALK R"},
                          {200, "WALK L"},
                          {110, "HURT R"},
                          {210, "HURT L"},
                          {120, "DIE R"},
                          {220, "DIE L"}},
                         100.0, 50.0);
}

int EffectSection(Builder& b, int top) {
    b.Label("EFFECTS: SMOKE, HIT SPARK FRAMES, BULLET, SLASH ARCS AT THREE AGES", 10, top + 4);
    Player& hero = b.C.Hero;
    int y = top + 40;
    b.Box(0, y, 200, 200);
    b.Place(0, y, [&] {
        hero.GetSmokeSprite().Draw(100, 0, 50, 50, 30, 30, 0.0, 1.0, 0.0, 0.0);
        hero.GetSmokeSprite().Draw(100, 0, 130, 130, 64, 64, 0.0, 1.0, 0.0, 0.0);
    });
    keldo::AnimeSprite& spark = hero.GetHitSprite();
    const auto starts = FrameStarts(spark, 100);
    for (size_t k = 0; k < starts.size(); ++k) {
        const int bx = 200 + static_cast<int>(k) * 200;
        b.Box(bx, y, 200, 200);
        b.Place(bx, y, [&] { spark.Draw(100, starts[k], 100, 100, 80, 80, 0.0, 1.0, 0.0, 0.0); });
    }
    const int bulletX = 200 + static_cast<int>(starts.size()) * 200;
    b.Box(bulletX, y, 200, 200);
    b.Place(bulletX, y,
            [&] { hero.GetBulletSprite().Draw(100, 0, 100, 100, 32, 32, 0.0, 1.0, 0.0, 0.0); });
    y += 210;

    keldo::TexAnimeSet& arcs = hero.GetArcSet();
    int col = 0;
    for (const int64_t id : {110, 210, 120, 220}) {
        const int64_t last = arcs.GetFrameNum(id) - 1;
        for (const int64_t age : {int64_t{0}, last / 2, last}) {
            const int bx = (col % 6) * 266;
            const int by = y + (col / 6) * 270;
            b.Box(bx, by, 266, 260);
            // The arc hangs off the hit point; the spark is drawn there too.
            const double x = id == 110 || id == 210 ? 210 : 90;
            b.Place(bx, by, [&] {
                arcs.Draw(id, age, x, 150, 80, 80, 0.0, 1.0, 0.0, 0.0);
                spark.Draw(100, age, x, 150, 80, 80, 0.0, 1.0, 0.0, 0.0);
            });
            b.Label(std::to_string(id) + " AGE " + std::to_string(age), bx + 4, by + 4);
            ++col;
        }
    }
    b.NoClip();
    return y + 550;
}

int StageSection(Builder& b, int top) {
    b.Label("THE STAGE AT CAMERA X 0 WITH THE SPAWN HOLE", 10, top + 4);
    int y = top + 40;
    b.Clip(0, y, kSheetW, kScreenH);
    b.Fill(0, y, kSheetW, kScreenH, kBlack);
    b.Place(0, y, [&] {
        b.C.Scenery.Draw(0.0, 0.0);
        b.C.Rocks.DrawHole(0.0, 0.0);
    });
    b.NoClip();
    y += kScreenH + 10;

    b.Label("THE PICTURES WHOLE: GROUND, DISTANT VIEW, TREES, BARS, WINDOW ICON", 10, y + 4);
    y += 40;
    b.Picture("ground.vstex", 512, 256, 0, y, 800, 200);
    b.Picture("distant_view.vstex", 512, 256, 800, y, 800, 200);
    y += 210;
    b.Box(0, y, 800, 400);
    b.Picture("wood.vstex", 1024, 512, 0, y, 800, 400);
    b.Box(800, y, 800, 400);
    b.Picture("life.vstex", 32, 32, 816, y + 16, 64, 64);
    b.Picture("combo.vstex", 32, 32, 896, y + 16, 64, 64);
    b.Picture("gauge.vstex", 256, 32, 816, y + 96, 512, 64);
    b.Picture("icon.png", 64, 64, 816, y + 176, 64, 64);
    b.Picture("icon.png", 64, 64, 896, y + 176, 192, 192);
    b.NoClip();
    return y + 420;
}

int TitleSection(Builder& b, int top) {
    b.Label("TITLE SCREEN", 10, top + 4);
    const int y = top + 40;
    const auto draws = TakeSceneFrame(keldo::TitleScreen, {},
                                      [](int64_t frame, const FakeRuntime&) { return frame == 0; });
    b.Clip(0, y, kSheetW, kScreenH);
    b.Fill(0, y, kSheetW, kScreenH, kBlack);
    b.PlaceDraws(draws, 0, y);
    b.NoClip();
    return y + kScreenH + 20;
}

int FontSection(Builder& b, int top) {
    b.Label("FONT: EVERY CHARACTER AT 50 X 100 AND 25 X 50, ON DARK AND LIGHT", 10, top + 4);
    int y = top + 40;
    std::vector<std::string> rows;
    for (int row = 0; row < 6; ++row) {
        std::string line;
        for (int c = 0; c < 16; ++c) {
            line += static_cast<char>(32 + row * 16 + c);
        }
        rows.push_back(line);
    }
    b.Fill(0, y, 800, 600, {0x20, 0x20, 0x28, 255});
    b.Fill(800, y, 800, 600, {0x9f, 0xd6, 0xf6, 255});
    for (int half = 0; half < 2; ++half) {
        for (size_t row = 0; row < rows.size(); ++row) {
            b.Text(rows[row], half * 800, y + static_cast<double>(row) * 100, 50, 100);
        }
    }
    y += 610;
    b.Fill(0, y, 800, 300, kField);
    b.Fill(800, y, 800, 300, {0xff, 0xff, 0xff, 255});
    for (int half = 0; half < 2; ++half) {
        for (size_t row = 0; row < rows.size(); ++row) {
            b.Text(rows[row], half * 800 + 10, y + static_cast<double>(row) * 50, 25, 50);
        }
    }
    return y + 320;
}

}  // namespace

void Cast::Load() {
    Hero.Init();
    Hero.LoadAnime(0.0, 0.0, kViewW, kViewH);
    Hero.InitAttack();
    Hero.InitEffects();
    Hero.LoadEffects(0.0, 0.0, kViewW, kViewH);
    Rocks.Init();
    Rocks.LoadSprites(0.0, 0.0, kViewW, kViewH);
    Scenery.Init();
    Scenery.LoadSprites(0.0, 0.0, kViewW, kViewH);
    Font.Init();
}

Layout LayOut(Cast& cast) {
    Builder b(cast);
    int y = 0;
    for (auto section : {GameFrame, HeroSection, SwordSection, RockSection, EffectSection,
                         StageSection, TitleSection, FontSection}) {
        y = section(b, y);
    }
    // The sheet's own ground, under everything, once its height is known.
    Op ground;
    ground.What = Op::Kind::Fill;
    ground.W = kSheetW;
    ground.H = y;
    ground.Colour = kEdge;
    b.Ops.insert(b.Ops.begin(), ground);
    return {std::move(b.Ops), y};
}

}  // namespace sheet
