// Sound effects on SDL_mixer. Without a device (or headless) the mixer runs on SDL's
// silent driver, so that every sound is still decoded and a broken file fails the same way.
#include <SDL_mixer.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <map>
#include <vector>

#include "core/Errors.h"
#include "core/FpEnv.h"
#include "core/Handles.h"
#include "core/Runtime.h"
#include "core/Screen.h"
#include "files/DataFile.h"
#include "files/LoadName.h"
#include "platform/Platform.h"
#include "sound/SoundCheck.h"

namespace tolvex {
struct SndEntry;
}  // namespace tolvex

// What LoadSnd hands out; the decoded sound stays in the cache. Volume and pan belong to
// the handle, so two handles of one file can sound different.
struct TvSnd {
    uint64_t Magic;
    uint64_t Generation;
    tolvex::SndEntry* Entry;
    uint64_t Id;
    double Volume;
    double Pan;
};

namespace tolvex {

struct SndEntry {
    std::string Name;
    Mix_Chunk* Chunk = nullptr;
};

namespace {

constexpr uint64_t kSndMagic = 0x444E535856544C54ULL;
// Enough that quick repeats of one effect layer instead of cutting each other off.
constexpr int kChannels = 32;
constexpr int kMaxChannels = 256;
constexpr int kDeviceChunkFrames = 1024;
constexpr int kSilentChunkFrames = 256;
constexpr SDL_AudioDeviceID kMaxDeviceIds = 64;
// Far beyond any sound of ours (the longest is a third of a second): a sound file, and the
// time it may play for (it is held decoded: 10 MB a minute).
constexpr uint64_t kMaxSoundBytes = uint64_t{16} << 20;
constexpr double kMaxSoundSeconds = 300;

struct ChannelUse {
    uint64_t Owner = 0;
    Uint32 StartTicks = 0;
};

struct Sounds {
    bool Open = false;
    std::map<std::string, std::unique_ptr<SndEntry>> Cache;
    std::vector<ChannelUse> Channels;
    uint64_t NextId = 1;
    double MasterVolume = 1.0;
    // The player's own level from the pause menu, over whatever the game sets.
    double PlayerVolume = 1.0;
    bool Muted = false;
    // Sounds still to be decoded ahead, between frames, in the order the game needs them.
    std::vector<std::string> Ahead;
    int Frequency = 0;
    int OutChannels = 0;
    int SampleBytes = 0;
    bool WantDevice = false;
    // The device is wanted but waits for the player (SoundWaitsForPlayer): silent until then.
    bool DeviceHeld = false;
    SDL_AudioDeviceID Device = 0;
};
Sounds gSounds;

void ApplyMasterVolume() {
    const double level = gSounds.Muted ? 0.0 : gSounds.MasterVolume * gSounds.PlayerVolume;
    Mix_MasterVolume(static_cast<int>(std::lround(level * MIX_MAX_VOLUME)));
}

bool TryOpenMixer(int chunkFrames) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return false;
    }
    // No format changes allowed: SDL converts for the device instead, so the decoded sounds
    // stay valid on whatever device replaces a lost one, and the captured sound keeps its
    // format.
    if (Mix_OpenAudioDevice(MIX_DEFAULT_FREQUENCY, MIX_DEFAULT_FORMAT, 2, chunkFrames, nullptr,
                            0) != 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    return true;
}

// The mixer does not say which device it opened. It is the only one this library opens,
// and it is playing from the moment it is open.
SDL_AudioDeviceID FindMixerDevice() {
    for (SDL_AudioDeviceID id = 1; id <= kMaxDeviceIds; ++id) {
        if (SDL_GetAudioDeviceStatus(id) == SDL_AUDIO_PLAYING) {
            return id;
        }
    }
    return 0;
}

// The sound system's own libraries tell standard error about every device they try and miss;
// a missing device is no failure here (the silent one takes over), so they are not heard.
bool TryOpenDevice() {
    return WithoutStderr([] { return TryOpenMixer(kDeviceChunkFrames); });
}

// The device when `device` and there is one, else SDL's silent driver. Loaded sounds keep
// working across a close and a reopen; what was playing is cut.
void OpenMixer(bool device) {
    bool open = device && TryOpenDevice();
    if (!open) {
        // Whatever SDL_AUDIODRIVER names. The silent device's thread sleeps a whole buffer at
        // a time, and closing it waits for that sleep: a small buffer keeps the end of a
        // headless run quick. Mixing frame by frame, it must also fit a frame a whole number
        // of times.
        SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, SilentSoundDriver(), SDL_HINT_OVERRIDE);
        open = TryOpenMixer(CaptureOn() && !device ? kCaptureChunkFrames : kSilentChunkFrames);
        SDL_ResetHint(SDL_HINT_AUDIODRIVER);
    }
    if (!open) {
        Raise(TV_ERR_PLATFORM, "Init: cannot start the sound mixer: %s", Mix_GetError());
    }
    gSounds.Open = true;
    gSounds.Device = FindMixerDevice();
    Mix_AllocateChannels(static_cast<int>(gSounds.Channels.size()));
    ApplyMasterVolume();
    TapMixer(gSounds.Device);
}

