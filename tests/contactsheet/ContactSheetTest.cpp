#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "SheetLayout.h"
#include "support/FakeRuntime.h"

namespace {

using keldo::Player;
using keldo::test::FakeRuntime;

// A cut of a picture: file and source rectangle.
using Cut = std::tuple<std::string, double, double, double, double>;

std::set<Cut> CutsOn(const sheet::Layout& layout, const std::string& tex) {
    std::set<Cut> cuts;
    for (const sheet::Op& op : layout.Ops) {
        if (op.What == sheet::Op::Kind::Picture && op.Draw.Tex == tex) {
            const auto& a = op.Draw.Args;
            cuts.emplace(tex, a[0], a[1], a[2], a[3]);
        }
    }
    return cuts;
}

std::vector<std::vector<double>> DrawsOf(const sheet::Layout& layout, const std::string& tex) {
    std::vector<std::vector<double>> draws;
    for (const sheet::Op& op : layout.Ops) {
        if (op.What == sheet::Op::Kind::Picture && op.Draw.Tex == tex) {
            draws.push_back(op.Draw.Args);
        }
    }
    return draws;
}

class ContactSheet : public testing::Test {
protected:
    void SetUp() override { Cast.Load(); }
    FakeRuntime Rt;
    sheet::Cast Cast;
};

// The sheet has no tables of its own: an entry changed in what the game loaded shows up
// on the sheet, for each kind of animation it lays out.
TEST_F(ContactSheet, ShowsAChangedEntryOfTheGamesTables) {
    using Args = std::vector<double>;
    const auto cutAt = [](double x, double y) {
        return [=](const Args& a) { return a[0] == x && a[1] == y; };
    };
    struct Case {
        const char* What;
        std::string Tex;
        std::function<void(sheet::Cast&)> Change;
        std::function<bool(const Args&)> Shows;  // marks a draw of the changed entry
    };
    const std::vector<Case> cases = {
        {"a cell of the hero's stand", "velquint256.vstex",
         [](sheet::Cast& c) {
             keldo::AnimeSprite& s = c.Hero.GetBodySprite();
             s.Init(1, 0.0, 0.0, 1600.0, 900.0);
             s.AddAnime(100, true, 1);
             s.AddAnimeFrame(100, 768.0, 0.0, 256.0, 256.0, 0.0, 300);
         },
         cutAt(768.0, 0.0)},
        {"a key pose of the first swing", "sword_512_128.vstex",
         [](sheet::Cast& c) {
             keldo::TexAnimeSet& s = c.Hero.GetSwordSet();
             s.Init(1);
             s.AddAnime(110, false);
             s.AddKeyFrame(110, -25.0, -10.0, 12.5, 12.5, 1.25, true, 1);
             s.AddKeyFrame(110, 0.0, -10.0, 12.5, 12.5, 1.25, true, 37);
         },
         [](const Args& a) { return a[10] == 1.25; }},
        {"a cell of the rock's walk", "rock_enemy.vstex",
         [](sheet::Cast& c) {
             keldo::AnimeSprite& s = c.Rocks.GetSprite();
             s.Init(1, 0.0, 0.0, 1600.0, 900.0);
             s.AddAnime(200, true, 1);
             s.AddAnimeFrame(200, 512.0, 512.0, 256.0, 256.0, 0.0, 15);
         },
         cutAt(512.0, 512.0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        sheet::Cast cast;
        cast.Load();
        const auto before = DrawsOf(sheet::LayOut(cast), c.Tex);
        ASSERT_FALSE(before.empty());
        ASSERT_TRUE(std::none_of(before.begin(), before.end(), c.Shows));
        c.Change(cast);
        const auto after = DrawsOf(sheet::LayOut(cast), c.Tex);
        EXPECT_TRUE(std::any_of(after.begin(), after.end(), c.Shows));
    }
}

// Every cut of the hero's body that play draws (standing, walking, running, in the air,
// either way, at every moment of the loops) is on the sheet.
TEST_F(ContactSheet, HasEveryBodyCellThePlayerDrawsInPlay) {
    const std::set<Cut> onSheet = CutsOn(sheet::LayOut(Cast), "velquint256.vstex");
    Player& hero = Cast.Hero;
    std::set<Cut> inPlay;
    for (const int64_t facing : {Player::kFaceRight, Player::kFaceLeft}) {
        for (const int64_t state : {Player::kStand, Player::kWalk, Player::kRun}) {
            for (const bool ground : {true, false}) {
                for (int64_t t = 0; t < 120; ++t) {
                    hero.Init();
                    hero.SetFacing(facing);
                    hero.SetState(state);
                    hero.SetOnGround(ground);
                    hero.SetStateTime(t);
                    Rt.Draws.clear();
                    hero.DrawLine(hero.GetX() - 800, hero.GetY() - 450, hero.GetLineY());
                    for (const auto& d : Rt.Draws) {
                        if (d.Tex == "velquint256.vstex") {
                            inPlay.emplace(d.Tex, d.Args[0], d.Args[1], d.Args[2], d.Args[3]);
                        }
                    }
                }
            }
        }
    }
    ASSERT_FALSE(inPlay.empty());
    for (const Cut& c : inPlay) {
        EXPECT_EQ(onSheet.count(c), 1u) << std::get<1>(c) << "," << std::get<2>(c);
    }
}

}  // namespace
