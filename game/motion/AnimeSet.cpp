#include "motion/AnimeSet.h"

#include "motion/AnimeSlots.h"
#include "motion/MathHelpers.h"
#include "runtime/ErrorReport.h"

namespace keldo {

namespace {
// What a lookup answers when there is no slot at all to fall back to.
const AnimeTrack kEmptyTrack{};
}  // namespace

void AnimeSet::Init(int64_t animeNum) {
    CurAnime = &kEmptyTrack;
    AnimeNum = animeNum;
    Animes.assign(static_cast<size_t>(animeNum > 0 ? animeNum : 0), AnimeTrack{});
}

void AnimeSet::AddAnime(int64_t id, bool loop) {
    anime::Place(Animes, AnimeNum, id, [&](AnimeTrack& slot) {
        slot.Loop = loop;
        slot.FrameNum = 0;
        slot.Frames.assign(1, AnimePose{});
    });
}

void AnimeSet::AddKeyFrame(int64_t id, double offsetX, double offsetY, double centerX,
                           double centerY, double angle, bool forward, int64_t steps) {
    AnimeTrack* track = anime::SlotToFill(Animes, AnimeNum, id);
    if (track == nullptr) {
        return;
    }
    const AnimePose key{offsetX, offsetY, centerX, centerY, angle};
    if (track->FrameNum == 0) {
        track->Frames.assign(1, key);
        track->FrameNum = 1;
        return;
    }
    // Reaching a key pose takes at least one frame; fewer steps cannot be spread over
    // in-betweens, so the key pose is reported and left out.
    if (steps < 1) {
        ReportError(JoinMessage(u"err12:KeyFrame Steps Under One. ID:", id, u" Steps:", steps));
        return;
    }
    const AnimePose last = track->Frames[static_cast<size_t>(track->FrameNum - 1)];
    const double n = static_cast<double>(steps);
    const double turn = angle - last.Angle;
    // The caller picks the direction of the turn; only the size comes from the key angles.
    const double size = Sqrt(turn * turn);
    const AnimePose delta{(offsetX - last.OffsetX) / n, (offsetY - last.OffsetY) / n,
                          (centerX - last.CenterX) / n, (centerY - last.CenterY) / n,
                          (forward ? size : -size) / n};
    for (int64_t i = 0; i < steps; ++i) {
        AnimePose next = track->Frames.back();
        next.OffsetX += delta.OffsetX;
        next.OffsetY += delta.OffsetY;
        next.CenterX += delta.CenterX;
        next.CenterY += delta.CenterY;
        next.Angle += delta.Angle;
        track->Frames.push_back(next);
        ++track->FrameNum;
    }
}

const AnimeTrack& AnimeSet::GetAnime(int64_t id) {
    const AnimeTrack* track = anime::FindFirst(Animes, id);
    if (track != nullptr) {
        return *track;
    }
    ReportError(u"err11:AnimeID Not Found");
    return Animes.empty() ? kEmptyTrack : Animes.front();
}

int64_t AnimeSet::GetFrameNum(int64_t id) const {
    const AnimeTrack* track = anime::FindFirst(Animes, id);
    return track == nullptr ? 0 : track->FrameNum;
}

}  // namespace keldo
