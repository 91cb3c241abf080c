#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

#include "PlainLibrary.h"

namespace {

TEST(Unsupported, EveryUnprovidedServiceRaises) {
    const Library& lib = Lib();
    const StrPtr name = Str("x");
    const BytesPtr data = Bytes("x");
    const std::vector<std::pair<const char*, std::function<void()>>> calls = {
        {"ReadPackAll", [&] { lib.ReadPackAll(name.get()); }},
        {"LoadPackStream", [&] { lib.LoadPackStream(name.get()); }},
        {"LoadFont", [&] { lib.LoadFont(name.get(), 12); }},
        {"MakeFontTex", [&] { lib.MakeFontTex(nullptr, name.get()); }},
        {"LoadObj", [&] { lib.LoadObj(name.get()); }},
        {"DrawObj", [&] { lib.DrawObj(nullptr, 0, 0); }},
        {"MoveObjReset", [&] { lib.MoveObjReset(nullptr); }},
        {"MoveObjScale", [&] { lib.MoveObjScale(nullptr, 1, 1, 1); }},
        {"MoveObjRotX", [&] { lib.MoveObjRotX(nullptr, 0); }},
        {"MoveObjRotY", [&] { lib.MoveObjRotY(nullptr, 0); }},
        {"MoveObjRotZ", [&] { lib.MoveObjRotZ(nullptr, 0); }},
        {"MoveObjTrans", [&] { lib.MoveObjTrans(nullptr, 0, 0, 0); }},
        {"MoveObjSRT", [&] { lib.MoveObjSRT(nullptr, 1, 1, 1, 0, 0, 0, 0, 0, 0); }},
        {"MoveObjTransLook", [&] { lib.MoveObjTransLook(nullptr, 0, 0, 0, 1, 1, 1); }},
        {"MoveObjTransLookFix", [&] { lib.MoveObjTransLookFix(nullptr, 0, 0, 0, 1, 1, 1); }},
        {"MoveObjTransLookCamera", [&] { lib.MoveObjTransLookCamera(nullptr, 0, 0, 0); }},
        {"MoveObjTransLookCameraFix", [&] { lib.MoveObjTransLookCameraFix(nullptr, 0, 0, 0); }},
        {"SetCamera", [&] { lib.SetCamera(0, 0, -1, 0, 0, 0, 0, 1, 0); }},
        {"SetProj", [&] { lib.SetProj(1, 1, 100); }},
        {"SetAmbLight", [&] { lib.SetAmbLight(1, 1, 1); }},
        {"SetDirLight", [&] { lib.SetDirLight(0, 0, 1, 1, 1, 1); }},
        {"SetLight", [&] { lib.SetLight(0, 0, 0, 0, 1, 1, 1, 10); }},
        {"UnsetLight", [&] { lib.UnsetLight(0); }},
        {"PlayMovie", [&] { lib.PlayMovie(name.get(), true); }},
        {"PlayBGM", [&] { lib.PlayBGM(name.get()); }},
        {"PlayBGMFade", [&] { lib.PlayBGMFade(name.get(), 1); }},
        {"PlayBGMCross", [&] { lib.PlayBGMCross(name.get(), 1); }},
        {"StopBGM", [&] { lib.StopBGM(); }},
        {"StopBGMFade", [&] { lib.StopBGMFade(1); }},
    };
    for (const auto& [entry, call] : calls) {
        std::string message;
        EXPECT_EQ(RaisedCode(call, &message), TV_ERR_UNSUPPORTED) << entry;
        EXPECT_NE(message.find(entry), std::string::npos) << message;
    }
}

}  // namespace
