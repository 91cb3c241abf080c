// keldo-contact-sheet: lays every picture of the game out on one PNG, cut and
// placed the way the game cuts and places it, so the art can be judged at a glance.
//
//   keldo-contact-sheet DATA_DIR OUT.png
//
// Sections: a mock-up of a game frame; the hero's eight body animations; the six
// sword swings over the attack pose; the rock monster's six animations (the
// right-facing ones cut with negative widths, mirrored as the game draws them);
// effects; stage pieces and gauges; the title screen; the font.
// Drawing goes through a software renderer onto a surface, with the same
// conventions as the game's runtime: a negative source width mirrors the cell, a
// rotation turns about a centre given from the destination's top-left corner.

#include <SDL.h>
#include <SDL_image.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int SheetW = 1600;
constexpr double Pi = 3.14159265358979;

struct Pic {
    SDL_Texture* Tex = nullptr;
    int W = 0;
    int H = 0;
};

class Sheet {
public:
    Sheet(const std::string& dataDir, int height) : DataDir(dataDir) {
        Surface = SDL_CreateRGBSurfaceWithFormat(0, SheetW, height, 32, SDL_PIXELFORMAT_ARGB8888);
        if (!Surface) throw std::runtime_error(SDL_GetError());
        Ren = SDL_CreateSoftwareRenderer(Surface);
        if (!Ren) throw std::runtime_error(SDL_GetError());
        SDL_SetRenderDrawBlendMode(Ren, SDL_BLENDMODE_BLEND);
    }
    ~Sheet() {
        for (auto& [name, pic] : Pics) SDL_DestroyTexture(pic.Tex);
        SDL_DestroyRenderer(Ren);
        SDL_FreeSurface(Surface);
    }
    Sheet(const Sheet&) = delete;
    Sheet& operator=(const Sheet&) = delete;

    const Pic& Get(const std::string& name) {
        auto it = Pics.find(name);
        if (it != Pics.end()) return it->second;
        std::string path = DataDir + "/" + name;
        SDL_Surface* s = IMG_Load(path.c_str());
        if (!s) throw std::runtime_error("cannot load " + path + ": " + IMG_GetError());
        Pic pic;
        pic.Tex = SDL_CreateTextureFromSurface(Ren, s);
        pic.W = s->w;
        pic.H = s->h;
        SDL_FreeSurface(s);
        if (!pic.Tex) throw std::runtime_error(SDL_GetError());
        SDL_SetTextureBlendMode(pic.Tex, SDL_BLENDMODE_BLEND);
        SDL_SetTextureScaleMode(pic.Tex, SDL_ScaleModeLinear);
        return Pics.emplace(name, pic).first->second;
    }

    // A stretched, rotated copy of a source rectangle; angle in radians.
    void DrawRot(const std::string& name, double sx, double sy, double sw, double sh, double dx,
                 double dy, double dw, double dh, double cx, double cy, double angle,
                 double alpha = 1.0) {
        const Pic& pic = Get(name);
        int flip = SDL_FLIP_NONE;
        if (sw < 0) {
            sx += sw;
            sw = -sw;
            flip |= SDL_FLIP_HORIZONTAL;
        }
        if (sh < 0) {
            sy += sh;
            sh = -sh;
            flip |= SDL_FLIP_VERTICAL;
        }
        SDL_Rect src{int(std::lround(sx)), int(std::lround(sy)), int(std::lround(sw)),
                     int(std::lround(sh))};
        SDL_FRect dst{float(dx), float(dy), float(dw), float(dh)};
        SDL_FPoint centre{float(cx), float(cy)};
        double a = alpha < 0 ? 0 : (alpha > 1 ? 1 : alpha);
        SDL_SetTextureAlphaMod(pic.Tex, Uint8(std::lround(a * 255)));
        SDL_RenderCopyExF(Ren, pic.Tex, &src, &dst, angle * 180.0 / Pi, &centre,
                          SDL_RendererFlip(flip));
    }

