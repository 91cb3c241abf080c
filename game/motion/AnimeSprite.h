// Frame animations cut from one texture: slots of animations chosen by ID, each a list
// of source cells shown for a number of game frames, drawn centred at a world point.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "present/Tex.h"

namespace keldo {

struct AnimeFrame {
    double SrcX = 0.0;
    double SrcY = 0.0;
    double SrcW = 0.0;
    double SrcH = 0.0;
    double Angle = 0.0;
    int64_t Time = 0;
};

struct Anime {
    int64_t Id = -1;
    int64_t TotalTime = 0;
    bool Loop = false;
    std::vector<AnimeFrame> Frames;
    int64_t FrameNum = 0;
};

class AnimeSprite {
public:
    void LoadTex(const String& path);
    void Init(int64_t animeNum, double viewX, double viewY, double viewW, double viewH);
    void AddAnime(int64_t id, bool loop, int64_t frameNum);
    void AddAnimeFrame(int64_t id, double srcX, double srcY, double srcW, double srcH, double angle,
                       int64_t time);
    const AnimeFrame& GetFrameAt(int64_t id, int64_t time);
    const AnimeFrame& GetFrame(int64_t id, int64_t index);
    void Draw(int64_t id, int64_t time, double x, double y, double halfW, double halfH,
              double angle, double alpha, double viewX, double viewY);
    int64_t GetTotalTime(int64_t id) const;

private:
    std::unique_ptr<keldo::Tex> Tex;
    std::vector<Anime> Animes;
    int64_t AnimeNum = 0;
    double ViewX = 0.0;
    double ViewY = 0.0;
    double ViewW = 0.0;
    double ViewH = 0.0;
    AnimeFrame CurFrame;
};

}  // namespace keldo
