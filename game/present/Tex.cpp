#include "present/Tex.h"

#include "runtime/GameException.h"
#include "runtime/RuntimeTable.h"

namespace keldo {

namespace {
const TvType kTexType{"Tex"};
}  // namespace

std::unique_ptr<Tex> Tex::LoadTexture(const String& path) {
    RtStr name(path);
    return std::unique_ptr<Tex>(new Tex(Rt().LoadTex(&kTexType, name.Get())));
}

Tex::Tex(TvTex* handle) : Handle(handle) {
    if (handle == nullptr) {
        RaiseGameException(kErrTexNotFromRuntime, "a texture was made other than by the runtime");
    }
}

Tex::~Tex() { Rt().FreeMem(Handle); }

void Tex::Draw(double srcX, double srcY, double srcW, double srcH, double dstX, double dstY,
               double dstW, double dstH, double r, double g, double b, double a) const {
    Rt().DrawTex(Handle, srcX, srcY, srcW, srcH, dstX, dstY, dstW, dstH, r, g, b, a);
}

void Tex::DrawRot(double srcX, double srcY, double srcW, double srcH, double dstX, double dstY,
                  double dstW, double dstH, double cx, double cy, double angle, double r, double g,
                  double b, double a) const {
    Rt().DrawTexRot(Handle, srcX, srcY, srcW, srcH, dstX, dstY, dstW, dstH, cx, cy, angle, r, g, b,
                    a);
}

}  // namespace keldo