    void Draw(const std::string& name, double sx, double sy, double sw, double sh, double dx,
              double dy, double dw, double dh, double alpha = 1.0) {
        DrawRot(name, sx, sy, sw, sh, dx, dy, dw, dh, 0, 0, 0, alpha);
    }

    // A cell drawn centred at (x, y) with half-size (hw, hh).
    void DrawCentred(const std::string& name, double sx, double sy, double sw, double sh, double x,
                     double y, double hw, double hh, double angle = 0, double alpha = 1.0) {
        DrawRot(name, sx, sy, sw, sh, x - hw, y - hh, hw * 2, hh * 2, hw, hh, angle, alpha);
    }

    // Text in the game's bitmap font, one w x h cell per character.
    void Text(const std::string& s, double x, double y, double w, double h) {
        for (size_t i = 0; i < s.size(); ++i) {
            int code = static_cast<unsigned char>(s[i]);
            Draw("font_128_64.vstex", 64.0 * ((code - 32) % 16), 128.0 * ((code - 32) / 16), 64,
                 128, x + w * double(i), y, w, h);
        }
    }
    void Label(const std::string& s, double x, double y) {
        NoClip();
        Text(s, x, y, 16, 32);
    }

    void Fill(int x, int y, int w, int h, Uint8 r, Uint8 g, Uint8 b, Uint8 a = 255) {
        SDL_SetRenderDrawColor(Ren, r, g, b, a);
        SDL_Rect rc{x, y, w, h};
        SDL_RenderFillRect(Ren, &rc);
    }
    void Line(int x1, int y1, int x2, int y2, Uint8 r, Uint8 g, Uint8 b, Uint8 a = 255) {
        SDL_SetRenderDrawColor(Ren, r, g, b, a);
        SDL_RenderDrawLine(Ren, x1, y1, x2, y2);
    }
    // Later drawing stays inside this rectangle until the next Clip or NoClip.
    void Clip(int x, int y, int w, int h) {
        SDL_Rect rc{x, y, w, h};
        SDL_RenderSetClipRect(Ren, &rc);
    }
    void NoClip() { SDL_RenderSetClipRect(Ren, nullptr); }

    // A frame box as the sheet shows cells: a plain field and a line at the feet.
    // What is drawn next is clipped to the box.
    void Box(int x, int y, int w, int h, int feetY = -1) {
        Clip(x, y, w, h);
        Fill(x, y, w, h, 0x79, 0xa8, 0x52);
        Fill(x, y, w, 1, 0x2b, 0x2d, 0x3a);
        Fill(x, y, 1, h, 0x2b, 0x2d, 0x3a);
        if (feetY >= 0) Line(x, feetY, x + w - 1, feetY, 0xd0, 0x30, 0x30, 160);
    }

    void Save(const std::string& path) {
        SDL_RenderPresent(Ren);
        if (IMG_SavePNG(Surface, path.c_str()) != 0)
            throw std::runtime_error("cannot write " + path + ": " + IMG_GetError());
    }

private:
    std::string DataDir;
    SDL_Surface* Surface = nullptr;
    SDL_Renderer* Ren = nullptr;
    std::map<std::string, Pic> Pics;
};

// ---- the game's animation tables ----------------------------------------------------

struct Cell {
    double X, Y, W, H;
};
struct Anim {
    int Id;
    const char* Name;
    std::vector<Cell> Cells;
};

const std::vector<Anim> BodyAnims = {
    {100, "STAND", {{0, 0, 256, 256}}},
    {200, "STAND", {{0, 256, 256, 256}}},
    {110, "WALK", {{256, 0, 256, 256}, {0, 0, 256, 256}, {512, 0, 256, 256}, {0, 0, 256, 256}}},
    {210,
     "WALK",
     {{256, 256, 256, 256}, {0, 256, 256, 256}, {512, 256, 256, 256}, {0, 256, 256, 256}}},
    {120,
     "RUN",
     {{256, 512, 256, 256}, {0, 512, 256, 256}, {512, 512, 256, 256}, {0, 512, 256, 256}}},
    {220,
     "RUN",
     {{256, 768, 256, 256}, {0, 768, 256, 256}, {512, 768, 256, 256}, {0, 768, 256, 256}}},
    {130, "ATTACK/AIR", {{256, 512, 256, 256}}},
    {230, "ATTACK/AIR", {{256, 768, 256, 256}}},
};

