#include "data/data_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/cp1250.h"
#include "base/errors.h"
#include "data/byte_buffer.h"

namespace readings {
namespace {

namespace fs = std::filesystem;

struct SplitRow {
    const char* name;
    std::string bytes;
    std::vector<std::string> lines;
    bool finalLineEnd;
    std::string saved;  // JoinTextLines of the result
};

class SplitText : public testing::TestWithParam<SplitRow> {};

#define R1 "2017-03-05 14:00:00    21.5    19.0"
#define R2 "2017-03-05 14:01:00    21.6   -19.5"

TEST_P(SplitText, LinesAndSavedBytes) {
    const SplitRow& row = GetParam();
    const TLineStore store = SplitTextLines(row.bytes);
    EXPECT_EQ(row.lines, store.Lines());
    if (!store.Empty()) {
        EXPECT_EQ(row.finalLineEnd, store.FinalLineEnd());
    }
    EXPECT_EQ(row.saved, JoinTextLines(store));

    // A file read whole is cut in place into the same lines (LoadDataFile).
    TLineStore adopted;
    adopted.Append("left from before");
    adopted.AdoptText(TByteBuffer(row.bytes));
    EXPECT_EQ(row.lines, adopted.Lines());
    EXPECT_EQ(row.saved, JoinTextLines(adopted));
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Files, SplitText,
    testing::Values(SplitRow{"CrLf", "a\r\nb\r\n", {"a", "b"}, true, "a\r\nb\r\n"},
                    SplitRow{"CrLfNoFinalEnd", "a\r\nb", {"a", "b"}, false, "a\r\nb"},
                    SplitRow{"LfOnly", "a\nb\n", {"a", "b"}, true, "a\r\nb\r\n"},
                    SplitRow{"CrOnly", "a\rb\r", {"a", "b"}, true, "a\r\nb\r\n"},
                    SplitRow{"Mixed", "a\n\rb\r\r\nc", {"a", "", "b", "", "c"}, false, "a\r\n\r\nb\r\n\r\nc"},
                    SplitRow{"EmptyLines", "\r\n\r\nx\r\n\r\n", {"", "", "x", ""}, true, "\r\n\r\nx\r\n\r\n"},
                    SplitRow{"LfCrIsTwoEnds", "a\n\r", {"a", ""}, true, "a\r\n\r\n"},
                    SplitRow{"NulCuts", "ab\r\ncd\0ef\r\ngh"s, {"ab", "cd"}, false, "ab\r\ncd"},
                    SplitRow{"NulAfterLineEnd", "ab\r\n\0cd"s, {"ab"}, true, "ab\r\n"},
                    SplitRow{"NulFirst", "\0abc"s, {}, true, ""}, SplitRow{"Empty", "", {}, true, ""},
                    SplitRow{"OnlyLineEnd", "\r\n", {""}, true, "\r\n"},
                    SplitRow{"NoLineEnd", "single", {"single"}, false, "single"},
                    // Reading lines all of one length, then the ways a file may leave that length.
                    SplitRow{"ReadingsCrLf", R1 "\r\n" R2 "\r\n", {R1, R2}, true, R1 "\r\n" R2 "\r\n"},
                    SplitRow{"ReadingsLf", R1 "\n" R2 "\n", {R1, R2}, true, R1 "\r\n" R2 "\r\n"},
                    SplitRow{"ReadingsNoFinalEnd", R1 "\r\n" R2, {R1, R2}, false, R1 "\r\n" R2},
                    SplitRow{"LongerLineAmongReadings", R1 "\r\n" R1 " tail\r\n" R2 "\r\n", {R1, R1 " tail", R2}, true,
                             R1 "\r\n" R1 " tail\r\n" R2 "\r\n"},
                    SplitRow{"ShortLastLineWithoutEnd", R1 "\r\n" R2 "\r\nD?10", {R1, R2, "D?10"}, false,
                             R1 "\r\n" R2 "\r\nD?10"},
                    SplitRow{"EmptyLineAfterReadings", R1 "\r\n\r\n" R2, {R1, "", R2}, false, R1 "\r\n\r\n" R2}),
    [](const testing::TestParamInfo<SplitRow>& info) { return std::string(info.param.name); });

// Bytes arriving in pieces (file chunks) give the same lines wherever the pieces are cut, also
// between the CR and the LF of one line end.
TEST(TextLineSplitter, PiecesGiveTheSameLines) {
    const std::string bytes = "ab\r\ncd\r\r\n\nef\rgh\n\r\r\nlast\0after"s;
    const TLineStore whole = SplitTextLines(bytes);
    ASSERT_EQ((std::vector<std::string>{"ab", "cd", "", "", "ef", "gh", "", "", "last"}), whole.Lines());
    for (std::size_t cut1 = 0; cut1 <= bytes.size(); ++cut1) {
        for (std::size_t cut2 = cut1; cut2 <= bytes.size(); ++cut2) {
            TLineStore lines;
            TTextLineSplitter splitter(lines);
            splitter.Feed(std::string_view(bytes).substr(0, cut1));
            splitter.Feed(std::string_view(bytes).substr(cut1, cut2 - cut1));
            splitter.Feed(std::string_view(bytes).substr(cut2));
            EXPECT_FALSE(splitter.Finish());
            EXPECT_EQ(whole.Lines(), lines.Lines()) << cut1 << ' ' << cut2;
        }
    }
}

#undef R1
#undef R2

// A line end is found wherever it stands in the eight bytes read at once, next to bytes that
// differ from CR or LF by one bit.
TEST(SplitText, LineEndAtEveryPlaceOfAWord) {
    for (const std::string end : {"\r", "\n", "\r\n"}) {
        for (std::size_t at = 0; at < 20; ++at) {
            std::string bytes;
            for (std::size_t i = 0; i < at; ++i) bytes += "\x8d\x0c\x0e\x8a\x0b\x0f\xff\x2d"[i % 8];
            bytes += end + "after\x8d";
            TLineStore adopted;
            adopted.AdoptText(TByteBuffer(bytes));
            EXPECT_EQ(SplitTextLines(bytes).Lines(), adopted.Lines()) << at;
            EXPECT_EQ(2u, adopted.Count()) << at;
        }
    }
}

// While every line has one length no offsets are kept; the first line of another length brings
// them in without losing a line, also for lines appended after a file was adopted.
TEST(LineStore, LinesOfOneLengthAndThenOthers) {
    TLineStore store;
    store.AdoptText(TByteBuffer(std::string("abc\r\ndef\r\n")));
    EXPECT_TRUE(store.Uniform());
    EXPECT_EQ(6u, store.ByteCount());
    store.Append("ghi");
    EXPECT_TRUE(store.Uniform());
    store.Append("");
    store.Append("jklm");
    EXPECT_FALSE(store.Uniform());
    store.Append("nop");
    EXPECT_EQ((std::vector<std::string>{"abc", "def", "ghi", "", "jklm", "nop"}), store.Lines());
    EXPECT_EQ("abc\r\ndef\r\nghi\r\n\r\njklm\r\nnop\r\n", JoinTextLines(store));
    store.Clear();
    EXPECT_TRUE(store.Empty());
    store.Append("");
    store.Append("");
    EXPECT_TRUE(store.Uniform());
    EXPECT_EQ((std::vector<std::string>{"", ""}), store.Lines());
}

TEST(JoinTextLines, AppendedLinesEndWithLineEnd) {
    TLineStore store = SplitTextLines("a\r\nb");
    store.Append("c");
    EXPECT_EQ("a\r\nb\r\nc\r\n", JoinTextLines(store));
}

class DataFileTest : public testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("data_file_test_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Path(const char* name) const { return (dir_ / name).string(); }
    static void Write(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fs::path dir_;
};

// Every byte value 1..255 survives a load and a save, and each shows as a character of its own
// that converts back to the same byte. CR and LF stand together as one line end.
TEST_F(DataFileTest, EveryByteValueRoundTrips) {
    std::string bytes;
    for (int b = 1; b <= 255; ++b) {
        if (b == '\n') continue;
        bytes += static_cast<char>(b);
        if (b == '\r') bytes += '\n';
    }
    bytes += "\r\n";
    Write(Path("all.log"), bytes);

    const TLineStore store = LoadDataFile(Path("all.log"));
    ASSERT_EQ(2u, store.Count());
    for (const std::string& line : store.Lines()) {
        EXPECT_EQ(line, Utf8ToCp1250(Cp1250ToUtf8(line)));
    }
    SaveLinesFile(Path("saved.log"), store);
    EXPECT_EQ(bytes, Read(Path("saved.log")));
}

TEST_F(DataFileTest, CrLfFileSavedAgainIsIdentical) {
    std::string bytes;
    for (int i = 0; i < 1000; ++i) bytes += "2017-03-05 14:00:00    21.5    19.0\r\n";
    bytes += "\r\nlast line without end";
    Write(Path("in.log"), bytes);
    SaveLinesFile(Path("out.log"), LoadDataFile(Path("in.log")));
    EXPECT_EQ(bytes, Read(Path("out.log")));
}

TEST_F(DataFileTest, SaveReplacesExistingFile) {
    Write(Path("x.log"), "a much longer old content\r\n\r\n\r\n");
    TLineStore store;
    store.Append("new");
    SaveLinesFile(Path("x.log"), store);
    EXPECT_EQ("new\r\n", Read(Path("x.log")));
}

TEST_F(DataFileTest, UnreadableFileThrows) {
    EXPECT_THROW(LoadDataFile(Path("missing.log")), EFileError);
    EXPECT_THROW(LoadDataFile(dir_.string()), EFileError);
}

// Files larger than one read: lines that span reads, CR LF split between reads, a NUL far in.
TEST_F(DataFileTest, LargeFileLoadsWhole) {
    std::string bytes;
    std::vector<std::string> expected;
    for (int i = 0; bytes.size() < 3'500'000; ++i) {
        expected.push_back(std::string(static_cast<std::size_t>(i % 97), static_cast<char>('A' + i % 26)));
        bytes += expected.back();
        bytes += i % 3 == 0 ? "\r\n" : i % 3 == 1 ? "\n" : "\r";
    }
    Write(Path("big.log"), bytes);
    const TLineStore loaded = LoadDataFile(Path("big.log"));
    EXPECT_EQ(expected, loaded.Lines());
    EXPECT_TRUE(loaded.FinalLineEnd());

    // Cut at a NUL in the middle of the second megabyte.
    const std::size_t nul = bytes.find('\n', 1'500'000) + 1;
    bytes[nul] = '\0';
    Write(Path("nul.log"), bytes);
    EXPECT_EQ(SplitTextLines(std::string_view(bytes).substr(0, nul)).Lines(), LoadDataFile(Path("nul.log")).Lines());
}

TEST_F(DataFileTest, UnwritableTargetThrows) {
    TLineStore store;
    store.Append("x");
    EXPECT_THROW(SaveLinesFile(Path("no_such_dir/x.log"), store), EFileError);
    fs::create_directory(Path("a_dir"));
    EXPECT_THROW(SaveLinesFile(Path("a_dir"), store), EFileError);
    EXPECT_TRUE(fs::is_directory(Path("a_dir")));
}

// A write that fails part way (here the file size limit stops it) leaves the old file whole and
// no temporary file behind.
TEST_F(DataFileTest, FailedWriteLeavesOldFileWhole) {
    const std::string old = "2017-03-05 14:00:00    21.5    19.0\r\n";
    Write(Path("keep.log"), old);
    TLineStore big;
    for (int i = 0; i < 10000; ++i) big.Append("2017-03-05 14:00:00    22.5    20.0");

    rlimit saved{};
    ASSERT_EQ(0, ::getrlimit(RLIMIT_FSIZE, &saved));
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(0, ::setrlimit(RLIMIT_FSIZE, &small));
    bool threw = false;
    try {
        SaveLinesFile(Path("keep.log"), big);
    } catch (const EFileError&) {
        threw = true;
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_TRUE(threw);
    EXPECT_EQ(old, Read(Path("keep.log")));
    EXPECT_EQ(1, std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
}

}  // namespace
}  // namespace readings
