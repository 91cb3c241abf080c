#include "present/Sound.h"

#include "runtime/GameException.h"
#include "runtime/RuntimeTable.h"

namespace keldo {

namespace {
const TvType kSndType{"Snd"};
}  // namespace

Snd::Snd(TvSnd* handle) : Handle(handle) {
    if (handle == nullptr) {
        RaiseGameException(kErrTexNotFromRuntime, "a sound was made other than by the runtime");
    }
}

Snd::~Snd() { Rt().FreeMem(Handle); }

std::unique_ptr<Snd> LoadSound(const String& path) {
    RtStr name(path);
    return std::unique_ptr<Snd>(new Snd(Rt().LoadSnd(&kSndType, name.Get())));
}

void SetSoundVolume(const Snd& s, double volume) { Rt().VolumeSnd(s.Get(), volume); }

void PlaySound(const Snd& s, double a, bool flag, double b) { Rt().PlaySnd(s.Get(), a, flag, b); }

}  // namespace keldo