void CloseMixer() {
    UntapMixer();
    Mix_HaltChannel(-1);
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    gSounds.Device = 0;
}

// What was playing is cut; the decoded sounds stay valid (the mixer's format is fixed).
void ReopenMixer() {
    CloseMixer();
    for (ChannelUse& use : gSounds.Channels) {
        use = ChannelUse{};
    }
    OpenMixer(gSounds.WantDevice && !gSounds.DeviceHeld);
}

TvSnd& HandleOf(TvSnd* snd, const char* entry) {
    RequireReady(entry);
    return LiveHandle(snd, kSndMagic, "sound", entry);
}

double CheckedLevel(double value, double low, double high, const char* entry) {
    if (std::isnan(value)) {
        Raise(TV_ERR_ARG, "%s: the value is not a number", entry);
    }
    return std::clamp(value, low, high);
}

int MixVolume(const TvSnd& snd) {
    return static_cast<int>(std::lround(snd.Volume * MIX_MAX_VOLUME));
}

void ApplyPan(int channel, double pan) {
    if (pan == 0.0) {
        Mix_SetPanning(channel, 255, 255);  // drops the panning effect
        return;
    }
    const auto left = static_cast<Uint8>(std::lround(255.0 * std::min(1.0, 1.0 - pan)));
    const auto right = static_cast<Uint8>(std::lround(255.0 * std::min(1.0, 1.0 + pan)));
    Mix_SetPanning(channel, left, right);
}

template <typename Fn>
void ForOwnChannels(const TvSnd& snd, Fn&& fn) {
    for (size_t i = 0; i < gSounds.Channels.size(); ++i) {
        const int channel = static_cast<int>(i);
        if (gSounds.Channels[i].Owner == snd.Id && Mix_Playing(channel) != 0) {
            fn(channel, gSounds.Channels[i]);
        }
    }
}

double Seconds(const Mix_Chunk& chunk) {
    const double bytesPerSecond =
        static_cast<double>(gSounds.Frequency) * gSounds.OutChannels * gSounds.SampleBytes;
    return bytesPerSecond > 0 ? chunk.alen / bytesPerSecond : 0.0;
}

}  // namespace

SndEntry& CachedSound(const std::string& name) {
    auto found = gSounds.Cache.find(name);
    if (found == gSounds.Cache.end()) {
        const std::string bytes = ReadDataFile(name, "LoadSnd", kMaxSoundBytes);
        const std::string file = DataPath(name);
        // Only after its length is known: the mixer's decoders take any length a file claims.
        SoundFacts facts;
        std::string why;
        if (!InspectSound(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), facts,
                          why)) {
            Raise(TV_ERR_FILE, "LoadSnd: %s %s (%s)", name.c_str(), why.c_str(), file.c_str());
        }
        if (facts.MaxSeconds > kMaxSoundSeconds) {
            Raise(TV_ERR_FILE,
                  "LoadSnd: %s may last up to %.0f s, longer than the %.0f s allowed (%s)",
                  name.c_str(), facts.MaxSeconds, kMaxSoundSeconds, file.c_str());
        }
        SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
        Mix_Chunk* chunk = rw == nullptr ? nullptr : Mix_LoadWAV_RW(rw, 1);
        if (chunk == nullptr) {
            const char* cause = Mix_GetError();
            Raise(TV_ERR_FILE, "LoadSnd: %s is broken: %s (%s)", name.c_str(),
                  cause != nullptr && cause[0] != '\0' ? cause : "the decoder gives no reason",
                  file.c_str());
        }
        auto entry = std::make_unique<SndEntry>();
        entry->Name = name;
        entry->Chunk = chunk;
        found = gSounds.Cache.emplace(name, std::move(entry)).first;
        LetHostCatchUp();
    }
    return *found->second;
}

