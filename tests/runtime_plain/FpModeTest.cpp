#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <limits>
#include <string>

#include "PlainLibrary.h"

namespace {

// Every plain entry runs in the game's mode without tripping the invalid-operation trap (a trap
// kills the test), and conversions give the same text as in the default mode.
TEST(GameFpMode, EntriesRunAndConvertAsInTheDefaultMode) {
    const Library& lib = Lib();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::string path =
        (std::filesystem::temp_directory_path() / ("tolvex-fp-" + std::to_string(getpid())))
            .string();
    std::string shown, fixed, padded, readBack;
    double parsed = 0, rounded = 0, streamed = 0, fraction = 0;
    bool ok = false;
    int64_t order = 0, cmp = 0;
    {
        GameFpMode mode;
        lib.FreeMem(lib.AllocMem(16, nullptr));
        lib.FreeMem(lib.AllocMem(16, "skip"));
        lib.DbgLog(Str("fp check").get());
        (void)lib.GetSysTime();
        (void)lib.GetUnixTime();
        (void)lib.Rnd(0, 20000);
        fraction = lib.RndF();
        int64_t seed = lib.MakeRndSeed(3);
        (void)lib.GetRnd(&seed, 1, 6);
        (void)lib.GetRndF(&seed);
        (void)lib.MakeHash(Bytes("abc").get());

        double x = 3, y = 4;
        (void)(lib.Cos(1) + lib.Sin(1) + lib.Tan(1) + lib.ACos(0.5) + lib.ASin(0.5) + lib.ATan(1) +
               lib.Sqrt(2) + lib.Exp(1) + lib.Log(2, 8) + lib.Pow(2, 0.5) + lib.Mod(-500, 2000) +
               lib.Floor(-1.5) + lib.Ceil(1.5) + lib.InvRot(-1, -1) + lib.Hypot(x, y) +
               lib.Log(1, 1));
        (void)lib.PowI(3, 5);
        lib.Rot(&x, &y, 0.5);
        double chased = 0;
        (void)lib.Chase(&chased, nan, 1);

        shown = Take(lib.FToS(59.99999999));
        fixed = Take(lib.FToSF(2.0 / 3.0, 4));
        padded = Take(lib.IToSF(-5, 3, true)) + Take(lib.IToS(12));
        parsed = lib.SToF(Str("0.1").get(), &ok);
        rounded = lib.SToF(Str("2.675").get(), &ok);
        (void)lib.SToF(Str("junk").get(), &ok);
        (void)lib.SToI(Str("99").get(), &ok);
        (void)Take(lib.FToS(nan));

        double reals[] = {1, nan, -1};
        lib.Sort(reals, 3, 1);
        order = lib.CmpFloat(reals[0], reals[1]);
        cmp = lib.CmpFloat(nan, 1) + lib.CmpStr(Str("a").get(), Str("b").get());
        int64_t ints[] = {3, 1, 2};
        lib.Shuffle(ints, 3, sizeof ints[0]);
        lib.Reverse(ints, 3, sizeof ints[0]);

        TvStream* out = lib.LoadFileStream(Str(path).get(), true);
        lib.WriteStreamFloat(out, 0.30000000000000004);
        lib.FreeMem(out);
        TvStream* in = lib.LoadFileStream(Str(path).get(), false);
        streamed = lib.ReadStreamFloat(in);
        lib.FreeMem(in);
        readBack = Take(lib.ReadFileAll(Str(path).get()));
    }
    std::filesystem::remove(path);
    EXPECT_EQ(shown, "60");
    EXPECT_EQ(fixed, "0.6667");
    EXPECT_EQ(padded, "-0512");
    EXPECT_EQ(parsed, 0.1);
    EXPECT_EQ(rounded, 2.675);
    EXPECT_EQ(streamed, 0.30000000000000004);
    EXPECT_EQ(readBack, "0.30000000000000004");
    EXPECT_LT(fraction, 1.0);
    EXPECT_EQ(order, -1);
    EXPECT_EQ(cmp, 0);
}

}  // namespace
