// Decoding pictures ahead of time, on a worker thread (a web page, which has none, has
// PicturePrefetchWeb.cpp). PNG decoding is the one slow part of loading a picture
// (tens of milliseconds for the larger sheets), and the game loads a whole scene's worth at
// once when a game starts. So Init starts one worker thread that decodes the pictures of the
// build's list (and no other) in the background while the title screen runs, and LoadTex takes the
// finished surface. A picture the worker has not reached yet is decoded by LoadTex itself;
// one it is working on is waited for. A broken file fails in LoadTex exactly as before:
// the worker keeps the error and LoadTex raises it, so nothing fails that the game never
// loads.
#include <xmmintrin.h>

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "core/Errors.h"
#include "core/FpEnv.h"
#include "core/Runtime.h"
#include "core/Screen.h"
#include "files/DataFile.h"

namespace tolvex {

namespace {

enum class Stage { Queued, Working, Done, Taken };

struct Item {
    Stage State = Stage::Queued;
    SurfacePtr Surface;
    bool Failed = false;
    uint32_t Code = 0;
    std::string Message;
};

struct Prefetch {
    std::mutex Lock;
    std::condition_variable Changed;
    std::map<std::string, Item> Items;
    std::vector<std::string> Order;
    std::atomic<bool> Stop{false};
    std::thread Worker;
};
Prefetch* gPrefetch = nullptr;

void Work(Prefetch* p) {
    RecordRaiseSites(false);
    _mm_setcsr(DefaultFpEnv::kDefault);
    for (const std::string& name : p->Order) {
        if (p->Stop) {
            return;
        }
        {
            std::lock_guard<std::mutex> hold(p->Lock);
            Item& item = p->Items[name];
            if (item.State != Stage::Queued) {
                continue;  // LoadTex got there first
            }
            item.State = Stage::Working;
        }
        Item result;
        try {
            result.Surface = LoadPictureFile(name, "LoadTex");
        } catch (const TvError& error) {
            result.Failed = true;
            result.Code = error.Code;
            result.Message = error.Message;
        } catch (...) {
            // Out of memory, most likely: nothing escapes this thread. LoadTex tries again.
            result = Item{};
            result.Failed = true;
        }
        {
            std::lock_guard<std::mutex> hold(p->Lock);
            Item& item = p->Items[name];
            item.Surface = std::move(result.Surface);
            item.Failed = result.Failed;
            item.Code = result.Code;
            item.Message = std::move(result.Message);
            item.State = Stage::Done;
        }
        p->Changed.notify_all();
    }
}

}  // namespace

void StartPicturePrefetch() {
    StopPicturePrefetch();
    auto* p = new Prefetch;
    for (const std::string& name : CurrentSession().DecodeAhead) {
        if (!IsSoundFile(name) && p->Items.count(name) == 0) {
            p->Order.push_back(name);
            p->Items[name];
        }
    }
    try {
        p->Worker = std::thread(Work, p);
    } catch (const std::system_error&) {
        // No thread to spare: every picture is decoded when the game loads it.
        p->Order.clear();
        p->Items.clear();
    }
    gPrefetch = p;
}

void StopPicturePrefetch() {
    if (gPrefetch == nullptr) {
        return;
    }
    gPrefetch->Stop = true;
    if (gPrefetch->Worker.joinable()) {
        gPrefetch->Worker.join();
    }
    delete gPrefetch;
    gPrefetch = nullptr;
}

std::string NextDecodedPicture() {
    Prefetch* p = gPrefetch;
    if (p == nullptr) {
        return {};
    }
    std::lock_guard<std::mutex> hold(p->Lock);
    for (const std::string& name : p->Order) {
        const Item& item = p->Items[name];
        if (item.State == Stage::Done && !item.Failed) {
            return name;
        }
    }
    return {};
}

SurfacePtr TakePicture(const std::string& name, const char* entry) {
    Prefetch* p = gPrefetch;
    if (p != nullptr) {
        std::unique_lock<std::mutex> hold(p->Lock);
        auto found = p->Items.find(name);
        if (found != p->Items.end()) {
            Item& item = found->second;
            if (item.State == Stage::Working) {
                p->Changed.wait(hold, [&] { return item.State != Stage::Working; });
            }
            if (item.State == Stage::Done && item.Failed && item.Code == 0) {
                item.State = Stage::Taken;
                hold.unlock();
                return LoadPictureFile(name, entry);
            }
            if (item.State == Stage::Done) {
                item.State = Stage::Taken;
                if (item.Failed) {
                    const std::string message = item.Message;
                    const uint32_t code = item.Code;
                    hold.unlock();
                    Raise(code, "%s", message.c_str());
                }
                return std::move(item.Surface);
            }
            // Not reached yet, or taken before: decode it here.
            item.State = Stage::Taken;
        }
    }
    return LoadPictureFile(name, entry);
}

}  // namespace tolvex
