#include "RuntimeLib.h"

#include <SDL.h>
#include <SDL_image.h>
#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace rt {

namespace fs = std::filesystem;

namespace {

// The player's folders too: a test must never read or write the real ones.
constexpr const char* kVariables[] = {
    "TOLVEX_HEADLESS", "TOLVEX_PACE",  "TOLVEX_RENDERER", "TOLVEX_SEED",      "TOLVEX_FRAMES",
    "TOLVEX_INPUT",    "TOLVEX_TRACE", "TOLVEX_SHOT",     "TOLVEX_AUDIO_OUT", "TOLVEX_SAVE_DIR",
    "TOLVEX_RECORD",   "TOLVEX_SKIP",  "XDG_DATA_HOME",   "XDG_CONFIG_HOME",  "XDG_PICTURES_DIR"};

void ClearVariables() {
    for (const char* name : kVariables) {
        unsetenv(name);
    }
}

Library* LoadLibrary() {
    auto* lib = new Library;
    lib->Root = fs::temp_directory_path() / ("tolvex-runtime-" + std::to_string(getpid()));
    lib->Data = lib->Root / "Data";
    fs::remove_all(lib->Root);
    fs::create_directories(lib->Data);
    // A copy, not a link: the loader would find the original's folder through a link.
    fs::copy_file(TOLVEX_LIBRARY_PATH, lib->Data / "Tolvex.vsd");
    lib->Handle = dlopen((lib->Data / "Tolvex.vsd").c_str(), RTLD_NOW | RTLD_LOCAL);
    if (lib->Handle == nullptr) {
        throw std::runtime_error(dlerror());
    }
    const char* missing =
        TvBindEntries(*lib, [lib](const char* name) { return dlsym(lib->Handle, name); });
    if (missing != nullptr) {
        throw std::runtime_error(std::string("missing entry ") + missing);
    }
    std::atexit([] { fs::remove_all(Lib().Root); });
    return lib;
}

}  // namespace

Library& Lib() {
    static Library* lib = LoadLibrary();
    return *lib;
}

StrPtr MakeStr(std::string_view ascii) {
    return StrPtr(TvMakeStr(std::malloc(TvStrSize(ascii.size())), ascii));
}

void WritePicture(const std::string& name, int w, int h, const std::function<Rgba(int, int)>& at) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_RGBA32);
    ASSERT_NE(s, nullptr);
    for (int y = 0; y < h; ++y) {
        auto* row = static_cast<uint8_t*>(s->pixels) + y * s->pitch;
        for (int x = 0; x < w; ++x) {
            const Rgba c = at(x, y);
            row[x * 4 + 0] = c.R;
            row[x * 4 + 1] = c.G;
            row[x * 4 + 2] = c.B;
            row[x * 4 + 3] = c.A;
        }
    }
    ASSERT_EQ(IMG_SavePNG(s, (Lib().Data / name).c_str()), 0);
    SDL_FreeSurface(s);
}

void WriteFile(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

namespace {
void PutLe(std::string& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
}
}  // namespace

void WriteTone(const std::string& name, int level, size_t samples) {
    const auto dataBytes = static_cast<uint32_t>(samples * 4);
    std::string wav = "RIFF";
    PutLe(wav, 36 + dataBytes, 4);
    wav += "WAVEfmt ";
    for (uint32_t v : {16u, 1u | (2u << 16), 44100u, 44100u * 4, 4u | (16u << 16)}) {
        PutLe(wav, v, 4);
    }
    wav += "data";
    PutLe(wav, dataBytes, 4);
    for (size_t i = 0; i < samples; ++i) {
        const auto v = static_cast<uint16_t>((i / 50) % 2 == 0 ? level : -level);
        PutLe(wav, v, 2);
        PutLe(wav, v, 2);
    }
    WriteFile(Lib().Data / name, wav);
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

Rgba Picture::At(int x, int y) const {
    const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(W) + static_cast<size_t>(x)) * 3;
    return {Rgb[i], Rgb[i + 1], Rgb[i + 2], 255};
}

Picture ReadPicture(const fs::path& path) {
    Picture p;
    SDL_Surface* loaded = IMG_Load(path.c_str());
    if (loaded == nullptr) {
        ADD_FAILURE() << "cannot read " << path << ": " << IMG_GetError();
        return p;
    }
    SDL_Surface* rgb = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB24, 0);
    SDL_FreeSurface(loaded);
    p.W = rgb->w;
    p.H = rgb->h;
    p.Rgb.resize(static_cast<size_t>(p.W * p.H * 3));
    for (int y = 0; y < p.H; ++y) {
        std::memcpy(p.Rgb.data() + static_cast<size_t>(y * p.W * 3),
                    static_cast<uint8_t*>(rgb->pixels) + y * rgb->pitch,
                    static_cast<size_t>(p.W * 3));
    }
    SDL_FreeSurface(rgb);
    return p;
}

Env::Env(std::initializer_list<std::pair<const char*, std::string>> vars) {
    ClearVariables();
    for (const auto& [name, value] : vars) {
        setenv(name, value.c_str(), 1);
    }
}

Env::~Env() { ClearVariables(); }

namespace {

TvInitParams Params(const TvStr* title, const TvStr* icon, uint64_t* cell) {
    return TvInitParams{TV_INIT_STAMP,
                        1,
                        0,
                        reinterpret_cast<uint64_t>(icon),
                        reinterpret_cast<uint64_t>(cell),
                        reinterpret_cast<uint64_t>(title)};
}

}  // namespace

Session::Session(const std::string& icon)
    : Title(MakeStr("test")), Icon(icon.empty() ? nullptr : MakeStr(icon)) {
    const TvInitParams params = Params(Title.get(), Icon.get(), &ExceptionCell);
    Lib().Init(&params);
}

Session::~Session() { Lib().Free(); }

TvError InitError(const std::string& icon) {
    StrPtr title = MakeStr("test");
    StrPtr iconName = icon.empty() ? nullptr : MakeStr(icon);
    uint64_t cell = 0;
    const TvInitParams params = Params(title.get(), iconName.get(), &cell);
    TvError error = Caught([&] { Lib().Init(&params); });
    Lib().Free();
    return error;
}

TvTex* LoadTex(const std::string& name) {
    static const TvType type{"Tex"};
    StrPtr s = MakeStr(name);
    return Lib().LoadTex(&type, s.get());
}

TvSnd* LoadSnd(const std::string& name) {
    static const TvType type{"Snd"};
    StrPtr s = MakeStr(name);
    return Lib().LoadSnd(&type, s.get());
}

TvError Caught(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const TvError& e) {
        return e;
    }
    return TvError{};
}

fs::path Scratch(const std::string& name) {
    const fs::path dir = Lib().Root / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

}  // namespace rt