const std::vector<Anim> EnemyAnims = {
    {100, "WALK R", {{256, 256, -256, 256}, {256, 246, -256, 256}}},
    {200, "WALK L", {{0, 256, 256, 256}, {0, 246, 256, 256}}},
    {110, "HURT R", {{256, 0, -256, 256}}},
    {210, "HURT L", {{0, 0, 256, 256}}},
    {120,
     "DIE R",
     {{256, 0, -256, 256}, {512, 0, -256, 256}, {768, 0, -256, 256}, {1024, 0, -256, 256}}},
    {220, "DIE L", {{0, 0, 256, 256}, {256, 0, 256, 256}, {512, 0, 256, 256}, {768, 0, 256, 256}}},
};

struct Key {
    double OffX, OffY, Angle;
    bool Forward;
    int Steps;
};
struct Pose {
    double OffX, OffY, CX, CY, Angle;
};

// Key poses interpolated the way the game's key-pose animation does it.
std::vector<Pose> BuildPoses(const std::vector<Key>& keys, double cx, double cy) {
    std::vector<Pose> poses;
    for (const Key& k : keys) {
        if (poses.empty()) {
            poses.push_back({k.OffX, k.OffY, cx, cy, k.Angle});
            continue;
        }
        Pose last = poses.back();
        double dA = std::fabs(k.Angle - last.Angle) / k.Steps * (k.Forward ? 1 : -1);
        double dX = (k.OffX - last.OffX) / k.Steps;
        double dY = (k.OffY - last.OffY) / k.Steps;
        for (int i = 0; i < k.Steps; ++i) {
            Pose p = poses.back();
            poses.push_back({p.OffX + dX, p.OffY + dY, cx, cy, p.Angle + dA});
        }
    }
    return poses;
}

const std::map<int, std::vector<Key>> SwordKeys = {
    {110,
     {{-25, -10, -2.35619449019235, true, 1},
      {0, -10, -2.44346095279206, true, 10},
      {10, 60, 0.349065850398866, true, 10},
      {10, 60, 0.349065850398866, true, 5},
      {0, 40, 0.349065850398866, false, 12}}},
    {120,
     {{25, -10, 5.49778714378214, false, 1},
      {0, -10, 5.41052068118242, false, 10},
      {-10, 60, 2.79252680319093, false, 10},
      {-10, 60, 2.79252680319093, false, 5},
      {0, 40, 2.79252680319093, true, 12}}},
    {210,
     {{-25, 50, 0.436332312998582, false, 1},
      {0, 50, 0.436332312998582, false, 10},
      {10, -30, -0.349065850398866, false, 10},
      {10, -30, -0.349065850398866, false, 5},
      {0, -20, -0.349065850398866, true, 12}}},
    {220,
     {{25, 50, 2.35619449019235, true, 1},
      {0, 50, 2.35619449019235, true, 10},
      {-10, -30, 3.49065850398866, true, 10},
      {-10, -30, 3.49065850398866, true, 5},
      {0, -20, 3.49065850398866, false, 12}}},
    {310,
     {{10, 20, -0.785398163397449, true, 1},
      {-50, 20, 0.261799387799149, true, 10},
      {-50, 20, 0.0, false, 10},
      {60, 10, 0.0, true, 5},
      {50, 20, 0.0, true, 12}}},
    {320,
     {{-10, 20, 3.92699081698724, false, 1},
      {50, 20, 2.87979326579064, false, 10},
      {50, 20, 3.14159265358979, true, 10},
      {-60, 10, 3.14159265358979, false, 5},
      {-50, 20, 3.14159265358979, false, 12}}},
};

