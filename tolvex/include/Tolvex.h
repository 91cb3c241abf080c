/*
 * Tolvex: the contract between the game and its runtime library (Data/Tolvex.vsd).
 *
 * This header is the only thing the two sides share. The library exports the 132
 * entries below by name with C linkage; the game loads the library at start and
 * binds every entry by name, in the order of the list.
 *
 * Conventions
 *   - Integers are int64_t, reals double, flags bool.
 *   - Objects that cross the boundary (strings, byte arrays, texture, sound and
 *     stream handles) are allocated with AllocMem and released with FreeMem,
 *     whichever side made them. The side that receives a new object owns it.
 *   - A string is a TvStr: a 64-bit count, a 64-bit length, UTF-16 text and a NUL.
 *   - Failures raise a TvError (a C++ exception) from the entry that failed.
 */
#ifndef TOLVEX_H
#define TOLVEX_H

#include <stdbool.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Counted UTF-16 string. Len counts UTF-16 units; Text[Len] is 0. */
typedef struct TvStr {
    int64_t RefCnt;
    int64_t Len;
    uint16_t Text[1];
} TvStr;

/* Counted byte array (file contents, save data). */
typedef struct TvBytes {
    int64_t RefCnt;
    int64_t Len;
    uint8_t Data[1];
} TvBytes;

/* The type that the caller asks LoadTex / LoadSnd to make: "Tex" or "Snd". */
typedef struct TvType {
    const char* Name;
} TvType;

/* Handles made by the library. Opaque to the game; released with FreeMem. */
typedef struct TvTex TvTex;
typedef struct TvSnd TvSnd;
typedef struct TvStream TvStream;
typedef struct TvObj TvObj;

#define TV_INIT_STAMP 0x527D29A522B8018CULL

/* Start-up record handed to Init: six 64-bit fields, in this order. */
typedef struct TvInitParams {
    uint64_t Stamp;         /* TV_INIT_STAMP */
    uint64_t Flag;          /* 1 */
    uint64_t Instance;      /* the program's module handle */
    uint64_t Icon;          /* the window icon: on Windows the program's HICON (its icon
                               resource), elsewhere the address of a TvStr naming a
                               picture in Data/; 0 for none */
    uint64_t ExceptionCell; /* address of the program's uint64_t "last exception address" */
    uint64_t Title;         /* address of a TvStr: the window title */
} TvInitParams;

/* Codes of the exceptions that the library raises. */
#define TV_ERR_CLOSED 0xE7100001u   /* the user closed the window, or the frame limit was reached */
#define TV_ERR_FILE 0xE7100002u     /* a file is missing, unreadable or broken */
#define TV_ERR_PLATFORM 0xE7100003u /* no display, no renderer, other platform failure */
#define TV_ERR_ARG 0xE7100004u      /* a bad argument (null handle, wrong type, out of range) */
#define TV_ERR_UNSUPPORTED 0xE7100005u /* the entry is not supported by this runtime */
#define TV_ERR_CONFIG 0xE7100006u      /* a malformed automation variable or input script */
#define TV_ERR_STATE 0xE7100007u       /* an entry called before Init or after Free */

/* The floating-point mode the game calls every entry in (x86-64 MXCSR): rounding toward zero;
   denormal, divide-by-zero, overflow, underflow and precision masked; invalid operation
   unmasked, so that it faults instead of spreading NaNs. The library gives the same results in
   it and leaves it as it found it. */
#define TV_GAME_FP_MODE 0x7F00u

/* Pad buttons (Pad's button index). */
#define TV_PAD_BUTTONS 16

/*
 * The 132 entries, in binding order: X(name, result, (parameters)).
 */
