#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "PlainLibrary.h"

namespace {

namespace fs = std::filesystem;

class Files : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tolvex-plain-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        Dir = pattern;
    }
    void TearDown() override { fs::remove_all(Dir); }

    std::string PathOf(const char* name) const { return (Dir / name).string(); }

    static std::string Contents(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }

    fs::path Dir;
};

TEST_F(Files, WholeFileRoundTrip) {
    const std::string path = PathOf("data.bin");
    const std::string data("bytes\0and\xff more", 15);
    EXPECT_TRUE(Lib().WriteFileAll(Str(path).get(), Bytes(data).get()));
    EXPECT_EQ(Contents(path), data);
    EXPECT_EQ(Take(Lib().ReadFileAll(Str(path).get())), data);

    EXPECT_TRUE(Lib().WriteFileAll(Str(path).get(), Bytes("").get()));
    EXPECT_EQ(Take(Lib().ReadFileAll(Str(path).get())), "");
}

TEST_F(Files, FailuresNameTheFile) {
    const std::string missing = PathOf("missing.txt");
    std::string message;
    EXPECT_EQ(RaisedCode([&] { Lib().ReadFileAll(Str(missing).get()); }, &message), TV_ERR_FILE);
    EXPECT_NE(message.find(missing), std::string::npos) << message;

    const std::string nowhere = PathOf("no/such/dir/out.txt");
    EXPECT_EQ(
        RaisedCode([&] { Lib().WriteFileAll(Str(nowhere).get(), Bytes("x").get()); }, &message),
        TV_ERR_FILE);
    EXPECT_NE(message.find(nowhere), std::string::npos) << message;

    EXPECT_EQ(RaisedCode([&] { Lib().LoadFileStream(Str(missing).get(), false); }, &message),
              TV_ERR_FILE);
    EXPECT_NE(message.find(missing), std::string::npos) << message;
}

TEST_F(Files, StreamWritesTokensThatReadBack) {
    const std::string path = PathOf("stream.txt");
    const Library& lib = Lib();
    TvStream* out = lib.LoadFileStream(Str(path).get(), true);
    lib.WriteStreamStr(out, Str(u"h\u00e9llo ").get());
    lib.WriteStreamInt(out, -42);
    lib.WriteStreamChar(out, ' ');
    lib.WriteStreamFloat(out, 0.1);
    lib.WriteStreamChar(out, '\n');
    lib.WriteStreamChar(out, 0x1F600);
    lib.WriteStream(out, Bytes(";7;x").get());
    EXPECT_EQ(lib.TellStream(out), 23);
    lib.FreeMem(out);  // releasing the handle closes and flushes the file
    EXPECT_EQ(Contents(path), "h\xc3\xa9llo -42 0.1\n\xf0\x9f\x98\x80;7;x");

    TvStream* in = lib.LoadFileStream(Str(path).get(), false);
    StrPtr word(lib.ReadStreamStr(in));
    ASSERT_EQ(word->Len, 5);
    EXPECT_EQ(word->Text[1], 0xE9);
    EXPECT_EQ(lib.ReadStreamInt(in), -42);
    EXPECT_EQ(lib.ReadStreamFloat(in), 0.1);
    EXPECT_EQ(lib.ReadStreamChar(in), 0x1F600);
    lib.SetSplitChars(in, Str(";").get());
    // Splits before a token are skipped, the one after it is consumed.
    EXPECT_EQ(Take(lib.ReadStreamStr(in)), "7");
    EXPECT_EQ(Take(lib.ReadStreamStr(in)), "x");
    EXPECT_EQ(Take(lib.ReadStreamStr(in)), "");
    std::string message;
    EXPECT_EQ(RaisedCode([&] { lib.ReadStreamInt(in); }, &message), TV_ERR_FILE);
    EXPECT_NE(message.find(path), std::string::npos) << message;
    EXPECT_TRUE(lib.ChkEndStream(in));
    EXPECT_EQ(lib.ReadStreamChar(in), -1);

    lib.SeekStream(in, -4, 2);
    EXPECT_EQ(lib.ReadStreamInt(in), 7);
    lib.SeekStream(in, 1, 0);
    EXPECT_FALSE(lib.ChkEndStream(in));
    EXPECT_EQ(Take(lib.ReadStream(in, 4)), "\xc3\xa9ll");
    EXPECT_EQ(lib.TellStream(in), 5);
    lib.SeekStream(in, 14, 1);
    EXPECT_EQ(Take(lib.ReadStream(in, 100)), ";7;x");
    lib.FreeMem(in);
}

TEST_F(Files, StreamHandlesAreChecked) {
    const Library& lib = Lib();
    EXPECT_EQ(RaisedCode([&] { lib.TellStream(nullptr); }), TV_ERR_ARG);
    int64_t notAStream[2] = {};
    EXPECT_EQ(RaisedCode([&] { lib.ReadStreamChar(reinterpret_cast<TvStream*>(notAStream)); }),
              TV_ERR_ARG);

    TvStream* out = lib.LoadFileStream(Str(PathOf("w.txt")).get(), true);
    EXPECT_EQ(RaisedCode([&] { lib.ReadStreamInt(out); }), TV_ERR_ARG);
    EXPECT_EQ(RaisedCode([&] { lib.SeekStream(out, 0, 3); }), TV_ERR_ARG);
    EXPECT_EQ(RaisedCode([&] { lib.SeekStream(out, -1, 0); }), TV_ERR_ARG);
    EXPECT_EQ(RaisedCode([&] { lib.WriteStreamChar(out, 0xD800); }), TV_ERR_ARG);
    lib.FreeMem(out);
}

}  // namespace