const std::map<int, std::vector<Key>> ArcKeys = {
    {110, {{-140, -80, 0.0, true, 1}, {-140, -80, 2.35619449019235, true, 19}}},
    {210, {{-140, -80, 2.35619449019235, false, 1}, {-140, -80, 0.0, false, 19}}},
    {120, {{-20, -80, 0.0, false, 1}, {-20, -80, 2.35619449019235, false, 19}}},
    {220, {{-20, -80, 2.35619449019235, true, 1}, {-20, -80, 0.0, true, 19}}},
};

void DrawSet(Sheet& s, const std::string& pic, double srcW, double srcH, const Pose& p, double x,
             double y, double hw, double hh, double alpha = 1.0) {
    s.DrawRot(pic, 0, 0, srcW, srcH, x + p.OffX, y + p.OffY, hw * 2, hh * 2, p.CX, p.CY, p.Angle,
              alpha);
}

void DrawSword(Sheet& s, int id, int frame, double x, double y) {
    std::vector<Pose> poses = BuildPoses(SwordKeys.at(id), 12.5, 12.5);
    if (frame > int(poses.size()) - 1) frame = int(poses.size()) - 1;
    DrawSet(s, "sword_512_128.vstex", 512, 128, poses[size_t(frame)], x, y, 100, 25);
}

void DrawArc(Sheet& s, int id, int age, double x, double y) {
    std::vector<Pose> poses = BuildPoses(ArcKeys.at(id), 80, 80);
    if (age > int(poses.size()) - 1) age = int(poses.size()) - 1;
    DrawSet(s, "slash_effect.vstex", 256, 256, poses[size_t(age)], x, y, 80, 80);
}

void DrawBody(Sheet& s, const Cell& c, double x, double y) {
    s.DrawCentred("velquint256.vstex", c.X, c.Y, c.W, c.H, x, y, 100, 100);
}
void DrawEnemy(Sheet& s, const Cell& c, double x, double y) {
    s.DrawCentred("rock_enemy.vstex", c.X, c.Y, c.W, c.H, x, y, 100, 100);
}
void DrawLifeBar(Sheet& s, double x, double y, int life) {
    s.DrawCentred("life.vstex", 0, 0, 32, 32, x, y - 100, 0.78 * life, 8);
    s.DrawCentred("gauge.vstex", 0, 0, 256, 32, x, y - 100, 80, 10);
}
void DrawHitSpark(Sheet& s, int age, double x, double y) {
    static const Cell cells[4] = {
        {0, 0, 256, 256}, {0, 256, 256, 256}, {256, 256, 256, 256}, {256, 0, 256, 256}};
    int k = age / 5 > 3 ? 3 : age / 5;
    s.DrawCentred("hit_effect.vstex", cells[k].X, cells[k].Y, 256, 256, x, y, 80, 80);
}

// ---- sections ----------------------------------------------------------------------

