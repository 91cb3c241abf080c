// The slot row that both kinds of animation share: what each placing and each add says, and
// which slots end up holding which IDs. The two users' own tests keep only what is theirs.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "motion/AnimeSlots.h"
#include "support/FakeRuntime.h"

namespace keldo {
namespace {

using Messages = std::vector<std::string>;

struct Slot {
    int64_t Id = -1;
    int64_t Filled = 0;
};

// One step of a row's life: place an ID, or find the slot that an add of that ID goes to.
struct Step {
    enum Kind { kPlace, kFill } What;
    int64_t Id;
};

struct SlotCase {
    const char* Name;
    int64_t AnimeNum;
    std::vector<Step> Steps;
    Messages Said;
    std::vector<int64_t> Ids;     // the row afterwards
    std::vector<int64_t> Filled;  // adds each slot took: an ID's adds go to its first slot
};

void PrintTo(const SlotCase& c, std::ostream* os) { *os << c.Name; }

class AnimeSlots : public testing::TestWithParam<SlotCase> {};

TEST_P(AnimeSlots, SayWhatEachPlacingAndAddMeets) {
    const SlotCase& c = GetParam();
    test::FakeRuntime rt;
    std::vector<Slot> slots(static_cast<size_t>(std::max<int64_t>(c.AnimeNum, 0)));
    for (const Step& step : c.Steps) {
        if (step.What == Step::kPlace) {
            anime::Place(slots, c.AnimeNum, step.Id, [](Slot& slot) { slot.Filled = 0; });
        } else if (Slot* slot = anime::SlotToFill(slots, c.AnimeNum, step.Id)) {
            ++slot->Filled;
        }
    }
    EXPECT_EQ(rt.Messages, c.Said);
    std::vector<int64_t> ids;
    std::vector<int64_t> filled;
    for (const Slot& slot : slots) {
        ids.push_back(slot.Id);
        filled.push_back(slot.Filled);
    }
    EXPECT_EQ(ids, c.Ids);
    EXPECT_EQ(filled, c.Filled);
}

constexpr Step::Kind kPlace = Step::kPlace;
constexpr Step::Kind kFill = Step::kFill;

INSTANTIATE_TEST_SUITE_P(
    Rows, AnimeSlots,
    testing::Values(SlotCase{"FillInOrderUntilFull",
                             2,
                             {{kPlace, 100}, {kPlace, 110}, {kPlace, 120}},
                             {"Set Anime.100", "Set Anime.110", "err01:No Free Anime Slot. ID:120"},
                             {100, 110},
                             {0, 0}},
                    SlotCase{
                        "ADuplicateIsReportedAndStillTakesTheNextFreeSlot",
                        3,
                        {{kPlace, 100}, {kPlace, 100}, {kFill, 100}, {kFill, 100}},
                        {"Set Anime.100", "err00:AnimeID Already Exists. ID:100", "Set Anime.100"},
                        {100, 100, -1},
                        {2, 0, 0}},
                    SlotCase{"ADuplicateInAFullRowIsReportedTwice",
                             2,
                             {{kPlace, 100}, {kPlace, 100}, {kPlace, 300}},
                             {"Set Anime.100", "err00:AnimeID Already Exists. ID:100",
                              "Set Anime.100", "err01:No Free Anime Slot. ID:300"},
                             {100, 100},
                             {0, 0}},
                    SlotCase{"NoSlotsRefusePlacingAndAdding",
                             0,
                             {{kPlace, 100}, {kFill, 100}},
                             {"err02:No Anime Slots.", "err04:No Anime Slots."},
                             {},
                             {}},
                    SlotCase{"AnAddForAnUnknownIdFindsNothing",
                             3,
                             {{kPlace, 100}, {kFill, 555}, {kFill, 100}},
                             {"Set Anime.100", "err03:AnimeID Not Found."},
                             {100, -1, -1},
                             {1, 0, 0}}),
    [](const testing::TestParamInfo<SlotCase>& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace keldo
