// Every kind of failure from outside the game, one row each: what is wrong, the one line the
// game must give on standard error, and its exit code. Variables, script lines, recordings,
// pictures, sounds, the library, screenshots, the trace, saved data, signals and resource
// limits.
#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "GameRun.h"

namespace keldo::e2e {
namespace {

namespace fs = std::filesystem;

// Space down at frame 2 and up at 4: the title gives way to a game, which loads the rest.
constexpr const char* kStartAGame = "2 0\n4\n";

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Seven hours of silence in 700 kB; made once, with sox, when a test first needs it.
const std::string& SevenHourSound() {
    static const std::string path = [] {
        const std::string file = MakeTempDir() + "/seven_hours.ogg";
        const std::string command =
            std::string(KELDO_SOX) + " -n -r 1000 -c 1 -C -1 " + file + " trim 0 25200";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return file;
    }();
    return path;
}

// A picture within every limit but large: 4000 x 4000, 64 MB once decoded.
void WriteLargePicture(const std::string& path) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 4000, 4000, 32, SDL_PIXELFORMAT_RGBA32);
    ASSERT_NE(s, nullptr);
    SDL_FillRect(s, nullptr, 0xFF0000FF);
    ASSERT_EQ(IMG_SavePNG(s, path.c_str()), 0);
    SDL_FreeSurface(s);
}

// A sound saved best score of 2^63 - 1, checksum and all.
const std::string kHighestScore(
    "TVSD\x01\0\0\0\x08\0\0\0\0\0\0\0\xff\xff\xff\xff\xff\xff\xff\x7f\x21\x96\x71\x79", 28);

const std::string kLibraryRefused =
    "keldo: error 3001: cannot load the runtime library Data/Tolvex.vsd: ";
const std::string kLibraryNamed = "$DIR/Data/Tolvex.vsd) (code 3001)\n";

struct Case {
    const char* Kind = "";
    const char* Name = "";
    std::function<void(const std::string& data)> Damage = {};  // on a copy of the Data folder
    std::map<std::string, std::string> Env = {};
    std::string Script = "";
    std::map<int, unsigned long> Limits = {};
    int Signal = 0;  // sent at frame 10 of a paced run
    // The whole of standard error begins with this and is one line; empty: nothing at all.
    std::string Says = "";
    int Exit = 1;
    std::string Names = "";  // must appear in the line as well; $DIR: the game's folder
};