// A frame of the game: camera at x 0, the hero attacking on line 600 among rocks.
int SceneMockup(Sheet& s, int top) {
    s.Label("A GAME FRAME (1600 X 900, CAMERA X 0)", 10, top + 4);
    int y0 = top + 40;
    s.Clip(0, y0, SheetW, 900);
    s.Fill(0, y0, SheetW, 900, 0, 0, 0);
    s.DrawCentred("distant_view.vstex", 0, 0, 512, 256, 800, y0 + 200, 800, 200);
    for (int k = -2; k <= 2; ++k)
        s.DrawCentred("ground.vstex", 0, 0, 512, 256, 2000.0 * k, y0 + 650, 1000, 250);
    struct Tree {
        double Right, HalfW, HalfH;
        int Pic;
    };
    const Tree trees[] = {{260, 110, 260, 0},
                          {520, 150, 330, 1},
                          {1460, 120, 380, 2},
                          {1640, 190, 240, 3},
                          {380, 100, 220, 3}};
    for (const Tree& t : trees)
        s.DrawCentred("wood.vstex", 256.0 * t.Pic, 0, 256, 512, t.Right - t.HalfW,
                      y0 + 450 - t.HalfH, t.HalfW, t.HalfH);
    s.DrawCentred("generate_hole.vstex", 0, 0, 512, 368, 1000, y0 + 350, 300, 200);

    // line 400 is empty; a rock sinking out of the hole
    DrawEnemy(s, EnemyAnims[1].Cells[0], 1000, y0 + 440);
    // line 500: a rock walking right, one bobbing left
    DrawEnemy(s, EnemyAnims[0].Cells[0], 300, y0 + 500);
    DrawEnemy(s, EnemyAnims[1].Cells[1], 1300, y0 + 500);
    // line 600: the hero's cut landing on a rock
    for (int i = 0; i < 3; ++i)
        s.DrawCentred("smog.vstex", 0, 0, 128, 128, 470 - 40 * i, y0 + 650 - 6 * i, 30, 30,
                      0.26 * (i + 1) * 10, 1.0 - 0.3 * i);
    DrawEnemy(s, EnemyAnims[3].Cells[0], 820, y0 + 600);
    DrawLifeBar(s, 820, y0 + 600, 50);
    DrawArc(s, 110, 8, 760, y0 + 600);
    DrawHitSpark(s, 11, 760, y0 + 600);
    DrawBody(s, BodyAnims[6].Cells[0], 640, y0 + 600);
    DrawSword(s, 110, 16, 640, y0 + 600);
    // line 700: a rock crumbling, a rock walking
    DrawEnemy(s, EnemyAnims[5].Cells[1], 560, y0 + 700);
    DrawEnemy(s, EnemyAnims[1].Cells[0], 1150, y0 + 700);
    DrawLifeBar(s, 1150, y0 + 700, 90);

    // score board
    s.DrawCentred("combo.vstex", 0, 0, 32, 32, 220, y0 + 240, 120, 20);
    s.DrawCentred("gauge.vstex", 0, 0, 256, 32, 220, y0 + 240, 180, 20);
    s.Text("COMBO!", 120, y0 + 160, 50, 100);
    s.Text("3", 50, y0 + 50, 75, 150);
    s.Text("SCORE:000000001234", 1010, y0 + 90, 30, 60);
    s.Text("HISCORE:000000000000", 950, y0 + 30, 30, 60);
    s.NoClip();
    return y0 + 900 + 20;
}

// Animations in pairs (right-facing | left-facing), every frame in a 200 x 200 box.
int PairedAnimSection(Sheet& s, int top, const std::string& title, const std::vector<Anim>& anims,
                      void (*draw)(Sheet&, const Cell&, double, double)) {
    s.Label(title, 10, top + 4);
    int y = top + 40;
    for (size_t i = 0; i < anims.size(); i += 2) {
        for (int side = 0; side < 2; ++side) {
            const Anim& a = anims[i + size_t(side)];
            int x = side * 800;
            s.Label(std::to_string(a.Id) + " " + a.Name, x + 6, y + 2);
            for (size_t f = 0; f < a.Cells.size(); ++f) {
                int bx = x + int(f) * 200;
                s.Box(bx, y + 36, 200, 200, y + 36 + 150);
                draw(s, a.Cells[f], bx + 100, y + 36 + 100);
            }
        }
        y += 246;
    }
    return y + 10;
}

int BodySection(Sheet& s, int top) {
    return PairedAnimSection(
        s, top, "HERO BODY: RIGHT-FACING | LEFT-FACING, 200 X 200, RED LINE = FEET (Y+50)",
        BodyAnims, DrawBody);
}

