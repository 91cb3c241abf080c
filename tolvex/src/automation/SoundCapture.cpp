// TOLVEX_AUDIO_OUT: what the mixer outputs, after every channel and volume, as a WAV file
// that keeps step with the frames (735 sample frames each at 44,100 Hz).
//
// With a real device the mixer runs on the device's clock: its output is queued as it is
// made and each frame takes one frame's worth, so the file follows the sound the player
// hears. Without a device (headless) the mixer runs on SDL's silent driver, and the frames
// drive it: between frames the library holds the device's lock, so the mixing thread
// cannot run; at the end of a frame it lets exactly one frame's worth be mixed, which the
// tap below pauses the device after. The file is then the same on every run.
#include <SDL_mixer.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "core/Errors.h"
#include "core/Screen.h"
#include "platform/Platform.h"

namespace tolvex {

namespace {

constexpr int kRate = 44100;
constexpr int kOutChannels = 2;
constexpr int kSampleBytes = 2;
constexpr size_t kFrameBytes = static_cast<size_t>(kOutChannels) * kSampleBytes;
constexpr size_t kBlockBytes = static_cast<size_t>(kRate / 60) * kFrameBytes;
// A real device runs ahead of or behind the frames by a little; more than this is dropped
// (oldest first), so that the file stays in step after a stall.
constexpr size_t kMaxQueuedBytes = 8 * kBlockBytes;
constexpr int kHeaderBytes = 44;
// Only a mixer that has died could keep a frame waiting this long.
constexpr Uint32 kMixWaitMs = 20000;

struct Capture {
    std::FILE* File = nullptr;
    std::string Path;
    uint32_t DataBytes = 0;
    bool FrameDriven = false;
    SDL_AudioDeviceID Device = 0;  // 0: the mixer is not tapped
    bool Held = false;             // this thread holds the device's lock
    SDL_sem* Mixed = nullptr;
    // Filled by the mixing thread under the device's lock.
    std::vector<Uint8> Queue;
    std::vector<Uint8> Block;
};
Capture gCapture;

void PutLe32(Uint8* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<Uint8>(value >> (8 * i));
    }
}

void PutLe16(Uint8* at, uint32_t value) {
    at[0] = static_cast<Uint8>(value);
    at[1] = static_cast<Uint8>(value >> 8);
}

void Fail(const char* what) {
    Raise(TV_ERR_CONFIG, "TOLVEX_AUDIO_OUT: cannot %s %s: %s", what, gCapture.Path.c_str(),
          std::strerror(errno));
}

// The header's sizes are kept right after every frame, so that the file is playable even
// if the run is cut short.
void WriteHeader() {
    Uint8 header[kHeaderBytes];
    std::memcpy(header, "RIFF", 4);
    PutLe32(header + 4, 36 + gCapture.DataBytes);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    PutLe32(header + 16, 16);
    PutLe16(header + 20, 1);  // integer samples
    PutLe16(header + 22, kOutChannels);
    PutLe32(header + 24, kRate);
    PutLe32(header + 28, static_cast<uint32_t>(kRate * kFrameBytes));
    PutLe16(header + 32, static_cast<uint32_t>(kFrameBytes));
    PutLe16(header + 34, 8 * kSampleBytes);
    std::memcpy(header + 36, "data", 4);
    PutLe32(header + 40, gCapture.DataBytes);
    if (std::fseek(gCapture.File, 0, SEEK_SET) != 0 ||
        std::fwrite(header, 1, sizeof header, gCapture.File) != sizeof header ||
        std::fseek(gCapture.File, 0, SEEK_END) != 0 || std::fflush(gCapture.File) != 0) {
        Fail("write");
    }
}

void SDLCALL Tap(void*, Uint8* stream, int len) {
    std::vector<Uint8>& queue = gCapture.Queue;
    queue.insert(queue.end(), stream, stream + len);
    if (gCapture.FrameDriven) {
        if (queue.size() >= kBlockBytes) {
            // The lock is SDL's recursive one, already held by this thread.
            SDL_PauseAudioDevice(gCapture.Device, 1);
            SDL_SemPost(gCapture.Mixed);
        }
    } else if (queue.size() > kMaxQueuedBytes) {
        queue.erase(queue.begin(),
                    queue.begin() + static_cast<std::ptrdiff_t>(queue.size() - kMaxQueuedBytes));
    }
}

// Lets the silent device mix one frame's worth and waits for it.
void MixOneFrame() {
    SDL_PauseAudioDevice(gCapture.Device, 0);
    SDL_UnlockAudioDevice(gCapture.Device);
    gCapture.Held = false;
    const int waited = SDL_SemWaitTimeout(gCapture.Mixed, kMixWaitMs);
    SDL_LockAudioDevice(gCapture.Device);
    gCapture.Held = true;
    if (waited != 0) {
        Raise(TV_ERR_PLATFORM, "TOLVEX_AUDIO_OUT: the sound mixer stopped mixing");
    }
}

}  // namespace

