// The screenshot key: the game's 1600 x 900 picture saved as a PNG named by the date and time
// in the player's pictures folder, its path printed on standard output. A picture that cannot
// be saved is a warning, never the end of the game.
//
// Only the reading back of the picture happens on the game's thread; a writer thread of its
// own encodes and writes, so that frames keep their pace while pictures are saved. A key held
// down by a program, or hammered, must not pile up pictures in memory: a few are kept in
// flight and the rest dropped, with one warning for the whole burst.

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <deque>
#include <filesystem>
#include <mutex>
#include <new>
#include <string>
#include <system_error>
#include <thread>

#include "core/Errors.h"
#include "core/Screen.h"
#include "files/UserFiles.h"
#include "platform/Environment.h"
#include "platform/Platform.h"

namespace tolvex {

namespace {

// Each one holds a whole picture (4 MB) until it is written.
constexpr size_t kMaxShotsInFlight = 4;
// What the end of a run waits for the pictures still being written.
constexpr auto kStopWait = std::chrono::seconds(1);

struct Shot {
    SurfacePtr Picture;
    std::string Stamp;  // the date and time of the key press
};

struct Writer {
    std::mutex Lock;
    std::condition_variable Changed;
    std::deque<Shot> Queue;
    size_t InFlight = 0;  // queued or being written
    size_t Dropped = 0;   // since the writer was last idle
    bool Stop = false;
    // Left running when the run ended: it frees this when it is done.
    bool Abandoned = false;
    std::thread Thread;
};
Writer* gWriter = nullptr;

// Two shots within the same second get -2, -3, ... rather than overwrite each other.
// False with `why` filled when the folder cannot be looked into.
bool FreeName(const std::string& folder, const std::string& stem, std::string& path,
              std::string& why) {
    path = folder + stem + ".png";
    for (int n = 2;; ++n) {
        std::error_code error;
        const bool taken = std::filesystem::exists(FilePath(path), error);
        if (error) {
            why = error.message();
            return false;
        }
        if (!taken) {
            return true;
        }
        path = folder + stem + "-" + std::to_string(n) + ".png";
    }
}

void Save(const Shot& shot) {
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
    std::string path;
    if (!FreeName(folder, UserFolderName() + "-" + shot.Stamp, path, why)) {
        Warn("cannot write in " + folder + ": " + why + "; the screenshot is not saved");
        return;
    }
    std::vector<unsigned char> png;
    if (!EncodePicture(*shot.Picture, png, why) ||
        !ReplaceFile(path, {reinterpret_cast<const char*>(png.data()), png.size()}, why)) {
        Warn("cannot write " + path + ": " + why);
        return;
    }
    std::printf("%s\n", path.c_str());
    std::fflush(stdout);
    Notify("screenshot saved: " + path.substr(path.rfind(PathSeparator()) + 1));
}

// Nothing the writer meets may end the game: every failure is a warning.
void SaveOrWarn(const Shot& shot) {
    try {
        Save(shot);
    } catch (const std::bad_alloc&) {
        Warn("out of memory while saving a screenshot; it is not saved");
    } catch (const std::exception& error) {
        Warn(std::string("cannot save a screenshot: ") + error.what());
    } catch (const TvError& error) {
        Warn(std::string("cannot save a screenshot: ") + error.Message);
    }
}

void WarnDropped(size_t dropped) {
    Warn(std::to_string(dropped) + (dropped == 1 ? " screenshot was" : " screenshots were") +
         " not saved: the key came faster than pictures could be written");
}

void Work(Writer* writer) {
    RecordRaiseSites(false);
    std::unique_lock<std::mutex> lock(writer->Lock);
    for (;;) {
        writer->Changed.wait(lock, [&] { return !writer->Queue.empty() || writer->Stop; });
        if (writer->Queue.empty()) {
            break;
        }
        const Shot shot = std::move(writer->Queue.front());
        writer->Queue.pop_front();
        lock.unlock();
        SaveOrWarn(shot);
        lock.lock();
        if (--writer->InFlight == 0 && writer->Dropped != 0) {
            // The burst is over: one warning for all it dropped.
            try {
                WarnDropped(writer->Dropped);
            } catch (...) {
                // No memory left even for the warning; the shots are still not saved.
            }
            writer->Dropped = 0;
        }
        writer->Changed.notify_all();
    }
    if (writer->Abandoned) {
        lock.unlock();
        delete writer;
    }
}

// The writer, started at the first shot; null when no thread can be started (a page in a
// browser has none to give).
Writer* StartedWriter() {
    if (gWriter != nullptr) {
        return gWriter;
    }
    auto* writer = new Writer;
    try {
        writer->Thread = std::thread(Work, writer);
    } catch (const std::system_error&) {
        delete writer;
        return nullptr;
    }
    gWriter = writer;
    return writer;
}

Shot TakeShot() {
    Shot shot;
    const std::time_t now = std::time(nullptr);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", std::localtime(&now));
    shot.Stamp = stamp;
    shot.Picture = ReadBackPicture();
    if (shot.Picture == nullptr) {
        Warn(std::string("cannot read the picture back: ") + SDL_GetError() +
             "; the screenshot is not saved");
    }
    return shot;
}

}  // namespace

void SaveScreenshotForPlayer() {
    Writer* writer = StartedWriter();
    if (writer == nullptr) {
        // Without a thread of its own, the picture is written here and now.
        const Shot shot = TakeShot();
        if (shot.Picture != nullptr) {
            SaveOrWarn(shot);
        }
        return;
    }
    {
        const std::lock_guard<std::mutex> lock(writer->Lock);
        if (writer->InFlight >= kMaxShotsInFlight) {
            ++writer->Dropped;
            return;
        }
    }
    Shot shot = TakeShot();
    if (shot.Picture == nullptr) {
        return;
    }
    const std::lock_guard<std::mutex> lock(writer->Lock);
    writer->Queue.push_back(std::move(shot));
    ++writer->InFlight;
    writer->Changed.notify_all();
}

void CloseScreenshots() {
    Writer* writer = gWriter;
    if (writer == nullptr) {
        return;
    }
    gWriter = nullptr;
    std::unique_lock<std::mutex> lock(writer->Lock);
    writer->Stop = true;
    writer->Changed.notify_all();
    if (writer->Changed.wait_for(lock, kStopWait, [&] { return writer->InFlight == 0; })) {
        lock.unlock();
        writer->Thread.join();
        delete writer;
        return;
    }
    // A picture still being written (a slow disk) is not waited for any longer: the writer
    // finishes it, drops the rest and frees itself; the library stays loaded for it.
    const size_t unsaved = writer->Queue.size() + writer->Dropped;
    writer->Queue.clear();
    writer->Dropped = 0;
    writer->Abandoned = true;
    writer->Thread.detach();
    lock.unlock();
    KeepLibraryLoaded();
    if (unsaved != 0) {
        Warn(std::to_string(unsaved) + " screenshots were not saved: the game ended first");
    }
}

}  // namespace tolvex