int SwordSection(Sheet& s, int top) {
    s.Label("SWORD SWINGS OVER THE ATTACK POSE: POSES 0, 11, 21, 26, 37", 10, top + 4);
    int y = top + 40;
    const int poses[] = {0, 11, 21, 26, 37};
    for (int id : {110, 120, 210, 220, 310, 320}) {
        bool right = id % 100 == 10;
        s.Label(std::to_string(id), 6, y + 2);
        for (int k = 0; k < 5; ++k) {
            int bx = k * 320;
            s.Box(bx, y + 36, 320, 300, y + 36 + 200);
            double cx = bx + 160, cy = y + 36 + 150;
            DrawBody(s, BodyAnims[right ? 6 : 7].Cells[0], cx, cy);
            DrawSword(s, id, poses[k], cx, cy);
        }
        y += 346;
    }
    return y + 10;
}

int EnemySection(Sheet& s, int top) {
    return PairedAnimSection(s, top,
                             "ROCK MONSTER: FACE 1 (MIRRORED) | FACE 0, 200 X 200, RED LINE = FEET",
                             EnemyAnims, DrawEnemy);
}

int EffectSection(Sheet& s, int top) {
    s.Label("EFFECTS: SMOKE 60X60 AND 128X128, HIT SPARK 160X160, ARCS AT AGES 0/10/19, BULLET", 10,
            top + 4);
    int y = top + 40;
    s.Box(0, y, 200, 200);
    s.DrawCentred("smog.vstex", 0, 0, 128, 128, 50, y + 50, 30, 30);
    s.DrawCentred("smog.vstex", 0, 0, 128, 128, 130, y + 130, 64, 64);
    for (int k = 0; k < 4; ++k) {
        s.Box(200 + k * 200, y, 200, 200);
        DrawHitSpark(s, k * 5, 300 + k * 200, y + 100);
    }
    s.Box(1000, y, 200, 200);
    s.DrawCentred("bullet.vstex", 0, 0, 64, 64, 1100, y + 100, 32, 32);
    y += 210;
    int col = 0;
    for (int id : {110, 210, 120, 220}) {
        for (int age : {0, 10, 19}) {
            int bx = (col % 6) * 266, by = y + (col / 6) * 270;
            s.Box(bx, by, 266, 260);
            // the arc's anchor is the hit point; the spark is drawn there too
            double x = bx + (id == 110 || id == 210 ? 210 : 90);
            DrawArc(s, id, age, x, by + 150);
            DrawHitSpark(s, age, x, by + 150);
            s.Label(std::to_string(id) + " AGE " + std::to_string(age), bx + 4, by + 4);
            ++col;
        }
    }
    s.NoClip();
    return y + 550;
}

int StageSection(Sheet& s, int top) {
    s.Label("STAGE: GROUND TILES SIDE BY SIDE, DISTANT VIEW, TREES, SPAWN HOLE, BARS", 10, top + 4);
    int y = top + 40;
    s.Draw("ground.vstex", 0, 0, 512, 256, 0, y, 800, 200);
    s.Draw("ground.vstex", 0, 0, 512, 256, 800, y, 800, 200);
    y += 210;
    s.Draw("distant_view.vstex", 0, 0, 512, 256, 0, y, 800, 200);
    s.Box(800, y, 800, 200);
    s.Draw("generate_hole.vstex", 0, 0, 512, 368, 900, y, 300, 200);
    s.Fill(1250, y + 20, 340, 160, 0x40, 0x40, 0x50);
    s.DrawCentred("life.vstex", 0, 0, 32, 32, 1330, y + 50, 0.78 * 50, 8);
    s.DrawCentred("gauge.vstex", 0, 0, 256, 32, 1330, y + 50, 80, 10);
    s.DrawCentred("life.vstex", 0, 0, 32, 32, 1500, y + 50, 0.78 * 100, 8);
    s.DrawCentred("gauge.vstex", 0, 0, 256, 32, 1500, y + 50, 80, 10);
    s.DrawCentred("combo.vstex", 0, 0, 32, 32, 1420, y + 130, 90, 20);
    s.DrawCentred("gauge.vstex", 0, 0, 256, 32, 1420, y + 130, 160, 20);
    y += 210;
    for (int k = 0; k < 4; ++k) {
        s.Box(k * 200, y, 200, 400, y + 400 - 1);
        s.Draw("wood.vstex", 256.0 * k, 0, 256, 512, k * 200, y, 200, 400);
    }
    s.Box(800, y, 400, 400);
    s.Draw("wood.vstex", 0, 0, 1024, 512, 800, y + 100, 400, 200);
    s.Box(1200, y, 400, 400);
    s.Draw("icon.png", 0, 0, 64, 64, 1216, y + 16, 64, 64);
    s.Draw("icon.png", 0, 0, 64, 64, 1300, y + 16, 192, 192);
    return y + 420;
}

