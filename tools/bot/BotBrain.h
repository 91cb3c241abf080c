// What keldo-bot and keldo-endurance share: reading one frame of the trace into a View,
// and the fighting moves that close in on the nearest rock and cut it.
#pragma once

#include <cmath>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace keldo::bot {

struct Sprite {
    double X = 0.0;  // centre on the screen
    double Y = 0.0;
    double SrcY = 0.0;
};

// What one frame of the trace showed.
struct View {
    std::optional<Sprite> Hero;
    std::vector<Sprite> Rocks;  // rocks that can be hit (walking or standing)
    std::optional<double> HoleX;
    bool Title = false;
    bool Clear = false;
    bool Retry = false;
    int Hits = 0;                        // cut sounds
    std::map<double, char> ScoreLine;    // glyphs of the score line, by x
    std::map<double, char> HiScoreLine;  // glyphs of the high-score line, by x
};

inline std::string Text(const std::map<double, char>& glyphs) {
    std::string out;
    for (const auto& [x, c] : glyphs) out.push_back(c);
    return out;
}

inline std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream in(line);
    std::string f;
    while (in >> f) out.push_back(f);
    return out;
}

inline void Look(const std::string& line, View& view) {
    const auto f = Fields(line);
    if (f.size() < 2) return;
    if (f[0] == "draw_rot" && f.size() >= 10) {
        Sprite s;
        s.SrcY = std::stod(f[3]);
        s.X = std::stod(f[6]) + std::stod(f[8]) / 2.0;
        s.Y = std::stod(f[7]) + std::stod(f[9]) / 2.0;
        if (f[1] == "velquint256.vstex") {
            view.Hero = s;
        } else if (f[1] == "rock_enemy.vstex" && s.SrcY != 0.0) {
            view.Rocks.push_back(s);
        } else if (f[1] == "generate_hole.vstex") {
            view.HoleX = s.X;
        }
    } else if (f[0] == "draw" && f.size() >= 10) {
        if (f[1] == "title.vstex") view.Title = true;
        if (f[1] == "font_128_64.vstex" && f[8] == "30") {
            const int code = 32 + std::stoi(f[3]) / 128 * 16 + std::stoi(f[2]) / 64;
            if (f[7] == "90") view.ScoreLine[std::stod(f[6])] = static_cast<char>(code);
            if (f[7] == "30") view.HiScoreLine[std::stod(f[6])] = static_cast<char>(code);
        }
        // Big glyphs at y 300: "Clear!" in 100-wide cells, "Retry?" in 75-wide ones.
        if (f[1] == "font_128_64.vstex" && f[7] == "300") {
            if (f[8] == "100") view.Clear = true;
            if (f[8] == "75") view.Retry = true;
        }
    } else if (f[0] == "play" && f[1] == "tm2_slash003.ogg") {
        ++view.Hits;
    }
}

enum Button { kSpace = 0, kAttack = 2, kLeft = 12, kRight = 13, kUp = 14, kDown = 15 };

// Chases the nearest rock across the lines and cuts it, hopping back when too close;
// with no rock about, waits beside the hole they come from.
class Fighter {
public:
    // The buttons to hold in the next frame.
    std::set<int> Decide(const View& v, long frame) {
        std::set<int> down;
        if (v.Hero) Hero = *v.Hero;
        if (!Hero) return down;
        const bool grounded = std::fmod(Hero->Y, 100.0) == 0.0;
        const bool facingRight = Hero->SrcY == 0.0 || Hero->SrcY == 512.0;

        // The nearest rock, weighing other lines as farther away.
        const Sprite* target = nullptr;
        double best = 1e18;
        for (const auto& r : v.Rocks) {
            const double cost = std::fabs(r.X - Hero->X) + 4.0 * std::fabs(r.Y - Hero->Y);
            if (cost < best) {
                best = cost;
                target = &r;
            }
        }
        const bool tap = frame % 2 == 0;
        if (target == nullptr) {
            // Wait beside the hole the rocks come from.
            if (v.HoleX) {
                const double want = *v.HoleX - 250.0;
                if (Hero->X < want - 60.0) down.insert(kRight);
                if (Hero->X > want + 60.0) down.insert(kLeft);
            } else {
                down.insert(kRight);
            }
            return down;
        }
        const double dx = target->X - Hero->X;
        const double dy = target->Y - Hero->Y;
        if (std::fabs(dy) >= 50.0) {
            if (grounded && tap) down.insert(dy < 0 ? kUp : kDown);
            return down;
        }
        const bool wantRight = dx > 0;
        if (wantRight != facingRight) {
            if (tap) down.insert(wantRight ? kRight : kLeft);
            return down;
        }
        const double dist = std::fabs(dx);
        if (dist > 230.0) {
            down.insert(wantRight ? kRight : kLeft);
            return down;
        }
        if (dist < 90.0 && grounded) {
            if (tap) down.insert(kSpace);  // too close for the blade: hop back
            return down;
        }
        if (tap) down.insert(kAttack);  // attack, and chain while the blade bites
        return down;
    }

    std::optional<Sprite> Hero;  // where the hero was last seen
};

}  // namespace keldo::bot
