// Sound effects: a handle made only by the runtime library, and the three operations
// the game scene uses on it.
#pragma once

#include <memory>

#include "runtime/RtString.h"

struct TvSnd;

namespace keldo {

class Snd {
public:
    ~Snd();
    Snd(const Snd&) = delete;
    Snd& operator=(const Snd&) = delete;
    TvSnd* Get() const { return Handle; }

private:
    friend std::unique_ptr<Snd> LoadSound(const String& path);
    explicit Snd(TvSnd* handle);
    TvSnd* Handle;
};

std::unique_ptr<Snd> LoadSound(const String& path);
void SetSoundVolume(const Snd& s, double volume);
void PlaySound(const Snd& s, double a, bool flag, double b);

}  // namespace keldo
