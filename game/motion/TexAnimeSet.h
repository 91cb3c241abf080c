// An animation set that draws its poses with one fixed cell of a texture.
#pragma once

#include <cstdint>
#include <memory>

#include "motion/AnimeSet.h"
#include "present/Tex.h"

namespace keldo {

class TexAnimeSet : public AnimeSet {
public:
    void LoadTex(const String& path, double srcX, double srcY, double srcW, double srcH);
    void SetView(double viewX, double viewY, double viewW, double viewH);
    void Draw(int64_t id, int64_t frame, double x, double y, double halfW, double halfH,
              double angle, double alpha, double viewX, double viewY);

private:
    std::unique_ptr<keldo::Tex> Tex;
    double SrcX = 0.0;
    double SrcY = 0.0;
    double SrcW = 0.0;
    double SrcH = 0.0;
    double ViewX = 0.0;
    double ViewY = 0.0;
    double ViewW = 0.0;
    double ViewH = 0.0;
};

}  // namespace keldo
