#include "support/FakeRuntime.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "runtime/ErrorReport.h"
#include "runtime/RuntimeTable.h"

namespace keldo::test {

namespace {

FakeRuntime* gCurrent = nullptr;
uint64_t gLcg = 1;

struct FakeHandle {
    int64_t RefCnt;
    char Name[120];
};

std::string Utf8(const TvStr* s) {
    std::string out;
    for (int64_t i = 0; i < s->Len; ++i) {
        out.push_back(static_cast<char>(s->Text[i]));
    }
    return out;
}

TvStr* NewStr(const std::string& text) {
    ++gCurrent->LiveAllocations;
    return TvMakeStr(std::calloc(1, TvStrSize(text.size())), text);
}

uint64_t NextLcg() {
    gLcg = gLcg * 6364136223846793005ULL + 1442695040888963407ULL;
    return gLcg >> 11;
}

void* AllocMem(int64_t bytes, const char*) {
    ++gCurrent->LiveAllocations;
    return std::calloc(1, static_cast<size_t>(bytes));
}
void FreeMem(void* p) {
    if (p != nullptr) {
        --gCurrent->LiveAllocations;
    }
    std::free(p);
}
void DbgLog(const TvStr* msg) { gCurrent->Messages.push_back(Utf8(msg)); }
bool Act() {
    ++gCurrent->Acts;
    return true;
}
double GetFPS() { return 1.0; }
int64_t Rnd(int64_t min, int64_t max) {
    gCurrent->RndCalls.emplace_back(min, max);
    if (!gCurrent->RndValues.empty()) {
        const int64_t v = gCurrent->RndValues.front();
        gCurrent->RndValues.pop_front();
        return v;
    }
    if (max < min) {
        return min;
    }
    return min + static_cast<int64_t>(NextLcg() % static_cast<uint64_t>(max - min + 1));
}
double RndF() {
    ++gCurrent->RndFCalls;
    if (!gCurrent->RndFValues.empty()) {
        const double v = gCurrent->RndFValues.front();
        gCurrent->RndFValues.pop_front();
        return v;
    }
    return static_cast<double>(NextLcg() >> 0 & ((1ULL << 53) - 1)) / 9007199254740992.0;
}
double Cos(double x) { return std::cos(x); }
double Sin(double x) { return std::sin(x); }
double Sqrt(double x) { return std::sqrt(x); }
double Pow(double x, double y) { return std::pow(x, y); }
double Hypot(double x, double y) { return std::hypot(x, y); }
double InvRot(double x, double y) { return std::atan2(y, x); }
double Mod(double x, double y) { return std::fmod(x, y); }
TvStr* IToS(int64_t n) { return NewStr(std::to_string(n)); }
TvStr* FToS(double x) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, x);
    return NewStr(std::string(buf, r.ptr));
}
int64_t Pad(int64_t pad, int64_t button) {
    if (pad != 0) {
        return 0;
    }
    auto it = gCurrent->PadCounts.find(button);
    return it == gCurrent->PadCounts.end() ? 0 : it->second;
}
void* NewHandle(const TvStr* path) {
    auto* h = static_cast<FakeHandle*>(AllocMem(sizeof(FakeHandle), nullptr));
    h->RefCnt = 1;
    const std::string name = Utf8(path);
    std::strncpy(h->Name, name.c_str(), sizeof h->Name - 1);
    return h;
}
TvTex* LoadTex(const TvType*, const TvStr* path) {
    gCurrent->LoadedTextures.push_back(Utf8(path));
    return static_cast<TvTex*>(NewHandle(path));
}
void DrawTex(TvTex* tex, double a0, double a1, double a2, double a3, double a4, double a5,
             double a6, double a7, double a8, double a9, double a10, double a11) {
    gCurrent->Draws.push_back({reinterpret_cast<FakeHandle*>(tex)->Name,
                               false,
                               {a0, a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11}});
}
void DrawTexRot(TvTex* tex, double a0, double a1, double a2, double a3, double a4, double a5,
                double a6, double a7, double a8, double a9, double a10, double a11, double a12,
                double a13, double a14) {
    gCurrent->Draws.push_back({reinterpret_cast<FakeHandle*>(tex)->Name,
                               true,
                               {a0, a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14}});
}
TvSnd* LoadSnd(const TvType*, const TvStr* path) {
    gCurrent->Sounds.push_back({"load", Utf8(path), {}});
    return static_cast<TvSnd*>(NewHandle(path));
}
void VolumeSnd(TvSnd* snd, double v) {
    gCurrent->Sounds.push_back({"volume", reinterpret_cast<FakeHandle*>(snd)->Name, {v}});
}
void PlaySnd(TvSnd* snd, double a, bool flag, double b) {
    gCurrent->Sounds.push_back(
        {"play", reinterpret_cast<FakeHandle*>(snd)->Name, {a, flag ? 1.0 : 0.0, b}});
}

bool SaveSaveData(const TvStr* name, const TvBytes* data) {
    ++gCurrent->SaveCalls;
    if (!gCurrent->SaveRefusals.empty()) {
        const std::string meanwhile = gCurrent->SaveRefusals.front();
        gCurrent->SaveRefusals.pop_front();
        if (meanwhile != FakeRuntime::kNoSave) {
            gCurrent->Saved[Utf8(name)] = meanwhile;
        }
        return false;
    }
    gCurrent->Saved[Utf8(name)] =
        std::string(reinterpret_cast<const char*>(data->Data), static_cast<size_t>(data->Len));
    return true;
}
TvBytes* LoadSaveData(const TvStr* name) {
    const auto found = gCurrent->Saved.find(Utf8(name));
    if (found == gCurrent->Saved.end()) {
        return nullptr;
    }
    const auto& saved = found->second;
    return TvMakeBytes(AllocMem(TvBytesSize(saved.size()), nullptr), saved.data(), saved.size());
}

}  // namespace

FakeRuntime::FakeRuntime() {
    gCurrent = this;
    gLcg = 1;
    RuntimeTable& t = MutableRt();
    t = RuntimeTable{};
    t.AllocMem = AllocMem;
    t.FreeMem = FreeMem;
    t.DbgLog = DbgLog;
    t.Act = Act;
    t.GetFPS = GetFPS;
    t.Rnd = Rnd;
    t.RndF = RndF;
    t.Cos = Cos;
    t.Sin = Sin;
    t.Sqrt = Sqrt;
    t.Pow = Pow;
    t.Hypot = Hypot;
    t.InvRot = InvRot;
    t.Mod = Mod;
    t.IToS = IToS;
    t.FToS = FToS;
    t.Pad = Pad;
    t.LoadTex = LoadTex;
    t.DrawTex = DrawTex;
    t.DrawTexRot = DrawTexRot;
    t.LoadSnd = LoadSnd;
    t.VolumeSnd = VolumeSnd;
    t.PlaySnd = PlaySnd;
    t.SaveSaveData = SaveSaveData;
    t.LoadSaveData = LoadSaveData;
    EnableErrorLog(true);
}

FakeRuntime::~FakeRuntime() {
    EnableErrorLog(false);
    MutableRt() = RuntimeTable{};
    gCurrent = nullptr;
}

void FakeRuntime::ClearRecords() {
    Draws.clear();
    Messages.clear();
    Sounds.clear();
    LoadedTextures.clear();
    RndCalls.clear();
    RndFCalls = 0;
}

FakeRuntime& FakeRuntime::Current() {
    if (gCurrent == nullptr) {
        throw std::logic_error("no FakeRuntime is installed");
    }
    return *gCurrent;
}

}  // namespace keldo::test