std::vector<Case> Cases() {
    const auto replace = [](const std::string& name, std::function<void(const std::string&)> by) {
        return [name, by](const std::string& data) {
            fs::remove(data + "/" + name);
            by(data + "/" + name);
        };
    };
    const std::map<std::string, std::string> paced = {{"TOLVEX_PACE", "1"},
                                                      {"TOLVEX_FRAMES", "100000"}};
    return {
        {.Kind = "variable",
         .Name = "WithALineEnd",
         .Env = {{"TOLVEX_SEED", "1\n2"}},
         .Says = "keldo: TOLVEX_SEED: '1\\x0A2' is not a decimal unsigned 64-bit number "
                 "(code 0xE7100006)\n"},
        {.Kind = "variable",
         .Name = "WithTerminalEscapes",
         .Env = {{"TOLVEX_HEADLESS", "\x1b]0;x\x07\r"}},
         .Says = "keldo: TOLVEX_HEADLESS: '\\x1B]0;x\\x07\\x0D' is not 1, null or empty"},
        {.Kind = "variable",
         .Name = "APathLongerThanAMessage",
         .Env = {{"TOLVEX_TRACE", "/nonexistent/" + std::string(600, 'p') + "/trace.txt"}},
         .Says = "keldo: TOLVEX_TRACE: cannot write: No such file or directory (/nonexistent/p"},
        {.Kind = "variable",
         .Name = "ASoundDriverThatHeadlessIgnores",
         .Env = {{"SDL_AUDIODRIVER", "pulseaudio"},
                 {"TOLVEX_HEADLESS", "1"},
                 {"TOLVEX_FRAMES", "10"}},
         .Exit = 0},
        {.Kind = "script",
         .Name = "WithANul",
         .Script = std::string("2 0\n4 1\0x\n", 10),
         .Says = "keldo: TOLVEX_INPUT: line 2: a button is not a number from 0 to 15: "
                 "'4 1\\x00x' ("},
        {.Kind = "script",
         .Name = "WithoutLineEnds",
         .Env = {{"TOLVEX_INPUT", "/dev/zero"}},
         .Says = "keldo: TOLVEX_INPUT: line 1: the line is longer than 4096 bytes: "},
        {.Kind = "script",
         .Name = "WithAByteOrderMark",
         .Env = {{"TOLVEX_FRAMES", "10"}},
         .Script = "\xEF\xBB\xBF"
                   "2 0\n4\n",
         .Exit = 0},
        {.Kind = "recording",
         .Name = "AHeadLineWithoutEnd",
         .Script = "# " + std::string(1 << 20, 'x') + "\n2 0\n",
         .Says = "keldo: TOLVEX_INPUT: ",
         .Names = "input.txt line 1: the line is longer than 4096 bytes: '# xxx"},
        {.Kind = "outputs",
         .Name = "AnOutputOverTheInput",
         .Env = {{"TOLVEX_AUDIO_OUT", "./input.txt"}},
         .Script = kStartAGame,
         .Says = "keldo: TOLVEX_AUDIO_OUT and TOLVEX_INPUT name the same file (./input.txt) "
                 "(code 0xE7100006)\n"},
        {.Kind = "save",
         .Name = "APipe",
         .Damage = [](const std::string& data) { mkfifo((data + "/best.sav").c_str(), 0600); },
         .Env = {{"TOLVEX_SAVE_DIR", "Data"}, {"TOLVEX_FRAMES", "10"}},
         .Script = kStartAGame,
         .Says = "tolvex: warning: best.sav is not an ordinary file; starting without it "
                 "(Data/best.sav)\n",
         .Exit = 0},
        {.Kind = "score",
         .Name = "BeyondWhatAGameReaches",
         .Damage = [](const std::string& data) { Write(data + "/best.sav", kHighestScore); },
         .Env = {{"TOLVEX_SAVE_DIR", "Data"}, {"TOLVEX_FRAMES", "10"}},
         .Script = kStartAGame,
         .Says = "keldo: warning: the saved best score is more than the game can reach; starting "
                 "from 0 (9223372036854775807)\n",
         .Exit = 0},
        {.Kind = "warning",
         .Name = "WithTerminalEscapes",
         .Damage =
             [](const std::string& data) {
                 fs::create_directory(data + "/\x1b]0;x\x07");
                 Write(data + "/\x1b]0;x\x07/best.sav", "");
             },
         .Env = {{"TOLVEX_SAVE_DIR", "Data/\x1b]0;x\x07"}, {"TOLVEX_FRAMES", "10"}},
         .Script = kStartAGame,
         .Says = "tolvex: warning: best.sav is damaged: empty; set aside as best.sav.bad "
                 "(Data/\\x1B]0;x\\x07/best.sav)\n",
         .Exit = 0},
        {.Kind = "picture",
         .Name = "AFolder",
         .Damage = replace("title.vstex", [](auto p) { fs::create_directory(p); }),
         .Says = "keldo: LoadTex: title.vstex is not an ordinary file ("},
        {.Kind = "picture",
         .Name = "ADevice",
         .Damage = replace("icon.png", [](auto p) { fs::create_symlink("/dev/zero", p); }),
         .Says = "keldo: Init: icon.png is not an ordinary file ("},
        {.Kind = "sound",
         .Name = "OfAnotherKind",
         .Damage = replace("sha00.ogg",
                           [](auto p) {
                               Write(p, std::string("Creative Voice File\x1a\x1a\0\x0a\x01\x29\x11",
                                                    26));
                           }),
         .Script = kStartAGame,
         .Says = "keldo: LoadSnd: sha00.ogg is not an Ogg Vorbis or WAV sound ("},
        {.Kind = "sound",
         .Name = "SevenHoursLong",
         .Damage = replace("sha00.ogg", [](auto p) { fs::copy_file(SevenHourSound(), p); }),
         .Script = kStartAGame,
         .Says = "keldo: LoadSnd: sha00.ogg may last up to 2"},
        {.Kind = "sound",
         .Name = "SevenHoursLongNeverLoaded",
         .Damage =
             [](const std::string& data) { fs::copy_file(SevenHourSound(), data + "/zz.ogg"); },
         .Env = {{"TOLVEX_FRAMES", "30"}},
         .Script = kStartAGame,
         .Exit = 0},
        // Refused with the cause first, before anything is loaded, and the file by its path.
        {.Kind = "library",
         .Name = "Missing",
         .Damage = [](const std::string& data) { fs::remove(data + "/Tolvex.vsd"); },
         .Says = kLibraryRefused + "No such file or directory",
         .Names = kLibraryNamed},
        {.Kind = "library",
         .Name = "APipe",
         .Damage =
             replace("Tolvex.vsd", [](const std::string& path) { mkfifo(path.c_str(), 0600); }),
         .Says = kLibraryRefused + "not a regular file",
         .Names = kLibraryNamed},
        {.Kind = "library",
         .Name = "AFolder",
         .Damage =
             replace("Tolvex.vsd", [](const std::string& path) { fs::create_directory(path); }),
         .Says = kLibraryRefused + "not a regular file",
         .Names = kLibraryNamed},
        {.Kind = "library",
         .Name = "CutInHalf",
         .Damage =
             [](const std::string& data) {
                 const std::string library = data + "/Tolvex.vsd";
                 fs::resize_file(library, fs::file_size(library) / 2);
             },
         .Says = kLibraryRefused + "the file is cut short",
         .Names = kLibraryNamed},
        {.Kind = "library",
         .Name = "CutAfterItsHeader",
         .Damage = [](const std::string& data) { fs::resize_file(data + "/Tolvex.vsd", 4096); },
         .Says = kLibraryRefused + "the file is cut short",
         .Names = kLibraryNamed},
        {.Kind = "library",
         .Name = "CutShort",
         .Damage = [](const std::string& data) { fs::resize_file(data + "/Tolvex.vsd", 100000); },
         .Says = "keldo: error 3001: cannot load the runtime library Data/Tolvex.vsd: the file is "
                 "cut short"},
        {.Kind = "screenshot",
         .Name = "OnAFullDisk",
         .Env = {{"TOLVEX_HEADLESS", "1"}, {"TOLVEX_SHOT", "5:/dev/full"}, {"TOLVEX_FRAMES", "30"}},
         .Says = "keldo: TOLVEX_SHOT: cannot write: No space left on device (/dev/full) "
                 "(code 0xE7100006)\n"},
        {.Kind = "trace",
         .Name = "OverAFileSizeLimit",
         .Env = {{"TOLVEX_FRAMES", "100000"}},
         .Script = std::string(kStartAGame) + "20 13\n",
         .Limits = {{RLIMIT_FSIZE, 20000}},
         .Says = "keldo: TOLVEX_TRACE: cannot write: File too large ("},
        {.Kind = "signal",
         .Name = "NobodySends",
         .Env = paced,
         .Signal = SIGUSR1,
         .Says = "keldo: Act: ended by an unexpected signal, SIGUSR1 (code 0xE7100003)\n"},
        {.Kind = "signal", .Name = "HangUp", .Env = paced, .Signal = SIGHUP, .Exit = 0},
        {.Kind = "limit",
         .Name = "MemoryForALargePicture",
         .Damage = replace("title.vstex", [](auto p) { WriteLargePicture(p); }),
         .Limits = {{RLIMIT_AS, 110ul << 20}},
         .Says = "keldo: LoadTex: ",
         .Names = "title.vstex"},
        // Screenshots that could never be taken, and signals that used to end the run silently.
        {.Kind = "screenshot",
         .Name = "PastTheLastFrame",
         .Env = {{"TOLVEX_HEADLESS", "1"},
                 {"TOLVEX_SHOT", "5:early.png,30:late.png"},
                 {"TOLVEX_FRAMES", "30"}},
         .Says = "keldo: TOLVEX_SHOT: frame 30 comes after the last frame, 29 (TOLVEX_FRAMES) "
                 "(code 0xE7100006)\n"},
        {.Kind = "signal",
         .Name = "ThatUsedToEndInSilence",
         .Env = paced,
         .Signal = SIGPWR,
         .Says = "keldo: Act: ended by an unexpected signal, SIGPWR (code 0xE7100003)\n"},
        {.Kind = "signal",
         .Name = "TheGameCannotSurvive",
         .Env = paced,
         .Signal = SIGSYS,
         .Says = "keldo: fault: bad system call (code 31)\n"},
    };
}

