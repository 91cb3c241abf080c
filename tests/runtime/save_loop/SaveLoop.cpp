// tolvex-save-loop LIBRARY: opens the library headless and saves under "best" for ever, a
// payload of 1 to 200 bytes that all hold the same value, different on every round. Prints
// one line once it is about to start, so that whoever kills it knows saving is under way.
// Gives up after half a minute, so that one left behind by a broken test does not run on.
#include <dlfcn.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "BoundRuntime.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tolvex-save-loop LIBRARY\n");
        return 2;
    }
    void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    tvtools::Entries e;
    if (library == nullptr || tvtools::BindEntries(library, e) != nullptr) {
        std::fprintf(stderr, "tolvex-save-loop: cannot load %s\n", argv[1]);
        return 2;
    }
    uint64_t cell = 0;
    TvStr* title = tvtools::MakeStr(e, "save loop");
    const TvInitParams params{TV_INIT_STAMP,
                              1,
                              0,
                              0,
                              reinterpret_cast<uint64_t>(&cell),
                              reinterpret_cast<uint64_t>(title)};
    e.Init(&params);
    TvStr* name = tvtools::MakeStr(e, "best");
    std::vector<uint8_t> block(sizeof(TvBytes) + 200);
    auto* data = reinterpret_cast<TvBytes*>(block.data());
    std::printf("saving\n");
    std::fflush(stdout);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (uint64_t round = 1; std::chrono::steady_clock::now() < end; ++round) {
        data->RefCnt = 1;
        data->Len = static_cast<int64_t>(1 + round % 200);
        for (int64_t i = 0; i < data->Len; ++i) {
            data->Data[i] = static_cast<uint8_t>(round);
        }
        if (!e.SaveSaveData(name, data)) {
            return 1;
        }
    }
    return 0;
}