bool WarmUpOneSound() {
    while (!gSounds.Ahead.empty()) {
        const std::string name = gSounds.Ahead.front();
        gSounds.Ahead.erase(gSounds.Ahead.begin());
        if (gSounds.Cache.count(name) != 0) {
            continue;
        }
        // A broken file is left for LoadSnd to report, if the game ever loads it.
        const bool recording = RecordRaiseSites(false);
        try {
            DefaultFpEnv fp;
            CachedSound(name);
        } catch (const TvError&) {
        }
        RecordRaiseSites(recording);
        return true;
    }
    return false;
}

void OpenSound(bool device) {
    CloseSound();
    gSounds.WantDevice = device;
    gSounds.DeviceHeld = device && SoundWaitsForPlayer();
    gSounds.Channels.assign(kChannels, ChannelUse{});
    OpenCapture(CurrentSession().Config.AudioOutPath, !device);
    OpenMixer(device && !gSounds.DeviceHeld);
    Mix_Init(MIX_INIT_OGG);
    Uint16 format = 0;
    Mix_QuerySpec(&gSounds.Frequency, &format, &gSounds.OutChannels);
    gSounds.SampleBytes = SDL_AUDIO_BITSIZE(format) / 8;
    for (const std::string& name : CurrentSession().DecodeAhead) {
        if (IsSoundFile(name)) {
            gSounds.Ahead.push_back(name);
        }
    }
}

void SetPlayerSound(double volume, bool muted) {
    gSounds.PlayerVolume = volume;
    gSounds.Muted = muted;
    if (gSounds.Open) {
        ApplyMasterVolume();
    }
}

void PauseSound(bool pause) {
    if (gSounds.Open) {
        if (pause) {
            Mix_Pause(-1);
        } else {
            Mix_Resume(-1);
        }
    }
}

void CloseSound() {
    if (gSounds.Open) {
        UntapMixer();
        Mix_HaltChannel(-1);
        for (auto& [name, entry] : gSounds.Cache) {
            Mix_FreeChunk(entry->Chunk);
        }
        CloseMixer();
        Mix_Quit();
    }
    CloseCapture();
    gSounds = Sounds{};
}

void SoundEvent(const SDL_Event& event) {
    if (event.type != SDL_AUDIODEVICEREMOVED || event.adevice.iscapture != 0 || !gSounds.Open) {
        return;
    }
    if (event.adevice.which != gSounds.Device &&
        SDL_GetAudioDeviceStatus(gSounds.Device) != SDL_AUDIO_STOPPED) {
        return;  // some other device
    }
    ReopenMixer();
}

void OpenHeldSoundDevice() {
    if (gSounds.DeviceHeld && !SoundWaitsForPlayer()) {
        gSounds.DeviceHeld = false;
        ReopenMixer();
    }
}

}  // namespace tolvex

using namespace tolvex;