void PrintTo(const Case& c, std::ostream* out) { *out << c.Kind << " " << c.Name; }

class FailureKind : public testing::TestWithParam<Case> {};

TEST_P(FailureKind, GivesItsOneLineAndExitCode) {
    const Case& c = GetParam();
#ifdef __SANITIZE_ADDRESS__
    if (c.Limits.count(RLIMIT_AS) != 0) {
        GTEST_SKIP() << "the memory checker reserves more address space than any limit allows";
    }
#endif
    const std::string dir = MakeTempDir();
    fs::copy_file(BuiltProgram(), dir + "/keldo");
    fs::copy(BuiltDataDir(), dir + "/Data", fs::copy_options::recursive);
    if (c.Damage) c.Damage(dir + "/Data");
    GameRun run;
    run.Program = dir + "/keldo";
    run.WorkDir = dir;
    run.Env = c.Env;
    run.Script = c.Script;
    run.Limits = c.Limits;
    if (c.Signal != 0) {
        run.Signal = c.Signal;
        run.SignalAtFrame = 10;
    }
    run.TimeoutSeconds = 120;
    const GameResult r = run.Run();

    EXPECT_EQ(r.ExitCode, c.Exit) << r.Stderr;
    if (c.Says.empty()) {
        EXPECT_EQ(r.Stderr, "");
    } else {
        EXPECT_TRUE(r.Stderr.starts_with(c.Says)) << r.Stderr;
        EXPECT_EQ(std::count(r.Stderr.begin(), r.Stderr.end(), '\n'), 1) << r.Stderr;
        EXPECT_TRUE(r.Stderr.ends_with(")\n")) << r.Stderr;
        std::string names = c.Names;
        if (const size_t at = names.find("$DIR"); at != std::string::npos) {
            names.replace(at, 4, dir);
        }
        EXPECT_NE(r.Stderr.find(names), std::string::npos) << r.Stderr;
    }
    // Whatever stopped it, the trace holds whole lines only.
    std::ifstream trace(dir + "/trace.txt", std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(trace), {});
    EXPECT_TRUE(text.empty() || text.ends_with("\n"))
        << text.substr(text.size() - std::min<size_t>(text.size(), 80));
    fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(All, FailureKind, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<Case>& info) {
                             return std::string(info.param.Kind) + "_" + info.param.Name;
                         });

}  // namespace
}  // namespace keldo::e2e
