// Key-pose animation of one picture: each animation is a list of poses, one per game
// frame, built from key poses with linear in-betweens.
#pragma once

#include <cstdint>
#include <vector>

namespace keldo {

struct AnimePose {
    double OffsetX = 0.0;
    double OffsetY = 0.0;
    double CenterX = 0.0;
    double CenterY = 0.0;
    double Angle = 0.0;
};

struct AnimeTrack {
    std::vector<AnimePose> Frames;
    int64_t Id = -1;
    int64_t FrameNum = 0;
    bool Loop = false;
};

class AnimeSet {
public:
    virtual ~AnimeSet() = default;

    void Init(int64_t animeNum);
    void AddAnime(int64_t id, bool loop);
    void AddKeyFrame(int64_t id, double offsetX, double offsetY, double centerX, double centerY,
                     double angle, bool forward, int64_t steps);
    const AnimeTrack& GetAnime(int64_t id);
    int64_t GetFrameNum(int64_t id) const;

protected:
    std::vector<AnimeTrack> Animes;
    int64_t AnimeNum = 0;
    const AnimeTrack* CurAnime = nullptr;
};

}  // namespace keldo