#define TOLVEX_ENTRIES(X)                                                                          \
    X(Init, bool, (const TvInitParams* params))                                                    \
    X(Free, void, (void))                                                                          \
    X(Exit, void, (void))                                                                          \
    X(Act, bool, (void))                                                                           \
    X(Stop, void, (void))                                                                          \
    X(GetFPS, double, (void))                                                                      \
    X(GetSysTime, int64_t, (void))                                                                 \
    X(GetUnixTime, int64_t, (void))                                                                \
    X(Rnd, int64_t, (int64_t min, int64_t max))                                                    \
    X(RndF, double, (void))                                                                        \
    X(AllocMem, void*, (int64_t bytes, const char* tag))                                           \
    X(FreeMem, void, (void* ptr))                                                                  \
    X(DbgLog, void, (const TvStr* msg))                                                            \
    X(DbgErrMsg, void, (const TvStr* msg))                                                         \
    X(ReadPackAll, TvBytes*, (const TvStr* path))                                                  \
    X(ReadFileAll, TvBytes*, (const TvStr* path))                                                  \
    X(WriteFileAll, bool, (const TvStr* path, const TvBytes* data))                                \
    X(LoadPackStream, TvStream*, (const TvStr* path))                                              \
    X(LoadFileStream, TvStream*, (const TvStr* path, bool write))                                  \
    X(ReadStream, TvBytes*, (TvStream * stream, int64_t bytes))                                    \
    X(WriteStream, void, (TvStream * stream, const TvBytes* data))                                 \
    X(SeekStream, void, (TvStream * stream, int64_t offset, int64_t origin))                       \
    X(TellStream, int64_t, (TvStream * stream))                                                    \
    X(ChkEndStream, bool, (TvStream * stream))                                                     \
    X(SetSplitChars, void, (TvStream * stream, const TvStr* chars))                                \
    X(ReadStreamStr, TvStr*, (TvStream * stream))                                                  \
    X(ReadStreamInt, int64_t, (TvStream * stream))                                                 \
    X(ReadStreamChar, int64_t, (TvStream * stream))                                                \
    X(ReadStreamFloat, double, (TvStream * stream))                                                \
    X(WriteStreamStr, void, (TvStream * stream, const TvStr* s))                                   \
    X(WriteStreamInt, void, (TvStream * stream, int64_t n))                                        \
    X(WriteStreamChar, void, (TvStream * stream, int64_t c))                                       \
    X(WriteStreamFloat, void, (TvStream * stream, double x))                                       \
    X(MakeRndSeed, int64_t, (int64_t key))                                                         \
    X(GetRnd, int64_t, (int64_t * seed, int64_t min, int64_t max))                                 \
    X(GetRndF, double, (int64_t * seed))                                                           \
    X(MakeHash, int64_t, (const TvBytes* data))                                                    \
    X(Cos, double, (double x))                                                                     \
    X(Sin, double, (double x))                                                                     \
    X(Tan, double, (double x))                                                                     \
    X(ACos, double, (double x))                                                                    \
    X(ASin, double, (double x))                                                                    \
    X(ATan, double, (double x))                                                                    \
    X(Sqrt, double, (double x))                                                                    \
    X(Exp, double, (double x))                                                                     \
    X(Log, double, (double base, double x))                                                        \
    X(Pow, double, (double x, double y))                                                           \
    X(PowI, int64_t, (int64_t x, int64_t y))                                                       \
    X(Mod, double, (double x, double y))                                                           \
    X(Floor, double, (double x))                                                                   \
    X(Ceil, double, (double x))                                                                    \
    X(Rot, void, (double* x, double* y, double angle))                                             \
    X(InvRot, double, (double x, double y))                                                        \
    X(Hypot, double, (double x, double y))                                                         \
    X(Chase, bool, (double* x, double target, double speed))                                       \
    X(SToI, int64_t, (const TvStr* s, bool* ok))                                                   \
    X(SToF, double, (const TvStr* s, bool* ok))                                                    \
    X(IToS, TvStr*, (int64_t n))                                                                   \
    X(IToSF, TvStr*, (int64_t n, int64_t width, bool zeroPad))                                     \
    X(FToS, TvStr*, (double x))                                                                    \
    X(FToSF, TvStr*, (double x, int64_t decimals))                                                 \
    X(Sort, void, (void* items, int64_t count, int64_t kind))                                      \
    X(Reverse, void, (void* items, int64_t count, int64_t itemBytes))                              \
    X(Shuffle, void, (void* items, int64_t count, int64_t itemBytes))                              \
    X(CmpStr, int64_t, (const TvStr* a, const TvStr* b))                                           \
    X(CmpInt, int64_t, (int64_t a, int64_t b))                                                     \
    X(CmpFloat, int64_t, (double a, double b))                                                     \
    X(CmpByte8, int64_t, (uint8_t a, uint8_t b))                                                   \
    X(CmpByte16, int64_t, (uint16_t a, uint16_t b))                                                \
    X(CmpByte32, int64_t, (uint32_t a, uint32_t b))                                                \
    X(CmpByte64, int64_t, (uint64_t a, uint64_t b))                                                \
    X(SaveSaveData, bool, (const TvStr* name, const TvBytes* data))                                \
    X(LoadSaveData, TvBytes*, (const TvStr* name))                                                 \
    X(Flip, void, (void))                                                                          \
    X(Clear, void, (double r, double g, double b))                                                 \
    X(SetViewport, void, (double x, double y, double w, double h))                                 \
    X(ResetViewport, void, (void))                                                                 \
    X(SetZBuf, void, (int64_t mode))                                                               \
    X(SetBlend, void, (int64_t mode))                                                              \
    X(SetFilter, void, (int64_t mode))                                                             \
    X(DrawRect, void,                                                                              \
      (double x, double y, double w, double h, double r, double g, double b, double a))            \
    X(LoadTex, TvTex*, (const TvType* type, const TvStr* path))                                    \
    X(DrawTex, void,                                                                               \
      (TvTex * tex, double srcX, double srcY, double srcW, double srcH, double dstX, double dstY,  \
       double dstW, double dstH, double r, double g, double b, double a))                          \
    X(DrawTexRot, void,                                                                            \
      (TvTex * tex, double srcX, double srcY, double srcW, double srcH, double dstX, double dstY,  \
       double dstW, double dstH, double cx, double cy, double angle, double r, double g, double b, \
       double a))                                                                                  \
    X(GetTexW, int64_t, (TvTex * tex))                                                             \
    X(GetTexH, int64_t, (TvTex * tex))                                                             \
    X(LoadFont, void*, (const TvStr* name, double size))                                           \
    X(MakeFontTex, TvTex*, (void* font, const TvStr* text))                                        \
    X(LoadObj, TvObj*, (const TvStr* path))                                                        \
    X(DrawObj, void, (TvObj * obj, int64_t element, int64_t frame))                                \
    X(MoveObjReset, void, (TvObj * obj))                                                           \
    X(MoveObjScale, void, (TvObj * obj, double x, double y, double z))                             \
    X(MoveObjRotX, void, (TvObj * obj, double angle))                                              \
    X(MoveObjRotY, void, (TvObj * obj, double angle))                                              \
    X(MoveObjRotZ, void, (TvObj * obj, double angle))                                              \
    X(MoveObjTrans, void, (TvObj * obj, double x, double y, double z))                             \
    X(MoveObjSRT, void,                                                                            \
      (TvObj * obj, double sx, double sy, double sz, double rx, double ry, double rz, double tx,   \
       double ty, double tz))                                                                      \
    X(MoveObjTransLook, void,                                                                      \
      (TvObj * obj, double x, double y, double z, double lx, double ly, double lz))                \
    X(MoveObjTransLookFix, void,                                                                   \
      (TvObj * obj, double x, double y, double z, double lx, double ly, double lz))                \
    X(MoveObjTransLookCamera, void, (TvObj * obj, double x, double y, double z))                   \
    X(MoveObjTransLookCameraFix, void, (TvObj * obj, double x, double y, double z))                \
    X(SetCamera, void,                                                                             \
      (double eyeX, double eyeY, double eyeZ, double atX, double atY, double atZ, double upX,      \
       double upY, double upZ))                                                                    \
    X(SetProj, void, (double fovy, double minZ, double maxZ))                                      \
    X(SetAmbLight, void, (double r, double g, double b))                                           \
    X(SetDirLight, void, (double x, double y, double z, double r, double g, double b))             \
    X(SetLight, void,                                                                              \
      (int64_t n, double x, double y, double z, double r, double g, double b, double radius))      \
    X(UnsetLight, void, (int64_t n))                                                               \
    X(LoadSnd, TvSnd*, (const TvType* type, const TvStr* path))                                    \
    X(PlaySnd, void, (TvSnd * snd, double a, bool flag, double b))                                 \
    X(StopSnd, void, (TvSnd * snd))                                                                \
    X(ChkPlayingSnd, bool, (TvSnd * snd))                                                          \
    X(VolumeSnd, void, (TvSnd * snd, double volume))                                               \
    X(PanSnd, void, (TvSnd * snd, double pan))                                                     \
    X(FreqSnd, void, (TvSnd * snd, double freq))                                                   \
    X(PosSnd, double, (TvSnd * snd))                                                               \
    X(LenSnd, double, (TvSnd * snd))                                                               \
    X(GetMasterVolume, double, (void))                                                             \
    X(SetMasterVolume, void, (double volume))                                                      \
    X(Pad, int64_t, (int64_t pad, int64_t button))                                                 \
    X(SetPadCfg, void, (int64_t pad, int64_t button, int64_t source))                              \
    X(GetPadCfg, int64_t, (int64_t pad, int64_t button))                                           \
    X(LockPadCfg, void, (bool lock))                                                               \
    X(SetPadKey, void, (int64_t pad, int64_t button, int64_t key))                                 \
    X(Mouse, int64_t, (int64_t button))                                                            \
    X(MouseX, int64_t, (void))                                                                     \
    X(MouseY, int64_t, (void))                                                                     \
    X(PlayMovie, void, (const TvStr* path, bool skip))                                             \
    X(PlayBGM, void, (const TvStr* path))                                                          \
    X(PlayBGMFade, void, (const TvStr* path, double seconds))                                      \
    X(PlayBGMCross, void, (const TvStr* path, double seconds))                                     \
    X(StopBGM, void, (void))                                                                       \
    X(StopBGMFade, void, (double seconds))