extern "C" {

TvSnd* LoadSnd(const TvType* type, const TvStr* path) {
    const std::string name = LoadName(type, "Snd", path, "LoadSnd");
    DefaultFpEnv fp;
    TraceLine("load_snd", name);
    SndEntry& cached = CachedSound(name);
    auto* snd = static_cast<TvSnd*>(AllocMem(sizeof(TvSnd), nullptr));
    *snd = TvSnd{kSndMagic, CurrentSession().Generation, &cached, gSounds.NextId++, 1.0, 0.0};
    return snd;
}

// a: pan added to the handle's own (-1 left, 0 centre, 1 right); flag: loop until StopSnd;
// b: fade-in time in seconds (0: at full volume at once). The game passes 0, false, 0.
void PlaySnd(TvSnd* snd, double a, bool flag, double b) {
    TvSnd& s = HandleOf(snd, "PlaySnd");
    DefaultFpEnv fp;
    TracePlay(s.Entry->Name, a, flag, b);
    const double pan = CheckedLevel(s.Pan + a, -1.0, 1.0, "PlaySnd");
    const double fade = CheckedLevel(b, 0.0, 60.0, "PlaySnd");
    const int loops = flag ? -1 : 0;
    auto start = [&] {
        return fade > 0 ? Mix_FadeInChannel(-1, s.Entry->Chunk, loops,
                                            static_cast<int>(std::lround(fade * 1000)))
                        : Mix_PlayChannel(-1, s.Entry->Chunk, loops);
    };
    int channel = start();
    if (channel < 0 && static_cast<int>(gSounds.Channels.size()) < kMaxChannels) {
        const int more = static_cast<int>(gSounds.Channels.size()) * 2;
        Mix_AllocateChannels(more);
        gSounds.Channels.resize(static_cast<size_t>(more));
        channel = start();
    }
    if (channel < 0) {
        return;  // every channel busy: this repeat is dropped, as a mixer would
    }
    gSounds.Channels[static_cast<size_t>(channel)] = ChannelUse{s.Id, SDL_GetTicks()};
    Mix_Volume(channel, MixVolume(s));
    ApplyPan(channel, pan);
}

void StopSnd(TvSnd* snd) {
    TvSnd& s = HandleOf(snd, "StopSnd");
    DefaultFpEnv fp;
    ForOwnChannels(s, [](int channel, ChannelUse&) { Mix_HaltChannel(channel); });
}

bool ChkPlayingSnd(TvSnd* snd) {
    TvSnd& s = HandleOf(snd, "ChkPlayingSnd");
    DefaultFpEnv fp;
    bool playing = false;
    ForOwnChannels(s, [&](int, ChannelUse&) { playing = true; });
    return playing;
}

void VolumeSnd(TvSnd* snd, double volume) {
    TvSnd& s = HandleOf(snd, "VolumeSnd");
    DefaultFpEnv fp;
    if (TraceOn()) {
        TraceLine("volume", s.Entry->Name, &volume, 1);
    }
    s.Volume = CheckedLevel(volume, 0.0, 1.0, "VolumeSnd");
    ForOwnChannels(s, [&](int channel, ChannelUse&) { Mix_Volume(channel, MixVolume(s)); });
}

void PanSnd(TvSnd* snd, double pan) {
    TvSnd& s = HandleOf(snd, "PanSnd");
    DefaultFpEnv fp;
    s.Pan = CheckedLevel(pan, -1.0, 1.0, "PanSnd");
    ForOwnChannels(s, [&](int channel, ChannelUse&) { ApplyPan(channel, s.Pan); });
}

void FreqSnd(TvSnd* snd, double freq) {
    HandleOf(snd, "FreqSnd");
    // The mixer plays every effect at its own rate; only that rate can be asked for.
    if (freq != 1.0) {
        RaiseUnsupported("FreqSnd (a rate other than 1)");
    }
}

double PosSnd(TvSnd* snd) {
    TvSnd& s = HandleOf(snd, "PosSnd");
    DefaultFpEnv fp;
    Uint32 latest = 0;
    bool playing = false;
    ForOwnChannels(s, [&](int, ChannelUse& use) {
        if (!playing || SDL_TICKS_PASSED(use.StartTicks, latest)) {
            latest = use.StartTicks;
        }
        playing = true;
    });
    if (!playing) {
        return 0.0;
    }
    const double length = Seconds(*s.Entry->Chunk);
    const double elapsed = (SDL_GetTicks() - latest) / 1000.0;
    return length > 0 ? std::fmod(elapsed, length) : 0.0;
}

double LenSnd(TvSnd* snd) {
    TvSnd& s = HandleOf(snd, "LenSnd");
    DefaultFpEnv fp;
    return Seconds(*s.Entry->Chunk);
}

double GetMasterVolume() {
    RequireReady("GetMasterVolume");
    return gSounds.MasterVolume;
}

void SetMasterVolume(double volume) {
    RequireReady("SetMasterVolume");
    DefaultFpEnv fp;
    gSounds.MasterVolume = CheckedLevel(volume, 0.0, 1.0, "SetMasterVolume");
    ApplyMasterVolume();
}

}  // extern "C"
