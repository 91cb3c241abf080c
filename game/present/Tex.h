// The game's handle to a picture held by the runtime library. Only the library makes
// one (through LoadTexture); the game can neither construct nor copy it.
#pragma once

#include <memory>

#include "runtime/RtString.h"

struct TvTex;

namespace keldo {

class Tex {
public:
    static std::unique_ptr<Tex> LoadTexture(const String& path);

    ~Tex();
    Tex(const Tex&) = delete;
    Tex& operator=(const Tex&) = delete;

    void Draw(double srcX, double srcY, double srcW, double srcH, double dstX, double dstY,
              double dstW, double dstH, double r, double g, double b, double a) const;
    void DrawRot(double srcX, double srcY, double srcW, double srcH, double dstX, double dstY,
                 double dstW, double dstH, double cx, double cy, double angle, double r, double g,
                 double b, double a) const;

private:
    // Raises 3008 unless the handle came from the library.
    explicit Tex(TvTex* handle);
    TvTex* Handle;
};

}  // namespace keldo