#define TOLVEX_ENTRY_COUNT 132

#ifdef TOLVEX_BUILDING_LIBRARY
#ifdef _WIN32
#define TOLVEX_EXPORT __declspec(dllexport)
#else
#define TOLVEX_EXPORT __attribute__((visibility("default")))
#endif
#define TOLVEX_DECLARE_ENTRY(name, result, params) TOLVEX_EXPORT result name params;
TOLVEX_ENTRIES(TOLVEX_DECLARE_ENTRY)
#undef TOLVEX_DECLARE_ENTRY
#endif

#ifdef __cplusplus
} /* extern "C" */

#include <cstring>
#include <type_traits>

/* The exception that every failing entry raises. */
struct TvError {
    uint32_t Code;     /* one of TV_ERR_* */
    char Message[480]; /* one line: what failed, naming the file or variable */
};

/* Binds a table that has a pointer field named after each entry, in the order of the list;
   find(name) gives an entry's address, or null. Returns the name of the first entry that is
   missing (the fields after it stay as they were), or null when all are bound. */
template <typename Table, typename Find>
const char* TvBindEntries(Table& table, Find&& find) {
#define TOLVEX_BIND_ENTRY(name, result, params)                   \
    table.name = reinterpret_cast<result(*) params>(find(#name)); \
    if (table.name == nullptr) {                                  \
        return #name;                                             \
    }
    TOLVEX_ENTRIES(TOLVEX_BIND_ENTRY)
#undef TOLVEX_BIND_ENTRY
    return nullptr;
}

/* The bytes that a TvStr of `units` UTF-16 units takes, its closing 0 included, and that a
   TvBytes of `count` bytes takes: what to allocate for TvMakeStr and TvMakeBytes. */
constexpr int64_t TvStrSize(size_t units) {
    return static_cast<int64_t>(sizeof(TvStr) + units * sizeof(uint16_t));
}
constexpr int64_t TvBytesSize(size_t count) {
    return static_cast<int64_t>(sizeof(TvBytes) + count);
}

/* Makes a TvStr of text (UTF-16 units, or chars taken one byte a unit) in `memory`, of
   TvStrSize(text.size()) bytes, and returns it. */
template <typename Text>
TvStr* TvMakeStr(void* memory, const Text& text) {
    auto* s = static_cast<TvStr*>(memory);
    s->RefCnt = 1;
    s->Len = static_cast<int64_t>(text.size());
    size_t at = 0;
    for (const auto unit : text) {
        using Unit = std::make_unsigned_t<std::remove_cv_t<decltype(unit)>>;
        s->Text[at++] = static_cast<uint16_t>(static_cast<Unit>(unit));
    }
    s->Text[at] = 0;
    return s;
}

/* Makes a TvBytes holding a copy of `size` bytes of data in `memory`, of TvBytesSize(size)
   bytes, and returns it. A 0 follows the data, for a reader that takes it as text. */
inline TvBytes* TvMakeBytes(void* memory, const void* data, size_t size) {
    auto* b = static_cast<TvBytes*>(memory);
    b->RefCnt = 1;
    b->Len = static_cast<int64_t>(size);
    if (size > 0) {
        std::memcpy(b->Data, data, size);
    }
    b->Data[size] = 0;
    return b;
}
#endif

#endif /* TOLVEX_H */
