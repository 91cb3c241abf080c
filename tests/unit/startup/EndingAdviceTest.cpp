// What a player is told to do when the start fails: advice that fits each kind of failure,
// above the line itself, with what it names in brackets never split across two lines.
#include <gtest/gtest.h>

#include <string>

#include "startup/EndingAdvice.h"

namespace keldo {
namespace {

TEST(EndingAdvice, EachKindOfFailureGetsAdviceThatFits) {
    struct Case {
        const char* Line;
        const char* Starts;
    };
    const char* const data = "The game's Data folder is missing or damaged: unpack the whole zip";
    for (const Case& c : {
             Case{"keldo: error 3001: cannot load the runtime library Data\\Tolvex.vsd: Path not "
                  "found (error 3) (C:\\keldo\\Data\\Tolvex.vsd) (code 3001)",
                  data},
             Case{"keldo: LoadTex: font_128_64.vstex is not a picture "
                  "(C:\\keldo\\Data\\font_128_64.vstex) (code 0xE7100002)",
                  data},
             Case{"keldo: error 3001: the runtime library Data\\Tolvex.vsd has no entry "
                  "StopBGMFade (C:\\keldo\\Data\\Tolvex.vsd) (code 3001)",
                  "The game's Data folder holds a library from another version"},
             Case{"keldo: Init: no renderer: no hardware accelerated renderer (code 0xE7100003)",
                  "The game could not open its window"},
             Case{"keldo: Init: cannot start the sound mixer: no device (code 0xE7100003)",
                  "The game could not start the sound"},
             Case{"keldo: LoadTex: out of memory while reading title.vstex (C:\\t.vstex) (code "
                  "0xE7100002)",
                  "The computer ran out of memory"},
             Case{"keldo: out of memory in the game (code 0)", "The computer ran out of memory"},
             Case{"keldo: fault: invalid memory access at 0x10, with memory run out (code "
                  "3221225477)",
                  "The computer ran out of memory"},
             Case{"keldo: TOLVEX_RENDERER: 'x' is not software or empty (code 0xE7100006)",
                  "A setting given to the game (a TOLVEX_ variable)"},
             Case{"keldo: fault: invalid memory access at 0x10 in keldo.exe (code 3221225477)",
                  "Something went wrong inside the game: start it again"},
             Case{"keldo: unexpected exception (code 0)", "Something went wrong inside the game"},
             Case{"keldo: the shutdown after a fault did not finish",
                  "Something went wrong inside the game"},
         }) {
        const std::string advice = EndingAdvice(c.Line);
        EXPECT_TRUE(advice.starts_with(c.Starts)) << c.Line << "\n" << advice;
        EXPECT_TRUE(advice.ends_with(".")) << advice;
    }
}

TEST(EndingAdvice, TheBoxSaysTheAdviceThenTheLineWithEachPathOnALineOfItsOwn) {
    struct Case {
        const char* Line;
        const char* Below;  // what the box shows under the advice and a blank line
    };
    for (const Case& c : {
             Case{"keldo: error 3001: cannot load the runtime library Data\\Tolvex.vsd: Path not "
                  "found (error 3) (C:\\Program Files\\keldo\\Data\\Tolvex.vsd) (code 3001)",
                  "keldo: error 3001: cannot load the runtime library Data\\Tolvex.vsd: Path not "
                  "found (error 3)\n(C:\\Program Files\\keldo\\Data\\Tolvex.vsd) (code 3001)"},
             Case{"keldo: Init: no display (code 0xE7100003)",
                  "keldo: Init: no display (code 0xE7100003)"},
             Case{"keldo: TOLVEX_TRACE: cannot write (/a/b (1)/t.txt) (code 0xE7100006)",
                  "keldo: TOLVEX_TRACE: cannot write\n(/a/b (1)/t.txt) (code 0xE7100006)"},
         }) {
        EXPECT_EQ(EndingBoxText(c.Line), EndingAdvice(c.Line) + "\n\n" + c.Below);
    }
}

}  // namespace
}  // namespace keldo