int TitleSection(Sheet& s, int top) {
    s.Label("TITLE SCREEN", 10, top + 4);
    int y = top + 40;
    s.Fill(0, y, SheetW, 900, 0, 0, 0);
    s.Text("Character Design : velquint", 900, y + 720, 25, 50);
    s.Text("Game Design / Program : Orvu", 775, y + 770, 25, 50);
    s.Text("Programming Language : Vesk", 800, y + 820, 25, 50);
    s.Draw("title.vstex", 0, 0, 600, 160, 200, y + 200, 1200, 320);
    s.Text("ver 0.2", 800, y + 600, 25, 50);
    return y + 920;
}

int FontSection(Sheet& s, int top) {
    s.Label("FONT: EVERY CHARACTER AT 50 X 100 AND 25 X 50, ON DARK AND LIGHT", 10, top + 4);
    int y = top + 40;
    s.Fill(0, y, 800, 600, 0x20, 0x20, 0x28);
    s.Fill(800, y, 800, 600, 0x9f, 0xd6, 0xf6);
    for (int half = 0; half < 2; ++half)
        for (int row = 0; row < 6; ++row) {
            std::string line;
            for (int c = 0; c < 16; ++c) line += char(32 + row * 16 + c);
            s.Text(line, half * 800, y + row * 100, 50, 100);
        }
    y += 610;
    s.NoClip();
    s.Fill(0, y, 800, 300, 0x79, 0xa8, 0x52);
    s.Fill(800, y, 800, 300, 0xff, 0xff, 0xff);
    for (int half = 0; half < 2; ++half)
        for (int row = 0; row < 6; ++row) {
            std::string line;
            for (int c = 0; c < 16; ++c) line += char(32 + row * 16 + c);
            s.Text(line, half * 800 + 10, y + row * 50, 25, 50);
        }
    y += 310;
    s.Fill(0, y, SheetW, 240, 0x79, 0xa8, 0x52);
    s.Text("Clear!", 40, y + 10, 50, 100);
    s.Text("Retry?", 400, y + 10, 50, 100);
    s.Text("Push Space Key", 40, y + 130, 25, 50);
    s.Text("SCORE:000000001234", 800, y + 20, 30, 60);
    s.Text("COMBO!", 800, y + 100, 50, 100);
    return y + 260;
}

int Render(Sheet& s) {
    int y = 0;
    y = SceneMockup(s, y);
    y = BodySection(s, y);
    y = SwordSection(s, y);
    y = EnemySection(s, y);
    y = EffectSection(s, y);
    y = StageSection(s, y);
    y = TitleSection(s, y);
    y = FontSection(s, y);
    return y;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s DATA_DIR OUT.png\n", argv[0]);
        return 2;
    }
    if (IMG_Init(IMG_INIT_PNG) == 0) {
        std::fprintf(stderr, "IMG_Init: %s\n", IMG_GetError());
        return 1;
    }
    try {
        // First pass measures the height; the second draws onto a sheet of that size.
        int height = 0;
        {
            Sheet probe(argv[1], 16);
            height = Render(probe);
        }
        Sheet sheet(argv[1], height);
        sheet.Fill(0, 0, SheetW, height, 0x2b, 0x2d, 0x3a);
        Render(sheet);
        sheet.Save(argv[2]);
        std::printf("%s: %d x %d\n", argv[2], SheetW, height);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "contact sheet: %s\n", e.what());
        IMG_Quit();
        return 1;
    }
    IMG_Quit();
    return 0;
}
