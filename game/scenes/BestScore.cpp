#include "scenes/BestScore.h"

#include <cstddef>
#include <cstring>

#include "runtime/RtString.h"
#include "runtime/RuntimeTable.h"

namespace keldo {

namespace {

constexpr char16_t kSaveName[] = u"best";
// The score as 8 bytes, least significant first.
constexpr size_t kScoreBytes = 8;

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
    const auto score = static_cast<int64_t>(bits);
    return score > 0 ? score : 0;
}

void SaveBestScore(int64_t score) {
    const RtStr name(kSaveName);
    auto* data = static_cast<TvBytes*>(
        Rt().AllocMem(static_cast<int64_t>(sizeof(TvBytes) + kScoreBytes), nullptr));
    data->RefCnt = 1;
    data->Len = static_cast<int64_t>(kScoreBytes);
    for (size_t i = 0; i < kScoreBytes; ++i) {
        data->Data[i] = static_cast<uint8_t>(static_cast<uint64_t>(score) >> (8 * i));
    }
    Rt().SaveSaveData(name.Get(), data);
    Rt().FreeMem(data);
}

}  // namespace keldo
