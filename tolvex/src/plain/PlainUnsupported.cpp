// Services this runtime does not provide: packed archives, outline fonts, 3-D
// objects and lights, movies and streamed music. Each refuses loudly, so that a caller never
// mistakes a missing service for one that worked.
#include "Tolvex.h"
#include "core/Errors.h"

using tolvex::RaiseUnsupported;

TvBytes* ReadPackAll(const TvStr*) { RaiseUnsupported("ReadPackAll"); }
TvStream* LoadPackStream(const TvStr*) { RaiseUnsupported("LoadPackStream"); }

void* LoadFont(const TvStr*, double) { RaiseUnsupported("LoadFont"); }
TvTex* MakeFontTex(void*, const TvStr*) { RaiseUnsupported("MakeFontTex"); }

TvObj* LoadObj(const TvStr*) { RaiseUnsupported("LoadObj"); }
void DrawObj(TvObj*, int64_t, int64_t) { RaiseUnsupported("DrawObj"); }
void MoveObjReset(TvObj*) { RaiseUnsupported("MoveObjReset"); }
void MoveObjScale(TvObj*, double, double, double) { RaiseUnsupported("MoveObjScale"); }
void MoveObjRotX(TvObj*, double) { RaiseUnsupported("MoveObjRotX"); }
void MoveObjRotY(TvObj*, double) { RaiseUnsupported("MoveObjRotY"); }
void MoveObjRotZ(TvObj*, double) { RaiseUnsupported("MoveObjRotZ"); }
void MoveObjTrans(TvObj*, double, double, double) { RaiseUnsupported("MoveObjTrans"); }
void MoveObjSRT(TvObj*, double, double, double, double, double, double, double, double, double) {
    RaiseUnsupported("MoveObjSRT");
}
void MoveObjTransLook(TvObj*, double, double, double, double, double, double) {
    RaiseUnsupported("MoveObjTransLook");
}
void MoveObjTransLookFix(TvObj*, double, double, double, double, double, double) {
    RaiseUnsupported("MoveObjTransLookFix");
}
void MoveObjTransLookCamera(TvObj*, double, double, double) {
    RaiseUnsupported("MoveObjTransLookCamera");
}
void MoveObjTransLookCameraFix(TvObj*, double, double, double) {
    RaiseUnsupported("MoveObjTransLookCameraFix");
}
void SetCamera(double, double, double, double, double, double, double, double, double) {
    RaiseUnsupported("SetCamera");
}
void SetProj(double, double, double) { RaiseUnsupported("SetProj"); }
void SetAmbLight(double, double, double) { RaiseUnsupported("SetAmbLight"); }
void SetDirLight(double, double, double, double, double, double) {
    RaiseUnsupported("SetDirLight");
}
void SetLight(int64_t, double, double, double, double, double, double, double) {
    RaiseUnsupported("SetLight");
}
void UnsetLight(int64_t) { RaiseUnsupported("UnsetLight"); }

void PlayMovie(const TvStr*, bool) { RaiseUnsupported("PlayMovie"); }
void PlayBGM(const TvStr*) { RaiseUnsupported("PlayBGM"); }
void PlayBGMFade(const TvStr*, double) { RaiseUnsupported("PlayBGMFade"); }
void PlayBGMCross(const TvStr*, double) { RaiseUnsupported("PlayBGMCross"); }
void StopBGM(void) { RaiseUnsupported("StopBGM"); }
void StopBGMFade(double) { RaiseUnsupported("StopBGMFade"); }
