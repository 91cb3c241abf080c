// Decoding pictures ahead of time, without threads. A page has only the browser's one thread
// to run on, so the pictures of the build's list are decoded one at a time in the spare
// moment after each frame, while the title screen runs; by the time a game starts they are
// ready. A picture not reached yet is decoded by LoadTex itself, and a broken file fails in
// LoadTex, never ahead of it.
#include <algorithm>
#include <vector>

#include "core/Runtime.h"
#include "core/Screen.h"
#include "files/DataFile.h"

namespace tolvex {

namespace {

// The pictures still to decode, the first needed last (taken from the back).
std::vector<std::string> gQueue;

}  // namespace

void StartPicturePrefetch() {
    gQueue.clear();
    // The build's list, in the order the game first needs them.
    for (const std::string& name : CurrentSession().DecodeAhead) {
        if (!IsSoundFile(name)) {
            gQueue.push_back(name);
        }
    }
    std::reverse(gQueue.begin(), gQueue.end());
}

void StopPicturePrefetch() { gQueue.clear(); }

// The next picture to make ready: the caller takes it at once, which decodes it now (one
// the game has loaded already is found in the picture cache and costs nothing).
std::string NextDecodedPicture() {
    if (gQueue.empty()) {
        return {};
    }
    std::string name = std::move(gQueue.back());
    gQueue.pop_back();
    return name;
}

SurfacePtr TakePicture(const std::string& name, const char* entry) {
    return LoadPictureFile(name, entry);
}

}  // namespace tolvex
