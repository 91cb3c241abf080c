// Asks the adapter behind SDL's accelerated renderer, on this display, whether it draws on the
// CPU, as the library does when it chooses its renderer. Prints the renderer and the answer;
// exits 0 for a CPU rasteriser, 1 for hardware, 2 when there is no accelerated renderer.
#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <cstdio>

#include "platform/Adapter.h"

int main() {
    SDL_SetMainReady();
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::printf("no display: %s\n", SDL_GetError());
        return 2;
    }
    SDL_Window* window = SDL_CreateWindow("adapter check", 0, 0, 320, 180, SDL_WINDOW_HIDDEN);
    SDL_Renderer* renderer =
        window == nullptr ? nullptr : SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED);
    if (renderer == nullptr) {
        std::printf("no accelerated renderer: %s\n", SDL_GetError());
        return 2;
    }
    SDL_RendererInfo info{};
    SDL_GetRendererInfo(renderer, &info);
    const bool cpu = tolvex::AdapterDrawsOnCpu(renderer);
    std::printf("renderer %s: %s\n", info.name, cpu ? "draws on the CPU" : "draws on hardware");
    SDL_DestroyRenderer(renderer);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return cpu ? 0 : 1;
}
