// How much the library adds to drawing: one frame of rotated sprites drawn through
// DrawTexRot and Act, and the same frame drawn with SDL directly, on the same 1600 x 900
// software renderer with the same picture. Prints the ratio of the two at the end. Every other
// frame the scene lies one pixel further right, on both sides: the library draws a frame that
// repeats the last one not at all, which would leave nothing to compare.
#include <SDL.h>
#include <SDL_image.h>
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <unistd.h>
#include <xmmintrin.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "BoundRuntime.h"
#include "Tolvex.h"

namespace {

namespace fs = std::filesystem;

constexpr int kW = 1600;
constexpr int kH = 900;
constexpr int kSprites = 300;
constexpr int kPicture = 64;
constexpr const char* kPictureName = "sprite.vstex";

struct Sprite {
    double X, Y, W, H, Angle, Alpha;
    bool Mirrored;
};

// The same scene for both sides, from a fixed generator.
std::vector<Sprite> MakeScene() {
    std::vector<Sprite> scene;
    uint64_t state = 0x9E3779B97F4A7C15ULL;
    auto next = [&] {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(state >> 11) / 9007199254740992.0;
    };
    for (int i = 0; i < kSprites; ++i) {
        const double size = 32 + next() * 96;
        scene.push_back({next() * (kW - size), next() * (kH - size), size, size,
                         next() * 6.283185307179586, 0.5 + next() * 0.5, next() < 0.5});
    }
    return scene;
}

const std::vector<Sprite>& Scene() {
    static const std::vector<Sprite> scene = MakeScene();
    return scene;
}

struct Library : tvtools::Entries {
    void* Handle = nullptr;
    fs::path Data;
};

void WritePicture(const fs::path& path) {
    SDL_Surface* s =
        SDL_CreateRGBSurfaceWithFormat(0, kPicture, kPicture, 32, SDL_PIXELFORMAT_RGBA32);
    for (int y = 0; y < kPicture; ++y) {
        auto* row = static_cast<uint8_t*>(s->pixels) + y * s->pitch;
        for (int x = 0; x < kPicture; ++x) {
            const double dx = x - kPicture / 2.0;
            const double dy = y - kPicture / 2.0;
            const bool inside = dx * dx + dy * dy < kPicture * kPicture / 4.0;
            row[x * 4 + 0] = static_cast<uint8_t>(x * 4);
            row[x * 4 + 1] = static_cast<uint8_t>(y * 4);
            row[x * 4 + 2] = 160;
            row[x * 4 + 3] = inside ? 255 : 0;
        }
    }
    IMG_SavePNG(s, path.c_str());
    SDL_FreeSurface(s);
}

// A private copy of the library with the sprite next to it, where the library looks.
Library& Lib() {
    static Library* lib = [] {
        auto* l = new Library;
        const fs::path root =
            fs::temp_directory_path() / ("tolvex-bench-" + std::to_string(getpid()));
        l->Data = root / "Data";
        fs::create_directories(l->Data);
        fs::copy_file(TOLVEX_LIBRARY_PATH, l->Data / "Tolvex.vsd",
                      fs::copy_options::overwrite_existing);
        WritePicture(l->Data / kPictureName);
        l->Handle = tvtools::OpenLibrary(l->Data / "Tolvex.vsd", *l);
        std::atexit([] { fs::remove_all(Lib().Data.parent_path()); });
        return l;
    }();
    return *lib;
}

void BM_Library(benchmark::State& state) {
    Library& L = Lib();
    setenv("TOLVEX_HEADLESS", "1", 1);
    TvStr* title = tvtools::MakeStr(L, "bench");
    TvStr* name = tvtools::MakeStr(L, kPictureName);
    uint64_t cell = 0;
    const TvInitParams params = tvtools::StartRecord(&cell, title);
    const unsigned saved = _mm_getcsr();
    _mm_setcsr(TV_GAME_FP_MODE);  // as the game calls
    L.Init(&params);
    const TvType type{"Tex"};
    TvTex* tex = L.LoadTex(&type, name);
    const auto& scene = Scene();
    int frame = 0;
    for (auto _ : state) {
        const double shift = frame++ % 2;
        for (const Sprite& s : scene) {
            L.DrawTexRot(tex, s.Mirrored ? kPicture : 0, 0, s.Mirrored ? -kPicture : kPicture,
                         kPicture, s.X + shift, s.Y, s.W, s.H, s.W / 2, s.H / 2, s.Angle, 1, 1, 1,
                         s.Alpha);
        }
        L.Act();
    }
    L.FreeMem(tex);
    L.Free();
    _mm_setcsr(saved);
    L.FreeMem(title);
    L.FreeMem(name);
}

void BM_DirectSdl(benchmark::State& state) {
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
    SDL_Surface* canvas = SDL_CreateRGBSurfaceWithFormat(0, kW, kH, 32, SDL_PIXELFORMAT_ARGB8888);
    SDL_Renderer* renderer = SDL_CreateSoftwareRenderer(canvas);
    SDL_Surface* picture = IMG_Load((Lib().Data / kPictureName).c_str());
    SDL_Texture* tex = SDL_CreateTextureFromSurface(renderer, picture);
    SDL_FreeSurface(picture);
    SDL_SetTextureBlendMode(tex, SDL_BLENDMODE_BLEND);
    const auto& scene = Scene();
    int frame = 0;
    for (auto _ : state) {
        const double shift = frame++ % 2;
        for (const Sprite& s : scene) {
            SDL_SetTextureColorMod(tex, 255, 255, 255);
            SDL_SetTextureAlphaMod(tex, static_cast<Uint8>(s.Alpha * 255 + 0.5));
            const SDL_Rect src{0, 0, kPicture, kPicture};
            const SDL_FRect dst{static_cast<float>(s.X + shift), static_cast<float>(s.Y),
                                static_cast<float>(s.W), static_cast<float>(s.H)};
            const SDL_FPoint centre{static_cast<float>(s.W / 2), static_cast<float>(s.H / 2)};
            SDL_RenderCopyExF(renderer, tex, &src, &dst, s.Angle * (180.0 / M_PI), &centre,
                              s.Mirrored ? SDL_FLIP_HORIZONTAL : SDL_FLIP_NONE);
        }
        SDL_RenderFlush(renderer);
        SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
        SDL_RenderClear(renderer);
    }
    SDL_DestroyTexture(tex);
    SDL_DestroyRenderer(renderer);
    SDL_FreeSurface(canvas);
}

BENCHMARK(BM_Library)->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(BM_DirectSdl)->Unit(benchmark::kMillisecond)->Repetitions(3);

// Keeps the best time of each benchmark for the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration) {
                continue;
            }
            const std::string name = run.run_name.function_name;
            const double t = run.GetAdjustedRealTime();
            if (Best.count(name) == 0 || t < Best[name]) {
                Best[name] = t;
            }
            const double cpu = run.GetAdjustedCPUTime();
            if (BestCpu.count(name) == 0 || cpu < BestCpu[name]) {
                BestCpu[name] = cpu;
            }
        }
    }
    std::map<std::string, double> Best;
    std::map<std::string, double> BestCpu;  // steadier than wall time on a busy machine
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    if (reporter.Best.count("BM_Library") != 0 && reporter.Best.count("BM_DirectSdl") != 0) {
        const double ratio = reporter.Best["BM_Library"] / reporter.Best["BM_DirectSdl"];
        const double cpuRatio = reporter.BestCpu["BM_Library"] / reporter.BestCpu["BM_DirectSdl"];
        std::printf(
            "library / direct SDL: %.3f in wall time, %.3f in CPU time (target at most 1.0)\n",
            ratio, cpuRatio);
    }
    return 0;
}
