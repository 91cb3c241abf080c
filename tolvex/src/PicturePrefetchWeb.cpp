// Decoding pictures ahead of time, without threads. A page has only the browser's one thread
// to run on, so the pictures of the Data folder are decoded one at a time in the spare
// moment after each frame, while the title screen runs; by the time a game starts they are
// ready. A picture not reached yet is decoded by LoadTex itself, and a broken file fails in
// LoadTex, never ahead of it.
#include <algorithm>
#include <filesystem>
#include <vector>

#include "Runtime.h"
#include "Screen.h"

namespace tolvex {

namespace {

// The pictures still to decode, the first screen's last (taken from the back).
std::vector<std::string> gQueue;

bool FirstScreenFirst(const std::string& a, const std::string& b) {
    const auto rank = [](const std::string& name) {
        return name == "font_128_64.vstex" ? 0 : name == "title.vstex" ? 1 : 2;
    };
    return rank(a) != rank(b) ? rank(a) < rank(b) : a < b;
}

}  // namespace

void StartPicturePrefetch() {
    gQueue.clear();
    std::error_code ignored;
    for (const auto& file :
         std::filesystem::directory_iterator(CurrentSession().DataDir, ignored)) {
        const std::string name = file.path().filename().string();
        if (file.is_regular_file(ignored) && name.ends_with(".vstex")) {
            gQueue.push_back(name);
        }
    }
    std::sort(gQueue.begin(), gQueue.end(), FirstScreenFirst);
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
