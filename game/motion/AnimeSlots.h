// What the two kinds of animation share: a fixed row of slots found by ID (-1 marks a
// free slot), the coded messages about them, and the culling box of a draw.
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/ErrorReport.h"

namespace keldo::anime {

// Places id in the first free slot and lets fill set up the rest of it. A slot that
// already holds id is reported but does not end the search, so a duplicate can still
// take a later free slot; lookups then find the earlier one first.
template <typename Slot, typename Fill>
void Place(std::vector<Slot>& slots, int64_t animeNum, int64_t id, Fill fill) {
    if (animeNum < 1) {
        ReportError(u"err02:No Anime Slots.");
        return;
    }
    for (size_t i = 0; i < slots.size(); ++i) {
        Slot& slot = slots[i];
        if (slot.Id == id) {
            ReportError(JoinMessage(u"err00:AnimeID Already Exists. ID:", id));
        } else if (slot.Id == -1) {
            slot.Id = id;
            fill(slot);
            ReportError(JoinMessage(u"Set Anime.", id));
            return;
        } else if (i + 1 == slots.size()) {
            ReportError(JoinMessage(u"err01:No Free Anime Slot. ID:", id));
        }
    }
}

// The first slot with the ID, or null; works on const and mutable rows alike.
template <typename Slots>
auto FindFirst(Slots& slots, int64_t id) -> decltype(&slots[0]) {
    for (auto& slot : slots) {
        if (slot.Id == id) {
            return &slot;
        }
    }
    return nullptr;
}

// The slot that a new frame or key pose goes to: the first one with the ID. Without
// slots, or without that ID, the add is reported and there is nothing to fill.
template <typename Slot>
Slot* SlotToFill(std::vector<Slot>& slots, int64_t animeNum, int64_t id) {
    if (animeNum < 1) {
        ReportError(u"err04:No Anime Slots.");
        return nullptr;
    }
    Slot* slot = FindFirst(slots, id);
    if (slot == nullptr) {
        ReportError(u"err03:AnimeID Not Found.");
    }
    return slot;
}

// A sprite centred at (x, y) is drawn only when some part of it can reach the view; a
// centre exactly half a size outside an edge counts as outside.
inline bool InView(double x, double y, double halfW, double halfH, double viewX, double viewY,
                   double viewW, double viewH) {
    return viewX - halfW < x && x < viewX + viewW + halfW && viewY - halfH < y &&
           y < viewY + viewH + halfH;
}

}  // namespace keldo::anime
