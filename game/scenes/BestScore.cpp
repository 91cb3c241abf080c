#include "scenes/BestScore.h"

#include <cinttypes>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "runtime/RtString.h"
#include "runtime/RuntimeTable.h"
#include "stage/ScoreBoard.h"

namespace keldo {

namespace {

constexpr char16_t kSaveName[] = u"best";
// The score as 8 bytes, least significant first.
constexpr size_t kScoreBytes = 8;
// Each attempt that fails is one more game that saved in between: a few are plenty.
constexpr int kSaveAttempts = 8;

}  // namespace

int64_t LoadBestScore() {
    const RtStr name(kSaveName);
    TvBytes* data = Rt().LoadSaveData(name.Get());
    if (data == nullptr) {
        return 0;
    }
    uint64_t bits = 0;
    if (data->Len == static_cast<int64_t>(kScoreBytes)) {
        for (size_t i = 0; i < kScoreBytes; ++i) {
            bits |= static_cast<uint64_t>(data->Data[i]) << (8 * i);
        }
    }
    Rt().FreeMem(data);
    // More than the score line can show is more than a game can reach: not a score of ours,
    // and it would keep every real one from counting. The next best replaces it.
    if (bits > static_cast<uint64_t>(ScoreBoard::kMaxScore)) {
        std::fprintf(stderr,
                     "keldo: warning: the saved best score is more than the game can reach; "
                     "starting from 0 (%" PRIu64 ")\n",
                     bits);
        std::fflush(stderr);
        return 0;
    }
    return static_cast<int64_t>(bits);
}

int64_t SaveBestScore(int64_t score) {
    const RtStr name(kSaveName);
    uint8_t bytes[kScoreBytes];
    for (size_t i = 0; i < kScoreBytes; ++i) {
        bytes[i] = static_cast<uint8_t>(static_cast<uint64_t>(score) >> (8 * i));
    }
    TvBytes* data =
        TvMakeBytes(Rt().AllocMem(TvBytesSize(kScoreBytes), nullptr), bytes, kScoreBytes);
    // The library saves only over what this run has seen: when another game has saved in
    // between, its score is read again, and this one is kept only if it is still the higher.
    // A score read again unchanged means the save failed for another reason (said already).
    int64_t best = score;
    int64_t seen = -1;
    for (int attempt = 0; attempt < kSaveAttempts && !Rt().SaveSaveData(name.Get(), data);
         ++attempt) {
        const int64_t saved = LoadBestScore();
        if (saved >= score) {
            best = saved;
            break;
        }
        if (saved == seen) {
            break;
        }
        seen = saved;
    }
    Rt().FreeMem(data);
    return best;
}

}  // namespace keldo