bool CaptureOn() { return gCapture.File != nullptr; }

void OpenCapture(const std::string& path, bool frameDriven) {
    CloseCapture();
    if (path.empty()) {
        return;
    }
    gCapture.Path = path;
    gCapture.FrameDriven = frameDriven;
    gCapture.File = OpenFile(path, "wb");
    if (gCapture.File == nullptr) {
        Fail("write");
    }
    gCapture.Mixed = SDL_CreateSemaphore(0);
    if (gCapture.Mixed == nullptr) {
        Raise(TV_ERR_PLATFORM, "TOLVEX_AUDIO_OUT: %s", SDL_GetError());
    }
    gCapture.Queue.reserve(kMaxQueuedBytes + kBlockBytes);
    WriteHeader();
}

void CloseCapture() {
    UntapMixer();
    if (gCapture.Mixed != nullptr) {
        SDL_DestroySemaphore(gCapture.Mixed);
    }
    if (gCapture.File != nullptr) {
        std::fclose(gCapture.File);
    }
    gCapture = Capture{};
}

void TapMixer(SDL_AudioDeviceID device) {
    if (!CaptureOn()) {
        return;
    }
    if (device == 0) {
        Raise(TV_ERR_PLATFORM, "TOLVEX_AUDIO_OUT: cannot find the sound mixer's device");
    }
    SDL_LockAudioDevice(device);
    gCapture.Device = device;
    gCapture.Queue.clear();
    if (gCapture.FrameDriven) {
        // Held from here to the end of the frame: nothing is mixed until the frame ends.
        SDL_PauseAudioDevice(device, 1);
        gCapture.Held = true;
    }
    Mix_SetPostMix(Tap, nullptr);
    if (!gCapture.Held) {
        SDL_UnlockAudioDevice(device);
    }
}

void UntapMixer() {
    if (gCapture.Device == 0) {
        return;
    }
    Mix_SetPostMix(nullptr, nullptr);
    // Closing the device waits for its thread, which must be able to take the lock.
    if (gCapture.Held) {
        SDL_UnlockAudioDevice(gCapture.Device);
        gCapture.Held = false;
    }
    gCapture.Device = 0;
}

void CaptureFrame() {
    if (!CaptureOn()) {
        return;
    }
    std::vector<Uint8>& block = gCapture.Block;
    block.assign(kBlockBytes, 0);
    if (gCapture.Device != 0) {
        if (gCapture.FrameDriven) {
            MixOneFrame();
        } else {
            SDL_LockAudioDevice(gCapture.Device);
        }
        std::vector<Uint8>& queue = gCapture.Queue;
        const size_t n = std::min(queue.size(), kBlockBytes);
        std::copy(queue.begin(), queue.begin() + static_cast<std::ptrdiff_t>(n), block.begin());
        queue.erase(queue.begin(), queue.begin() + static_cast<std::ptrdiff_t>(n));
        if (!gCapture.FrameDriven) {
            SDL_UnlockAudioDevice(gCapture.Device);
        }
    }
    if (SDL_BYTEORDER == SDL_BIG_ENDIAN) {
        for (size_t i = 0; i + 1 < block.size(); i += 2) {
            std::swap(block[i], block[i + 1]);
        }
    }
    if (gCapture.DataBytes > UINT32_MAX - kHeaderBytes - block.size()) {
        Raise(TV_ERR_CONFIG,
              "TOLVEX_AUDIO_OUT: %s is full (a WAV file holds 4 GiB, some six hours)",
              gCapture.Path.c_str());
    }
    if (std::fwrite(block.data(), 1, block.size(), gCapture.File) != block.size()) {
        Fail("write");
    }
    gCapture.DataBytes += static_cast<uint32_t>(block.size());
    WriteHeader();
}

}  // namespace tolvex
