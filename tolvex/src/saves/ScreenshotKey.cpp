// The screenshot key: the game's 1600 x 900 picture saved as a PNG named by the date and time
// in the player's pictures folder, its path printed on standard output. A picture that cannot
// be saved is a warning, never the end of the game.

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <system_error>

#include "core/Screen.h"
#include "files/UserFiles.h"
#include "platform/Platform.h"

namespace tolvex {

namespace {

// Two shots within the same second get -2, -3, ... rather than overwrite each other.
std::string FreeName(const std::string& folder, const std::string& stem) {
    std::string path = folder + stem + ".png";
    for (int n = 2; std::filesystem::exists(path); ++n) {
        path = folder + stem + "-" + std::to_string(n) + ".png";
    }
    return path;
}

}  // namespace

void SaveScreenshotForPlayer() {
    const std::string folder = UserPicturesFolder();
    std::string why;
    if (folder.empty()) {
        Warn("no folder for screenshots (HOME is not set); the screenshot is not saved");
        return;
    }
    if (!MakeFolders(folder, why)) {
        Warn("cannot make the folder " + folder + " (" + why + "); the screenshot is not saved");
        return;
    }
    const std::time_t now = std::time(nullptr);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", std::localtime(&now));
    const std::string path = FreeName(folder, UserFolderName() + "-" + stamp);
    const SurfacePtr picture = ReadBackPicture();
    if (picture == nullptr) {
        Warn(std::string("cannot read the picture back: ") + SDL_GetError() +
             "; the screenshot is not saved");
        return;
    }
    std::vector<unsigned char> png;
    if (!EncodePicture(*picture, png, why) ||
        !ReplaceFile(path, {reinterpret_cast<const char*>(png.data()), png.size()}, why)) {
        Warn("cannot write " + path + ": " + why);
        return;
    }
    std::printf("%s\n", path.c_str());
    std::fflush(stdout);
}

}  // namespace tolvex
